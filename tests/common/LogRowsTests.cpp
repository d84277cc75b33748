// The log viewer's rows without a window: a log file read by the reading rule, newest entry first,
// checked against the stream reader of the rule (ReadLogFile) where the bytes are unusual.

#include "EventLog.h"
#include "LogRows.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Row = std::vector<std::string>;
using namespace std::string_literals;

std::vector<Row> Rows(const CLogRows& rows)
{
    std::vector<Row> result;
    for (int row = 0; row < rows.Count(); ++row)
        result.push_back({rows.Field(row, 0), rows.Field(row, 1), rows.Field(row, 2)});
    return result;
}

std::vector<Row> LoadBytes(const std::string& bytes)
{
    std::string path = MakeScratchDir("log rows") + "\\07.log";
    WriteFileBytes(path, bytes);
    CLogRows rows;
    EXPECT_TRUE(rows.Load(path.c_str()));
    return Rows(rows);
}

TEST(LogRowsTest, TheLastEntryOfTheFileComesFirstWithItsThreeFields)
{
    EXPECT_EQ(LoadBytes("2011/02/23 [12:07:47]*EVENT**Service created.\r\n"
                        "2011/02/23 [12:07:52]*EVENT**Service installed.\r\n"
                        "2011/02/23 [12:08:03]*ERROR**Service start failed.\r\n"),
              (std::vector<Row>{{"2011/02/23 [12:08:03]", "ERROR", "Service start failed."},
                                {"2011/02/23 [12:07:52]", "EVENT", "Service installed."},
                                {"2011/02/23 [12:07:47]", "EVENT", "Service created."}}));
}

TEST(LogRowsTest, SkippedLinesLeaveNoRowAndEmptyFieldsStayEmpty)
{
    EXPECT_EQ(LoadBytes("no asterisk\r\n"
                        "*EVENT**\r\n"
                        "a**pair only\r\n"
                        "x**\r\n"
                        "t*ERROR**first*second**third\r\n"),
              (std::vector<Row>{{"t", "ERROR", "first*second**third"}, {"", "EVENT", ""}}));
}

TEST(LogRowsTest, AReadOfAtMost511CharactersIsSplitAsALineOfItsOwn)
{
    // 600 characters in one physical line: the first read takes 511, the rest is a line too.
    std::string line = "a*B**" + std::string(506, 'm') + "c*D**tail\r\n";
    ASSERT_EQ(line.size() - 2, 511u + 9u);
    std::vector<Row> rows = LoadBytes(line);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (Row{"c", "D", "tail"}));
    EXPECT_EQ(rows[1], (Row{"a", "B", std::string(506, 'm')}));
}

TEST(LogRowsTest, AMissingFileGivesNoRowsAndALoadReplacesTheRowsBefore)
{
    std::string folder = MakeScratchDir("log rows");
    WriteFileBytes(folder + "\\01.log", "t*EVENT**m\r\n");
    CLogRows rows;
    ASSERT_TRUE(rows.Load((folder + "\\01.log").c_str()));
    ASSERT_EQ(rows.Count(), 1);
    EXPECT_TRUE(rows.Load((folder + "\\02.log").c_str()));
    EXPECT_EQ(rows.Count(), 0);
    EXPECT_STREQ(rows.Field(0, 0), "");
}

// The rows that the text-mode stream reader of the rule gives for the bytes, newest first.
std::vector<Row> StreamRows(const std::string& bytes)
{
    std::string path = MakeScratchDir("log rows") + "\\08.log";
    WriteFileBytes(path, bytes);
    std::vector<Row> rows;
    std::vector<LogEntry> entries = ReadLogFile(path.c_str());
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry)
        rows.push_back({entry->timeStamp, entry->type, entry->message});
    return rows;
}

TEST(LogRowsTest, OneReadOfTheWholeFileSplitsAsTheTextModeStreamDoes)
{
    const std::string m511(511 - 5, 'm');
    const std::string cases[] = {
        // A line of exactly 511 characters before its CR LF, one of 512, one of 510.
        "a*B**" + m511 + "\r\n" + "a*C**" + m511 + "x\r\n" + "a*D**" + m511.substr(1) + "\r\n",
        // 511 characters and then a lone CR: the CR begins the next read.
        "a*B**" + m511 + "\rb*C**tail\r\n",
        // Lone CRs count as characters and stay in the read; CR CR LF ends with one CR left.
        "t*E**one\rtwo\r\n" "u*F**x\r\r\n" "\r*G**y\n",
        // LF alone ends a line; the last line needs no line end; a CR at the very end is kept.
        "t*E**lf only\n" "u*F**no end",
        "t*E**cr at end\r",
        // A NUL ends the text of its read, not the read itself.
        "t*E**before\0after*X**no\r\nu*F**next\r\n"s,
        "t\0*E**hidden\r\nu*F**shown\r\n"s,
        // A text-mode stream ends at Ctrl+Z.
        "t*E**first\r\nu*F**sec\x1Aond\r\nv*G**never\r\n",
        // Empty file, only line ends, a lone pair at the end of a long line.
        "", "\r\n\r\n\n", std::string(600, 'x') + "*A**\r\n",
        // Double-byte text passes through untouched.
        "t*\x83\x5C**\x83\x5C\x83\x74\r\n",
    };
    int index = 0;
    for (const std::string& bytes : cases) {
        std::vector<Row> stream = StreamRows(bytes);
        EXPECT_EQ(LoadBytes(bytes), stream) << "case " << index;
        ++index;
    }
    // The cases hold rows, so the comparison above compares something.
    EXPECT_EQ(StreamRows(cases[0]).size(), 3u);
    EXPECT_EQ(StreamRows(cases[7]).size(), 2u);
}

TEST(LogRowsTest, AFileLargerThanTheMemoryAllowedKeepsItsNewestWholeLines)
{
    std::string folder = MakeScratchDir("log rows");
    std::string path = folder + "\\09.log";
    std::string bytes;
    for (int line = 0; line < 100; ++line)
        bytes += "2011/02/23 [12:00:" + std::string(line < 10 ? "0" : "") + std::to_string(line) +
                 "]*EVENT**Line " + std::to_string(line) + "\r\n";
    WriteFileBytes(path, bytes);
    CLogRows rows;
    // The last 100 bytes hold the end of line 97 and lines 98 and 99 whole (38 bytes each).
    EXPECT_FALSE(rows.Load(path.c_str(), 100));
    ASSERT_EQ(rows.Count(), 2);
    EXPECT_STREQ(rows.Field(0, 2), "Line 99");
    EXPECT_STREQ(rows.Field(1, 2), "Line 98");
    // Enough memory: the whole file, and true.
    EXPECT_TRUE(rows.Load(path.c_str(), bytes.size()));
    EXPECT_EQ(rows.Count(), 100);
    EXPECT_STREQ(rows.Field(99, 2), "Line 0");
}

TEST(LogRowsTest, FieldsOfTwoRowsReadInTurnAreEachTheirOwn)
{
    std::string path = MakeScratchDir("log rows") + "\\10.log";
    WriteFileBytes(path, "1*A**first\r\n2*B**second\r\n3*C**third\r\n");
    CLogRows rows;
    ASSERT_TRUE(rows.Load(path.c_str()));
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_STREQ(rows.Field(2, 2), "first");
        EXPECT_STREQ(rows.Field(0, 0), "3");
        EXPECT_STREQ(rows.Field(1, 1), "B");
        EXPECT_STREQ(rows.Field(2, 0), "1");
    }
    EXPECT_STREQ(rows.Field(3, 0), "");
    EXPECT_STREQ(rows.Field(-1, 0), "");
    EXPECT_STREQ(rows.Field(0, 3), "");
}

TEST(LogRowsTest, TheListsSearchFindsTheNextTimestampThatBeginsWithTheText)
{
    std::string path = MakeScratchDir("log rows") + "\\11.log";
    // Newest first: row 0 "Beta 2", row 1 "alpha 2", row 2 "Beta 1", row 3 "Alpha 1".
    WriteFileBytes(path, "Alpha 1*E**m\r\nBeta 1*E**m\r\nalpha 2*E**m\r\nBeta 2*E**m\r\n");
    CLogRows rows;
    ASSERT_TRUE(rows.Load(path.c_str()));
    EXPECT_EQ(rows.FindTimeStamp("al", -1, true, false), 1);
    // The search starts after the given row.
    EXPECT_EQ(rows.FindTimeStamp("AL", 1, true, false), 3);
    EXPECT_EQ(rows.FindTimeStamp("beta", 0, true, false), 2);
    // Past the end: only with wrap, which comes back to the start row last.
    EXPECT_EQ(rows.FindTimeStamp("beta 2", 0, true, false), -1);
    EXPECT_EQ(rows.FindTimeStamp("beta 2", 0, true, true), 0);
    EXPECT_EQ(rows.FindTimeStamp("alpha", 3, true, true), 1);
    // Whole timestamps only without partial.
    EXPECT_EQ(rows.FindTimeStamp("Beta", -1, false, true), -1);
    EXPECT_EQ(rows.FindTimeStamp("beta 1", -1, false, true), 2);
    EXPECT_EQ(rows.FindTimeStamp("Gamma", -1, true, true), -1);
}

} // namespace
