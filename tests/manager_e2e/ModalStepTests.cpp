// The manager while a command waits in one of its modal steps (the New/Edit dialog, Next
// actions, a progress dialog, a message box, a Yes/No question, the log viewer): every way of
// closing it arrives then, as Task Manager, the taskbar, a script or the end of the session
// sends it. The step carries on when answered, the command ends with its result on disk, and
// only then does the manager end, with exit code 0. And the boxes shown over a dialog belong
// to that dialog.

#include "DialogDriver.h"
#include "ManagerChecks.h"
#include "ManagerHarness.h"
#include "Screenshot.h"
#include "TestService.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace control;

enum class CloseKind { Close, SystemClose, Exit, SessionEnd };

const char* NameOf(CloseKind kind)
{
    switch (kind) {
    case CloseKind::Close: return "WM_CLOSE";
    case CloseKind::SystemClose: return "SC_CLOSE";
    case CloseKind::Exit: return "Exit";
    case CloseKind::SessionEnd: return "EndSession";
    }
    return "?";
}

const char kLogCaption[] = "Log";
const char kServiceName[] = "Close Probe";
const char kSystemName[] = "Close-Probe";

class ModalStepTest : public ::testing::TestWithParam<CloseKind> {
protected:
    // The manager with one record in slot 0 (not installed unless a test installs it), or
    // with an empty table.
    void StartManager(bool withRecord, uint32_t runRequested = 0)
    {
        TableImage table;
        if (withRecord) {
            FillRecord(table[0], 0, kServiceName, BinPath("TestChild.exe"), workDir, "--close", 0);
            table[0].SetRunRequested(runRequested);
        }
        manager.WriteTable(table);
        ASSERT_TRUE(manager.Start());
    }

    // Closes the manager the way the test's parameter says, while a step is open. A close
    // posted to the disabled main window is dispatched by the step's modal loop; the end of
    // the session is sent, as the system sends it, and must be allowed.
    void CloseNow()
    {
        HWND frame = manager.Frame();
        switch (GetParam()) {
        case CloseKind::Close: ::PostMessageA(frame, WM_CLOSE, 0, 0); break;
        case CloseKind::SystemClose: ::PostMessageA(frame, WM_SYSCOMMAND, SC_CLOSE, 0); break;
        case CloseKind::Exit: ::PostMessageA(frame, WM_COMMAND, command::kExit, 0); break;
        case CloseKind::SessionEnd: {
            DWORD_PTR answer = 0;
            ASSERT_TRUE(::SendMessageTimeoutA(frame, WM_QUERYENDSESSION, 0, 0, SMTO_BLOCK, 20000,
                                              &answer));
            EXPECT_EQ(TRUE, static_cast<BOOL>(answer)) << "the manager refused the session's end";
            ASSERT_TRUE(::SendMessageTimeoutA(frame, WM_ENDSESSION, TRUE, 0, SMTO_BLOCK, 20000,
                                              NULL));
            break;
        }
        }
    }

    // After CloseNow: once the manager has handled it, the step is still on the screen.
    void ExpectStillOpen(HWND step)
    {
        ASSERT_TRUE(manager.Flush()) << "the manager did not take its messages";
        EXPECT_TRUE(::IsWindow(step) && ::IsWindowVisible(step))
            << "the step closed with the manager (" << NameOf(GetParam()) << ")";
        EXPECT_FALSE(manager.Process().WaitExit(0)) << "the manager ended in the middle of a command";
    }

    // The manager ends by itself once the command has ended, and cleanly.
    void ExpectEndsCleanly()
    {
        ASSERT_TRUE(manager.Process().WaitExit(20000))
            << "the manager did not carry out the close after the command";
        EXPECT_EQ(0u, manager.Process().ExitCode());
    }

    // New, the dialog filled with the record's values, Apply; returns the Next actions dialog.
    HWND FillNewAndApply(HWND dialog)
    {
        SetText(dialog, kName, kServiceName);
        SetText(dialog, kPath, BinPath("TestChild.exe"));
        SetText(dialog, kWorkDir, workDir);
        EXPECT_EQ("", dialogs.PressAndRead(dialog, IDOK));
        HWND next = dialogs.WaitTopLevel(kNextActionsCaption);
        EXPECT_NE(nullptr, next) << "no Next actions dialog";
        return next;
    }
    void DeclineNextActions(HWND next)
    {
        Click(next, IDCANCEL);
        EXPECT_TRUE(WaitGone(next));
    }

    RecordFields OnDisk(int slot)
    {
        TableImage image;
        EXPECT_TRUE(ReadTable(manager.DataDir() + "\\Properties.dat", image));
        return image.Fields(slot);
    }
    std::string LogPath() const { return manager.DataDir() + "\\00.log"; }
    // How many lines of slot 0's log end with the message.
    int LogLinesWith(const std::string& message) const
    {
        std::string bytes = ReadFileBytes(LogPath());
        int count = 0;
        std::string ending = "**" + message + "\r\n";
        for (size_t at = bytes.find(ending); at != std::string::npos;
             at = bytes.find(ending, at + 1))
            ++count;
        return count;
    }
    void ExpectNewRecordOnDisk()
    {
        RecordFields record = OnDisk(0);
        EXPECT_EQ(kServiceName, record.displayName);
        EXPECT_EQ("00", record.slotId);
        EXPECT_EQ(1, LogLinesWith("Service created."));
    }

    std::string workDir = MakeScratchDir("close work");
    CManagerHarness manager;
    CDialogDriver dialogs{manager};
};

} // namespace

TEST_P(ModalStepTest, NewDialog)
{
    StartManager(false);
    HWND dialog = dialogs.OpenByCommand(command::kNew, kNewEditCaption);
    ASSERT_NE(nullptr, dialog);
    CloseNow();
    ExpectStillOpen(dialog);
    HWND next = FillNewAndApply(dialog);
    ASSERT_NE(nullptr, next);
    DeclineNextActions(next);
    ExpectEndsCleanly();
    ExpectNewRecordOnDisk();
}

TEST_P(ModalStepTest, NextActions)
{
    StartManager(false);
    HWND dialog = dialogs.OpenByCommand(command::kNew, kNewEditCaption);
    ASSERT_NE(nullptr, dialog);
    HWND next = FillNewAndApply(dialog);
    ASSERT_NE(nullptr, next);
    CloseNow();
    ExpectStillOpen(next);
    DeclineNextActions(next);
    ExpectEndsCleanly();
    ExpectNewRecordOnDisk();
}

TEST_P(ModalStepTest, MessageBoxOverTheDialog)
{
    StartManager(false);
    HWND dialog = dialogs.OpenByCommand(command::kNew, kNewEditCaption);
    ASSERT_NE(nullptr, dialog);
    Click(dialog, IDOK); // nothing entered
    HWND box = dialogs.WaitTopLevel("Ravelin");
    ASSERT_NE(nullptr, box) << "no message for the empty name";
    CloseNow();
    ExpectStillOpen(box);
    EXPECT_EQ("Please enter the service name.", dialogs.AnswerBox("Ravelin", IDOK));
    HWND next = FillNewAndApply(dialog);
    ASSERT_NE(nullptr, next);
    DeclineNextActions(next);
    ExpectEndsCleanly();
    ExpectNewRecordOnDisk();
}

TEST_P(ModalStepTest, DeleteQuestion)
{
    StartManager(true);
    WriteFileBytes(LogPath(), "2026/12/08 [10:00:00]*EVENT**Service created.\r\n");
    ASSERT_TRUE(manager.SelectRow(0));
    ::PostMessageA(manager.Frame(), WM_COMMAND, command::kDelete, 0);
    HWND question = dialogs.WaitTopLevel(kQuestionCaption);
    ASSERT_NE(nullptr, question) << "no question";
    CloseNow();
    ExpectStillOpen(question);
    EXPECT_EQ("Are you sure you want to delete the selected service ?",
              dialogs.AnswerBox(kQuestionCaption, IDYES));
    ExpectEndsCleanly();
    EXPECT_EQ("", OnDisk(0).displayName) << "the record was not deleted";
    EXPECT_FALSE(FileExists(LogPath())) << "the log was not deleted";
}

TEST_P(ModalStepTest, LogViewer)
{
    StartManager(true);
    WriteFileBytes(LogPath(), "2026/12/08 [10:00:00]*EVENT**Service created.\r\n");
    ASSERT_TRUE(manager.SelectRow(0));
    HWND viewer = dialogs.OpenByCommand(command::kLog, kLogCaption);
    ASSERT_NE(nullptr, viewer);
    CloseNow();
    ExpectStillOpen(viewer);
    // Clear, and Yes to its question: the log goes and the viewer closes.
    Click(viewer, 1021);
    EXPECT_EQ("Are you sure you want to delete the log for this service ?",
              dialogs.AnswerBox(kQuestionCaption, IDYES));
    EXPECT_TRUE(WaitGone(viewer));
    ExpectEndsCleanly();
    EXPECT_FALSE(FileExists(LogPath())) << "the log was not deleted";
    EXPECT_EQ(kServiceName, OnDisk(0).displayName);
}

TEST_P(ModalStepTest, InstallProgress)
{
    CTestService service(kSystemName, kServiceName, 0);
    service.Adopt();
    StartManager(true);
    ASSERT_TRUE(manager.SelectRow(0));
    DWORD posted = ::GetTickCount();
    ::PostMessageA(manager.Frame(), WM_COMMAND, command::kInstall, 0);
    HWND progress = dialogs.WaitTopLevel("Installing...");
    ASSERT_NE(nullptr, progress) << "no progress after the install";
    CloseNow();
    // The progress is not cut short by the close: it closes by itself after its two
    // half-second steps.
    ASSERT_TRUE(WaitGone(progress));
    EXPECT_GE(::GetTickCount() - posted, 950u) << "the close ended the progress";
    ExpectEndsCleanly();
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), service.State()) << "not installed";
    EXPECT_EQ(1, LogLinesWith("Service installed."));
}

TEST_P(ModalStepTest, StopInItsHold)
{
    CTestService service(kSystemName, kServiceName, 0);
    ASSERT_TRUE(service.Install()) << service.LastError();
    StartManager(true, 1);
    ASSERT_TRUE(service.Start()) << service.LastError();
    ASSERT_TRUE(service.WaitState(SERVICE_RUNNING, 20000));
    ASSERT_TRUE(manager.WaitCell(0, 1, "Started", 10000)) << manager.Cell(0, 1);
    ASSERT_TRUE(manager.SelectRow(0));
    DWORD posted = ::GetTickCount();
    ::PostMessageA(manager.Frame(), WM_COMMAND, command::kStop, 0);
    ASSERT_NE(nullptr, dialogs.WaitTopLevel("Stopping...")) << "no progress for the stop";
    CloseNow();
    // The handshake completes: the stop control once, after the hold (at the end of the
    // session at least one poll of the host), its log line, runRequested 0 on disk.
    ASSERT_TRUE(service.WaitState(SERVICE_STOPPED, 20000)) << "the service was not stopped";
    DWORD held = ::GetTickCount() - posted;
    std::printf("[ measured ] stopped %lu ms after the Stop command (%s)\n", held,
                NameOf(GetParam()));
    EXPECT_GE(held, GetParam() == CloseKind::SessionEnd ? 2400u : 5900u)
        << "the close cut the hold short";
    ExpectEndsCleanly();
    EXPECT_EQ(1, LogLinesWith("Service stopped."));
    EXPECT_EQ(0, LogLinesWith("Service stop failed."));
    EXPECT_EQ(0u, OnDisk(0).runRequested);
}

INSTANTIATE_TEST_SUITE_P(EveryClose, ModalStepTest,
                         ::testing::Values(CloseKind::Close, CloseKind::SystemClose,
                                           CloseKind::Exit, CloseKind::SessionEnd),
                         [](const ::testing::TestParamInfo<CloseKind>& info) {
                             return std::string(NameOf(info.param));
                         });

// Without a command running, the end of the session ends the manager at once.
TEST(ManagerSessionEnd, EndsTheIdleManager)
{
    CManagerHarness manager;
    manager.WriteTable(TableImage());
    ASSERT_TRUE(manager.Start());
    DWORD_PTR answer = 0;
    ASSERT_TRUE(::SendMessageTimeoutA(manager.Frame(), WM_QUERYENDSESSION, 0, 0, SMTO_BLOCK, 10000,
                                      &answer));
    EXPECT_EQ(TRUE, static_cast<BOOL>(answer));
    ::SendMessageTimeoutA(manager.Frame(), WM_ENDSESSION, TRUE, 0, SMTO_BLOCK, 10000, NULL);
    ASSERT_TRUE(manager.Process().WaitExit(10000));
    EXPECT_EQ(0u, manager.Process().ExitCode());
}

// A validation message of the New/Edit dialog is modal to the dialog: the dialog cannot be
// used, Apply included, until the message is answered.
TEST(ManagerBoxOwner, ValidationMessageBelongsToTheDialog)
{
    CManagerHarness manager;
    CDialogDriver dialogs(manager);
    manager.WriteTable(TableImage());
    ASSERT_TRUE(manager.Start());
    HWND dialog = dialogs.OpenByCommand(command::kNew, kNewEditCaption);
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(::IsWindowEnabled(dialog));
    Click(dialog, IDOK);
    HWND box = dialogs.WaitTopLevel("Ravelin");
    ASSERT_NE(nullptr, box) << "no message for the empty name";
    EXPECT_EQ(dialog, ::GetWindow(box, GW_OWNER));
    EXPECT_FALSE(::IsWindowEnabled(dialog)) << "the dialog stays usable behind its message";
    EXPECT_FALSE(::IsWindowEnabled(manager.Frame()));

    // What the user sees: the message in front of the dialog, which waits for it.
    std::string picture = ScreenshotDir() + "\\message_over_dialog.bmp";
    ::DeleteFileA(picture.c_str());
    ASSERT_TRUE(manager.Flush());
    RECT frameRect, boxRect, both;
    ::GetWindowRect(manager.Frame(), &frameRect);
    ::GetWindowRect(box, &boxRect);
    ::UnionRect(&both, &frameRect, &boxRect);
    EXPECT_TRUE(SaveScreenShot(both, picture));
    std::printf("[ picture  ] %s\n", picture.c_str());

    EXPECT_EQ("Please enter the service name.", dialogs.AnswerBox("Ravelin", IDOK));
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(dialog) != FALSE; }, 5000))
        << "the dialog stayed disabled after the message";
    EXPECT_FALSE(::IsWindowEnabled(manager.Frame())) << "the dialog is still open";
    Click(dialog, IDCANCEL);
    EXPECT_TRUE(WaitGone(dialog));
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(manager.Frame()) != FALSE; }, 5000));
}

// One command at a time: a command that another program posts while a command waits in its
// dialog (a user cannot reach the disabled window) does not run inside it; it runs once the
// first one has ended.
TEST(ManagerOneCommand, ACommandPostedWhileAnotherWaitsRunsAfterIt)
{
    CManagerHarness manager;
    CDialogDriver dialogs(manager);
    TableImage table;
    FillRecord(table[0], 0, kServiceName, BinPath("TestChild.exe"), "C:\\", "", 0);
    manager.WriteTable(table);
    ASSERT_TRUE(manager.Start());
    ASSERT_TRUE(manager.SelectRow(0));
    HWND dialog = dialogs.OpenByCommand(command::kNew, kNewEditCaption);
    ASSERT_NE(nullptr, dialog);
    ::PostMessageA(manager.Frame(), WM_COMMAND, command::kLog, 0);
    ASSERT_TRUE(manager.Flush());
    EXPECT_EQ(NULL, FindWindowOf(manager.Process().Id(), kLogCaption))
        << "the second command ran inside the first";
    Click(dialog, IDCANCEL);
    ASSERT_TRUE(WaitGone(dialog));

    HWND viewer = dialogs.WaitTopLevel(kLogCaption);
    ASSERT_NE(nullptr, viewer) << "the second command was lost";
    Click(viewer, IDCANCEL);
    EXPECT_TRUE(WaitGone(viewer));
    EXPECT_EQ(kServiceName, manager.Cell(0, 0));
}
