// Starts and stops from controllers other than the manager: Wine's own net.exe and sc.exe drive
// Wine's real SCM, which runs the built Ravelin.exe, which runs the real Halyard.exe with the test
// child. The system's shutdown, which Wine never delivers to services, is driven below the
// service host's control handler. The timings printed are the stop figures of each stop method.

#include "ServiceFixture.h"

#include "EventLog.h"
#include "HostedService.h"
#include "RegistrySettings.h"
#include "StopMethodRecord.h"
#include "TableFile.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

namespace {

const char kExecuted[] = "EVENT: Application executed by Halyard.";
const char kTerminatedOnStop[] =
    "EVENT: Application terminated by Halyard on a stop of the service.";
const DWORD kControllerMs = 120000;

std::string ClosedWithin(DWORD ms)
{
    return "EVENT: Application closed when asked, within the stop timeout of " +
           std::to_string(ms) + " ms.";
}

std::string Success(DWORD pid)
{
    return "EVENT: CallApplication success: " + std::to_string(static_cast<int>(pid));
}

std::string SystemProgram(const char* name)
{
    char folder[MAX_PATH];
    UINT length = ::GetSystemDirectoryA(folder, sizeof(folder));
    return std::string(folder, length) + "\\" + name;
}

} // namespace

class AnyControllerTest : public ServiceTest {
protected:
    void SetUp() override
    {
        ServiceTest::SetUp();
        WIN32_FIND_DATAA found;
        std::string records = kServiceChildRecords;
        HANDLE search = ::FindFirstFileA((records + "\\closed-*.txt").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do
                ::DeleteFileA((records + "\\" + found.cFileName).c_str());
            while (::FindNextFileA(search, &found));
            ::FindClose(search);
        }
        char dataPath[kSettingBufferSize];
        ASSERT_EQ(1, ReadSetting(kDataPathValue, dataPath));
        dataDir = dataPath;
        ::CreateDirectoryA(dataDir.substr(0, dataDir.find_last_of('\\')).c_str(), NULL);
        ::CreateDirectoryA(dataDir.c_str(), NULL);
        workDir = MakeScratchDir("controller work");
        tablePath = dataDir + "\\Properties.dat";
        logPath = dataDir + "\\07.log";
        ::DeleteFileA(logPath.c_str());
    }

    // Slot 7 runs the program (the test child when empty) through Halyard, registered as the
    // manager registers it; returns the service's name.
    std::string PutService(const std::string& params, uint32_t runRequested, uint32_t method,
                           DWORD stopTimeoutMs, const std::string& program = std::string())
    {
        TableImage image;
        FillRecord(image[7], 7, "Controller Test",
                   program.empty() ? BinPath("TestChild.exe") : program, workDir, params, 0);
        image[7].SetRunRequested(runRequested);
        if (method != kStopTerminate)
            SetStopMethod(image[7], method, stopTimeoutMs);
        WriteTable(tablePath, image);
        return CreateHostedService(Quoted(BinPath("Halyard.exe")).c_str(), "07");
    }

    // Runs Wine's net.exe or sc.exe with the arguments and returns its exit code.
    DWORD Control(const char* program, const std::string& arguments)
    {
        CTestProcess controller;
        EXPECT_TRUE(controller.Start(SystemProgram(program), std::string(program) + " " +
                                                                 arguments));
        EXPECT_TRUE(controller.WaitExit(kControllerMs)) << program << " " << arguments;
        return controller.ExitCode();
    }

    // Starts the service with `net start` and waits for its application; returns its id.
    DWORD NetStartAndAwaitApplication(const std::string& name)
    {
        EXPECT_EQ(0u, Control("net.exe", "start " + Quoted(name)));
        EXPECT_TRUE(WaitState(name, SERVICE_RUNNING, 15000));
        std::vector<ChildRecord> children = WaitChildren(1);
        EXPECT_EQ(1u, children.size());
        EXPECT_TRUE(WaitUntil([&] { return LogMessages().size() >= 2; }, 15000));
        return children.empty() ? 0 : children[0].pid;
    }

    // What a stop by a controller showed: the milliseconds from the command to STOPPED, whether
    // the application was gone at that moment, and every state seen on the way.
    struct StopSeen {
        DWORD took = 0;
        bool goneAtStopped = false;
        std::set<DWORD> states;
    };

    // Stops the service from the controller's command line, run in a process of its own, and
    // watches the service closely meanwhile.
    StopSeen StopWatching(const std::string& name, const char* program, DWORD pid)
    {
        StopSeen seen;
        CTestProcess controller;
        DWORD start = ::GetTickCount();
        EXPECT_TRUE(controller.Start(SystemProgram(program),
                                     std::string(program) + " stop " + Quoted(name)));
        seen.states = StatesUntilStopped(name, kControllerMs);
        seen.took = MsSince(start);
        seen.goneAtStopped = !IsProcessAlive(pid);
        EXPECT_TRUE(controller.WaitExit(kControllerMs));
        EXPECT_EQ(0u, controller.ExitCode()) << program;
        EXPECT_TRUE(seen.goneAtStopped)
            << "the service reported STOPPED while its application ran";
        EXPECT_EQ(static_cast<DWORD>(NO_ERROR), Status(name).dwWin32ExitCode);
        EXPECT_EQ(0u, RunRequestedOnDisk());
        return seen;
    }

    std::vector<std::string> LogMessages()
    {
        std::vector<std::string> messages;
        for (const LogEntry& entry : ReadLogFile(logPath.c_str()))
            messages.push_back(std::string(entry.type) + ": " + entry.message);
        return messages;
    }

    uint32_t RunRequestedOnDisk()
    {
        TableImage image;
        EXPECT_TRUE(ReadTable(tablePath, image));
        return image.Fields(7).runRequested;
    }

    std::string dataDir;
    std::string workDir;
    std::string tablePath;
    std::string logPath;
};

// `net stop`, the terminate method: the application is gone by the time the service reports
// STOPPED, the log has the stop's line, the run request is 0 on disk.
TEST_F(AnyControllerTest, NetStopEndsTheApplicationBeforeTheServiceStops)
{
    std::string name = PutService("--record-close", 1, kStopTerminate, 0);
    DWORD pid = NetStartAndAwaitApplication(name);
    ASSERT_NE(0u, pid);

    StopSeen stop = StopWatching(name, "net.exe", pid);
    EXPECT_THAT(LogMessages(), ElementsAre(kExecuted, Success(pid), kTerminatedOnStop));
    EXPECT_EQ("", CloseRequests(kServiceChildRecords, pid));
    std::printf("[timing] net stop to STOPPED, stop method terminate: %lu ms\n", stop.took);
}

// `sc stop` of a graceful service whose application ignores the request: the service stays
// STOP_PENDING through the stop timeout, then the application is terminated and it stops.
TEST_F(AnyControllerTest, ScStopOfAGracefulServiceTerminatesAnIgnoringApplicationAfterTheTimeout)
{
    std::string name = PutService("--record-close --ignore-close", 1, kStopGraceful, 3000);
    DWORD pid = NetStartAndAwaitApplication(name);
    ASSERT_NE(0u, pid);

    StopSeen stop = StopWatching(name, "sc.exe", pid);
    EXPECT_GE(stop.took, 3000u - 100u) << "terminated before the stop timeout";
    for (DWORD state : stop.states)
        EXPECT_TRUE(state == SERVICE_RUNNING || state == SERVICE_STOP_PENDING ||
                    state == SERVICE_STOPPED)
            << state;
    EXPECT_TRUE(stop.states.count(SERVICE_STOP_PENDING));
    EXPECT_THAT(LogMessages(),
                ElementsAre(kExecuted, Success(pid), kTerminatedOnStop,
                            "EVENT: Application did not close within 3000 ms; terminated by "
                            "Halyard."));
    EXPECT_THAT(CloseRequests(kServiceChildRecords, pid), HasSubstr("WM_CLOSE\n"));
    std::printf("[timing] sc stop to STOPPED, stop method graceful, request ignored, stop "
                "timeout 3000 ms: %lu ms\n",
                stop.took);
}

// `net stop` of a graceful service whose application answers WM_CLOSE.
TEST_F(AnyControllerTest, NetStopOfAGracefulServiceLetsTheApplicationClose)
{
    std::string name = PutService("--record-close", 1, kStopGraceful, 5000);
    DWORD pid = NetStartAndAwaitApplication(name);
    ASSERT_NE(0u, pid);

    StopSeen stop = StopWatching(name, "net.exe", pid);
    EXPECT_THAT(LogMessages(),
                ElementsAre(kExecuted, Success(pid), kTerminatedOnStop, ClosedWithin(5000)));
    EXPECT_EQ("WM_CLOSE\n", CloseRequests(kServiceChildRecords, pid));
    std::printf("[timing] net stop to STOPPED, stop method graceful, WM_CLOSE answered: %lu ms\n",
                stop.took);
}

// `net stop` of a graceful service whose application is a console program that ignores
// WM_CLOSE: the console's Ctrl+C ends it.
TEST_F(AnyControllerTest, NetStopOfAGracefulConsoleApplicationEndsItThroughItsConsole)
{
    std::string name = PutService("--record-close --ignore-close", 1, kStopGraceful, 20000,
                                  BinPath("TestConsoleChild.exe"));
    DWORD pid = NetStartAndAwaitApplication(name);
    ASSERT_NE(0u, pid);

    StopSeen stop = StopWatching(name, "net.exe", pid);
    EXPECT_LT(stop.took, 20000u) << "Ctrl+C did not end the console program";
    EXPECT_THAT(CloseRequests(kServiceChildRecords, pid), HasSubstr("CTRL_C\n"));
    EXPECT_THAT(LogMessages(),
                ElementsAre(kExecuted, Success(pid), kTerminatedOnStop, ClosedWithin(20000)));
    std::printf("[timing] net stop to STOPPED, stop method graceful, console program, Ctrl+C: "
                "%lu ms\n",
                stop.took);
}

// `net start` of a service whose record says 0: the application runs and keeps running.
TEST_F(AnyControllerTest, NetStartWithRunRequestedZeroKeepsTheApplicationRunning)
{
    std::string name = PutService("", 0, kStopTerminate, 0);
    DWORD pid = NetStartAndAwaitApplication(name);
    ASSERT_NE(0u, pid);
    EXPECT_EQ(1u, RunRequestedOnDisk());
    // Deliberately idle for three polls of 2 s and a margin: none may end the application.
    ::Sleep(3 * 2000 + 1500);
    EXPECT_TRUE(IsProcessAlive(pid));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), Status(name).dwCurrentState);
    EXPECT_THAT(LogMessages(), ElementsAre(kExecuted, Success(pid)));
}

// The manager's stop handshake (run request 0 saved, the poll ends the application, then the
// stop control) keeps its lines: the stop control finds nothing left to end.
TEST_F(AnyControllerTest, StopAfterTheManagersHandshakeAddsNoLine)
{
    std::string name = PutService("", 1, kStopTerminate, 0);
    DWORD pid = NetStartAndAwaitApplication(name);
    ASSERT_NE(0u, pid);
    TableImage image;
    ASSERT_TRUE(ReadTable(tablePath, image));
    image[7].SetRunRequested(0);
    ASSERT_EQ(1, WriteTableFile(tablePath.c_str(), image.bytes.data(), image.bytes.size()));
    ASSERT_TRUE(WaitUntil([&] { return !IsProcessAlive(pid); }, 10000));
    ASSERT_TRUE(WaitUntil([&] { return LogMessages().size() >= 3; }, 10000));

    EXPECT_EQ(0u, Control("net.exe", "stop " + Quoted(name)));
    ASSERT_TRUE(WaitState(name, SERVICE_STOPPED, 15000));
    EXPECT_THAT(LogMessages(),
                ElementsAre(kExecuted, Success(pid),
                            "EVENT: Application terminated by Halyard by request of Ravelin "
                            "manager."));
}

namespace {

// What a service object below the SCM reported, in order.
std::mutex reportsLock;
std::vector<SERVICE_STATUS> reports;

BOOL WINAPI RecordReport(SERVICE_STATUS_HANDLE, LPSERVICE_STATUS status)
{
    std::lock_guard<std::mutex> lock(reportsLock);
    reports.push_back(*status);
    return TRUE;
}

std::vector<SERVICE_STATUS> Reports()
{
    std::lock_guard<std::mutex> lock(reportsLock);
    return reports;
}

} // namespace

// System shutdown: Wine delivers no shutdown control to services, so the control handler gets
// it from the test. It takes the stop's path: STOP_PENDING with advancing checkpoints while
// Halyard ends the application, then STOPPED.
TEST_F(AnyControllerTest, ShutdownControlTakesTheStopsPath)
{
    {
        std::lock_guard<std::mutex> lock(reportsLock);
        reports.clear();
    }
    std::string name = PutService("--record-close --ignore-close", 1, kStopGraceful, 1500);
    CHostedService service(RecordReport);
    std::thread serviceThread([&] {
        service.RunRegistered(name.c_str(), reinterpret_cast<SERVICE_STATUS_HANDLE>(1));
    });
    bool running = WaitUntil(
        [] {
            std::vector<SERVICE_STATUS> seen = Reports();
            return !seen.empty() && seen.back().dwCurrentState == SERVICE_RUNNING;
        },
        15000);
    std::vector<ChildRecord> children = WaitChildren(1);
    bool launched = children.size() == 1 && WaitUntil([&] { return LogMessages().size() >= 2; },
                                                      15000);
    DWORD start = ::GetTickCount();
    DWORD answer = CHostedService::ControlHandler(SERVICE_CONTROL_SHUTDOWN, 0, NULL, &service);
    serviceThread.join();
    DWORD took = MsSince(start);
    ASSERT_TRUE(running);
    ASSERT_TRUE(launched);
    DWORD pid = children[0].pid;

    EXPECT_EQ(static_cast<DWORD>(NO_ERROR), answer);
    EXPECT_FALSE(IsProcessAlive(pid));
    EXPECT_THAT(LogMessages(), ElementsAre(kExecuted, Success(pid), kTerminatedOnStop,
                                           "EVENT: Application did not close within 1500 ms; "
                                           "terminated by Halyard."));
    EXPECT_EQ(0u, RunRequestedOnDisk());

    std::vector<SERVICE_STATUS> seen = Reports();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), seen.back().dwCurrentState);
    EXPECT_EQ(static_cast<DWORD>(NO_ERROR), seen.back().dwWin32ExitCode);
    DWORD lastCheckPoint = 0;
    size_t pending = 0;
    for (const SERVICE_STATUS& status : seen) {
        if (status.dwCurrentState != SERVICE_STOP_PENDING)
            continue;
        EXPECT_GT(status.dwCheckPoint, lastCheckPoint);
        EXPECT_GT(status.dwWaitHint, 0u);
        lastCheckPoint = status.dwCheckPoint;
        ++pending;
    }
    // A new checkpoint every 100 ms or so through the 1.5 s the application was given; half
    // of them leave room for a busy machine.
    EXPECT_GE(pending, 1500u / kStopPollMs / 2);
    std::printf("[timing] shutdown control to STOPPED, graceful, ignored, timeout 1500 ms: "
                "%lu ms, %u STOP_PENDING reports\n",
                took, static_cast<unsigned>(pending));
}
