// The log viewer's rows without a window: a log file read by the reading rule, newest entry first.

#include "LogRows.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Row = std::vector<std::string>;

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

} // namespace
