// The real host under Wine: end of session, revival, and which process a termination hits.

#include "HostFixture.h"

using ::testing::ElementsAre;
using namespace host_times;

namespace {

// What the end of the interactive session sends every top-level window.
LRESULT QueryEndSession(HWND window)
{
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, 0, SMTO_BLOCK, 5000, &result))
        return -1;
    return static_cast<LRESULT>(result);
}

const char kTerminatedForEndSession[] =
    "EVENT: Application terminated by Halyard for end session.";
const char kReviveFailed[] = "ERROR: Application couldn't revived by Halyard.";
const char kStopFailed[] =
    "ERROR: Application failed to terminated by Halyard by request of Ravelin manager.";

} // namespace

TEST_F(HostTest, EndOfSessionTerminatesAndRevivesWithTheRecordsCurrentValues)
{
    PutRecord(7, "first run");
    DWORD first = StartHostAndAwaitLaunch();
    ASSERT_NE(0u, first);

    DWORD queried = ::GetTickCount();
    EXPECT_EQ(1, QueryEndSession(HostWindow()));
    EXPECT_TRUE(WaitUntil([&] { return !IsProcessAlive(first); }, kPollMs));

    // The manager edits the record meanwhile: the revive takes the new values.
    std::string newWorkDir = MakeScratchDir("new work dir");
    EditRecord(7, [&](TestRecord& record) {
        record.SetAppParams("second run");
        record.SetWorkDir(newWorkDir);
    });

    std::vector<ChildRecord> children = WaitChildren(2, kReviveLatestMs);
    DWORD revived = ::GetTickCount() - queried;
    ASSERT_EQ(2u, children.size());
    EXPECT_GE(revived, kReviveEarliestMs);
    EXPECT_LE(revived, kReviveLatestMs);
    ChildRecord second = ChildOtherThan(children, first);
    EXPECT_EQ(" second run", second.commandLine);
    EXPECT_EQ(newWorkDir, second.workDir);

    ASSERT_TRUE(WaitLogLines(5, kStartMs));
    EXPECT_THAT(LogMessages(),
                ElementsAre("EVENT: Application executed by Halyard.",
                            "EVENT: CallApplication success: " + Num(first),
                            kTerminatedForEndSession, "EVENT: Application revived by Halyard.",
                            "EVENT: CallApplication success: " + Num(second.pid)));
    EXPECT_EQ(second.pid, RecordOnDisk(7).appProcessId);
}

// The second query replaces the first's revive timer, and the timer ticks once.
TEST_F(HostTest, TwoQueriesFiveSecondsApartGiveOneRevive)
{
    PutRecord(7, "");
    DWORD first = StartHostAndAwaitLaunch();
    ASSERT_NE(0u, first);

    EXPECT_EQ(1, QueryEndSession(HostWindow()));
    ::Sleep(5000); // the two queries are meant to lie 5 s apart
    DWORD secondQuery = ::GetTickCount();
    EXPECT_EQ(1, QueryEndSession(HostWindow()));

    // A revive from the first query would come 5 s from here.
    std::vector<ChildRecord> children = WaitChildren(2, kReviveLatestMs);
    DWORD revived = ::GetTickCount() - secondQuery;
    ASSERT_EQ(2u, children.size());
    EXPECT_GE(revived, kReviveEarliestMs);
    EXPECT_LE(revived, kReviveLatestMs);
    ASSERT_TRUE(WaitLogLines(7, kStartMs));

    // Deliberately idle past the point where a repeating timer would revive a second time.
    ::Sleep(kQuietReviveMs);
    EXPECT_EQ(2u, ReadChildRecords(childDir).size());

    ChildRecord second = ChildOtherThan(children, first);
    EXPECT_TRUE(IsProcessAlive(second.pid));
    EXPECT_THAT(LogMessages(),
                ElementsAre("EVENT: Application executed by Halyard.",
                            "EVENT: CallApplication success: " + Num(first),
                            kTerminatedForEndSession,
                            // Nothing runs at the second query: the ended launch cannot be
                            // terminated again.
                            "ERROR: Application couldn't terminated by Halyard for end session.",
                            "ERROR: TerminateProcess: 5 (fprocessid: " + Num(first) +
                                ", mprocessid: " + Num(first) + ", msid: 7)",
                            "EVENT: Application revived by Halyard.",
                            "EVENT: CallApplication success: " + Num(second.pid)));
}

TEST_F(HostTest, EndOfSessionWithoutReviveDoesNothing)
{
    PutRecord(7, "", 0);
    DWORD first = StartHostAndAwaitLaunch();
    ASSERT_NE(0u, first);

    EXPECT_EQ(1, QueryEndSession(HostWindow()));
    ::SendMessageTimeoutA(HostWindow(), WM_ENDSESSION, TRUE, 0, SMTO_BLOCK, 5000, NULL);
    // Deliberately idle past the point where a revive would have come.
    ::Sleep(kQuietReviveMs);
    EXPECT_TRUE(IsProcessAlive(first));
    EXPECT_EQ(1u, ReadChildRecords(childDir).size());
    EXPECT_EQ(2u, Log().size());
    EXPECT_FALSE(host.WaitExit(0));
}

// Revive pending, then the manager's stop: polling ends and the termination is tried again
// (nothing runs, so it fails), yet the revive still comes 10 s after the query and launches an
// application that no poll watches any more.
TEST_F(HostTest, StopWhileReviveIsPendingEndsPollingAndTheReviveStillLaunches)
{
    PutRecord(7, "");
    DWORD first = StartHostAndAwaitLaunch();
    ASSERT_NE(0u, first);

    DWORD queried = ::GetTickCount();
    EXPECT_EQ(1, QueryEndSession(HostWindow()));
    ASSERT_TRUE(WaitLogLines(3, kPollMs));
    EditRecord(7, [](TestRecord& record) { record.SetRunRequested(0); });
    ASSERT_TRUE(WaitLogLines(5, kPollMs));
    DWORD stopSeen = ::GetTickCount() - queried;
    ASSERT_LT(stopSeen, kReviveEarliestMs) << "the stop came too late to precede the revive";

    std::vector<ChildRecord> children = WaitChildren(2, kReviveLatestMs);
    DWORD revived = ::GetTickCount() - queried;
    ASSERT_EQ(2u, children.size());
    EXPECT_GE(revived, kReviveEarliestMs);
    EXPECT_LE(revived, kReviveLatestMs);
    DWORD second = ChildOtherThan(children, first).pid;
    ASSERT_TRUE(WaitLogLines(7, kStartMs));

    // Deliberately idle for several poll periods: with runRequested still 0, a poll would end
    // the revived application and log again.
    ::Sleep(kQuietPollsMs);
    EXPECT_EQ(0u, RecordOnDisk(7).runRequested);
    EXPECT_TRUE(IsProcessAlive(second));
    EXPECT_THAT(LogMessages(),
                ElementsAre("EVENT: Application executed by Halyard.",
                            "EVENT: CallApplication success: " + Num(first),
                            kTerminatedForEndSession, kStopFailed,
                            "ERROR: TerminateProcess: 5 (fprocessid: " + Num(first) +
                                ", mprocessid: " + Num(first) + ", msid: 7)",
                            "EVENT: Application revived by Halyard.",
                            "EVENT: CallApplication success: " + Num(second)));
}

// The manager points the record at a missing program before the revive: the revive fails once,
// is not tried again, and the host goes on polling.
TEST_F(HostTest, FailedReviveIsLoggedOnceAndPollingGoesOn)
{
    PutRecord(7, "");
    DWORD first = StartHostAndAwaitLaunch();
    ASSERT_NE(0u, first);

    DWORD queried = ::GetTickCount();
    EXPECT_EQ(1, QueryEndSession(HostWindow()));
    ASSERT_TRUE(WaitLogLines(3, kPollMs));
    EditRecord(7, [&](TestRecord& record) { record.SetAppPath(workDir + "\\missing.exe"); });

    ASSERT_TRUE(WaitLogLines(5, kReviveLatestMs));
    EXPECT_GE(::GetTickCount() - queried, kReviveEarliestMs);
    // The detail names the record's identifier, which the failed launch left as it was.
    EXPECT_THAT(LogMessages(),
                ElementsAre("EVENT: Application executed by Halyard.",
                            "EVENT: CallApplication success: " + Num(first),
                            kTerminatedForEndSession, kReviveFailed,
                            "ERROR: CallApplication fail: " + Num(first)));

    // Deliberately idle past the point where a second attempt would come.
    ::Sleep(kQuietReviveMs);
    EXPECT_EQ(5u, Log().size());
    EXPECT_EQ(1u, ReadChildRecords(childDir).size());

    // Still polling: the stop request is answered (nothing runs, so the termination fails).
    EditRecord(7, [](TestRecord& record) { record.SetRunRequested(0); });
    ASSERT_TRUE(WaitLogLines(7, kPollMs));
    EXPECT_EQ(kStopFailed, LogMessages()[5]);
}

// The table is one byte short when the revive comes: the launch fails with an empty detail, and
// once the table is whole again the host goes on as before.
TEST_F(HostTest, UnloadableTableAtTheReviveFailsItWithAnEmptyDetail)
{
    PutRecord(7, "");
    DWORD first = StartHostAndAwaitLaunch();
    ASSERT_NE(0u, first);
    std::string whole = ReadFileBytes(tablePath);
    ASSERT_EQ(table_layout::kTableSize, whole.size());
    ASSERT_EQ(first, RecordOnDisk(7).appProcessId);

    DWORD queried = ::GetTickCount();
    EXPECT_EQ(1, QueryEndSession(HostWindow()));
    ASSERT_TRUE(WaitLogLines(3, kPollMs));
    // The short file still holds the whole record: a launch from it would succeed.
    ReplaceTableBytes(whole.substr(0, table_layout::kTableSize - 1));

    ASSERT_TRUE(WaitLogLines(5, kReviveLatestMs));
    EXPECT_GE(::GetTickCount() - queried, kReviveEarliestMs);
    EXPECT_THAT(LogMessages(),
                ElementsAre("EVENT: Application executed by Halyard.",
                            "EVENT: CallApplication success: " + Num(first),
                            kTerminatedForEndSession, kReviveFailed, "ERROR: "));
    EXPECT_EQ(1u, ReadChildRecords(childDir).size());

    ReplaceTableBytes(whole);
    EditRecord(7, [](TestRecord& record) { record.SetRunRequested(0); });
    ASSERT_TRUE(WaitLogLines(7, kPollMs));
    EXPECT_EQ(kStopFailed, LogMessages()[5]);
}

// The system's own end of session (wineboot): the query reaches the host's hidden window among
// all the others, and the host terminates the application before the session's programs end.
TEST_F(HostTest, SystemEndOfSessionTerminatesTheApplication)
{
    PutRecord(7, "");
    DWORD first = StartHostAndAwaitLaunch();
    ASSERT_NE(0u, first);

    char system[MAX_PATH];
    UINT length = ::GetSystemDirectoryA(system, sizeof(system));
    ASSERT_TRUE(length > 0 && length < sizeof(system));
    CTestProcess wineboot;
    ASSERT_TRUE(wineboot.Start(std::string(system) + "\\wineboot.exe",
                               "wineboot.exe --end-session"));
    ASSERT_TRUE(wineboot.WaitExit(30000));

    // wineboot ends every program of the session afterwards, the host and the application
    // included: the host's own line is the proof that it acted on the query.
    ASSERT_TRUE(WaitLogLines(3, kPollMs));
    EXPECT_THAT(LogMessages(),
                ElementsAre("EVENT: Application executed by Halyard.",
                            "EVENT: CallApplication success: " + Num(first),
                            kTerminatedForEndSession));
}

// After a revive, a manager's save can write back the earlier launch's id. That process has
// ended but still opens; the stop request must still end the live application.
TEST_F(HostTest, StopAfterReviveEndsTheLiveApplicationDespiteAStaleId)
{
    PutRecord(7, "");
    DWORD first = StartHostAndAwaitLaunch();
    ASSERT_NE(0u, first);
    TableImage managerCopy; // the manager's load, before the revive
    ASSERT_TRUE(ReadTable(tablePath, managerCopy));

    EXPECT_EQ(1, QueryEndSession(HostWindow()));
    std::vector<ChildRecord> children = WaitChildren(2, kReviveLatestMs);
    ASSERT_EQ(2u, children.size());
    DWORD second = ChildOtherThan(children, first).pid;
    ASSERT_TRUE(WaitLogLines(5, kStartMs));

    managerCopy[7].SetRunRequested(0);
    ASSERT_EQ(first, managerCopy.Fields(7).appProcessId);
    ReplaceTableBytes(managerCopy.bytes);

    EXPECT_TRUE(WaitUntil([&] { return !IsProcessAlive(second); }, kPollMs));
    ASSERT_TRUE(WaitLogLines(6, kPollMs));
    EXPECT_EQ("EVENT: Application terminated by Halyard by request of Ravelin manager.",
              LogMessages()[5]);
}

// When the host's own launch has ended, the record's id is used only for a process that runs
// the record's appPath.
TEST_F(HostTest, RecordIdIsUsedOnlyForAProcessRunningTheApplication)
{
    PutRecord(7, "--exit-after 200");
    StartHost("07");
    std::vector<ChildRecord> children = WaitChildren(1);
    ASSERT_EQ(1u, children.size());
    DWORD own = children[0].pid;
    ASSERT_TRUE(WaitLogLines(2, kStartMs)); // the host has published its launch
    ASSERT_TRUE(WaitUntil([&] { return !IsProcessAlive(own); }, kStartMs));

    // An unrelated program under the recorded id: left alone.
    std::string otherExe = workDir + "\\Other.exe";
    ASSERT_TRUE(::CopyFileA(BinPath("TestChild.exe").c_str(), otherExe.c_str(), FALSE));
    CTestProcess unrelated;
    ASSERT_TRUE(unrelated.Start(otherExe, "Other.exe"));
    EditRecord(7, [&](TestRecord& record) {
        record.SetAppProcessId(unrelated.Id());
        record.SetRunRequested(0);
    });
    ASSERT_TRUE(WaitLogLines(4, kPollMs));
    std::vector<std::string> messages = LogMessages();
    EXPECT_EQ(kStopFailed, messages[2]);
    EXPECT_EQ("ERROR: OpenProcess: 87 (fprocessid: " + Num(own) + ", mprocessid: " +
                  Num(unrelated.Id()) + ", msid: 7)",
              messages[3]);
    EXPECT_FALSE(unrelated.WaitExit(0));
}

TEST_F(HostTest, RecordIdOfTheApplicationIsTerminatedWhenTheOwnLaunchHasEnded)
{
    PutRecord(7, "--exit-after 200");
    StartHost("07");
    std::vector<ChildRecord> children = WaitChildren(1);
    ASSERT_EQ(1u, children.size());
    ASSERT_TRUE(WaitLogLines(2, kStartMs)); // the host has published its launch
    ASSERT_TRUE(WaitUntil([&] { return !IsProcessAlive(children[0].pid); }, kStartMs));

    // The application left running by an earlier host of the slot.
    CTestProcess earlier;
    ASSERT_TRUE(earlier.Start(BinPath("TestChild.exe"), " earlier"));
    ASSERT_EQ(2u, WaitChildren(2).size());
    EditRecord(7, [&](TestRecord& record) {
        record.SetAppProcessId(earlier.Id());
        record.SetRunRequested(0);
    });
    EXPECT_TRUE(earlier.WaitExit(kPollMs));
    ASSERT_TRUE(WaitLogLines(3, kPollMs));
    EXPECT_EQ("EVENT: Application terminated by Halyard by request of Ravelin manager.",
              LogMessages()[2]);
}
