// The manager's progress and next-actions dialogs from its own resource script, driven by a
// watcher thread while the test's thread sits in the modal loop.

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
    DWORD openedAt = 0, filledAt = 0;
    CProgressDlg dialog;
    DWORD start = ::GetTickCount();
    INT_PTR result;
    {
        CWatcher watcher([&] {
            HWND box = WaitDialog("Installing");
            if (box == NULL)
                return;
            openedAt = ::GetTickCount();
            caption = TextOf(box);
            HWND bar = ::GetDlgItem(box, IDC_PROGRESS_BAR);
            PBRANGE range = {};
            SendTo(bar, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
            lowest = range.iLow;
            highest = range.iHigh;
            startPos = static_cast<int>(SendTo(bar, PBM_GETPOS));
            RECT area;
            ::GetClientRect(box, &area);
            client = Show(area);
            clientWanted = Show(DialogUnits(box, 0, 0, 148, 25));
            barRect = Show(RectIn(bar, box));
            barWanted = Show(DialogUnits(box, 7, 7, 134, 11));
            filled = WaitUntil([&] { return SendTo(bar, PBM_GETPOS) == 1; }, 3000);
            filledAt = ::GetTickCount();
        });
        result = dialog.DoModal();
    }
    DWORD elapsed = ::GetTickCount() - start;
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ("Installing...", caption);
    EXPECT_EQ(0, lowest);
    EXPECT_EQ(1, highest);
    EXPECT_EQ(0, startPos);
    EXPECT_EQ(clientWanted, client);
    EXPECT_EQ(barWanted, barRect);
    EXPECT_TRUE(filled);
    EXPECT_GE(filledAt - openedAt, 250u); // the first step comes after half a second
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
        CWatcher watcher([&] {
            HWND box = WaitDialog("Stopping...");
            if (box != NULL)
                caption = TextOf(box);
        });
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
            CWatcher watcher([&] {
                HWND box = WaitDialog("Stopping...");
                if (box == NULL)
                    return;
                postedAt = ::GetTickCount();
                ::PostMessageA(box, way.message, way.wParam, 0);
            });
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
