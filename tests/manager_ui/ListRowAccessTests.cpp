// The sort on a real single-selection list-view control: whole rows move, texts of all columns,
// image, item data and state, and the selection with them.

#include "CommonControls.h"
#include "ListCtrl.h"
#include "ListRowAccess.h"
#include "RowSort.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A hidden report-view list with three columns, as the service list has.
class ListRowAccessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureCommonControls();
        parent_ = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 300, NULL, NULL,
                                    ::GetModuleHandleA(NULL), NULL);
        ASSERT_NE(parent_, (HWND)NULL);
        HWND hwnd = ::CreateWindowExA(0, WC_LISTVIEWA, "",
                                      WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL, 0, 0,
                                      400, 300, parent_, NULL, ::GetModuleHandleA(NULL), NULL);
        ASSERT_NE(hwnd, (HWND)NULL);
        list.Attach(hwnd);
        list.InsertColumn(0, "Name", LVCFMT_LEFT, 300);
        list.InsertColumn(1, "Status", LVCFMT_LEFT, 70);
        list.InsertColumn(2, "SID", LVCFMT_LEFT, 40);
    }
    void TearDown() override
    {
        if (parent_ != NULL)
            ::DestroyWindow(parent_);
    }

    // A row with its name, status and SID; image and item data tell the rows apart as well.
    void AddRow(const char* name, const char* status, const char* sid, int image, LPARAM data)
    {
        int row = list.InsertItem(list.GetItemCount(), name, image);
        ASSERT_GE(row, 0);
        list.SetItemText(row, 1, status);
        list.SetItemText(row, 2, sid);
        LVITEMA item = {};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        item.lParam = data;
        ASSERT_TRUE(list.SetItem(item));
    }
    std::string Cell(int row, int column)
    {
        char text[kRowTextSize];
        EXPECT_GE(list.GetItemText(row, column, text, sizeof(text)), 0);
        return text;
    }
    LVITEMA Item(int row)
    {
        LVITEMA item = {};
        item.mask = LVIF_IMAGE | LVIF_PARAM | LVIF_STATE;
        item.iItem = row;
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        EXPECT_TRUE(list.GetItem(item));
        return item;
    }
    std::vector<std::string> Column(int column)
    {
        std::vector<std::string> texts;
        for (int row = 0; row < list.GetItemCount(); ++row)
            texts.push_back(Cell(row, column));
        return texts;
    }

    CListCtrl list;

private:
    HWND parent_ = NULL;
};

} // namespace

TEST_F(ListRowAccessTest, ASwapMovesEveryPartOfBothRows)
{
    AddRow("Alpha", "Ready", "04", 0, 0);
    AddRow("Bravo", "Started", "09", 1, 77);
    list.SetItemState(1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);

    CListRowAccess rows(list, 3);
    rows.SwapRows(0, 1);

    EXPECT_EQ("Bravo", Cell(0, 0));
    EXPECT_EQ("Started", Cell(0, 1));
    EXPECT_EQ("09", Cell(0, 2));
    EXPECT_EQ("Alpha", Cell(1, 0));
    EXPECT_EQ("Ready", Cell(1, 1));
    EXPECT_EQ("04", Cell(1, 2));
    LVITEMA first = Item(0);
    LVITEMA second = Item(1);
    EXPECT_EQ(1, first.iImage);
    EXPECT_EQ(77, first.lParam);
    EXPECT_EQ(static_cast<UINT>(LVIS_SELECTED | LVIS_FOCUSED), first.state);
    EXPECT_EQ(0, second.iImage);
    EXPECT_EQ(0, second.lParam);
    EXPECT_EQ(0u, second.state);
    EXPECT_EQ(1, list.GetSelectedCount());
}

TEST_F(ListRowAccessTest, SortingMovesTheSelectionWithItsRow)
{
    AddRow("Mike", "Ready", "00", 0, 0);
    AddRow("Alpha", "Stopped", "01", 0, 0);
    AddRow("Zulu", "Started", "02", 0, 0);
    AddRow("Kilo", "Unknown", "03", 0, 0);
    list.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED); // "Zulu"

    CListRowAccess rows(list, 3);
    SortRowsByColumn(rows, 0, false, 0, -1);
    EXPECT_EQ((std::vector<std::string>{"Zulu", "Mike", "Kilo", "Alpha"}), Column(0));
    EXPECT_EQ((std::vector<std::string>{"02", "00", "03", "01"}), Column(2));
    EXPECT_EQ(1, list.GetSelectedCount());
    EXPECT_EQ(0, list.GetNextItem(-1, LVNI_SELECTED));

    SortRowsByColumn(rows, 1, true, 0, -1);
    EXPECT_EQ((std::vector<std::string>{"Ready", "Started", "Stopped", "Unknown"}), Column(1));
    EXPECT_EQ((std::vector<std::string>{"Mike", "Zulu", "Alpha", "Kilo"}), Column(0));
    EXPECT_EQ(1, list.GetSelectedCount());
    EXPECT_EQ(1, list.GetNextItem(-1, LVNI_SELECTED));
}

TEST_F(ListRowAccessTest, UnreadableRowsAreReported)
{
    AddRow("Alpha", "Ready", "00", 0, 0);
    CListRowAccess rows(list, 3);
    char text[kRowTextSize];
    EXPECT_EQ(1, rows.RowCount());
    EXPECT_TRUE(rows.RowText(0, 2, text, sizeof(text)));
    EXPECT_STREQ("00", text);
    EXPECT_FALSE(rows.RowText(1, 0, text, sizeof(text)));
    EXPECT_FALSE(rows.RowText(-1, 0, text, sizeof(text)));
}
