// The test application as a separate program: the framework's WinMain, its exit codes, and the
// box that reports a document that could not be created.

#include "AppThread.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

HWND WaitTopWindow(const char* title, DWORD pid)
{
    HWND found = NULL;
    WaitUntil([&] {
        found = ::FindWindowA(NULL, title);
        DWORD owner = 0;
        if (found != NULL)
            ::GetWindowThreadProcessId(found, &owner);
        return found != NULL && owner == pid && ::IsWindowVisible(found);
    }, 10000);
    return found;
}

// Whether the process has a top-level window with this title (other tests' windows may share it).
bool HasTopWindow(const char* title, DWORD pid)
{
    for (HWND window = ::FindWindowExA(NULL, NULL, NULL, title); window != NULL;
         window = ::FindWindowExA(NULL, window, NULL, title)) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == pid)
            return true;
    }
    return false;
}

} // namespace

TEST(AppProcessTest, RunsUntilTheMainWindowClosesThenExitsWithZero)
{
    CTestProcess app;
    ASSERT_TRUE(app.Start(BinPath("FrameworkApp.exe"), "\"FrameworkApp.exe\""));
    HWND frame = WaitTopWindow("Ledger - Test Frame", app.Id());
    ASSERT_NE(nullptr, frame);
    RECT outer;
    ::GetWindowRect(frame, &outer);
    EXPECT_EQ(472, outer.right - outer.left);
    EXPECT_EQ(450, outer.bottom - outer.top);
    ::PostMessageA(frame, WM_CLOSE, 0, 0);
    ASSERT_TRUE(app.WaitExit(10000));
    EXPECT_EQ(0u, app.ExitCode());
}

TEST(AppProcessTest, FailedDocumentIsReportedAndTheProgramEnds)
{
    CTestProcess app;
    ASSERT_TRUE(app.Start(BinPath("FrameworkApp.exe"), "\"FrameworkApp.exe\" fail-view"));
    HWND box = WaitDialog("FrameworkApp", 10000);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ("Failed to create empty document.", MessageBoxText(box));
    EXPECT_FALSE(HasTopWindow("Ledger - Test Frame", app.Id()));
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(app.WaitExit(10000));
    EXPECT_EQ(0u, app.ExitCode());
}

TEST(AppProcessTest, InitialisationWithoutAWindowEndsWithZero)
{
    CTestProcess app;
    ASSERT_TRUE(app.Start(BinPath("FrameworkApp.exe"), "\"FrameworkApp.exe\" no-window"));
    ASSERT_TRUE(app.WaitExit(10000));
    EXPECT_EQ(0u, app.ExitCode());
}
