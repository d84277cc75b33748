// The status column of the running manager against a real service in the system's Service
// Control Manager, and the commands each status makes available.

#include "DialogDriver.h"
#include "ManagerChecks.h"
#include "ManagerHarness.h"
#include "TestService.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

// The refresh runs every 3 s; a busy machine gets the rest.
const DWORD kShowsWithin = 8000;

// Waits until the cell shows the text; prints how long it took and fails after the bound.
void ExpectShownWithin(CManagerHarness& manager, int row, const char* text, DWORD since)
{
    bool shown = manager.WaitCell(row, 1, text, kShowsWithin + 2000);
    DWORD took = ::GetTickCount() - since;
    EXPECT_TRUE(shown) << "still \"" << manager.Cell(row, 1) << "\", not \"" << text << "\"";
    EXPECT_LE(took, kShowsWithin) << text;
    std::printf("[ measured ] \"%s\" shown %lu ms after the change in the system\n", text, took);
}

} // namespace

TEST(ManagerStatusTest, StatusColumnFollowsTheServiceAndTheCommandsFollowTheStatus)
{
    CManagerHarness manager;
    TableImage table;
    FillRecord(table[2], 2, "Bystander", BinPath("TestChild.exe"), "C:\\", "", 0);
    FillRecord(table[7], 7, "Status Probe", BinPath("TestChild.exe"), manager.DataDir(), "", 0);
    table[7].SetRunRequested(1);
    manager.WriteTable(table);
    ASSERT_TRUE(manager.Start());
    ASSERT_EQ(2, manager.RowCount());
    ASSERT_EQ("07", manager.Cell(1, 2));
    ASSERT_TRUE(manager.WaitCell(1, 1, "Ready", kShowsWithin)) << manager.Cell(1, 1);
    ASSERT_TRUE(manager.SelectRow(1));
    ExpectServiceCommands(manager, kReadyCommands, "Ready");

    CTestService service("Status-Probe", "Status Probe", 7);
    ASSERT_TRUE(service.Install()) << service.LastError();
    ASSERT_EQ(static_cast<DWORD>(SERVICE_STOPPED), service.State());
    ExpectShownWithin(manager, 1, "Stopped", ::GetTickCount());
    ExpectServiceCommands(manager, kStoppedCommands, "installed, Stopped");

    ASSERT_TRUE(service.Start()) << service.LastError();
    ASSERT_TRUE(service.WaitState(SERVICE_RUNNING, 30000));
    ExpectShownWithin(manager, 1, "Started", ::GetTickCount());
    ExpectServiceCommands(manager, kStartedCommands, "Started");

    ASSERT_TRUE(service.Stop()) << service.LastError();
    ASSERT_TRUE(service.WaitState(SERVICE_STOPPED, 40000));
    ExpectShownWithin(manager, 1, "Stopped", ::GetTickCount());
    ExpectServiceCommands(manager, kStoppedCommands, "Stopped after running");

    ASSERT_TRUE(service.Remove());
    ExpectShownWithin(manager, 1, "Ready", ::GetTickCount());
    ExpectServiceCommands(manager, kReadyCommands, "uninstalled, Ready");

    // The refresh wrote each status into its own row only.
    EXPECT_EQ("Bystander", manager.Cell(0, 0));
    EXPECT_EQ("Ready", manager.Cell(0, 1));
    EXPECT_EQ("02", manager.Cell(0, 2));
    EXPECT_EQ("Status Probe", manager.Cell(1, 0));
    EXPECT_EQ("07", manager.Cell(1, 2));
}

// A user who is not an administrator: the Service Control Manager refuses to open. The manager
// says so once, then lists every service as "Unknown" and leaves every command available; a
// command then decides for itself.
TEST(ManagerStatusTest, WithoutTheScmEveryRowIsUnknownAndEveryCommandAvailable)
{
    CManagerHarness manager;
    manager.SetProgram("RavelinManagerNoScm.exe");
    TableImage table;
    FillRecord(table[1], 1, "Guarded One", BinPath("TestChild.exe"), "C:\\", "", 0);
    FillRecord(table[4], 4, "Guarded Two", "C:\\Apps\\two.exe", "C:\\Apps", "", 0);
    manager.WriteTable(table);
    ASSERT_TRUE(manager.Launch(manager.Process()));
    CDialogDriver dialogs(manager);
    EXPECT_EQ("Internal error:\n\nFailed to get the Service Control Manager handle.\n\n"
              "You cannot use the Ravelin at this time.\nPlease log on as an administrator and "
              "try again.",
              dialogs.AnswerBox("Ravelin", IDOK, 30000));
    ASSERT_TRUE(manager.Attach());
    ASSERT_EQ(2, manager.RowCount());
    EXPECT_TRUE(manager.WaitCell(0, 1, "Unknown", kShowsWithin));
    EXPECT_TRUE(manager.WaitCell(1, 1, "Unknown", kShowsWithin));
    ASSERT_TRUE(manager.SelectRow(1));
    ExpectServiceCommands(manager, kUnknownCommands, "no SCM");

    // Start needs a stopped service: with the status unknown nothing happens, without a word.
    ::PostMessageA(manager.Frame(), WM_COMMAND, command::kStart, 0);
    ASSERT_TRUE(manager.Flush());
    EXPECT_TRUE(manager.WindowsOfClass("#32770").empty()) << "Start asked or reported";

    // Edit cannot bring an installed service in line: the user is told, nothing is stored.
    std::string tableBefore = ReadFileBytes(manager.DataDir() + "\\Properties.dat");
    HWND dialog = dialogs.OpenByCommand(command::kEdit, "New/Edit service");
    ASSERT_NE(nullptr, dialog);
    SetText(dialog, 1004, "Renamed Without Scm");
    Click(dialog, IDOK);
    EXPECT_EQ("The changes have not been applied.\n\nThe state of the service is unknown, so it "
              "cannot be changed at this time.\nPlease log on as an administrator and try again.",
              dialogs.AnswerBox("Ravelin", IDOK));
    ASSERT_TRUE(manager.Flush());
    EXPECT_EQ("Guarded Two", manager.Cell(1, 0));
    EXPECT_EQ(tableBefore, ReadFileBytes(manager.DataDir() + "\\Properties.dat"));
    EXPECT_FALSE(FileExists(manager.DataDir() + "\\04.log")) << "an edit that stored nothing was logged";
}
