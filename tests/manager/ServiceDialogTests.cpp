// The manager's progress and next-actions dialogs from its own resource script. The timed progress
// dialog is watched through hooks on its own thread, so that a busy machine cannot make the test
// miss its one second; the next-actions dialog waits for its watcher thread.

#include "BoundedText.h"
#include "FurtherActions.h"
#include "ManagerUtil.h"
#include "ProgressDlg.h"
#include "TestSupport.h"
#include "WindowProbe.h"
#include "resource.h"

#include <gtest/gtest.h>
#include <commctrl.h>

#include <functional>
#include <thread>

CUtil util;

namespace {

// What a timed dialog may take beyond its promised time on a busy machine under Wine.
const DWORD kSlack = 3000;

class CWatcher {
public:
    explicit CWatcher(std::function<void()> steps) : thread_(std::move(steps)) {}
    ~CWatcher() { thread_.join(); }

private:
    std::thread thread_;
};

// Calls back on this thread when a dialog is activated (set up, about to show), when a progress
// bar is told to step and when a timer message is taken from the queue. Thread hooks have no user
// data: one instance at a time.
class CDialogHooks {
public:
    std::function<void(HWND dialog)> onActivate;
    std::function<void()> onStep;
    std::function<void(const MSG& timer)> onTimer;

    CDialogHooks()
    {
        current_ = this;
        cbt_ = ::SetWindowsHookExA(WH_CBT, OnCbt, NULL, ::GetCurrentThreadId());
        calls_ = ::SetWindowsHookExA(WH_CALLWNDPROC, OnCall, NULL, ::GetCurrentThreadId());
        queue_ = ::SetWindowsHookExA(WH_GETMESSAGE, OnQueue, NULL, ::GetCurrentThreadId());
    }
    ~CDialogHooks()
    {
        ::UnhookWindowsHookEx(cbt_);
        ::UnhookWindowsHookEx(calls_);
        ::UnhookWindowsHookEx(queue_);
        current_ = nullptr;
    }
    CDialogHooks(const CDialogHooks&) = delete;
    CDialogHooks& operator=(const CDialogHooks&) = delete;
    bool Installed() const { return cbt_ != NULL && calls_ != NULL && queue_ != NULL; }

private:
    static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam)
    {
        HWND window = reinterpret_cast<HWND>(wParam);
        char className[16] = "";
        if (code == HCBT_ACTIVATE && current_ && current_->onActivate &&
            ::GetClassNameA(window, className, sizeof(className)) &&
            std::string(className) == "#32770")
            current_->onActivate(window);
        return ::CallNextHookEx(NULL, code, wParam, lParam);
    }
    static LRESULT CALLBACK OnCall(int code, WPARAM wParam, LPARAM lParam)
    {
        const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && call->message == PBM_STEPIT && current_ && current_->onStep)
            current_->onStep();
        return ::CallNextHookEx(NULL, code, wParam, lParam);
    }

    static LRESULT CALLBACK OnQueue(int code, WPARAM wParam, LPARAM lParam)
    {
        const MSG* message = reinterpret_cast<const MSG*>(lParam);
        if (code == HC_ACTION && wParam == PM_REMOVE && message->message == WM_TIMER && current_ &&
            current_->onTimer)
            current_->onTimer(*message);
        return ::CallNextHookEx(NULL, code, wParam, lParam);
    }

    static CDialogHooks* current_;
    HHOOK cbt_ = NULL;
    HHOOK calls_ = NULL;
    HHOOK queue_ = NULL;
};
CDialogHooks* CDialogHooks::current_ = nullptr;

// A template's rectangle in pixels of the dialog's client area; the dialog manager converts
// the position and the size each on its own.
RECT DialogUnits(HWND dialog, int x, int y, int width, int height)
{
    RECT origin = {x, y, 0, 0};
    RECT size = {0, 0, width, height};
    ::MapDialogRect(dialog, &origin);
    ::MapDialogRect(dialog, &size);
    return RECT{origin.left, origin.top, origin.left + size.right, origin.top + size.bottom};
}

std::string Show(const RECT& rect)
{
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + " " +
           std::to_string(rect.right) + "," + std::to_string(rect.bottom);
}

class ProgressTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        MSG pending;
        ASSERT_FALSE(::PeekMessageA(&pending, NULL, WM_QUIT, WM_QUIT, PM_NOREMOVE))
            << "the utility object refused to start";
        util.progressHoldMs = 0;
    }
    void TearDown() override { util.progressHoldMs = 0; }
};

} // namespace

TEST_F(ProgressTest, ShowsTheTitleFillsTheBarAndClosesAfterAboutOneSecond)
{
    CopyText(util.progressTitle, "Installing...");
    std::string caption;
    int lowest = -1, highest = -1, startPos = -1;
    std::string client, clientWanted, barRect, barWanted;
    bool filled = false;
    HWND barWindow = NULL;
    DWORD openedAt = 0, filledAt = 0;
    CProgressDlg dialog;
    CDialogHooks hooks;
    ASSERT_TRUE(hooks.Installed());
    hooks.onActivate = [&](HWND box) {
        if (openedAt)
            return;
        openedAt = ::GetTickCount();
        caption = TextOf(box);
        HWND bar = ::GetDlgItem(box, IDC_PROGRESS_BAR);
        PBRANGE range = {};
        ::SendMessageA(bar, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
        lowest = range.iLow;
        highest = range.iHigh;
        startPos = static_cast<int>(::SendMessageA(bar, PBM_GETPOS, 0, 0));
        RECT area;
        ::GetClientRect(box, &area);
        client = Show(area);
        clientWanted = Show(DialogUnits(box, 0, 0, 148, 25));
        barRect = Show(RectIn(bar, box));
        barWanted = Show(DialogUnits(box, 7, 7, 134, 11));
        barWindow = bar;
    };
    hooks.onStep = [&] {
        if (!filledAt)
            filledAt = ::GetTickCount();
    };
    // The close timer (52) comes once the bar is full.
    hooks.onTimer = [&](const MSG& timer) {
        if (timer.wParam == 52 && barWindow != NULL)
            filled = ::SendMessageA(barWindow, PBM_GETPOS, 0, 0) == 1;
    };
    DWORD start = ::GetTickCount();
    INT_PTR result = dialog.DoModal();
    DWORD elapsed = ::GetTickCount() - start;
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ("Installing...", caption);
    EXPECT_EQ(0, lowest);
    EXPECT_EQ(1, highest);
    EXPECT_EQ(0, startPos);
    EXPECT_EQ(clientWanted, client);
    EXPECT_EQ(barWanted, barRect);
    EXPECT_TRUE(filled);
    EXPECT_NE(0u, filledAt);
    EXPECT_GE(filledAt - openedAt, 450u); // the step comes after half a second
    // Two half-second steps; the upper bound leaves Wine on a busy machine a few seconds.
    EXPECT_GE(elapsed, 950u);
    EXPECT_LE(elapsed, 1000u + kSlack);
}

TEST_F(ProgressTest, HoldKeepsItOpenForAboutSixSecondsThroughShowProgress)
{
    util.progressHoldMs = 5000;
    DWORD start = ::GetTickCount();
    std::string caption;
    {
        CDialogHooks hooks;
        ASSERT_TRUE(hooks.Installed());
        hooks.onActivate = [&](HWND box) { caption = TextOf(box); };
        util.ShowProgress("Stopping...");
    }
    DWORD elapsed = ::GetTickCount() - start;
    EXPECT_EQ("Stopping...", caption);
    EXPECT_STREQ("Stopping...", util.progressTitle);
    EXPECT_GE(elapsed, 5950u); // the two steps and the whole hold
    EXPECT_LE(elapsed, 6000u + kSlack);
}

TEST_F(ProgressTest, EscapeEnterAndTheCloseBoxEndItAtOnceWithoutTheHold)
{
    util.progressHoldMs = 5000;
    CopyText(util.progressTitle, "Stopping...");
    struct Way {
        UINT message;
        WPARAM wParam;
    };
    for (Way way : {Way{WM_COMMAND, IDCANCEL}, Way{WM_COMMAND, IDOK}, Way{WM_CLOSE, 0},
                    Way{WM_SYSCOMMAND, SC_CLOSE}}) {
        CProgressDlg dialog;
        DWORD postedAt = 0;
        DWORD start = ::GetTickCount();
        {
            // The user's key or click as soon as the dialog shows.
            CDialogHooks hooks;
            ASSERT_TRUE(hooks.Installed());
            hooks.onActivate = [&](HWND box) {
                if (postedAt)
                    return;
                postedAt = ::GetTickCount();
                ::PostMessageA(box, way.message, way.wParam, 0);
            };
            dialog.DoModal();
        }
        DWORD end = ::GetTickCount();
        ASSERT_NE(0u, postedAt) << way.message;
        // At once: well before the steps and the 5 s hold would have ended it.
        EXPECT_LE(end - postedAt, 2000u) << way.message << " " << way.wParam;
        EXPECT_LE(end - start, 4000u) << way.message << " " << way.wParam;
    }
}

namespace {

struct NextActionsRun {
    INT_PTR result = 0;
    int32_t installChosen = -1;
    int32_t startChosen = -1;
    bool installShown = false;
    bool startShown = false;
};

// Runs the dialog; the watcher clicks the listed boxes, then the button (or posts the message).
NextActionsRun RunNextActions(std::vector<int> clicks, UINT message, WPARAM wParam)
{
    NextActionsRun run;
    CFurtherActions dialog;
    {
        CWatcher watcher([&] {
            HWND box = WaitDialog("Next actions");
            if (box == NULL)
                return;
            run.installShown = SendTo(::GetDlgItem(box, IDC_INSTALL_SERVICE), BM_GETCHECK) == BST_CHECKED;
            run.startShown = SendTo(::GetDlgItem(box, IDC_START_SERVICE), BM_GETCHECK) == BST_CHECKED;
            for (int id : clicks)
                SendTo(::GetDlgItem(box, id), BM_CLICK);
            if (message == BM_CLICK)
                ::PostMessageA(::GetDlgItem(box, static_cast<int>(wParam)), BM_CLICK, 0, 0);
            else
                ::PostMessageA(box, message, wParam, 0);
        });
        run.result = dialog.DoModal();
    }
    run.installChosen = dialog.installChosen;
    run.startChosen = dialog.startChosen;
    return run;
}

} // namespace

TEST(NextActionsTest, OkReturnsTheStateOfBothBoxes)
{
    NextActionsRun both = RunNextActions({}, BM_CLICK, IDOK);
    EXPECT_EQ(IDOK, both.result);
    EXPECT_TRUE(both.installShown);
    EXPECT_TRUE(both.startShown);
    EXPECT_EQ(1, both.installChosen);
    EXPECT_EQ(1, both.startChosen);

    NextActionsRun none = RunNextActions({IDC_INSTALL_SERVICE, IDC_START_SERVICE}, BM_CLICK, IDOK);
    EXPECT_EQ(IDOK, none.result);
    EXPECT_EQ(0, none.installChosen);
    EXPECT_EQ(0, none.startChosen);

    NextActionsRun startOnly = RunNextActions({IDC_INSTALL_SERVICE}, BM_CLICK, IDOK);
    EXPECT_EQ(IDOK, startOnly.result);
    EXPECT_EQ(0, startOnly.installChosen);
    EXPECT_EQ(1, startOnly.startChosen);
}

TEST(NextActionsTest, CancelEscapeAndTheCloseBoxLeaveBothMembersAtOne)
{
    std::vector<int> both = {IDC_INSTALL_SERVICE, IDC_START_SERVICE};
    NextActionsRun button = RunNextActions(both, BM_CLICK, IDCANCEL);
    NextActionsRun escape = RunNextActions(both, WM_COMMAND, IDCANCEL);
    NextActionsRun closeBox = RunNextActions(both, WM_SYSCOMMAND, SC_CLOSE);
    for (const NextActionsRun& run : {button, escape, closeBox}) {
        EXPECT_EQ(IDCANCEL, run.result);
        EXPECT_EQ(1, run.installChosen);
        EXPECT_EQ(1, run.startChosen);
    }
}
