// The list view: its helpers over the real control, and the messages that reach the view.

#include "AppThread.h"
#include "TestResource.h"
#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <commctrl.h>

using ::testing::ElementsAre;

class ListViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Events().Clear();
        ASSERT_TRUE(app.Start());
        view = app.ViewHwnd();
        list = app.View()->GetListCtrl();
    }
    void TearDown() override { EXPECT_TRUE(app.Stop()); }

    std::string Cell(int item, int subItem)
    {
        char text[64];
        return list.GetItemText(item, subItem, text, sizeof(text)) >= 0 ? text : "<none>";
    }

    CAppThread app;
    HWND view = NULL;
    CListCtrl list;
};

TEST_F(ListViewTest, HelpersFillAndReadTheControl)
{
    EXPECT_EQ(view, list.GetSafeHwnd());
    EXPECT_EQ(0, list.InsertColumn(0, "Name", LVCFMT_LEFT, 300));
    EXPECT_EQ(1, list.InsertColumn(1, "Status", LVCFMT_LEFT, 70));
    EXPECT_EQ(300, SendTo(view, LVM_GETCOLUMNWIDTH, 0));
    EXPECT_EQ(70, SendTo(view, LVM_GETCOLUMNWIDTH, 1));

    EXPECT_EQ(0, list.InsertItem(0, "beta"));
    EXPECT_EQ(0, list.InsertItem(0, "alpha", 0)); // rows go where they are put
    EXPECT_EQ(2, list.InsertItem(5, "gamma"));    // or at the end
    EXPECT_TRUE(list.SetItemText(1, 1, "Started"));
    EXPECT_EQ(3, list.GetItemCount());
    EXPECT_EQ("alpha", Cell(0, 0));
    EXPECT_EQ("beta", Cell(1, 0));
    EXPECT_EQ("Started", Cell(1, 1));
    EXPECT_EQ("", Cell(2, 1));
    EXPECT_EQ("<none>", Cell(3, 0)); // no such row

    char small[4];
    list.GetItemText(1, 1, small, sizeof(small)); // cut to the buffer, terminated
    EXPECT_STREQ("Sta", small);

    EXPECT_EQ(0, list.GetSelectedCount());
    EXPECT_EQ(-1, list.GetNextItem(-1, LVNI_SELECTED));
    EXPECT_TRUE(list.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED));
    EXPECT_EQ(1, list.GetSelectedCount());
    EXPECT_EQ(2, list.GetNextItem(-1, LVNI_SELECTED));
    EXPECT_EQ(static_cast<UINT>(LVIS_SELECTED), list.GetItemState(2, LVIS_SELECTED));
    EXPECT_EQ(0u, list.GetItemState(0, LVIS_SELECTED));

    // Whole-row access, as a sort swaps rows.
    char text[32];
    LVITEMA row = {};
    row.mask = LVIF_TEXT | LVIF_STATE | LVIF_PARAM;
    row.iItem = 2;
    row.stateMask = LVIS_SELECTED;
    row.pszText = text;
    row.cchTextMax = sizeof(text);
    ASSERT_TRUE(list.GetItem(row));
    EXPECT_STREQ("gamma", text);
    EXPECT_EQ(static_cast<UINT>(LVIS_SELECTED), row.state);
    row.iItem = 0;
    ASSERT_TRUE(list.SetItem(row));
    EXPECT_EQ("gamma", Cell(0, 0));
    // A single-selection list: the selection moved with the copied state.
    EXPECT_EQ(1, list.GetSelectedCount());
    EXPECT_EQ(0, list.GetNextItem(-1, LVNI_SELECTED));

    list.SetExtendedStyle(LVS_EX_FULLROWSELECT);
    EXPECT_EQ(static_cast<DWORD>(LVS_EX_FULLROWSELECT), list.GetExtendedStyle());
    list.SetExtendedStyle(LVS_EX_GRIDLINES);
    EXPECT_EQ(static_cast<DWORD>(LVS_EX_GRIDLINES), list.GetExtendedStyle()); // replaced, not added

    HIMAGELIST images = ::ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 1, 1);
    EXPECT_EQ(nullptr, list.SetImageList(images, LVSIL_SMALL));
    EXPECT_EQ(images, reinterpret_cast<HIMAGELIST>(SendTo(view, LVM_GETIMAGELIST, LVSIL_SMALL)));
    EXPECT_EQ(images, list.SetImageList(nullptr, LVSIL_SMALL));
    ::ImageList_Destroy(images);

    EXPECT_TRUE(list.DeleteItem(0));
    EXPECT_EQ(2, list.GetItemCount());
    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(0, list.GetItemCount());
}

TEST_F(ListViewTest, HeaderClickReachesTheViewWithItsColumn)
{
    list.InsertColumn(0, "Name", LVCFMT_LEFT, 100);
    list.InsertColumn(1, "Status", LVCFMT_LEFT, 100);
    HWND header = reinterpret_cast<HWND>(SendTo(view, LVM_GETHEADER));
    ASSERT_NE(nullptr, header);
    RECT second = {};
    SendTo(header, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&second));
    LPARAM point = MAKELPARAM(second.left + 20, (second.top + second.bottom) / 2);
    // A click as the mouse makes it: the header tells the list, the list tells the frame, and
    // the frame hands the notification back to the view.
    SendTo(header, WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendTo(header, WM_LBUTTONUP, 0, point);
    EXPECT_TRUE(WaitUntil([] { return Events().Contains("column 1"); }, 10000));
}

TEST_F(ListViewTest, ContextMenuRequestsAndTimersReachTheView)
{
    SendTo(view, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(view), MAKELPARAM(120, 95));
    SendTo(view, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(view), MAKELPARAM(0xFFFF, 0xFFFF));
    EXPECT_TRUE(Events().Contains("context 120,95"));
    EXPECT_TRUE(Events().Contains("context -1,-1")); // from the keyboard

    SendTo(app.FrameHwnd(), WM_COMMAND, ID_TEST_TIMER, 0); // the view starts timer 77
    EXPECT_TRUE(WaitUntil([] { return Events().Contains("timer 77"); }, 10000));
}
