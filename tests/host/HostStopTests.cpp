// The real host under Wine: the service's stop (its window closed by the service host), the run
// request at start, and the graceful stop method at every stop.

#include "HostFixture.h"

#include "RecordOptions.h"
#include "StopMethodRecord.h"

#include <cstdio>

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using namespace host_times;

namespace {

const char kTerminatedOnStop[] =
    "EVENT: Application terminated by Halyard on a stop of the service.";
const char kTerminatedByRequest[] =
    "EVENT: Application terminated by Halyard by request of Ravelin manager.";

std::string ClosedWithin(DWORD ms)
{
    return "EVENT: Application closed when asked, within the stop timeout of " + Num(ms) + " ms.";
}

std::string TerminatedAfter(DWORD ms)
{
    return "EVENT: Application did not close within " + Num(ms) + " ms; terminated by Halyard.";
}

LRESULT QueryEndSession(HWND window)
{
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, 0, SMTO_BLOCK, 15000, &result))
        return -1;
    return static_cast<LRESULT>(result);
}

} // namespace

class HostStopTest : public HostTest {
protected:
    // The record of slot 7 running appPath (the test child when empty) with the stop method.
    void PutStopRecord(const std::string& appParams, uint32_t method, DWORD stopTimeoutMs,
                       const std::string& appPath = std::string())
    {
        PutRecord(7, appParams, 1, 1, appPath);
        TableImage image;
        ASSERT_TRUE(ReadTable(tablePath, image));
        SetStopMethod(image[7], method, stopTimeoutMs);
        WriteTable(tablePath, image);
    }

    // Starts the host for slot 7 the way the service host does, without a console (under Wine a
    // program started from the test would share the test's own), so that a console application
    // gets a console of its own; waits for the launch. Returns the application's id or 0.
    DWORD StartHostWithoutConsoleAndAwaitLaunch()
    {
        if (!host.Start(BinPath("Halyard.exe"), "Halyard.exe 07", std::string(),
                        DETACHED_PROCESS)) {
            ADD_FAILURE() << "Halyard.exe did not start: " << ::GetLastError();
            return 0;
        }
        std::vector<ChildRecord> children = WaitChildren(1);
        if (children.size() != 1 || !WaitLogLines(2, kStartMs)) {
            ADD_FAILURE() << "the launch did not come";
            return 0;
        }
        return children[0].pid;
    }

    // Closes the host's window as the service host does on a stop control; waits for the host
    // to end and returns how long it took.
    DWORD CloseHost()
    {
        DWORD start = ::GetTickCount();
        ::PostMessageA(HostWindow(), WM_CLOSE, 0, 0);
        EXPECT_TRUE(host.WaitExit(kStartMs + kMaxStopTimeoutMs));
        EXPECT_EQ(0u, host.ExitCode());
        return ::GetTickCount() - start;
    }
};

// After the manager's stop handshake the poll has ended the application already: the close
// that follows writes nothing more, so the manager's stop keeps its lines.
TEST_F(HostStopTest, CloseAfterTheManagersStopRequestWritesNoLine)
{
    PutRecord(7, "");
    DWORD pid = StartHostAndAwaitLaunch();
    ASSERT_NE(0u, pid);
    EditRecord(7, [](TestRecord& record) { record.SetRunRequested(0); });
    ASSERT_TRUE(WaitLogLines(3, kPollMs));
    ASSERT_TRUE(WaitUntil([&] { return !IsProcessAlive(pid); }, kPollMs));

    CloseHost();
    EXPECT_THAT(LogMessages(), ElementsAre("EVENT: Application executed by Halyard.",
                                           "EVENT: CallApplication success: " + Num(pid),
                                           kTerminatedByRequest));
    EXPECT_EQ(0u, RecordOnDisk(7).runRequested);
}

// An application that ended by itself leaves nothing to end: no line, but the run request
// still goes to 0.
TEST_F(HostStopTest, CloseAfterTheApplicationEndedByItselfWritesNoLine)
{
    PutRecord(7, "--exit-after 300");
    DWORD pid = StartHostAndAwaitLaunch();
    ASSERT_NE(0u, pid);
    ASSERT_TRUE(WaitUntil([&] { return !IsProcessAlive(pid); }, kStartMs));

    CloseHost();
    EXPECT_EQ(2u, Log().size());
    EXPECT_EQ(0u, RecordOnDisk(7).runRequested);
}

// Options other than the stop method leave the terminate method's lines exactly as they were.
TEST_F(HostStopTest, TerminateMethodWithOtherOptionsLogsAsWithout)
{
    PutStopRecord("--record-close", kStopTerminate, 1234);
    DWORD pid = StartHostAndAwaitLaunch();
    ASSERT_NE(0u, pid);
    EditRecord(7, [](TestRecord& record) { record.SetRunRequested(0); });
    ASSERT_TRUE(WaitLogLines(3, kPollMs));
    ASSERT_TRUE(WaitUntil([&] { return !IsProcessAlive(pid); }, kPollMs));
    // Deliberately idle for a poll: no further line may follow.
    ::Sleep(2 * kPollPeriodMs);
    EXPECT_THAT(LogMessages(), ElementsAre("EVENT: Application executed by Halyard.",
                                           "EVENT: CallApplication success: " + Num(pid),
                                           kTerminatedByRequest));
    EXPECT_EQ("", CloseRequests(childDir, pid));
}

// Graceful, at the manager's stop request: the application is asked, closes, and the log says
// it closed within the timeout.
TEST_F(HostStopTest, GracefulStopRequestAsksAndTheApplicationCloses)
{
    PutStopRecord("--record-close", kStopGraceful, 20000);
    DWORD pid = StartHostAndAwaitLaunch();
    ASSERT_NE(0u, pid);
    DWORD requested = ::GetTickCount();
    EditRecord(7, [](TestRecord& record) { record.SetRunRequested(0); });
    ASSERT_TRUE(WaitUntil([&] { return !IsProcessAlive(pid); }, kPollMs));
    DWORD ended = ::GetTickCount() - requested;
    ASSERT_TRUE(WaitLogLines(4, kPollMs));
    EXPECT_THAT(LogMessages(), ElementsAre("EVENT: Application executed by Halyard.",
                                           "EVENT: CallApplication success: " + Num(pid),
                                           kTerminatedByRequest, ClosedWithin(20000)));
    EXPECT_EQ("WM_CLOSE\n", CloseRequests(childDir, pid));
    EXPECT_LT(ended, 20000u) << "it waited for the whole timeout";
}

// Graceful, at the service's stop: an application that ignores the request is terminated once
// the stop timeout has passed, not before.
TEST_F(HostStopTest, GracefulCloseTerminatesAnApplicationThatIgnoresTheRequestAfterTheTimeout)
{
    PutStopRecord("--record-close --ignore-close", kStopGraceful, 2500);
    DWORD pid = StartHostAndAwaitLaunch();
    ASSERT_NE(0u, pid);

    DWORD took = CloseHost();
    EXPECT_FALSE(IsProcessAlive(pid));
    EXPECT_GE(took, 2500u - 100u) << "terminated before the stop timeout";
    EXPECT_THAT(LogMessages(), ElementsAre("EVENT: Application executed by Halyard.",
                                           "EVENT: CallApplication success: " + Num(pid),
                                           kTerminatedOnStop, TerminatedAfter(2500)));
    EXPECT_THAT(CloseRequests(childDir, pid), HasSubstr("WM_CLOSE\n"));
    EXPECT_EQ(0u, RecordOnDisk(7).runRequested);
    std::printf("[timing] graceful close ignored, timeout 2500 ms: host ended after %lu ms\n",
                took);
}

// Graceful, for a console program: the request comes through its console as Ctrl+C. The child
// ignores WM_CLOSE, so only the console's request can end it within the timeout.
TEST_F(HostStopTest, GracefulCloseOfAConsoleApplicationSendsCtrlC)
{
    PutStopRecord("--record-close --ignore-close", kStopGraceful, 20000,
                  BinPath("TestConsoleChild.exe"));
    DWORD pid = StartHostWithoutConsoleAndAwaitLaunch();
    ASSERT_NE(0u, pid);

    DWORD took = CloseHost();
    EXPECT_FALSE(IsProcessAlive(pid));
    EXPECT_LT(took, 20000u) << "the console's request did not end it";
    EXPECT_THAT(CloseRequests(childDir, pid), HasSubstr("CTRL_C\n"));
    EXPECT_THAT(LogMessages(), ElementsAre("EVENT: Application executed by Halyard.",
                                           "EVENT: CallApplication success: " + Num(pid),
                                           kTerminatedOnStop, ClosedWithin(20000)));
    std::printf("[timing] graceful close of a console program: host ended after %lu ms\n", took);
}

// Graceful, at the end of the session: asked first, then revived as always. The exit it was
// asked for is the host's own: with restart "always" it is neither logged nor restarted, so the
// revive stays the one launch that follows.
TEST_F(HostStopTest, GracefulEndOfSessionAsksFirstAndStillRevives)
{
    PutRecord(7, "--record-close", 1, 1);
    ServiceOptions options;
    options.stopMethod = kStopGraceful;
    options.stopTimeoutMs = 20000;
    options.restart = kRestartAlways;
    options.restartDelayMs = 0;
    EditRecord(7, [&](TestRecord& record) { ASSERT_TRUE(PutServiceOptions(record, options)); });
    DWORD first = StartHostAndAwaitLaunch();
    ASSERT_NE(0u, first);

    EXPECT_EQ(1, QueryEndSession(HostWindow()));
    EXPECT_FALSE(IsProcessAlive(first));
    EXPECT_EQ("WM_CLOSE\n", CloseRequests(childDir, first));
    std::vector<ChildRecord> children = WaitChildren(2, kReviveLatestMs);
    ASSERT_EQ(2u, children.size());
    DWORD second = ChildOtherThan(children, first).pid;
    ASSERT_TRUE(WaitLogLines(6, kStartMs));
    EXPECT_THAT(LogMessages(),
                ElementsAre("EVENT: Application executed by Halyard.",
                            "EVENT: CallApplication success: " + Num(first),
                            "EVENT: Application terminated by Halyard for end session.",
                            ClosedWithin(20000), "EVENT: Application revived by Halyard.",
                            "EVENT: CallApplication success: " + Num(second)));
    // Three polls later (nothing to wait for: the check is that nothing comes), still the same
    // two launches and lines.
    ::Sleep(kPollMs);
    EXPECT_EQ(2u, WaitChildren(3, 0).size());
    EXPECT_EQ(6u, LogMessages().size());
}
