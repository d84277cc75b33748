// The event log: line format, timestamps, the reading rule, appends from two processes.

#include "EventLog.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <cstring>

namespace {

LogEntry Split(const char* line, bool* counted)
{
    LogEntry entry = {};
    *counted = SplitLogLine(line, &entry);
    return entry;
}

} // namespace

TEST(EventLogTest, TypeCodesGiveTheirWords)
{
    EXPECT_STREQ("EVENT", LogTypeWord(1));
    EXPECT_STREQ("ERROR", LogTypeWord(2));
    EXPECT_STREQ("UNKNOWN", LogTypeWord(0));
    EXPECT_STREQ("UNKNOWN", LogTypeWord(3));
    EXPECT_STREQ("EVENT", LogTypeWord(static_cast<uint8_t>(0x101)));
}

TEST(EventLogTest, TimeStampPadsEveryFieldAndKeepsTheYearWhole)
{
    SYSTEMTIME time = {};
    time.wYear = 2011;
    time.wMonth = 2;
    time.wDay = 3;
    time.wHour = 9;
    time.wMinute = 5;
    time.wSecond = 3;
    time.wMilliseconds = 999;
    char stamp[kTimeStampSize];
    FormatTimeStamp(time, stamp, sizeof(stamp));
    EXPECT_STREQ("2011/02/03 [09:05:03]", stamp);
    time.wHour = 23;
    FormatTimeStamp(time, stamp, sizeof(stamp));
    EXPECT_STREQ("2011/02/03 [23:05:03]", stamp);
}

TEST(EventLogTest, LineLayoutAndItsLimit)
{
    char line[kLogLineSize];
    FormatLogLine(line, "2011/02/23 [12:07:47]", kLogEvent, "Service created.");
    EXPECT_STREQ("2011/02/23 [12:07:47]*EVENT**Service created.\n", line);
    FormatLogLine(line, "2011/02/23 [12:07:47]", kLogError, "");
    EXPECT_STREQ("2011/02/23 [12:07:47]*ERROR**\n", line);

    // 482 message characters fit an EVENT line exactly; a longer message is cut, the newline kept.
    std::string fits(482, 'm');
    FormatLogLine(line, "2011/02/23 [12:07:47]", kLogEvent, fits.c_str());
    EXPECT_EQ(512u, std::strlen(line));
    EXPECT_EQ(fits + "\n", std::string(line + 29));
    FormatLogLine(line, "2011/02/23 [12:07:47]", 7, fits.c_str());
    EXPECT_EQ(512u, std::strlen(line));
    EXPECT_EQ('\n', line[511]);
}

TEST(EventLogTest, ReadingRuleSplitsTheThreeFields)
{
    bool counted = false;
    LogEntry entry = Split("2011/02/23 [12:07:47]*EVENT**Service created.\n", &counted);
    EXPECT_TRUE(counted);
    EXPECT_STREQ("2011/02/23 [12:07:47]", entry.timeStamp);
    EXPECT_STREQ("EVENT", entry.type);
    EXPECT_STREQ("Service created.", entry.message);

    entry = Split("t*ERROR**a * b ** c\r\n", &counted);
    EXPECT_TRUE(counted);
    EXPECT_STREQ("a * b ** c", entry.message);

    entry = Split("t*EVENT**", &counted);
    EXPECT_TRUE(counted);
    EXPECT_STREQ("", entry.message);

    entry = Split("*** message", &counted);
    EXPECT_TRUE(counted);
    EXPECT_STREQ("", entry.timeStamp);
    EXPECT_STREQ("", entry.type);
    EXPECT_STREQ(" message", entry.message);

    Split("no separators at all\n", &counted);
    EXPECT_FALSE(counted);
    Split("stamp**message\n", &counted); // the pair's first asterisk ends the timestamp
    EXPECT_FALSE(counted);
    Split("stamp*TYPE*message\n", &counted);
    EXPECT_FALSE(counted);
}

TEST(EventLogTest, OverlongFieldsAreCutToTheirSize)
{
    std::string line = std::string(100, 's') + "*" + std::string(90, 't') + "**m";
    bool counted = false;
    LogEntry entry = Split(line.c_str(), &counted);
    EXPECT_TRUE(counted);
    EXPECT_EQ(std::string(80, 's'), entry.timeStamp);
    EXPECT_EQ(std::string(80, 't'), entry.type);
    EXPECT_STREQ("m", entry.message);
}

TEST(EventLogTest, AppendedLinesAreReadBackInOrderWithCrLfOnDisk)
{
    std::string folder = MakeScratchDir("log");
    std::string path = folder + "\\07.log";
    AppendLogLine(path.c_str(), kLogEvent, "Service created.");
    AppendLogLine(path.c_str(), kLogError, "");
    AppendLogLine(path.c_str(), 9, "odd * one **");

    std::string bytes = ReadFileBytes(path);
    size_t lines = 0;
    for (size_t at = 0; (at = bytes.find('\n', at)) != std::string::npos; ++at) {
        EXPECT_EQ('\r', bytes[at - 1]);
        ++lines;
    }
    EXPECT_EQ(3u, lines);

    std::vector<LogEntry> entries = ReadLogFile(path.c_str());
    ASSERT_EQ(3u, entries.size());
    EXPECT_STREQ("EVENT", entries[0].type);
    EXPECT_STREQ("Service created.", entries[0].message);
    EXPECT_STREQ("ERROR", entries[1].type);
    EXPECT_STREQ("", entries[1].message);
    EXPECT_STREQ("UNKNOWN", entries[2].type);
    EXPECT_STREQ("odd * one **", entries[2].message);
    EXPECT_EQ(21u, std::strlen(entries[0].timeStamp));
}

TEST(EventLogTest, ReaderSkipsBadLinesAndSplitsVeryLongOnes)
{
    std::string folder = MakeScratchDir("log");
    std::string path = folder + "\\01.log";
    std::string longMessage(600, 'x');
    WriteFileBytes(path, "garbage line\r\nt*EVENT**" + longMessage + "\r\nu*ERROR**last\r\n");
    std::vector<LogEntry> entries = ReadLogFile(path.c_str());
    // The 600-character message is consumed by two reads: the second has no separators.
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ(std::string(511 - 9, 'x'), entries[0].message);
    EXPECT_STREQ("last", entries[1].message);
}

TEST(EventLogTest, MissingFileHasNoEntriesAndUnwritableLinesAreDropped)
{
    EXPECT_TRUE(ReadLogFile("C:\\no such folder\\00.log").empty());
    AppendLogLine("C:\\no such folder\\00.log", kLogEvent, "lost");
    EXPECT_FALSE(FileExists("C:\\no such folder\\00.log"));
}

TEST(EventLogTest, TwoWritersLeaveWholeLines)
{
    std::string folder = MakeScratchDir("log");
    std::string path = folder + "\\05.log";
    // Another process appends to the same file while this one does.
    CTestProcess other;
    ASSERT_TRUE(other.Start(BinPath("common_tests.exe"),
                            "common_tests.exe --append-log \"" + path + "\" 200"));
    for (int i = 0; i < 200; ++i)
        AppendLogLine(path.c_str(), kLogEvent, "from the test");
    ASSERT_TRUE(other.WaitExit(30000));

    std::vector<LogEntry> entries = ReadLogFile(path.c_str());
    ASSERT_EQ(400u, entries.size());
    int fromOther = 0;
    for (const LogEntry& entry : entries) {
        std::string message = entry.message;
        EXPECT_TRUE(message == "from the test" || message == "from the other") << message;
        fromOther += message == "from the other";
    }
    EXPECT_EQ(200, fromOther);
    std::string bytes = ReadFileBytes(path);
    EXPECT_EQ(200u * std::strlen("2011/02/23 [12:07:47]*EVENT**from the test\r\n") +
                  200u * std::strlen("2011/02/23 [12:07:47]*EVENT**from the other\r\n"),
              bytes.size());
}
