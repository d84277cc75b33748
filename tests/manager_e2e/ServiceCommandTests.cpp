// The whole system through the manager's window: services created, installed, started, stopped,
// renamed, logged and deleted with the running RavelinManager.exe's menus, toolbar, context menu
// and dialogs, against the system's real services, the service host, the application host and
// the test child.

#include "DialogDriver.h"
#include "LogViewerProbe.h"
#include "ManagerChecks.h"
#include "ManagerHarness.h"
#include "RemoteBuffer.h"
#include "Screenshot.h"
#include "StopOrderWatch.h"
#include "TestService.h"

#include <commctrl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <atomic>
#include <cstdio>
#include <thread>

using ::testing::ElementsAre;

namespace {

using namespace control;

// The context menu's items without its separators, in order.
const int kContextStop = 6;

class ServiceCommandTest : public ::testing::Test {
protected:
    void SetUp() override { workDir = MakeScratchDir("service work"); }

    // New, the dialog filled as a user fills it (the executable as Browse would set it), Apply,
    // then the next actions as given; returns once the flow has shown the new row.
    void CreateThroughNew(const char* name, const char* params, bool install, bool start,
                          const char* nextActionsShot = nullptr)
    {
        int rowsBefore = manager.RowCount();
        HWND dialog = dialogs.OpenByCommand(command::kNew, kNewEditCaption);
        ASSERT_NE(nullptr, dialog);
        SetText(dialog, kName, name);
        SetText(dialog, kPath, BinPath("TestChild.exe"));
        SetText(dialog, kWorkDir, workDir);
        SetText(dialog, kParams, params);
        ASSERT_EQ("", dialogs.PressAndRead(dialog, IDOK));

        HWND next = dialogs.WaitTopLevel(kNextActionsCaption);
        ASSERT_NE(nullptr, next) << "no Next actions dialog";
        EXPECT_TRUE(Checked(next, kInstallBox));
        EXPECT_TRUE(Checked(next, kStartBox));
        if (nextActionsShot != nullptr)
            Picture(next, nextActionsShot);
        SetChecked(next, kInstallBox, install);
        SetChecked(next, kStartBox, start);
        Click(next, IDOK);
        ASSERT_TRUE(WaitGone(next));
        // Install and start hold their progress dialogs for a moment each.
        ASSERT_TRUE(WaitUntil([&] { return manager.RowCount() == rowsBefore + 1; }, 30000))
            << "the new row did not appear";
    }

    // Opens the context menu over the row and chooses the item by the keyboard, as a user would.
    void ChooseFromContextMenu(int row, int item)
    {
        RECT rect = manager.RowRect(row);
        POINT point = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
        ::ClientToScreen(manager.List(), &point);
        ::PostMessageA(manager.List(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(manager.List()),
                       MAKELPARAM(point.x, point.y));
        ASSERT_TRUE(WaitUntil([&] { return !manager.WindowsOfClass("#32768").empty(); }, 10000))
            << "no context menu";
        for (int i = 0; i <= item; ++i)
            ::PostMessageA(manager.List(), WM_KEYDOWN, VK_DOWN, 1);
        ::PostMessageA(manager.List(), WM_KEYDOWN, VK_RETURN, 1);
        ASSERT_TRUE(WaitUntil([&] { return manager.WindowsOfClass("#32768").empty(); }, 10000))
            << "the context menu stayed open";
    }

    // A click on the toolbar button, pressed and released by the mouse.
    void ClickToolbarButton(UINT command)
    {
        HWND toolbar = manager.Toolbar();
        LRESULT index = ::SendMessageA(toolbar, TB_COMMANDTOINDEX, command, 0);
        ASSERT_GE(index, 0);
        CRemoteBuffer buffer(manager.ProcessHandle(), sizeof(RECT));
        ASSERT_TRUE(buffer.IsValid());
        ASSERT_TRUE(::SendMessageA(toolbar, TB_GETITEMRECT, static_cast<WPARAM>(index),
                                   buffer.AsParam()));
        RECT rect;
        ASSERT_TRUE(buffer.Read(&rect, sizeof(rect)));
        LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
        ::PostMessageA(toolbar, WM_MOUSEMOVE, 0, at);
        ::PostMessageA(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::PostMessageA(toolbar, WM_LBUTTONUP, 0, at);
    }

    RecordFields OnDisk(int slot)
    {
        TableImage image;
        EXPECT_TRUE(ReadTable(manager.DataDir() + "\\Properties.dat", image));
        return image.Fields(slot);
    }
    std::string LogPath(int slot) const { return LogFilePath(manager, slot); }
    std::vector<std::string> LogMessages(int slot) const { return LogFileMessages(manager, slot); }

    void Picture(HWND window, const char* file) { TakePicture(manager, window, file); }

    // The running children of the services, by their command line.
    static DWORD ChildWith(const std::string& commandLine)
    {
        for (const ChildRecord& child : ReadChildRecords(kServiceChildRecords)) {
            if (child.commandLine == commandLine && IsProcessAlive(child.pid))
                return child.pid;
        }
        return 0;
    }

    std::string workDir;
    CManagerHarness manager;
    CDialogDriver dialogs{manager};
    CLogViewerProbe viewer{manager};
};

} // namespace

TEST_F(ServiceCommandTest, AServiceFromCreationToDeletion)
{
    ASSERT_TRUE(manager.Start());
    CTestService service("Window-Service", "Window Service", 0);
    service.Adopt();

    // New with both next actions: installed, started, the application running as given.
    CreateThroughNew("Window Service", "--window 1", true, true, "next_actions_dialog.bmp");
    ASSERT_TRUE(service.WaitState(SERVICE_RUNNING, 20000));
    DWORD running = ::GetTickCount();
    EXPECT_TRUE(manager.WaitCell(0, 1, "Started", 3000)) << manager.Cell(0, 1);
    std::printf("[ measured ] row shows \"Started\" %lu ms after the service runs\n",
                ::GetTickCount() - running);
    EXPECT_EQ("Window Service", manager.Cell(0, 0));
    EXPECT_EQ("00", manager.Cell(0, 2));
    std::vector<ChildRecord> children = WaitChildRecords(kServiceChildRecords, 1, 20000);
    ASSERT_EQ(1u, children.size());
    EXPECT_EQ(" --window 1", children[0].commandLine);
    EXPECT_EQ(workDir, children[0].workDir);
    RecordFields record = OnDisk(0);
    EXPECT_EQ(1u, record.runRequested);
    EXPECT_EQ(1u, record.reviveOnSessionEnd);

    // The end of the session: the host ends the application and revives it 10 s later.
    HWND host = NULL;
    ASSERT_TRUE(WaitUntil(
        [&] { return (host = reinterpret_cast<HWND>(
                          static_cast<uintptr_t>(OnDisk(0).hostWindow))) != NULL; },
        10000));
    DWORD_PTR answer = 0;
    ASSERT_TRUE(::SendMessageTimeoutA(host, WM_QUERYENDSESSION, 0, 0, SMTO_BLOCK, 5000, &answer));
    ::SendMessageTimeoutA(host, WM_ENDSESSION, TRUE, 0, SMTO_BLOCK, 5000, NULL);
    DWORD sessionEnded = ::GetTickCount();
    EXPECT_TRUE(WaitUntil([&] { return !IsProcessAlive(children[0].pid); }, 5000));
    children = WaitChildRecords(kServiceChildRecords, 2, 20000);
    ASSERT_EQ(2u, children.size());
    DWORD revived = ::GetTickCount() - sessionEnded;
    EXPECT_GE(revived, 9000u);
    std::printf("[ measured ] application revived %lu ms after the end of the session\n", revived);
    DWORD second = ChildWith(" --window 1");
    ASSERT_NE(0u, second);

    // Stop from the context menu: the host ends the application before the stop control.
    ASSERT_TRUE(manager.SelectRow(0));
    {
        CStopOrderWatch watch(second, [&] { return service.State() == SERVICE_RUNNING; });
        ChooseFromContextMenu(0, kContextStop);
        ASSERT_TRUE(watch.WaitBoth(30000));
        EXPECT_LT(watch.ApplicationEnded(), watch.ServiceLeft());
        EXPECT_GE(watch.ServiceLeft() - watch.ApplicationEnded(), 1000u);
    }
    EXPECT_TRUE(manager.WaitCell(0, 1, "Stopped", 10000)) << manager.Cell(0, 1);
    EXPECT_EQ(0u, OnDisk(0).runRequested);

    // The log viewer: every line of the file, newest first.
    std::vector<std::string> lines = LogMessages(0);
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ("Service created.", lines.front());
    EXPECT_EQ("Service stopped.", lines.back());
    ASSERT_TRUE(viewer.Open(0));
    std::vector<std::vector<std::string>> rows = viewer.Rows();
    ASSERT_EQ(lines.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(lines[lines.size() - 1 - i], rows[i][2]) << "row " << i;
    Picture(viewer.Dialog(), "log_viewer_service.bmp");
    Click(viewer.Dialog(), log_viewer::kClear);
    EXPECT_EQ("Are you sure you want to delete the log for this service ?",
              dialogs.AnswerBox(kQuestionCaption, IDYES));
    EXPECT_TRUE(viewer.WaitClosed(10000));
    EXPECT_FALSE(FileExists(LogPath(0)));

    // Uninstall from the toolbar, then Delete from the Service menu.
    ClickToolbarButton(command::kUninstall);
    EXPECT_TRUE(manager.WaitCell(0, 1, "Ready", 15000)) << manager.Cell(0, 1);
    EXPECT_TRUE(service.WaitState(0, 15000));
    ::PostMessageA(manager.Frame(), WM_COMMAND, command::kDelete, 0);
    HWND question = dialogs.WaitTopLevel(kQuestionCaption);
    ASSERT_NE(nullptr, question) << "Delete asked nothing";
    EXPECT_TRUE(WaitUntil([&] { return ShowsSystemIcon(question, IDI_QUESTION); }, 5000))
        << "the question has no question mark";
    EXPECT_EQ("Are you sure you want to delete the selected service ?",
              dialogs.AnswerBox(kQuestionCaption, IDYES));
    EXPECT_TRUE(WaitUntil([&] { return manager.RowCount() == 0; }, 10000));
    EXPECT_EQ("", OnDisk(0).displayName);
    EXPECT_FALSE(FileExists(LogPath(0)));
    EXPECT_EQ(0u, ChildWith(" --window 1"));
}

TEST_F(ServiceCommandTest, RenamingARunningServiceAndCommandsTheStatusRefuses)
{
    ASSERT_TRUE(manager.Start());
    CTestService before("Before-Rename", "Before Rename", 0);
    CTestService after("After-Rename", "After Rename", 0);
    before.Adopt();
    after.Adopt();
    CreateThroughNew("Before Rename", "--before", true, true);
    ASSERT_TRUE(before.WaitState(SERVICE_RUNNING, 20000));
    ASSERT_TRUE(WaitUntil([] { return ChildWith(" --before") != 0; }, 20000));
    DWORD first = ChildWith(" --before");
    ASSERT_TRUE(manager.SelectRow(0));
    ASSERT_TRUE(manager.WaitCell(0, 1, "Started", 8000));

    // Commands that the rule disables for a running service are dropped when they arrive.
    for (UINT refused : {command::kDelete, command::kInstall, command::kStart,
                         command::kUninstall}) {
        ::PostMessageA(manager.Frame(), WM_COMMAND, refused, 0);
        ASSERT_TRUE(manager.Flush());
    }
    EXPECT_TRUE(manager.WindowsOfClass("#32770").empty()) << "a command asked or reported";
    EXPECT_EQ(1, manager.RowCount());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), before.State());
    EXPECT_TRUE(IsProcessAlive(first));

    // Edit with a new name: stopped, removed under the old name, installed and started anew.
    HWND dialog = dialogs.OpenByCommand(command::kEdit, kNewEditCaption);
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ("Before Rename", Text(dialog, kName));
    SetText(dialog, kName, "After Rename");
    SetText(dialog, kParams, "--after");
    ASSERT_EQ("", dialogs.PressAndRead(dialog, IDOK));
    ASSERT_TRUE(after.WaitState(SERVICE_RUNNING, 40000));
    EXPECT_EQ(0u, before.State()) << "the old service is still known";
    EXPECT_FALSE(IsProcessAlive(first));
    EXPECT_TRUE(WaitUntil([] { return ChildWith(" --after") != 0; }, 20000));
    EXPECT_TRUE(manager.WaitCell(0, 0, "After Rename", 10000)) << manager.Cell(0, 0);
    EXPECT_TRUE(manager.WaitCell(0, 1, "Started", 10000)) << manager.Cell(0, 1);
    RecordFields record = OnDisk(0);
    EXPECT_EQ("After Rename", record.displayName);
    EXPECT_EQ("--after", record.appParams);
    EXPECT_EQ(1u, record.runRequested);
    std::vector<std::string> lines = LogMessages(0);
    // The manager's lines, without the host's ("Application ... by Halyard." and its details).
    std::vector<std::string> managerLines;
    for (const std::string& line : lines) {
        if (line.compare(0, 8, "Service ") == 0)
            managerLines.push_back(line);
    }
    EXPECT_THAT(managerLines,
                ElementsAre("Service created.", "Service installed.", "Service started.",
                            "Service stopped.", "Service uninstalled.", "Service installed.",
                            "Service started.", "Service changed."));
}

TEST_F(ServiceCommandTest, PictureOfServicesInEveryState)
{
    TableImage table;
    FillRecord(table[0], 0, "Web Proxy", BinPath("TestChild.exe"), workDir, "--proxy", 1);
    FillRecord(table[1], 1, "Nightly Backup", BinPath("TestChild.exe"), workDir, "", 1);
    FillRecord(table[2], 2, "Report Mailer", BinPath("TestChild.exe"), workDir, "", 0);
    table[0].SetRunRequested(1);
    manager.WriteTable(table);
    CTestService proxy("Web-Proxy", "Web Proxy", 0);
    CTestService backup("Nightly-Backup", "Nightly Backup", 1);
    ASSERT_TRUE(proxy.Install()) << proxy.LastError();
    ASSERT_TRUE(backup.Install()) << backup.LastError();
    ASSERT_TRUE(proxy.Start()) << proxy.LastError();
    ASSERT_TRUE(proxy.WaitState(SERVICE_RUNNING, 20000));

    ASSERT_TRUE(manager.Start());
    EXPECT_TRUE(manager.WaitCell(0, 1, "Started", 8000));
    EXPECT_TRUE(manager.WaitCell(1, 1, "Stopped", 8000));
    EXPECT_TRUE(manager.WaitCell(2, 1, "Ready", 8000));
    ASSERT_TRUE(manager.SelectRow(0));
    manager.PromptIdleUpdate();
    Picture(manager.Frame(), "manager_services_states.bmp");
}
