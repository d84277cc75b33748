// Paths cut by character in double-byte code pages, and the host's argument of any length.

#include "HostUtil.h"
#include "PathText.h"
#include "SlotArgument.h"

#include <gtest/gtest.h>
#include <string>

namespace {

const UINT kJapanese = 932;
const UINT kChinese = 936;
const UINT kWestern = 1252;
// "ソフト.exe" in code page 932: the trail byte of the first character is 0x5C.
const char kJapaneseFile[] = "C:\\Tools\\\x83\x5C\x83\x74\x83\x67.exe";

std::string FolderBefore(const char* path, UINT codePage, bool alsoSlash = false)
{
    const char* last = FindLastSeparator(path, alsoSlash, codePage);
    return last ? std::string(path, last) : std::string("<none>");
}

} // namespace

TEST(PathTextTest, TrailBytesThatLookLikeBackslashesDoNotCutAPath)
{
    EXPECT_EQ("C:\\Tools", FolderBefore(kJapaneseFile, kJapanese));
    // The same bytes in a single-byte code page hold a real backslash.
    EXPECT_EQ("C:\\Tools\\\x83", FolderBefore(kJapaneseFile, kWestern));
    // "表\示.txt" style: a backslash right after a character with a 0x5C trail byte.
    EXPECT_EQ("D:\\\x95\x5C", FolderBefore("D:\\\x95\x5C\\\x8E\xA6.txt", kJapanese));
    EXPECT_EQ("E:\\\x81\x5C\x81\x5C", FolderBefore("E:\\\x81\x5C\x81\x5C\\a.exe", kChinese));
    EXPECT_EQ("E:", FolderBefore("E:\\\x81\x5C\x81\x5C", kChinese));
    EXPECT_EQ("<none>", FolderBefore("\x83\x5C.exe", kJapanese));
    EXPECT_EQ("C:\\a/b", FolderBefore("C:\\a/b\\c", kJapanese, true));
    EXPECT_EQ("C:\\a", FolderBefore("C:\\a/\x83\x5C", kJapanese, true));

    EXPECT_FALSE(EndsWithSeparator("C:\\\x83\x5C", false, kJapanese));
    EXPECT_TRUE(EndsWithSeparator("C:\\\x83\x5C", false, kWestern));
    EXPECT_TRUE(EndsWithSeparator("C:\\\x83\x5C\\", false, kJapanese));
    EXPECT_TRUE(EndsWithSeparator("C:/", true, kJapanese));
    EXPECT_FALSE(EndsWithSeparator("", true, kJapanese));
}

TEST(PathTextTest, TextsAreCutOnlyBetweenCharacters)
{
    EXPECT_EQ(2u, WholeCharsLength("\x83\x5C\x83\x5C", 3, kJapanese));
    EXPECT_EQ(3u, WholeCharsLength("\x83\x5C\x83\x5C", 3, kWestern));
    EXPECT_EQ(4u, WholeCharsLength("\x83\x5C\x83\x5C", 9, kJapanese));
    // A lead byte without its trail byte at the end of the text counts as a character.
    EXPECT_EQ(3u, WholeCharsLength("ab\x83", 9, kJapanese));
    EXPECT_EQ(0u, WholeCharsLength("", 9, kJapanese));
    const char* lone = "\x83";
    EXPECT_EQ(lone + 1, NextChar(lone, kJapanese));
    EXPECT_EQ(lone + 1, NextChar(lone + 1, kJapanese));
}

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
