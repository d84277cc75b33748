// The frame, its bars and the command route, through the test application's real windows.

#include "AppThread.h"
#include "TestResource.h"
#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <commctrl.h>

using ::testing::ElementsAre;

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Events().Clear();
        Switches().guardedEnabled = true;
        Switches().checkedState = 0;
        ASSERT_TRUE(app.Start());
        frame = app.FrameHwnd();
        view = app.ViewHwnd();
        toolbar = app.Frame()->toolBar.GetSafeHwnd();
        statusbar = app.Frame()->statusBar.GetSafeHwnd();
        rebar = app.Frame()->reBar.GetSafeHwnd();
    }
    void TearDown() override { EXPECT_TRUE(app.Stop()); }

    void Command(UINT id) { SendTo(frame, WM_COMMAND, id, 0); }
    std::string StatusText()
    {
        char text[256] = "";
        SendTo(statusbar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
        return text;
    }
    bool WaitStatus(const std::string& text)
    {
        return WaitUntil([&] { return StatusText() == text; }, 10000);
    }
    // Opens the popup the way the menu loop does before showing it.
    HMENU InitPopup(int index)
    {
        HMENU popup = ::GetSubMenu(::GetMenu(frame), index);
        SendTo(frame, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), index);
        return popup;
    }
    // Lets the application's loop go idle once more.
    void Nudge() { ::PostMessageA(frame, WM_NULL, 0, 0); }

    CAppThread app;
    HWND frame = NULL;
    HWND view = NULL;
    HWND toolbar = NULL;
    HWND statusbar = NULL;
    HWND rebar = NULL;
};

TEST_F(FrameTest, NewDocumentGetsFrameTitleSizeViewAndLayout)
{
    EXPECT_EQ("Ledger - Test Frame", TextOf(frame));
    EXPECT_TRUE(::IsWindowVisible(frame));
    RECT outer;
    ::GetWindowRect(frame, &outer);
    EXPECT_EQ(472, outer.right - outer.left);
    EXPECT_EQ(450, outer.bottom - outer.top);
    EXPECT_EQ(2, ::GetMenuItemCount(::GetMenu(frame)));
    EXPECT_TRUE(Events().Contains("initial update of Ledger"));

    char className[64] = "";
    ::GetClassNameA(view, className, sizeof(className));
    EXPECT_STREQ("SysListView32", className);
    LONG style = ::GetWindowLongA(view, GWL_STYLE);
    EXPECT_EQ(LVS_REPORT, style & LVS_TYPEMASK);
    EXPECT_TRUE(style & LVS_SINGLESEL);
    EXPECT_EQ(IDW_PANE_FIRST, ::GetDlgCtrlID(view));

    // Rebar on top, status bar at the bottom, the view in between, all full width.
    RECT client;
    ::GetClientRect(frame, &client);
    RECT top = RectIn(rebar, frame);
    RECT middle = RectIn(view, frame);
    RECT bottom = RectIn(statusbar, frame);
    EXPECT_EQ(0, top.top);
    EXPECT_GT(top.bottom, 20);
    EXPECT_EQ(top.bottom, middle.top);
    EXPECT_EQ(middle.bottom, bottom.top);
    EXPECT_EQ(client.bottom, bottom.bottom);
    EXPECT_EQ(client.right, middle.right - middle.left);
    EXPECT_EQ(client.right, top.right - top.left);
}

TEST_F(FrameTest, CommandsGoToViewThenDocumentThenFrameThenApplication)
{
    Command(ID_TEST_ALL);
    Command(ID_TEST_DOC);
    Command(ID_TEST_FRAME);
    Command(ID_TEST_APP);
    Command(ID_TEST_NOBODY);
    EXPECT_THAT(Events().Events(),
                ElementsAre("initial update of Ledger", "view 40001", "doc 40002", "frame 40003",
                            "app 40004"));

    // A toolbar click and a command the view's context menu sends take the same route.
    Events().Clear();
    SendTo(frame, WM_COMMAND, MAKEWPARAM(ID_TEST_DOC, BN_CLICKED), reinterpret_cast<LPARAM>(toolbar));
    SendTo(view, WM_COMMAND, ID_TEST_FRAME, 0);
    SendTo(view, WM_COMMAND, ID_TEST_ALL, 0);
    EXPECT_THAT(Events().Events(), ElementsAre("doc 40002", "frame 40003", "view 40001"));
}

TEST_F(FrameTest, DisabledUpdateHandlerStopsTheCommand)
{
    Switches().guardedEnabled = false;
    Command(ID_TEST_GUARDED);
    SendTo(view, WM_COMMAND, ID_TEST_GUARDED, 0);
    SendTo(frame, WM_COMMAND, MAKEWPARAM(ID_TEST_GUARDED, BN_CLICKED),
           reinterpret_cast<LPARAM>(toolbar));
    EXPECT_FALSE(Events().Contains("view 40005"));

    Switches().guardedEnabled = true;
    Command(ID_TEST_GUARDED);
    EXPECT_TRUE(Events().Contains("view 40005"));
}

TEST_F(FrameTest, MenuItemsTakeEnableAndCheckFromUpdateHandlers)
{
    Switches().guardedEnabled = false;
    Switches().checkedState = 1;
    HMENU popup = InitPopup(1);
    EXPECT_TRUE(::GetMenuState(popup, ID_TEST_GUARDED, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(::GetMenuState(popup, ID_TEST_CHECKED, MF_BYCOMMAND) & MF_CHECKED);
    // No update handler: the item stays as the menu resource has it.
    EXPECT_EQ(0u, ::GetMenuState(popup, ID_TEST_ALL, MF_BYCOMMAND) & (MF_GRAYED | MF_CHECKED));

    Switches().guardedEnabled = true;
    Switches().checkedState = 0;
    InitPopup(1);
    EXPECT_FALSE(::GetMenuState(popup, ID_TEST_GUARDED, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_FALSE(::GetMenuState(popup, ID_TEST_CHECKED, MF_BYCOMMAND) & MF_CHECKED);
}

TEST_F(FrameTest, StatusBarShowsReadyWhenIdleAndThePromptOfTheSelectedItem)
{
    ASSERT_TRUE(WaitStatus("Ready"));
    HMENU popup = ::GetSubMenu(::GetMenu(frame), 1);
    SendTo(frame, WM_MENUSELECT, MAKEWPARAM(ID_TEST_DOC, MF_HILITE), reinterpret_cast<LPARAM>(popup));
    EXPECT_EQ("Prompt document", StatusText());
    SendTo(frame, WM_MENUSELECT, MAKEWPARAM(ID_TEST_FRAME, MF_HILITE), reinterpret_cast<LPARAM>(popup));
    EXPECT_EQ("Prompt frame", StatusText()); // a string without tooltip part
    SendTo(frame, WM_MENUSELECT, MAKEWPARAM(ID_TEST_APP, MF_HILITE), reinterpret_cast<LPARAM>(popup));
    EXPECT_EQ("", StatusText()); // no string at all
    SendTo(frame, WM_MENUSELECT, MAKEWPARAM(0, MF_POPUP | MF_HILITE), reinterpret_cast<LPARAM>(popup));
    EXPECT_EQ("", StatusText()); // a popup's own title has no prompt
    SendTo(frame, WM_MENUSELECT, MAKEWPARAM(ID_TEST_ALL, MF_HILITE), reinterpret_cast<LPARAM>(popup));
    EXPECT_EQ("Prompt all", StatusText());
    SendTo(frame, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0); // the menu closed
    EXPECT_EQ("Ready", StatusText());
}

TEST_F(FrameTest, RealMenuLoopUpdatesItemsAndShowsPrompts)
{
    Switches().guardedEnabled = false;
    ASSERT_TRUE(WaitStatus("Ready"));
    // Alt+T through the system's keyboard-menu command opens the "&Test" popup.
    ::PostMessageA(frame, WM_SYSCOMMAND, SC_KEYMENU, 't');
    HWND menuWindow = NULL;
    ASSERT_TRUE(WaitUntil([&] {
        menuWindow = ::FindWindowA("#32768", NULL);
        return menuWindow != NULL && ::IsWindowVisible(menuWindow);
    }, 10000));
    EXPECT_TRUE(WaitStatus("Prompt all")); // the first item is selected as the popup opens
    HMENU popup = ::GetSubMenu(::GetMenu(frame), 1);
    EXPECT_TRUE(::GetMenuState(popup, ID_TEST_GUARDED, MF_BYCOMMAND) & MF_GRAYED);
    ::PostMessageA(frame, WM_CANCELMODE, 0, 0);
    EXPECT_TRUE(WaitStatus("Ready"));
}

TEST_F(FrameTest, ToolbarComesFromTheLayoutResourceInARebarBand)
{
    EXPECT_EQ(rebar, ::GetParent(toolbar));
    EXPECT_EQ(IDW_TOOLBAR, ::GetDlgCtrlID(toolbar));
    EXPECT_EQ(IDW_STATUS_BAR, ::GetDlgCtrlID(statusbar));
    EXPECT_EQ(IDW_REBAR, ::GetDlgCtrlID(rebar));
    LONG style = ::GetWindowLongA(toolbar, GWL_STYLE);
    EXPECT_TRUE(style & TBSTYLE_FLAT);
    EXPECT_TRUE(style & TBSTYLE_TOOLTIPS);

    ASSERT_EQ(4, SendTo(toolbar, TB_BUTTONCOUNT));
    std::vector<int> ids;
    std::vector<int> imageIndexes;
    for (int i = 0; i < 4; ++i) {
        TBBUTTON button = {};
        SendTo(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        ids.push_back(button.idCommand);
        imageIndexes.push_back((button.fsStyle & BTNS_SEP) ? -1 : button.iBitmap);
    }
    EXPECT_THAT(ids, ElementsAre(ID_TEST_ALL, ID_TEST_DOC, 0, ID_TEST_GUARDED));
    EXPECT_THAT(imageIndexes, ElementsAre(0, 1, -1, 2));
    // Images as wide and high as the layout says, one per button.
    HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendTo(toolbar, TB_GETIMAGELIST));
    int width = 0;
    int height = 0;
    ASSERT_TRUE(::ImageList_GetIconSize(images, &width, &height));
    EXPECT_EQ(16, width);
    EXPECT_EQ(15, height);
    EXPECT_EQ(3, ::ImageList_GetImageCount(images));
    LRESULT buttonSize = SendTo(toolbar, TB_GETBUTTONSIZE);
    EXPECT_EQ(16 + 7, LOWORD(buttonSize));
    EXPECT_EQ(15 + 7, HIWORD(buttonSize));

    ASSERT_EQ(1, SendTo(rebar, RB_GETBANDCOUNT));
    REBARBANDINFOA band = {};
    band.cbSize = sizeof(band);
    band.fMask = RBBIM_STYLE | RBBIM_CHILD;
    SendTo(rebar, RB_GETBANDINFOA, 0, reinterpret_cast<LPARAM>(&band));
    EXPECT_EQ(toolbar, band.hwndChild);
    EXPECT_TRUE(band.fStyle & RBBS_GRIPPERALWAYS);
    EXPECT_TRUE(band.fStyle & RBBS_FIXEDBMP);
}

TEST_F(FrameTest, ToolbarTooltipsAreTheTextAfterTheNewline)
{
    // The toolbar's tooltip control asks the toolbar, which asks the frame.
    HWND tips = reinterpret_cast<HWND>(SendTo(toolbar, TB_GETTOOLTIPS));
    ASSERT_NE(nullptr, tips);
    auto tipOf = [&](UINT id) {
        char buffer[80] = "";
        TOOLINFOA tool = {};
        tool.cbSize = sizeof(tool);
        tool.hwnd = toolbar;
        tool.uId = id;
        tool.lpszText = buffer;
        SendTo(tips, TTM_GETTEXTA, sizeof(buffer), reinterpret_cast<LPARAM>(&tool));
        return std::string(buffer);
    };
    EXPECT_EQ("Tip all", tipOf(ID_TEST_ALL));
    EXPECT_EQ("Tip guarded", tipOf(ID_TEST_GUARDED));

    // The wide form of the request; a string without a tooltip part gives an empty tip.
    NMTTDISPINFOW wide = {};
    wide.hdr.idFrom = ID_TEST_DOC;
    wide.hdr.code = TTN_GETDISPINFOW;
    SendTo(frame, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&wide));
    ASSERT_NE(nullptr, wide.lpszText);
    EXPECT_STREQ(L"Tip document", wide.lpszText);
    wide.hdr.idFrom = ID_TEST_FRAME;
    SendTo(frame, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&wide));
    EXPECT_STREQ(L"", wide.lpszText);
}

TEST_F(FrameTest, ToolbarButtonsFollowUpdateHandlersAtIdleTime)
{
    ASSERT_TRUE(SendTo(toolbar, TB_ISBUTTONENABLED, ID_TEST_GUARDED));
    Switches().guardedEnabled = false;
    Nudge();
    EXPECT_TRUE(WaitUntil([&] { return !SendTo(toolbar, TB_ISBUTTONENABLED, ID_TEST_GUARDED); }, 10000));
    EXPECT_TRUE(SendTo(toolbar, TB_ISBUTTONENABLED, ID_TEST_ALL));
    Switches().guardedEnabled = true;
    Nudge();
    EXPECT_TRUE(WaitUntil([&] { return SendTo(toolbar, TB_ISBUTTONENABLED, ID_TEST_GUARDED) != 0; }, 10000));
}

TEST_F(FrameTest, HotToolbarButtonShowsItsPromptUntilThePointerLeaves)
{
    ASSERT_TRUE(WaitStatus("Ready"));
    SendTo(toolbar, TB_SETHOTITEM, 1);
    EXPECT_EQ("Prompt document", StatusText());
    SendTo(toolbar, TB_SETHOTITEM, static_cast<WPARAM>(-1));
    EXPECT_EQ("Ready", StatusText());
}

TEST_F(FrameTest, ToggleCommandsHideAndShowBarsWithCheckMarks)
{
    HMENU popup = InitPopup(0);
    EXPECT_TRUE(::GetMenuState(popup, ID_VIEW_TOOLBAR, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(::GetMenuState(popup, ID_VIEW_STATUS_BAR, MF_BYCOMMAND) & MF_CHECKED);

    Command(ID_VIEW_TOOLBAR);
    EXPECT_FALSE(::IsWindowVisible(toolbar));
    EXPECT_FALSE(::IsWindowVisible(rebar));
    EXPECT_EQ(0, RectIn(view, frame).top);
    InitPopup(0);
    EXPECT_FALSE(::GetMenuState(popup, ID_VIEW_TOOLBAR, MF_BYCOMMAND) & MF_CHECKED);

    Command(ID_VIEW_STATUS_BAR);
    EXPECT_FALSE(::IsWindowVisible(statusbar));
    RECT client;
    ::GetClientRect(frame, &client);
    EXPECT_EQ(client.bottom, RectIn(view, frame).bottom);
    InitPopup(0);
    EXPECT_FALSE(::GetMenuState(popup, ID_VIEW_STATUS_BAR, MF_BYCOMMAND) & MF_CHECKED);

    Command(ID_VIEW_TOOLBAR);
    Command(ID_VIEW_STATUS_BAR);
    EXPECT_TRUE(::IsWindowVisible(toolbar));
    EXPECT_TRUE(::IsWindowVisible(rebar));
    EXPECT_TRUE(::IsWindowVisible(statusbar));
    EXPECT_EQ(RectIn(rebar, frame).bottom, RectIn(view, frame).top);
    EXPECT_EQ(RectIn(statusbar, frame).top, RectIn(view, frame).bottom);
    InitPopup(0);
    EXPECT_TRUE(::GetMenuState(popup, ID_VIEW_TOOLBAR, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(::GetMenuState(popup, ID_VIEW_STATUS_BAR, MF_BYCOMMAND) & MF_CHECKED);
}

TEST_F(FrameTest, ExitCommandReachesTheApplicationWhichClosesEverything)
{
    ::PostMessageA(frame, WM_COMMAND, ID_APP_EXIT, 0);
    ASSERT_TRUE(app.WaitEnd(10000));
    EXPECT_EQ(0, app.ExitCode());
    EXPECT_FALSE(::IsWindow(frame));
    EXPECT_THAT(Events().Events(), ElementsAre("initial update of Ledger", "view deleted",
                                               "frame deleted", "doc deleted"));
}

TEST_F(FrameTest, CloseBoxClosesTheDocumentAndEndsTheLoop)
{
    ::PostMessageA(frame, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(app.WaitEnd(10000));
    EXPECT_EQ(0, app.ExitCode());
    EXPECT_FALSE(::IsWindow(view));
    EXPECT_TRUE(Events().Contains("doc deleted"));
}
