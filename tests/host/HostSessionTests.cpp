// The real host under Wine: end of session, revival, and which process a termination hits.

#include "HostFixture.h"

using ::testing::ElementsAre;

namespace {

std::string Num(DWORD value)
{
    return std::to_string(static_cast<int>(value));
}

// What the end of the interactive session sends every top-level window.
LRESULT QueryEndSession(HWND window)
{
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, 0, SMTO_BLOCK, 5000, &result))
        return -1;
    return static_cast<LRESULT>(result);
}

} // namespace

TEST_F(HostTest, EndOfSessionTerminatesAndRevivesWithTheRecordsCurrentValues)
{
    PutRecord(7, "first run");
    StartHost("07");
    std::vector<ChildRecord> children = WaitChildren(1);
    ASSERT_EQ(1u, children.size());
    DWORD first = children[0].pid;
    ASSERT_TRUE(WaitLogLines(2, 5000));

    DWORD queried = ::GetTickCount();
    EXPECT_EQ(1, QueryEndSession(HostWindow()));
    EXPECT_TRUE(WaitUntil([&] { return !IsProcessAlive(first); }, 2000));

    // The manager edits the record meanwhile: the revive takes the new values.
    std::string newWorkDir = MakeScratchDir("new work dir");
    EditRecord(7, [&](TestRecord& record) {
        record.SetAppParams("second run");
        record.SetWorkDir(newWorkDir);
    });

    children = WaitChildren(2, 15000);
    DWORD revived = ::GetTickCount() - queried;
    ASSERT_EQ(2u, children.size());
    EXPECT_GE(revived, 9500u);
    EXPECT_LE(revived, 13000u);
    ChildRecord second = ChildOtherThan(children, first);
    EXPECT_EQ(" second run", second.commandLine);
    EXPECT_EQ(newWorkDir, second.workDir);

    ASSERT_TRUE(WaitLogLines(5, 3000));
    EXPECT_THAT(LogMessages(),
                ElementsAre("EVENT: Application executed by Halyard.",
                            "EVENT: CallApplication success: " + Num(first),
                            "EVENT: Application terminated by Halyard for end session.",
                            "EVENT: Application revived by Halyard.",
                            "EVENT: CallApplication success: " + Num(second.pid)));
    EXPECT_EQ(second.pid, RecordOnDisk(7).appProcessId);
}

TEST_F(HostTest, TwoQueriesFiveSecondsApartGiveOneRevive)
{
    PutRecord(7, "");
    StartHost("07");
    std::vector<ChildRecord> children = WaitChildren(1);
    ASSERT_EQ(1u, children.size());
    DWORD first = children[0].pid;
    ASSERT_TRUE(WaitLogLines(2, 5000));

    EXPECT_EQ(1, QueryEndSession(HostWindow()));
    ::Sleep(5000);
    DWORD secondQuery = ::GetTickCount();
    EXPECT_EQ(1, QueryEndSession(HostWindow()));

    children = WaitChildren(2, 15000);
    DWORD revived = ::GetTickCount() - secondQuery;
    ASSERT_EQ(2u, children.size());
    EXPECT_GE(revived, 9500u);
    // No second revive follows.
    ::Sleep(2500);
    EXPECT_EQ(2u, ReadChildRecords(childDir).size());

    ChildRecord second = ChildOtherThan(children, first);
    std::vector<std::string> messages = LogMessages();
    ASSERT_EQ(7u, messages.size());
    EXPECT_EQ("EVENT: Application terminated by Halyard for end session.", messages[2]);
    // Nothing runs at the second query: the ended launch cannot be terminated again.
    EXPECT_EQ("ERROR: Application couldn't terminated by Halyard for end session.", messages[3]);
    EXPECT_EQ("ERROR: TerminateProcess: 5 (fprocessid: " + Num(first) + ", mprocessid: " +
                  Num(first) + ", msid: 7)",
              messages[4]);
    EXPECT_EQ("EVENT: Application revived by Halyard.", messages[5]);
    EXPECT_EQ("EVENT: CallApplication success: " + Num(second.pid), messages[6]);
}

TEST_F(HostTest, EndOfSessionWithoutReviveDoesNothing)
{
    PutRecord(7, "", 0);
    StartHost("07");
    std::vector<ChildRecord> children = WaitChildren(1);
    ASSERT_EQ(1u, children.size());
    ASSERT_TRUE(WaitLogLines(2, 5000));

    EXPECT_EQ(1, QueryEndSession(HostWindow()));
    ::SendMessageTimeoutA(HostWindow(), WM_ENDSESSION, TRUE, 0, SMTO_BLOCK, 5000, NULL);
    EXPECT_TRUE(IsProcessAlive(children[0].pid));
    EXPECT_EQ(2u, Log().size());
    EXPECT_FALSE(host.WaitExit(0));
}

// After a revive, a manager's save can write back the earlier launch's id. That process has
// ended but still opens; the stop request must still end the live application.
TEST_F(HostTest, StopAfterReviveEndsTheLiveApplicationDespiteAStaleId)
{
    PutRecord(7, "");
    StartHost("07");
    std::vector<ChildRecord> children = WaitChildren(1);
    ASSERT_EQ(1u, children.size());
    DWORD first = children[0].pid;
    ASSERT_TRUE(WaitLogLines(2, 5000));
    TableImage managerCopy; // the manager's load, before the revive
    ASSERT_TRUE(ReadTable(tablePath, managerCopy));

    EXPECT_EQ(1, QueryEndSession(HostWindow()));
    children = WaitChildren(2, 15000);
    ASSERT_EQ(2u, children.size());
    DWORD second = ChildOtherThan(children, first).pid;
    ASSERT_TRUE(WaitLogLines(5, 3000));

    managerCopy[7].SetRunRequested(0);
    ASSERT_EQ(first, managerCopy.Fields(7).appProcessId);
    WriteTable(tablePath, managerCopy);

    EXPECT_TRUE(WaitUntil([&] { return !IsProcessAlive(second); }, 4000));
    ASSERT_TRUE(WaitLogLines(6, 2000));
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
    ASSERT_TRUE(WaitUntil([&] { return !IsProcessAlive(own); }, 5000));

    // An unrelated program under the recorded id: left alone.
    std::string otherExe = workDir + "\\Other.exe";
    ASSERT_TRUE(::CopyFileA(BinPath("TestChild.exe").c_str(), otherExe.c_str(), FALSE));
    CTestProcess unrelated;
    ASSERT_TRUE(unrelated.Start(otherExe, "Other.exe"));
    EditRecord(7, [&](TestRecord& record) {
        record.SetAppProcessId(unrelated.Id());
        record.SetRunRequested(0);
    });
    ASSERT_TRUE(WaitLogLines(4, 4000));
    std::vector<std::string> messages = LogMessages();
    EXPECT_EQ("ERROR: Application failed to terminated by Halyard by request of Ravelin manager.",
              messages[2]);
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
    ASSERT_TRUE(WaitUntil([&] { return !IsProcessAlive(children[0].pid); }, 5000));

    // The application left running by an earlier host of the slot.
    CTestProcess earlier;
    ASSERT_TRUE(earlier.Start(BinPath("TestChild.exe"), " earlier"));
    ASSERT_EQ(2u, WaitChildren(2).size());
    EditRecord(7, [&](TestRecord& record) {
        record.SetAppProcessId(earlier.Id());
        record.SetRunRequested(0);
    });
    EXPECT_TRUE(earlier.WaitExit(4000));
    ASSERT_TRUE(WaitLogLines(3, 2000));
    EXPECT_EQ("EVENT: Application terminated by Halyard by request of Ravelin manager.",
              LogMessages()[2]);
}
