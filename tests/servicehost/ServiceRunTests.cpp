// Ravelin.exe under Wine's SCM with the test child as its program: start, stop, the program's
// own end, a program that will not close, and the failures that end a start.

#include "ServiceFixture.h"

#include <cstdio>

using ::testing::AnyOf;
using ::testing::Contains;
using ::testing::Not;

namespace {

std::string ChildApplication()
{
    return Quoted(BinPath("TestChild.exe"));
}

} // namespace

TEST_F(ServiceTest, StartRunsTheProgramWithItsParametersAndStopClosesIt)
{
    std::string name = CreateHostedService(ChildApplication().c_str(), "07 --word \"two words\"");
    DWORD start = ::GetTickCount();
    ASSERT_TRUE(Start(name));
    ASSERT_TRUE(WaitState(name, SERVICE_RUNNING, 15000));
    DWORD toRunning = MsSince(start);
    std::vector<ChildRecord> children = WaitChildren(1);
    DWORD toChild = MsSince(start);
    ASSERT_EQ(1u, children.size());
    EXPECT_EQ(Quoted(BinPath("TestChild.exe")) + " 07 --word \"two words\"",
              children[0].commandLine);
    EXPECT_EQ(BinDir(), children[0].workDir);
    SERVICE_STATUS_PROCESS running = Status(name);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN),
              running.dwControlsAccepted);
    EXPECT_TRUE(IsProcessAlive(running.dwProcessId));

    start = ::GetTickCount();
    ASSERT_TRUE(Stop(name));
    ASSERT_TRUE(WaitState(name, SERVICE_STOPPED, 15000));
    DWORD toStopped = MsSince(start);
    EXPECT_EQ(static_cast<DWORD>(NO_ERROR), Status(name).dwWin32ExitCode);
    EXPECT_FALSE(IsProcessAlive(children[0].pid));
    EXPECT_TRUE(WaitUntil([&] { return !IsProcessAlive(running.dwProcessId); }, 15000));
    // Wine's SCM takes about 130 ms to start and 60 ms to stop a service: ten seconds leave room
    // for a machine busy with other suites, and the waits above allow more still.
    EXPECT_LE(toChild, 10000u);
    EXPECT_LE(toStopped, 10000u);
    std::printf("[timing] StartService to RUNNING %lu ms, to the child running %lu ms; "
                "stop control to STOPPED %lu ms\n",
                toRunning, toChild, toStopped);
}

TEST_F(ServiceTest, StopRightAfterStartWaitsForTheProgramsWindowAndClosesIt)
{
    std::string name = CreateHostedService(ChildApplication().c_str(), "");
    ASSERT_TRUE(Start(name));
    ASSERT_TRUE(WaitState(name, SERVICE_RUNNING, 15000));
    ASSERT_TRUE(Stop(name));
    ASSERT_TRUE(WaitState(name, SERVICE_STOPPED, 15000));
    EXPECT_EQ(static_cast<DWORD>(NO_ERROR), Status(name).dwWin32ExitCode);
    std::vector<ChildRecord> children = ReadChildRecords(kServiceChildRecords);
    ASSERT_EQ(1u, children.size()); // it made its window, then closed it
    EXPECT_FALSE(IsProcessAlive(children[0].pid));
}

TEST_F(ServiceTest, ProgramEndingByItselfStopsTheService)
{
    std::string name = CreateHostedService(ChildApplication().c_str(), "--exit-after 1000");
    ASSERT_TRUE(Start(name));
    ASSERT_TRUE(WaitState(name, SERVICE_RUNNING, 15000));
    ASSERT_TRUE(WaitState(name, SERVICE_STOPPED, 15000));
    EXPECT_EQ(static_cast<DWORD>(NO_ERROR), Status(name).dwWin32ExitCode);
}

TEST_F(ServiceTest, ProgramEndingWithAnErrorGivesTheServiceItsExitCode)
{
    std::string killed = CreateHostedService(ChildApplication().c_str(), "");
    ASSERT_TRUE(Start(killed));
    std::vector<ChildRecord> children = WaitChildren(1);
    ASSERT_EQ(1u, children.size());
    ASSERT_TRUE(WaitState(killed, SERVICE_RUNNING, 15000));
    KillProcess(children[0].pid); // exit code 99
    ASSERT_TRUE(WaitState(killed, SERVICE_STOPPED, 15000));
    SERVICE_STATUS_PROCESS status = Status(killed);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR), status.dwWin32ExitCode);
    EXPECT_EQ(99u, status.dwServiceSpecificExitCode);
}

TEST_F(ServiceTest, ProgramIgnoringTheCloseRequestHoldsStopPendingUntilItEnds)
{
    std::string name = CreateHostedService(ChildApplication().c_str(), "--ignore-close");
    ASSERT_TRUE(Start(name));
    std::vector<ChildRecord> children = WaitChildren(1);
    ASSERT_EQ(1u, children.size());
    ASSERT_TRUE(WaitState(name, SERVICE_RUNNING, 15000));

    ASSERT_TRUE(Stop(name));
    DWORD firstCheckPoint = Status(name).dwCheckPoint;
    EXPECT_FALSE(WaitUntil([&] { return Status(name).dwCurrentState != SERVICE_STOP_PENDING; },
                           2000));
    SERVICE_STATUS_PROCESS pending = Status(name);
    EXPECT_GT(pending.dwCheckPoint, firstCheckPoint);
    EXPECT_GT(pending.dwWaitHint, 0u);
    EXPECT_TRUE(IsProcessAlive(children[0].pid)); // asked, never terminated

    KillProcess(children[0].pid);
    ASSERT_TRUE(WaitState(name, SERVICE_STOPPED, 15000));
    EXPECT_EQ(static_cast<DWORD>(NO_ERROR), Status(name).dwWin32ExitCode);
}

TEST_F(ServiceTest, StopGivesUpAfterItsBoundAndLeavesTheProgramRunning)
{
    std::string name = CreateHostedService(ChildApplication().c_str(), "--ignore-close");
    ASSERT_TRUE(Start(name));
    std::vector<ChildRecord> children = WaitChildren(1);
    ASSERT_EQ(1u, children.size());
    ASSERT_TRUE(WaitState(name, SERVICE_RUNNING, 15000));

    DWORD start = ::GetTickCount();
    ASSERT_TRUE(Stop(name));
    // The bound is 90 s, past the longest graceful stop of an application host (60 s) and its
    // save; a busy machine may add a few seconds, never take any away.
    ASSERT_TRUE(WaitState(name, SERVICE_STOPPED, 120000));
    EXPECT_GE(MsSince(start), 89000u);
    EXPECT_EQ(static_cast<DWORD>(ERROR_TIMEOUT), Status(name).dwWin32ExitCode);
    EXPECT_TRUE(IsProcessAlive(children[0].pid));
}

TEST_F(ServiceTest, MissingParametersEndTheStartWithTheSystemErrorCode)
{
    std::string child = ChildApplication();
    struct Case {
        const char* what;
        std::string name;
    } cases[] = {
        {"no Parameters key", CreateHostedService(nullptr, nullptr)},
        {"no Application value", CreateHostedService(nullptr, "07")},
        {"no AppParameters value", CreateHostedService(child.c_str(), nullptr)},
    };
    for (const Case& c : cases) {
        StartFailingService(c.name);
        std::set<DWORD> seen = StatesUntilStopped(c.name, 20000);
        EXPECT_THAT(seen, Contains(static_cast<DWORD>(SERVICE_STOPPED))) << c.what;
        EXPECT_THAT(seen, Not(Contains(static_cast<DWORD>(SERVICE_RUNNING)))) << c.what;
        EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), Status(c.name).dwWin32ExitCode)
            << c.what;
    }
    EXPECT_TRUE(ReadChildRecords(kServiceChildRecords).empty());
}

TEST_F(ServiceTest, ProgramThatCannotStartEndsTheStartAndIsReported)
{
    std::string name = CreateHostedService("\"C:\\no such folder\\Nothing.exe\"", "07");
    StartFailingService(name);
    std::set<DWORD> seen = StatesUntilStopped(name, 20000);
    EXPECT_THAT(seen, Not(Contains(static_cast<DWORD>(SERVICE_RUNNING))));
    EXPECT_THAT(Status(name).dwWin32ExitCode,
                AnyOf(static_cast<DWORD>(ERROR_FILE_NOT_FOUND),
                      static_cast<DWORD>(ERROR_PATH_NOT_FOUND)));

    // The failure went to the event log, whose source now names Ravelin.exe as message file.
    HKEY opened = NULL;
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                              "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Ravelin",
                              0, KEY_QUERY_VALUE, &opened));
    CRegKey key(opened);
    char file[MAX_PATH] = "";
    DWORD size = sizeof(file) - 1;
    ASSERT_EQ(ERROR_SUCCESS, ::RegQueryValueExA(key.Get(), "EventMessageFile", NULL, NULL,
                                                reinterpret_cast<BYTE*>(file), &size));
    EXPECT_STRCASEEQ(BinPath("Ravelin.exe").c_str(), file);
}
