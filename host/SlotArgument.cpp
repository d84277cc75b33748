#include "SlotArgument.h"

#include "BoundedText.h"
#include "HostUtil.h"
#include "PathText.h"
#include "ServiceRecord.h"

#include <cctype>
#include <cstring>

bool ParseSlotNumber(const char* argument, int* slot)
{
    const char* c = argument;
    while (std::isspace(static_cast<unsigned char>(*c)))
        ++c;
    bool negative = false;
    if (*c == '+' || *c == '-') {
        negative = *c == '-';
        ++c;
    }
    long number = 0;
    for (; std::isdigit(static_cast<unsigned char>(*c)); ++c) {
        number = number * 10 + (*c - '0');
        if (number >= kSlotCount)
            return false; // stops growing long before it could overflow
    }
    if (negative && number != 0)
        return false;
    *slot = static_cast<int>(number);
    return true;
}

void MakeLogBaseName(const char* argument, char* name, size_t size, unsigned codePage)
{
    if (size == 0)
        return;
    size_t length = WholeCharsLength(argument, size - 1, codePage);
    std::memcpy(name, argument, length);
    name[length] = '\0';
    for (char* c = name; *c; c = const_cast<char*>(NextChar(c, codePage))) {
        unsigned char byte = static_cast<unsigned char>(*c);
        if (byte < 0x20 || std::strchr("\\/:*?\"<>|", byte) != nullptr)
            *c = '_';
    }
}

int ParseSlotArgument(const char* argument, CUtil& util)
{
    if (argument == nullptr || argument[0] == '\0')
        return 0;
    int slot = 0;
    if (!ParseSlotNumber(argument, &slot))
        return 0;
    MakeLogBaseName(argument, util.slotText, sizeof(util.slotText));
    util.slot = slot;
    return 1;
}
