// The running manager while another controller (Wine's net.exe and sc.exe) starts and stops one
// of its services: the list follows, the application runs and ends with the service, and the
// run request on disk agrees, so that the manager's own commands go on from there.

#include "ManagerChecks.h"
#include "ManagerHarness.h"
#include "Screenshot.h"
#include "TestService.h"

#include "EventLog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <cstdio>

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

namespace {

// The refresh runs every 3 s; a busy machine gets the rest.
const DWORD kShowsWithin = 10000;

// Runs net.exe or sc.exe from the system folder and returns its exit code.
DWORD Control(const char* program, const std::string& arguments)
{
    char folder[MAX_PATH];
    UINT length = ::GetSystemDirectoryA(folder, sizeof(folder));
    CTestProcess controller;
    EXPECT_TRUE(controller.Start(std::string(folder, length) + "\\" + program,
                                 std::string(program) + " " + arguments));
    EXPECT_TRUE(controller.WaitExit(60000)) << program << " " << arguments;
    return controller.ExitCode();
}

std::vector<std::string> LogMessages(const std::string& path)
{
    std::vector<std::string> messages;
    for (const LogEntry& entry : ReadLogFile(path.c_str()))
        messages.push_back(entry.message);
    return messages;
}

uint32_t RunRequestedOnDisk(const std::string& tablePath, int slot)
{
    TableImage image;
    EXPECT_TRUE(ReadTable(tablePath, image));
    return image.Fields(slot).runRequested;
}

} // namespace

TEST(ManagerControllerTest, ListFollowsAStartAndAStopByOtherControllers)
{
    CManagerHarness manager;
    TableImage table;
    // Installed but never started: the record's run request is 0.
    FillRecord(table[4], 4, "Outside Control", BinPath("TestChild.exe"), manager.DataDir(), "", 0);
    manager.WriteTable(table);
    std::string tablePath = manager.DataDir() + "\\Properties.dat";
    std::string logPath = manager.DataDir() + "\\04.log";

    CTestService service("Outside-Control", "Outside Control", 4);
    ASSERT_TRUE(service.Install()) << service.LastError();
    ASSERT_TRUE(manager.Start());
    ASSERT_EQ(1, manager.RowCount());
    ASSERT_TRUE(manager.WaitCell(0, 1, "Stopped", kShowsWithin)) << manager.Cell(0, 1);

    EXPECT_EQ(0u, Control("net.exe", "start Outside-Control"));
    ASSERT_TRUE(service.WaitState(SERVICE_RUNNING, 30000));
    EXPECT_TRUE(manager.WaitCell(0, 1, "Started", kShowsWithin)) << manager.Cell(0, 1);
    ASSERT_TRUE(WaitUntil([&] { return LogMessages(logPath).size() >= 2; }, 15000));
    TableImage running;
    ASSERT_TRUE(ReadTable(tablePath, running));
    DWORD pid = running.Fields(4).appProcessId;
    EXPECT_EQ(1u, running.Fields(4).runRequested);
    // Deliberately idle for three of the host's polls: the application stays.
    ::Sleep(3 * 2000 + 1000);
    EXPECT_TRUE(IsProcessAlive(pid));
    ASSERT_TRUE(manager.SelectRow(0));
    ExpectServiceCommands(manager, kStartedCommands, "started by net start");
    SaveWindowShot(manager.Frame(), ScreenshotDir() + "\\controller_started.bmp");

    EXPECT_EQ(0u, Control("sc.exe", "stop Outside-Control"));
    ASSERT_TRUE(service.WaitState(SERVICE_STOPPED, 30000));
    EXPECT_FALSE(IsProcessAlive(pid));
    EXPECT_TRUE(manager.WaitCell(0, 1, "Stopped", kShowsWithin)) << manager.Cell(0, 1);
    ExpectServiceCommands(manager, kStoppedCommands, "stopped by sc stop");
    EXPECT_EQ(0u, RunRequestedOnDisk(tablePath, 4));
    EXPECT_THAT(LogMessages(logPath),
                ElementsAre("Application executed by Halyard.",
                            "CallApplication success: " + std::to_string(static_cast<int>(pid)),
                            "Application terminated by Halyard on a stop of the service."));
    SaveWindowShot(manager.Frame(), ScreenshotDir() + "\\controller_stopped.bmp");

    // The manager's own Start and Stop go on from there, with their handshakes' lines as ever;
    // the stop control after the manager's stop finds the application gone and adds nothing.
    ::PostMessageA(manager.Frame(), WM_COMMAND, command::kStart, 0);
    EXPECT_TRUE(manager.WaitCell(0, 1, "Started", 30000)) << manager.Cell(0, 1);
    ASSERT_TRUE(WaitUntil([&] { return LogMessages(logPath).size() >= 6; }, 15000));
    DWORD second = 0;
    ASSERT_TRUE(WaitUntil(
        [&] {
            TableImage now;
            second = ReadTable(tablePath, now) ? now.Fields(4).appProcessId : 0;
            return second != 0 && second != pid;
        },
        15000));
    EXPECT_EQ(1u, RunRequestedOnDisk(tablePath, 4));
    ::PostMessageA(manager.Frame(), WM_COMMAND, command::kStop, 0);
    ASSERT_TRUE(service.WaitState(SERVICE_STOPPED, 40000));
    EXPECT_TRUE(manager.WaitCell(0, 1, "Stopped", kShowsWithin)) << manager.Cell(0, 1);
    EXPECT_FALSE(IsProcessAlive(second));
    ASSERT_TRUE(WaitUntil([&] { return LogMessages(logPath).size() >= 8; }, 15000));
    std::vector<std::string> lines = LogMessages(logPath);
    ASSERT_EQ(8u, lines.size());
    // The manager logs its start after its progress hold, the host its launch at once: those
    // three come in either order.
    EXPECT_THAT(std::vector<std::string>(lines.begin() + 3, lines.begin() + 6),
                UnorderedElementsAre("Service started.", "Application executed by Halyard.",
                                     "CallApplication success: " +
                                         std::to_string(static_cast<int>(second))));
    EXPECT_THAT(std::vector<std::string>(lines.begin() + 6, lines.end()),
                ElementsAre("Application terminated by Halyard by request of Ravelin manager.",
                            "Service stopped."));
}
