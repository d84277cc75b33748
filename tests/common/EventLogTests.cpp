// The event log: line format, timestamps in local time, the reading rule, appends from two
// processes at once.

#include "EventLog.h"
#include "HandleT.h"
#include "HelperModes.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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
    EXPECT_STREQ("UNKNOWN", LogTypeWord(255));
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


namespace {

// Minutes ahead of UTC of a fixed-offset zone "NAME[+-]hh[:mm]" (no summer time part); POSIX
// counts the offset westward, so "RAV-5:45" is 345 minutes ahead. False for any other form.
bool FixedZoneOffset(const char* zone, int* minutesAhead)
{
    const char* c = zone;
    while (std::isalpha(static_cast<unsigned char>(*c)))
        ++c;
    if (c - zone < 3)
        return false;
    int sign = 1;
    if (*c == '+' || *c == '-')
        sign = *c++ == '-' ? -1 : 1;
    if (!std::isdigit(static_cast<unsigned char>(*c)))
        return false;
    int hours = static_cast<int>(std::strtol(c, const_cast<char**>(&c), 10));
    int minutes = 0;
    if (*c == ':') {
        ++c;
        minutes = static_cast<int>(std::strtol(c, const_cast<char**>(&c), 10));
    }
    if (*c != '\0')
        return false;
    *minutesAhead = -sign * (hours * 60 + minutes);
    return true;
}

int64_t LocalNowSeconds()
{
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    return SecondsOf(now);
}

} // namespace

TEST(EventLogTimeTest, LinesAreStampedWithTheLocalTime)
{
    // A UTC stamp can only be told from a local one in a zone far from UTC: CTest runs the suite
    // with such a TZ, and Windows must report the offset that TZ gives.
    int ahead = LocalMinusUtcMinutes();
    const char* zone = std::getenv("TZ");
    int zoneAhead = 0;
    if (zone && FixedZoneOffset(zone, &zoneAhead)) {
        EXPECT_EQ(zoneAhead, ahead) << "TZ=" << zone << " is not honoured";
    }
    ASSERT_GE(std::abs(ahead), 60) << "run this suite with TZ set to a zone far from UTC, such as "
                                      "RAV-5:45; local time is now "
                                   << ahead << " minutes ahead of UTC";

    std::string path = MakeScratchDir("log") + "\\03.log";
    int64_t before = LocalNowSeconds();
    AppendLogLine(path.c_str(), kLogEvent, "now");
    int64_t after = LocalNowSeconds();
    std::vector<LogEntry> entries = ReadLogFile(path.c_str());
    ASSERT_EQ(1u, entries.size());
    int64_t stamp = SecondsOfStamp(entries[0].timeStamp);
    ASSERT_NE(-1, stamp) << entries[0].timeStamp;
    EXPECT_GE(stamp, before - 2) << entries[0].timeStamp << " is not the local time";
    EXPECT_LE(stamp, after + 2) << entries[0].timeStamp << " is not the local time";
}

TEST(EventLogConcurrencyTest, TwoProcessesAppendingAtOnceLeaveEveryLineWhole)
{
    const int kLines = 2000;
    std::string path = MakeScratchDir("log") + "\\05.log";
    // The other writer waits at a gate until this one is ready too, so that both write at once.
    std::string gateName = UniqueEventName("log-gate");
    CHandle gate(::CreateEventA(NULL, TRUE, FALSE, gateName.c_str()));
    CHandle ready(::CreateEventA(NULL, TRUE, FALSE, (gateName + kReadySuffix).c_str()));
    ASSERT_TRUE(gate && ready);
    CTestProcess other;
    ASSERT_TRUE(other.Start(BinPath("common_unit.exe"), "common_unit.exe --append-log \"" + path +
                                                             "\" " + std::to_string(kLines) +
                                                             " " + gateName));
    HANDLE readyOrGone[] = {ready.Get(), other.Handle()};
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForMultipleObjects(2, readyOrGone, FALSE, 60000))
        << "the other writer did not reach the gate; exit code " << other.ExitCode();
    ::SetEvent(gate.Get());
    for (int i = 0; i < kLines; ++i)
        AppendLogLine(path.c_str(), kLogEvent, "from the test");
    ASSERT_TRUE(other.WaitExit(60000));
    EXPECT_EQ(static_cast<DWORD>(kHelperOk), other.ExitCode());

    std::vector<LogEntry> entries = ReadLogFile(path.c_str());
    int fromOther = 0;
    int fromTest = 0;
    int switches = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        std::string message = entries[i].message;
        EXPECT_TRUE(message == "from the test" || message == "from the other") << message;
        EXPECT_EQ(21u, std::strlen(entries[i].timeStamp)) << entries[i].timeStamp;
        EXPECT_STREQ("EVENT", entries[i].type);
        fromOther += message == "from the other";
        fromTest += message == "from the test";
        if (i > 0 && message != entries[i - 1].message)
            ++switches;
    }
    EXPECT_EQ(kLines, fromOther);
    EXPECT_EQ(kLines, fromTest);
    // One switch would mean one writer finished before the other began: no overlap at all.
    EXPECT_GE(switches, 2) << "the two writers never wrote at the same time";
    std::printf("[          ] the writers' lines alternate %d times\n", switches);
    std::string bytes = ReadFileBytes(path);
    EXPECT_EQ(kLines * std::strlen("2011/02/23 [12:07:47]*EVENT**from the test\r\n") +
                  kLines * std::strlen("2011/02/23 [12:07:47]*EVENT**from the other\r\n"),
              bytes.size());
}
