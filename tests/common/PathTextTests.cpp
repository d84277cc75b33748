// Paths cut by character in double-byte code pages.

#include "PathText.h"

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
