// The host's supervision pieces on their own: the restart decisions, the rotated names and the
// rotation itself on real files, the merged environment.

#include "ChildEnvironment.h"
#include "HandleT.h"
#include "Launches.h"
#include "OutputFiles.h"
#include "ServiceOptions.h"
#include "Supervision.h"
#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;

namespace {

RestartSettings Settings(uint32_t policy, uint32_t delayMs, uint32_t maxRestarts)
{
    RestartSettings settings;
    settings.restart = policy;
    settings.restartDelayMs = delayMs;
    settings.maxRestarts = maxRestarts;
    return settings;
}

SYSTEMTIME Time(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second)
{
    SYSTEMTIME time = {};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    return time;
}

std::string NameOf(const std::string& path)
{
    return path.substr(path.find_last_of('\\') + 1);
}

} // namespace

TEST(RestartDecisions, PolicyDecidesByExitCode)
{
    EXPECT_FALSE(PolicyRestarts(kRestartNever, 0));
    EXPECT_FALSE(PolicyRestarts(kRestartNever, 1));
    EXPECT_FALSE(PolicyRestarts(kRestartOnFailure, 0));
    EXPECT_TRUE(PolicyRestarts(kRestartOnFailure, 1));
    EXPECT_TRUE(PolicyRestarts(kRestartOnFailure, 0xC0000005));
    EXPECT_TRUE(PolicyRestarts(kRestartAlways, 0));
    EXPECT_TRUE(PolicyRestarts(kRestartAlways, 3));

    CRestartSupervisor supervisor;
    EXPECT_EQ(kNoRestart, supervisor.OnExit(Settings(kRestartOnFailure, 2000, 5), 0, 50, 1000).action);
    EXPECT_EQ(kNoRestart, supervisor.OnExit(Settings(kRestartNever, 2000, 5), 1, 50, 1000).action);
    // Exits that are not restarted do not count.
    EXPECT_EQ(0u, supervisor.CountedRelaunches(1000));
}

TEST(RestartDecisions, ShortRunsDoubleTheWaitUpToAMinuteAndTheLimitGivesUp)
{
    CRestartSupervisor supervisor;
    RestartSettings settings = Settings(kRestartAlways, 2000, 7);
    std::vector<DWORD> waits;
    DWORD now = 5000;
    for (uint32_t attempt = 1; attempt <= 7; ++attempt) {
        RestartDecision decision = supervisor.OnExit(settings, 0, 100, now);
        ASSERT_EQ(kRestartLater, decision.action) << attempt;
        EXPECT_EQ(attempt, decision.attempt);
        waits.push_back(decision.waitMs);
        now += decision.waitMs + 100;
    }
    EXPECT_THAT(waits, ElementsAre(2000u, 4000u, 8000u, 16000u, 32000u, 60000u, 60000u));
    EXPECT_EQ(kGiveUp, supervisor.OnExit(settings, 0, 100, now).action);
}

TEST(RestartDecisions, AStableRunResetsTheWaitAndTheCount)
{
    CRestartSupervisor supervisor;
    RestartSettings settings = Settings(kRestartOnFailure, 1000, 2);
    EXPECT_EQ(1000u, supervisor.OnExit(settings, 1, 50, 0).waitMs);
    RestartDecision second = supervisor.OnExit(settings, 1, 50, 2000);
    EXPECT_EQ(2000u, second.waitMs);
    EXPECT_EQ(2u, second.attempt);
    // Just under the stable run: the limit is reached.
    RestartDecision third = supervisor.OnExit(settings, 1, kStableRunMs - 1, 20000);
    EXPECT_EQ(kGiveUp, third.action);

    CRestartSupervisor stable;
    stable.OnExit(settings, 1, 50, 0);
    stable.OnExit(settings, 1, 50, 2000);
    RestartDecision afterStable = stable.OnExit(settings, 1, kStableRunMs, 20000);
    ASSERT_EQ(kRestartLater, afterStable.action);
    EXPECT_EQ(1u, afterStable.attempt);
    EXPECT_EQ(1000u, afterStable.waitMs);
    // The stable run itself doubles nothing: the short runs after it double from the start.
    EXPECT_EQ(1000u, stable.OnExit(settings, 1, 50, 22000).waitMs);
    EXPECT_EQ(kGiveUp, stable.OnExit(settings, 1, 50, 24000).action);
}

TEST(RestartDecisions, RelaunchesOlderThanTenMinutesNoLongerCountAcrossTheTickWrap)
{
    CRestartSupervisor supervisor;
    RestartSettings settings = Settings(kRestartAlways, 0, 2);
    DWORD start = 0xFFFFFFFFu - 1000; // the tick count wraps in between
    EXPECT_EQ(kRestartLater, supervisor.OnExit(settings, 0, 10, start).action);
    EXPECT_EQ(kRestartLater, supervisor.OnExit(settings, 0, 10, start + 500).action);
    EXPECT_EQ(kGiveUp, supervisor.OnExit(settings, 0, 10, start + 5000).action);
    EXPECT_EQ(2u, supervisor.CountedRelaunches(start + kRestartWindowMs - 1));
    RestartDecision later = supervisor.OnExit(settings, 0, 10, start + kRestartWindowMs + 1);
    ASSERT_EQ(kRestartLater, later.action);
    EXPECT_EQ(2u, later.attempt); // the one at start + 500 still counts
    // A zero delay stays zero, however often it doubles.
    EXPECT_EQ(0u, later.waitMs);
}

TEST(RestartDecisions, NoLimitNeverGivesUpAndTheWaitStaysCapped)
{
    CRestartSupervisor supervisor;
    RestartSettings settings = Settings(kRestartAlways, 60000, 0);
    for (uint32_t i = 1; i <= 1200; ++i) {
        RestartDecision decision = supervisor.OnExit(settings, 0, 1, i * 100);
        ASSERT_EQ(kRestartLater, decision.action);
        ASSERT_EQ(60000u, decision.waitMs);
    }
}

TEST(RotatedNames, StampGoesBeforeTheExtension)
{
    SYSTEMTIME time = Time(2026, 12, 8, 15, 30, 0);
    EXPECT_EQ("C:\\logs\\app.20261208-153000.log", RotatedName("C:\\logs\\app.log", time));
    EXPECT_EQ("C:\\logs\\app.20261208-153000", RotatedName("C:\\logs\\app", time));
    EXPECT_EQ("C:\\my.logs\\out.20260102-030405", RotatedName("C:\\my.logs\\out", Time(2026, 1, 2, 3, 4, 5)));
    EXPECT_EQ("C:\\w\\out.txt", OutputPathFor("out.txt", "C:\\w"));
    EXPECT_EQ("C:\\w\\out.txt", OutputPathFor("out.txt", "C:\\w\\"));
    EXPECT_EQ("D:\\x.txt", OutputPathFor("D:\\x.txt", "C:\\w"));
    EXPECT_EQ("\\\\server\\share\\x.txt", OutputPathFor("\\\\server\\share\\x.txt", "C:\\w"));
}

TEST(Rotation, LargeFileIsRenamedAndOnlyTheNewestKeptSmallOneStays)
{
    std::string dir = MakeScratchDir("rotation");
    std::string path = dir + "\\out.log";
    WriteFileBytes(dir + "\\out.20200101-000000.log", "oldest");
    WriteFileBytes(dir + "\\out.20210101-000000.log", "older");
    WriteFileBytes(dir + "\\out.20210101-000000-1.log", "old, same second");
    WriteFileBytes(dir + "\\out.notastamp.log", "not ours");
    WriteFileBytes(dir + "\\other.20200101-000000.log", "another file's");
    std::string message;

    WriteFileBytes(path, std::string(100, 'x'));
    EXPECT_TRUE(RotateOutputFile(path, 100, 2, Time(2026, 12, 8, 15, 30, 0), &message));
    EXPECT_EQ(std::string(100, 'x'), ReadFileBytes(path)) << "not larger than the limit";

    WriteFileBytes(path, std::string(101, 'y'));
    EXPECT_TRUE(RotateOutputFile(path, 100, 2, Time(2026, 12, 8, 15, 30, 0), &message));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(path.c_str()));
    std::vector<std::string> names;
    for (const std::string& rotated : RotatedFiles(path))
        names.push_back(NameOf(rotated));
    EXPECT_THAT(names, ElementsAre("out.20210101-000000-1.log", "out.20261208-153000.log"));
    EXPECT_EQ(std::string(101, 'y'), ReadFileBytes(dir + "\\out.20261208-153000.log"));
    EXPECT_EQ("not ours", ReadFileBytes(dir + "\\out.notastamp.log"));
    EXPECT_EQ("another file's", ReadFileBytes(dir + "\\other.20200101-000000.log"));

    // A second rotation within the same second takes a numbered name.
    WriteFileBytes(path, std::string(200, 'z'));
    EXPECT_TRUE(RotateOutputFile(path, 100, 2, Time(2026, 12, 8, 15, 30, 0), &message));
    names.clear();
    for (const std::string& rotated : RotatedFiles(path))
        names.push_back(NameOf(rotated));
    EXPECT_THAT(names, ElementsAre("out.20261208-153000.log", "out.20261208-153000-1.log"));
}

TEST(Rotation, FileHeldWithoutDeleteSharingIsKeptAndReported)
{
    std::string dir = MakeScratchDir("held");
    std::string path = dir + "\\held.log";
    WriteFileBytes(path, std::string(500, 'h'));
    CFileHandle reader(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     NULL, OPEN_EXISTING, 0, NULL));
    ASSERT_TRUE(reader.IsValid());
    std::string message;
    EXPECT_FALSE(RotateOutputFile(path, 100, 5, Time(2026, 12, 8, 15, 30, 0), &message));
    EXPECT_EQ("Halyard couldn't rotate the output file " + path +
                  " (error 32); the output is appended to it.",
              message);
    EXPECT_EQ(std::string(500, 'h'), ReadFileBytes(path));
    EXPECT_TRUE(RotatedFiles(path).empty());
}

TEST(ChildEnvironment, EntriesAreAddedOrReplaceByNameWithoutCase)
{
    const char host[] = "=C:=C:\\work\0Path=C:\\bin\0Keep=1\0";
    ServiceOptions options;
    EXPECT_TRUE(MergedEnvironment(host, options).empty()) << "no entries: the host's own";

    ASSERT_TRUE(SetEnvironmentEntry(options, "PATH", "D:\\tools"));
    ASSERT_TRUE(SetEnvironmentEntry(options, "New", "a=b c"));
    std::vector<char> block = MergedEnvironment(host, options);
    ASSERT_GE(block.size(), 2u);
    EXPECT_EQ('\0', block[block.size() - 1]);
    EXPECT_EQ('\0', block[block.size() - 2]);
    EXPECT_THAT(EnvironmentEntries(block.data()),
                ElementsAre("=C:=C:\\work", "PATH=D:\\tools", "Keep=1", "New=a=b c"));

    const char empty[] = "\0";
    EXPECT_THAT(EnvironmentEntries(MergedEnvironment(empty, options).data()),
                ElementsAre("PATH=D:\\tools", "New=a=b c"));
}

// However often the application is restarted, the host holds the handles of its last few
// launches only; a launch that still runs is never let go.
TEST(Launches, HandlesOfEndedLaunchesAreBoundedAndARunningOneIsKept)
{
    std::string childDir = MakeScratchDir("launch children");
    ::SetEnvironmentVariableA("RAVELIN_CHILD_RECORDS", childDir.c_str());
    auto start = [](const char* arguments) {
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info = {};
        std::string line = arguments;
        EXPECT_TRUE(::CreateProcessA(BinPath("TestChild.exe").c_str(), &line[0], NULL, NULL,
                                     FALSE, 0, NULL, NULL, &startup, &info));
        ::CloseHandle(info.hThread);
        return info.hProcess;
    };
    CLaunches launches;
    HANDLE running = start(" --ignore-close");
    launches.Add(running);
    DWORD runningId = ::GetProcessId(running);
    for (size_t i = 0; i < kKeptLaunches + 4; ++i) {
        HANDLE ended = start(" --exit-after 1");
        ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(ended, 15000));
        launches.Add(ended);
        EXPECT_LE(launches.Kept(), kKeptLaunches);
    }
    DWORD exitCode = 1;
    DWORD runMs = 0;
    RestartSettings restart;
    EXPECT_TRUE(launches.TakeOwnExit(&exitCode, &runMs, &restart));
    EXPECT_EQ(0u, exitCode);
    EXPECT_FALSE(launches.TakeOwnExit(&exitCode, &runMs, &restart)) << "reported once";
    // The first launch still runs, and its handle still reserves its identifier.
    CHandle again(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, runningId));
    ASSERT_TRUE(again);
    EXPECT_EQ(WAIT_TIMEOUT, ::WaitForSingleObject(again.Get(), 0));
    ::TerminateProcess(again.Get(), 0);
    ::WaitForSingleObject(again.Get(), 5000);
    ::SetEnvironmentVariableA("RAVELIN_CHILD_RECORDS", NULL);
}
