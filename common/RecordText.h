#pragma once
// A service record's texts as strings, never read past their fields.

#include "BoundedText.h"

#include <cstdio>
#include <string>

// A record's text field as a string, never read past the field.
template <size_t N>
std::string FieldText(const char (&field)[N])
{
    return std::string(field, FieldLength(field, N));
}

// The two-digit slot, "07" for slot 7.
inline std::string SlotText(int slot)
{
    char text[8];
    std::snprintf(text, sizeof(text), "%02d", slot);
    return text;
}
