// The service list of the running manager: sorting by a header click, the context menu, and a
// picture of the window with services in their states.

#include "ManagerChecks.h"
#include "ManagerHarness.h"
#include "Screenshot.h"
#include "TestService.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <set>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

void PutRecord(TableImage& table, int slot, const char* name)
{
    FillRecord(table[slot], slot, name, BinPath("TestChild.exe"), "C:\\", "", 0);
}

// The manager's open popup menu window, waited for.
HWND WaitPopupMenu(CManagerHarness& manager, DWORD timeoutMs)
{
    HWND popup = NULL;
    WaitUntil(
        [&] {
            std::vector<HWND> menus = manager.WindowsOfClass("#32768");
            popup = menus.empty() ? NULL : menus.front();
            return popup != NULL;
        },
        timeoutMs);
    return popup;
}

// Closes whatever menu is open and waits until none shows.
void CloseMenus(CManagerHarness& manager)
{
    manager.Menus().CloseMenus();
    EXPECT_TRUE(WaitUntil([&] { return manager.WindowsOfClass("#32768").empty(); }, 8000))
        << "the context menu stayed open";
}

std::vector<std::string> Texts(const std::vector<MenuItemState>& items)
{
    std::vector<std::string> texts;
    for (const MenuItemState& item : items)
        texts.push_back(item.IsSeparator() ? "-" : item.text);
    return texts;
}

// The enabled items of a menu, by text.
std::vector<std::string> EnabledTexts(const std::vector<MenuItemState>& items)
{
    std::vector<std::string> texts;
    for (const MenuItemState& item : items)
        if (!item.IsSeparator() && item.IsEnabled())
            texts.push_back(item.text);
    return texts;
}

// Opens the context menu at the centre of the list, reads it and closes it again.
std::vector<MenuItemState> ContextMenuAtCentre(CManagerHarness& manager, POINT* corner)
{
    RECT client;
    ::GetClientRect(manager.List(), &client);
    POINT centre = {(client.left + client.right) / 2, (client.top + client.bottom) / 2};
    ::ClientToScreen(manager.List(), &centre);
    ::PostMessageA(manager.List(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(manager.List()),
                   MAKELPARAM(centre.x, centre.y));
    HWND popup = WaitPopupMenu(manager, 10000);
    std::vector<MenuItemState> items;
    if (popup == NULL) {
        ADD_FAILURE() << "no context menu opened";
        return items;
    }
    RECT rect;
    ::GetWindowRect(popup, &rect);
    corner->x = rect.left - centre.x;
    corner->y = rect.top - centre.y;
    DWORD_PTR menu = 0;
    ::SendMessageTimeoutA(popup, MN_GETHMENU, 0, 0, SMTO_NORMAL, 5000, &menu);
    items = manager.Menus().ReadPopup(reinterpret_cast<HMENU>(menu));
    EXPECT_FALSE(items.empty()) << "context menu unreadable: " << manager.Menus().Error();
    CloseMenus(manager);
    return items;
}

// True when a bitmap file holds more than a few colours (a picture, not a blank grab).
size_t ColoursInBitmap(const std::string& path)
{
    std::string bytes = ReadFileBytes(path);
    if (bytes.size() < 54)
        return 0;
    std::set<uint32_t> colours;
    for (size_t i = 54; i + 3 <= bytes.size() && colours.size() < 64; i += 3)
        colours.insert(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8 |
                       static_cast<uint8_t>(bytes[i + 2]) << 16);
    return colours.size();
}

} // namespace

TEST(ManagerListTest, HeaderClicksSortDescendingThenAscendingAndTheSelectionMovesWithItsRow)
{
    CManagerHarness manager;
    TableImage table;
    PutRecord(table, 0, "Delta");
    PutRecord(table, 1, "Alpha");
    PutRecord(table, 2, "bravo"); // lower case: after every capital in byte order
    PutRecord(table, 3, "Charlie");
    PutRecord(table, 4, "Echo");
    manager.WriteTable(table);
    ASSERT_TRUE(manager.Start());
    ASSERT_EQ(5, manager.RowCount());
    ASSERT_TRUE(WaitUntil([&] { return manager.Column(1) == std::vector<std::string>(5, "Ready"); },
                          8000));
    ASSERT_TRUE(manager.SelectRow(0)); // Delta

    // First click, on Name: descending.
    ASSERT_TRUE(manager.ClickHeader(0));
    EXPECT_THAT(manager.Column(0), ElementsAre("bravo", "Echo", "Delta", "Charlie", "Alpha"));
    EXPECT_THAT(manager.Column(2), ElementsAre("02", "04", "00", "03", "01"));
    EXPECT_THAT(manager.Column(1), ElementsAre("Ready", "Ready", "Ready", "Ready", "Ready"));
    EXPECT_THAT(manager.SelectedRows(), ElementsAre(2));
    ListItemInfo item;
    ASSERT_TRUE(manager.Item(2, &item));
    EXPECT_EQ(0, item.image);
    EXPECT_EQ(0, item.param);
    ExpectServiceCommands(manager, kReadyCommands, "Delta selected after the sort");

    // Second click, on another header: ascending.
    ASSERT_TRUE(manager.ClickHeader(2));
    EXPECT_THAT(manager.Column(2), ElementsAre("00", "01", "02", "03", "04"));
    EXPECT_THAT(manager.Column(0), ElementsAre("Delta", "Alpha", "bravo", "Charlie", "Echo"));
    EXPECT_THAT(manager.SelectedRows(), ElementsAre(0));

    // Third click, descending on a column whose texts are all equal: no row moves.
    ASSERT_TRUE(manager.ClickHeader(1));
    EXPECT_THAT(manager.Column(2), ElementsAre("00", "01", "02", "03", "04"));
    EXPECT_THAT(manager.SelectedRows(), ElementsAre(0));

    // Fourth click: ascending again, which also shows that the third one counted.
    ASSERT_TRUE(manager.ClickHeader(0));
    EXPECT_THAT(manager.Column(0), ElementsAre("Alpha", "Charlie", "Delta", "Echo", "bravo"));
    EXPECT_THAT(manager.Column(2), ElementsAre("01", "03", "00", "04", "02"));
    EXPECT_THAT(manager.SelectedRows(), ElementsAre(2));
}

TEST(ManagerListTest, ContextMenuFollowsTheSelectionAndOpensOnlyInsideTheList)
{
    CManagerHarness manager;
    TableImage table;
    PutRecord(table, 0, "Menu Service");
    manager.WriteTable(table);
    ASSERT_TRUE(manager.Start());
    ASSERT_TRUE(manager.WaitCell(0, 1, "Ready", 8000));
    ASSERT_TRUE(manager.Menus().Load()) << manager.Menus().Error();

    POINT corner = {};
    std::vector<MenuItemState> items = ContextMenuAtCentre(manager, &corner);
    EXPECT_THAT(Texts(items), ElementsAre("Edit", "Options...", "Delete", "-", "Install",
                                          "Uninstall", "-", "Start", "Stop", "-", "Log"));
    EXPECT_THAT(EnabledTexts(items), IsEmpty()) << "nothing selected: every item greyed";
    std::vector<UINT> ids;
    for (const MenuItemState& item : items)
        ids.push_back(item.IsSeparator() ? 0 : item.id);
    EXPECT_THAT(ids, ElementsAre(command::kEdit, command::kOptions, command::kDelete, 0u,
                                 command::kInstall, command::kUninstall, 0u, command::kStart,
                                 command::kStop, 0u, command::kLog));
    // The menu's top-left corner lies at the point (the system may nudge it by a pixel or two).
    EXPECT_LE(std::abs(corner.x), 2);
    EXPECT_LE(std::abs(corner.y), 2);

    ASSERT_TRUE(manager.SelectRow(0));
    items = ContextMenuAtCentre(manager, &corner);
    EXPECT_THAT(EnabledTexts(items), ElementsAre("Edit", "Options...", "Delete", "Install", "Log"))
        << "a service that is not installed";

    // The keyboard's request (no point) and a point over the toolbar open nothing: had a menu
    // opened, the request would not come back before the menu closed.
    RECT toolbar;
    ::GetWindowRect(manager.Toolbar(), &toolbar);
    LPARAM points[] = {MAKELPARAM(-1, -1),
                       MAKELPARAM((toolbar.left + toolbar.right) / 2, (toolbar.top + toolbar.bottom) / 2)};
    for (LPARAM point : points) {
        DWORD_PTR ignored = 0;
        bool answered = ::SendMessageTimeoutA(manager.List(), WM_CONTEXTMENU,
                                              reinterpret_cast<WPARAM>(manager.List()), point,
                                              SMTO_NORMAL, 5000, &ignored) != 0;
        EXPECT_TRUE(answered) << "the request outside the list did not come back";
        EXPECT_THAT(manager.WindowsOfClass("#32768"), IsEmpty())
            << "a menu opened for a point outside the list";
        if (!answered || !manager.WindowsOfClass("#32768").empty())
            CloseMenus(manager);
    }
}

TEST(ManagerListTest, PictureOfTheWindowWithAStartedService)
{
    CManagerHarness manager;
    TableImage table;
    PutRecord(table, 0, "Backup Agent");
    FillRecord(table[1], 1, "Report Server", BinPath("TestChild.exe"), manager.DataDir(), "", 0);
    table[1].SetRunRequested(1);
    PutRecord(table, 2, "Mail Relay");
    manager.WriteTable(table);
    CTestService service("Report-Server", "Report Server", 1);
    ASSERT_TRUE(service.Install()) << service.LastError();
    ASSERT_TRUE(service.Start()) << service.LastError();
    ASSERT_TRUE(service.WaitState(SERVICE_RUNNING, 30000));

    ASSERT_TRUE(manager.Start());
    ASSERT_TRUE(WaitUntil(
        [&] {
            return manager.Column(1) == std::vector<std::string>{"Ready", "Started", "Ready"};
        },
        8000))
        << ::testing::PrintToString(manager.Column(1));
    ASSERT_TRUE(manager.SelectRow(1));
    ExpectServiceCommands(manager, kStartedCommands, "the started service selected");
    ASSERT_TRUE(manager.Flush());
    // Painted afresh, so that the picture shows no trace of the test's own probing.
    ::RedrawWindow(manager.Frame(), NULL, NULL,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ASSERT_TRUE(manager.Flush());

    std::string path = ScreenshotDir() + "\\manager_main_window.bmp";
    ::DeleteFileA(path.c_str());
    ASSERT_TRUE(SaveWindowShot(manager.Frame(), path)) << path;
    EXPECT_GE(ColoursInBitmap(path), 8u) << "the picture is blank: " << path;
    std::printf("[ picture  ] %s\n", path.c_str());
}
