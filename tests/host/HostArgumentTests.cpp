// The host's argument: any text of any length is read as the slot and the log's base name, the
// name bounded and cut only between characters of the code page.

#include "BoundedText.h"
#include "HostUtil.h"
#include "RandomInput.h"
#include "SlotArgument.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

namespace {

const UINT kJapanese = 932;
const UINT kWestern = 1252;

} // namespace

TEST(HostArgumentTest, ArgumentsOfAnyLengthAreAcceptedAndNameTheLogBounded)
{
    struct Case {
        const char* argument;
        int slot;
        const char* slotText;
    } cases[] = {{"hello", 0, "hello"},   {"7 extra", 7, "7 extra"}, {"07", 7, "07"},
                 {"  12 ", 12, "  12 "},  {"049", 49, "049"},         {"+3x", 3, "+3x"},
                 {"..\\..\\evil", 0, ".._.._evil"}, {"1:2*3?\"<>|/\t", 1, "1_2_3_______"}};
    for (const Case& c : cases) {
        CUtil host;
        ASSERT_EQ(1, ParseSlotArgument(c.argument, host)) << c.argument;
        EXPECT_EQ(c.slot, host.slot) << c.argument;
        EXPECT_STREQ(c.slotText, host.slotText) << c.argument;
    }
    CUtil host;
    std::string longArgument = "05" + std::string(500, 'z');
    ASSERT_EQ(1, ParseSlotArgument(longArgument.c_str(), host));
    EXPECT_EQ(5, host.slot);
    EXPECT_EQ(longArgument.substr(0, kSlotTextSize - 1), host.slotText);
    for (const char* refused : {"", "50", "-1", "100", "99999999999999999999"})
        EXPECT_EQ(0, ParseSlotArgument(refused, host)) << refused;
}

TEST(HostArgumentTest, LogBaseNameKeepsDoubleByteCharactersWhole)
{
    char name[kSlotTextSize];
    // 62 bytes, then "ソ": the character does not fit the 63 bytes whole and is left out.
    std::string argument = std::string(62, '1') + "\x83\x5C";
    MakeLogBaseName(argument.c_str(), name, sizeof(name), kJapanese);
    EXPECT_EQ(std::string(62, '1'), name);
    MakeLogBaseName(argument.c_str(), name, sizeof(name), kWestern);
    EXPECT_EQ(std::string(62, '1') + "\x83", name);
    // The trail byte is part of its character, not a backslash to be made harmless.
    MakeLogBaseName("07\x83\x5C\\x", name, sizeof(name), kJapanese);
    EXPECT_STREQ("07\x83\x5C_x", name);
    MakeLogBaseName("07\x83\x5C\\x", name, sizeof(name), kWestern);
    EXPECT_STREQ("07\x83__x", name);
}

TEST(FuzzTest, HostArgumentTakesAnyText)
{
    CRandom random(kFuzzSeed + 2);
    static const std::string kPieces[] = {"0", "7", "49", "50", "-", "+", " ", "\t", "a", "Z",
                                          "\\", "/", ":", "*", "?", "\"", "\x83\x5C", "\xFF",
                                          "999999999999", "\x01"};
    for (int i = 0; i < 20000; ++i) {
        std::string argument;
        for (size_t pieces = random.Below(random.OneIn(20) ? 300 : 8); pieces > 0; --pieces)
            argument += kPieces[random.Below(sizeof(kPieces) / sizeof(kPieces[0]))];

        // The leading number, as the rule reads it, saturating far above the table.
        size_t at = 0;
        while (at < argument.size() && std::isspace(static_cast<unsigned char>(argument[at])))
            ++at;
        bool negative = false;
        if (at < argument.size() && (argument[at] == '+' || argument[at] == '-'))
            negative = argument[at++] == '-';
        long long number = 0;
        for (; at < argument.size() && std::isdigit(static_cast<unsigned char>(argument[at]));
             ++at)
            number = std::min(number * 10 + (argument[at] - '0'), 1000LL);
        bool accepted = !argument.empty() && number <= 49 && (!negative || number == 0);

        CUtil host;
        std::memset(host.slotText, '\x5A', sizeof(host.slotText));
        int result = ParseSlotArgument(argument.c_str(), host);
        ASSERT_EQ(accepted ? 1 : 0, result) << "case " << i << ": " << Printable(argument);
        if (!accepted)
            continue;
        ASSERT_EQ(number, host.slot) << "case " << i;
        size_t length = FieldLength(host.slotText, sizeof(host.slotText));
        ASSERT_LT(length, sizeof(host.slotText)) << "case " << i;
        ASSERT_EQ(std::min(argument.size(), kSlotTextSize - 1), length) << "case " << i;
        for (size_t k = 0; k < length; ++k) {
            unsigned char c = static_cast<unsigned char>(host.slotText[k]);
            ASSERT_TRUE(c >= 0x20 && !std::strchr("\\/:*?\"<>|", c))
                << "case " << i << ": " << Printable(host.slotText);
            ASSERT_TRUE(c == static_cast<unsigned char>(argument[k]) || c == '_') << "case " << i;
        }
    }
}
