#include "SlotArgument.h"

#include "BoundedText.h"
#include "HostUtil.h"
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

int ParseSlotArgument(const char* argument, CUtil& util)
{
    if (argument == nullptr || argument[0] == '\0')
        return 0;
    int slot = 0;
    if (!ParseSlotNumber(argument, &slot))
        return 0;
    if (!CopyText(util.slotText, argument))
        return 0;
    util.slot = slot;
    return 1;
}
