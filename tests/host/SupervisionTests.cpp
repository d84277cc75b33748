// The real host under Wine supervising its application: restarts and their limits, stops that
// win over restarts, the whole tree ended by a stop, extra environment variables.

#include "SupervisionFixture.h"

#include "HandleT.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

using ::testing::ElementsAre;
using namespace host_times;

namespace {

const char kStopped[] = "EVENT: Application terminated by Halyard by request of Ravelin manager.";

} // namespace

// With every option off an application that ends by itself is left ended and nothing new is
// logged; an options area that fails its checks reads the same way.
TEST_F(SupervisionTest, AllOffOrDamagedOptionsNeverRelaunch)
{
    PutRecord(7, "--exit-after 200 --exit-code 1");
    ServiceOptions always = RestartOptions(kRestartAlways, 0, 0);
    ServiceRecord damaged;
    std::memset(&damaged, 0, sizeof(damaged));
    ASSERT_TRUE(WriteServiceOptions(always, damaged));
    std::string area(reinterpret_cast<const char*>(damaged.reserved2), sizeof(damaged.reserved2));
    area[8] ^= 0x01; // the checksum no longer matches
    PutAreaBytes(7, area);

    DWORD pid = StartHostAndAwaitLaunch();
    ASSERT_NE(0u, pid);
    ASSERT_TRUE(WaitUntil([&] { return !IsProcessAlive(pid); }, kStartMs));
    ::Sleep(kQuietPollsMs); // deliberately idle: a relaunch would come within these polls
    EXPECT_EQ(1u, ReadChildRecords(childDir).size());
    EXPECT_THAT(LogMessages(), ElementsAre("EVENT: Application executed by Halyard.",
                                           "EVENT: CallApplication success: " + Num(pid)));
    EXPECT_FALSE(host.WaitExit(0));
}

// on-failure: exit 1 is relaunched after the delay, and with a limit of one the next exit
// gives up: the host ends with its non-zero exit code.
TEST_F(SupervisionTest, OnFailureRelaunchesAfterTheDelayThenGivesUpAtTheLimit)
{
    PutSupervisedRecord("--exit-after 300 --exit-code 1", RestartOptions(kRestartOnFailure, 2000, 1));
    DWORD first = StartHostAndAwaitLaunch();
    ASSERT_NE(0u, first);
    ASSERT_TRUE(WaitUntil([&] { return !IsProcessAlive(first); }, kStartMs));
    DWORD ended = ::GetTickCount();
    std::vector<ChildRecord> children = WaitChildren(2, kStartMs + kPollMs);
    DWORD relaunchedAfter = ::GetTickCount() - ended;
    ASSERT_EQ(2u, children.size());
    EXPECT_GE(relaunchedAfter, 2000u - 100u);
    EXPECT_LE(relaunchedAfter, 2000u + kPollMs + kStartMs);
    DWORD second = ChildOtherThan(children, first).pid;

    ASSERT_TRUE(host.WaitExit(kStartMs + kPollMs));
    EXPECT_EQ(3u, host.ExitCode());
    EXPECT_THAT(LogMessages(),
                ElementsAre("EVENT: Application executed by Halyard.",
                            "EVENT: CallApplication success: " + Num(first),
                            "ERROR: Application ended by itself, exit code 1.",
                            "EVENT: Application restarted by Halyard, attempt 1 of 1.",
                            "EVENT: CallApplication success: " + Num(second),
                            "ERROR: Application ended by itself, exit code 1.",
                            "ERROR: Halyard gave up after 1 restarts in 10 minutes."));
    EXPECT_EQ(2u, ReadChildRecords(childDir).size());
}

TEST_F(SupervisionTest, OnFailureLeavesAnExitWithCodeZero)
{
    PutSupervisedRecord("--exit-after 200", RestartOptions(kRestartOnFailure, 0, 5));
    DWORD pid = StartHostAndAwaitLaunch();
    ASSERT_NE(0u, pid);
    ASSERT_TRUE(WaitMessage("EVENT: Application ended by itself, exit code 0.", kStartMs));
    ::Sleep(kQuietPollsMs); // deliberately idle: no relaunch may follow
    EXPECT_EQ(1u, ReadChildRecords(childDir).size());
    EXPECT_EQ(3u, LogMessages().size());
    EXPECT_FALSE(host.WaitExit(0));
}

// always: exit 0 is relaunched; with no limit the line has no "of N".
TEST_F(SupervisionTest, AlwaysRelaunchesAnExitWithCodeZeroWithoutLimit)
{
    PutSupervisedRecord("--exit-after 200", RestartOptions(kRestartAlways, 0, 0));
    StartHost("07");
    ASSERT_TRUE(WaitMessage("EVENT: Application restarted by Halyard, attempt 2.",
                            3 * kPollMs + kStartMs));
    std::vector<std::string> messages = LogMessages();
    ASSERT_GE(messages.size(), 7u);
    EXPECT_EQ("EVENT: Application ended by itself, exit code 0.", messages[2]);
    EXPECT_EQ("EVENT: Application restarted by Halyard, attempt 1.", messages[3]);
    EXPECT_EQ("EVENT: Application ended by itself, exit code 0.", messages[5]);
    RequestStop();
}

// An application that ends at once: each wait doubles, and after the limit the host gives up.
TEST_F(SupervisionTest, WaitsGrowUntilTheHostGivesUp)
{
    PutSupervisedRecord("--exit-after 50", RestartOptions(kRestartAlways, 1000, 3));
    DWORD started = ::GetTickCount();
    StartHost("07");
    std::vector<DWORD> launchedAt;
    size_t seen = 0;
    while (seen < 4 && ::GetTickCount() - started < 60000) {
        size_t now = ReadChildRecords(childDir).size();
        for (; seen < now; ++seen)
            launchedAt.push_back(::GetTickCount());
        ::Sleep(20);
    }
    ASSERT_EQ(4u, launchedAt.size());
    ASSERT_TRUE(host.WaitExit(kStartMs + kPollMs));
    EXPECT_EQ(3u, host.ExitCode());
    // Each gap is the run, the wait and up to one poll: 1, 2 and 4 s of wait.
    const DWORD waits[] = {1000, 2000, 4000};
    for (size_t i = 0; i < 3; ++i) {
        DWORD gap = launchedAt[i + 1] - launchedAt[i];
        EXPECT_GE(gap, waits[i] - 100) << "gap " << i;
        EXPECT_LE(gap, waits[i] + kPollMs + kStartMs) << "gap " << i;
    }
    std::vector<std::string> messages = LogMessages();
    ASSERT_EQ(13u, messages.size());
    EXPECT_EQ("EVENT: Application restarted by Halyard, attempt 1 of 3.", messages[3]);
    EXPECT_EQ("EVENT: Application restarted by Halyard, attempt 2 of 3.", messages[6]);
    EXPECT_EQ("EVENT: Application restarted by Halyard, attempt 3 of 3.", messages[9]);
    EXPECT_EQ("EVENT: Application ended by itself, exit code 0.", messages[11]);
    EXPECT_EQ("ERROR: Halyard gave up after 3 restarts in 10 minutes.", messages[12]);
}

// A run of over 10 s clears the count: with a limit of one the host relaunches again instead
// of giving up.
TEST_F(SupervisionTest, ARunOfOverTenSecondsResetsTheCount)
{
    PutSupervisedRecord("--exit-after 10500 --exit-code 2", RestartOptions(kRestartAlways, 0, 1));
    StartHost("07");
    ASSERT_EQ(3u, WaitChildren(3, 2 * (10500 + kPollMs) + kStartMs).size());
    std::vector<std::string> messages = LogMessages();
    EXPECT_EQ(2, std::count(messages.begin(), messages.end(),
                            "EVENT: Application restarted by Halyard, attempt 1 of 1."));
    EXPECT_EQ(std::string::npos,
              FindMessage(messages, "ERROR: Halyard gave up after 1 restarts in 10 minutes."));
    RequestStop();
    EXPECT_FALSE(host.WaitExit(0));
}

// A stop that comes while the host waits to relaunch: no launch follows, ever.
TEST_F(SupervisionTest, StopDuringTheRestartDelayMeansNoLaunch)
{
    PutSupervisedRecord("--exit-after 100 --exit-code 1", RestartOptions(kRestartOnFailure, 8000, 5));
    DWORD pid = StartHostAndAwaitLaunch();
    ASSERT_NE(0u, pid);
    ASSERT_TRUE(WaitMessage("ERROR: Application ended by itself, exit code 1.", kStartMs));
    EditRecord(7, [](TestRecord& record) { record.SetRunRequested(0); });
    ::Sleep(8000 + kQuietPollsMs); // deliberately past the delay and several polls
    EXPECT_EQ(1u, ReadChildRecords(childDir).size());
    std::vector<std::string> messages = LogMessages();
    for (const std::string& message : messages)
        EXPECT_EQ(std::string::npos, message.find("restarted")) << message;
    EXPECT_FALSE(host.WaitExit(0));
}

// End of the session with revive: the termination is the host's, so the one launch after it
// is the revive, with no restart on top of it.
TEST_F(SupervisionTest, EndOfSessionGetsOneReviveAndNoRestart)
{
    PutSupervisedRecord("", RestartOptions(kRestartAlways, 0, 0));
    DWORD first = StartHostAndAwaitLaunch();
    ASSERT_NE(0u, first);
    DWORD_PTR result = 0;
    ASSERT_TRUE(::SendMessageTimeoutA(HostWindow(), WM_QUERYENDSESSION, 0, 0, SMTO_BLOCK, 5000,
                                      &result));
    ASSERT_EQ(2u, WaitChildren(2, kReviveLatestMs).size());
    ::Sleep(kQuietPollsMs); // deliberately idle: a restart would come within these polls
    std::vector<ChildRecord> children = ReadChildRecords(childDir);
    ASSERT_EQ(2u, children.size());
    EXPECT_THAT(LogMessages(),
                ElementsAre("EVENT: Application executed by Halyard.",
                            "EVENT: CallApplication success: " + Num(first),
                            "EVENT: Application terminated by Halyard for end session.",
                            "EVENT: Application revived by Halyard.",
                            "EVENT: CallApplication success: " +
                                Num(ChildOtherThan(children, first).pid)));
}

// Kill tree: a child and a grandchild started in the application's first moments, and one
// that asks to break away from the job, are all gone once the host has logged the stop.
TEST_F(SupervisionTest, KillTreeEndsTheWholeTreeAndWithoutItOnlyTheApplication)
{
    ServiceOptions options;
    options.killTree = true;
    PutSupervisedRecord("--tree", options);
    std::vector<ChildRecord> tree;
    DWORD app = 0;
    ASSERT_NO_FATAL_FAILURE(StartTree(3, &tree, &app));
    // The job allows no breakaway: that child was never created.
    EXPECT_EQ("0", ChildValue(app, "breakaway"));
    RequestStop();
    for (const ChildRecord& child : tree)
        EXPECT_FALSE(IsProcessAlive(child.pid)) << child.commandLine;
    EXPECT_THAT(LogMessages(), ElementsAre("EVENT: Application executed by Halyard.",
                                           "EVENT: CallApplication success: " + Num(app), kStopped));
}

TEST_F(SupervisionTest, WithoutKillTreeAStopEndsOnlyTheApplication)
{
    PutSupervisedRecord("--tree", ServiceOptions());
    std::vector<ChildRecord> tree;
    DWORD app = 0;
    ASSERT_NO_FATAL_FAILURE(StartTree(4, &tree, &app));
    EXPECT_NE("0", ChildValue(app, "breakaway"));
    RequestStop();
    ASSERT_TRUE(WaitUntil([&] { return !IsProcessAlive(app); }, kStartMs));
    for (const ChildRecord& child : tree) {
        if (child.pid != app) {
            EXPECT_TRUE(IsProcessAlive(child.pid)) << child.commandLine;
        }
    }
}

// A restart with kill tree first ends what the earlier run left behind.
TEST_F(SupervisionTest, KillTreeRestartEndsTheEarlierRunsChildren)
{
    ServiceOptions options = RestartOptions(kRestartAlways, 0, 1);
    options.killTree = true;
    PutSupervisedRecord("--spawn --exit-after 500", options);
    StartHost("07");
    std::vector<ChildRecord> children = WaitChildren(2);
    ASSERT_EQ(2u, children.size());
    DWORD orphan = children[0].spawned != 0 ? children[0].spawned : children[1].spawned;
    ASSERT_NE(0u, orphan);
    ASSERT_TRUE(WaitMessage("EVENT: Application restarted by Halyard, attempt 1 of 1.",
                            kPollMs + kStartMs));
    EXPECT_FALSE(IsProcessAlive(orphan));
}

TEST_F(SupervisionTest, TheApplicationSeesTheExtraVariables)
{
    ::SetEnvironmentVariableA("RAV_INHERITED", "old");
    ServiceOptions options;
    ASSERT_TRUE(SetEnvironmentEntry(options, "rav_inherited", "new value"));
    ASSERT_TRUE(SetEnvironmentEntry(options, "RAV_ADDED", "x=1;y=2"));
    PutSupervisedRecord("--dump-env", options);
    DWORD app = StartHostAndAwaitLaunch();
    ::SetEnvironmentVariableA("RAV_INHERITED", NULL);
    ASSERT_NE(0u, app);
    std::vector<std::string> environment = ChildEnvironment(app);
    std::vector<std::string> ours;
    for (const std::string& entry : environment)
        if (::lstrcmpiA(entry.substr(0, 4).c_str(), "RAV_") == 0 ||
            entry.rfind("RAVELIN_CHILD_RECORDS=", 0) == 0)
            ours.push_back(entry);
    EXPECT_THAT(ours, ::testing::UnorderedElementsAre("rav_inherited=new value",
                                                       "RAV_ADDED=x=1;y=2",
                                                       "RAVELIN_CHILD_RECORDS=" + childDir));
}

namespace {

// Whether this system lets a process that is in one job be put into another.
bool NestedJobsWork()
{
    CHandle outer(::CreateJobObjectA(NULL, NULL));
    CHandle inner(::CreateJobObjectA(NULL, NULL));
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info;
    std::string line = " probe";
    if (!::CreateProcessA(BinPath("TestChild.exe").c_str(), &line[0], NULL, NULL, FALSE,
                          CREATE_SUSPENDED, NULL, NULL, &startup, &info))
        return false;
    CHandle process(info.hProcess);
    CHandle thread(info.hThread);
    bool nested = ::AssignProcessToJobObject(outer.Get(), process.Get()) &&
                  ::AssignProcessToJobObject(inner.Get(), process.Get());
    ::TerminateProcess(process.Get(), 0);
    ::WaitForSingleObject(process.Get(), 5000);
    return nested;
}

} // namespace

// A host that runs inside a job of someone else's, where the system allows no nested job
// (Wine, Windows before 8): the application cannot have a job of its own. The host says so,
// launches it all the same, and a stop still ends the application. Where nesting works, the
// launch is as with any job.
TEST_F(SupervisionTest, KillTreeInsideAnotherJobNestsOrLogsThatItCannot)
{
    bool nested = NestedJobsWork();
    std::printf("[job] nested jobs %s here\n", nested ? "work" : "are refused");
    ServiceOptions options;
    options.killTree = true;
    PutSupervisedRecord("", options);
    CHandle outer(::CreateJobObjectA(NULL, NULL));
    ASSERT_TRUE(outer);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info;
    std::string line = "Halyard.exe 07";
    ASSERT_TRUE(::CreateProcessA(BinPath("Halyard.exe").c_str(), &line[0], NULL, NULL, FALSE,
                                 CREATE_SUSPENDED, NULL, NULL, &startup, &info));
    CHandle hostProcess(info.hProcess);
    CHandle hostThread(info.hThread);
    ASSERT_TRUE(::AssignProcessToJobObject(outer.Get(), hostProcess.Get()));
    ::ResumeThread(hostThread.Get());

    std::vector<ChildRecord> children = WaitChildren(1);
    ASSERT_EQ(1u, children.size());
    DWORD app = children[0].pid;
    ASSERT_TRUE(WaitLogLines(nested ? 2 : 3, kStartMs));
    std::vector<std::string> expected;
    if (!nested)
        expected.push_back("ERROR: Halyard couldn't put the application in a job (error 5); a "
                           "stop ends only its own process.");
    expected.push_back("EVENT: Application executed by Halyard.");
    expected.push_back("EVENT: CallApplication success: " + Num(app));
    EXPECT_EQ(expected, LogMessages());
    CHandle appProcess(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, app));
    BOOL inOuter = FALSE;
    EXPECT_TRUE(appProcess && ::IsProcessInJob(appProcess.Get(), outer.Get(), &inOuter));
    EXPECT_TRUE(inOuter);

    EditRecord(7, [](TestRecord& record) { record.SetRunRequested(0); });
    EXPECT_TRUE(WaitUntil([&] { return !IsProcessAlive(app); }, kPollMs));
    EXPECT_TRUE(WaitLogLines(expected.size() + 1, kPollMs));
    EXPECT_EQ(kStopped, LogMessages().back());
    ::TerminateProcess(hostProcess.Get(), 0);
    ::WaitForSingleObject(hostProcess.Get(), 5000);
}
