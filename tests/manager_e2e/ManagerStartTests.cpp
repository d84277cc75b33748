// The manager program from start to end: its main window as it first shows, the table it lists,
// the single-instance rule, the bars' toggles, the ways out and the refused starts.

#include "ManagerChecks.h"
#include "ManagerHarness.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <commctrl.h>
#include <cstring>
#include <thread>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const char kNotCompatible[] =
    "Sorry, Ravelin is not compatible with Windows 95/98/ME.\n\nProgram will be terminated.";
const char kNoDataFolder[] = "Internal error:\n\nGetDataPath - cannot find/create a data folder.";

RECT WindowRect(HWND window)
{
    RECT rect = {};
    ::GetWindowRect(window, &rect);
    return rect;
}

// The items of one submenu of the menu bar, in order: id and text.
std::vector<std::string> SubmenuItems(const std::vector<MenuItemState>& menu, size_t first,
                                      size_t count)
{
    std::vector<std::string> items;
    for (size_t i = first; i < first + count && i < menu.size(); ++i)
        items.push_back(std::to_string(menu[i].id) + " " + menu[i].text);
    return items;
}

// A plain top-level window of the test's own, run by a thread of its own, to lie above the
// manager in z-order.
class CCoverWindow {
public:
    explicit CCoverWindow(const RECT& rect)
    {
        HANDLE ready = ::CreateEventA(NULL, TRUE, FALSE, NULL);
        thread_ = std::thread([this, rect, ready] {
            window_ = ::CreateWindowExA(0, "STATIC", "cover", WS_POPUP | WS_VISIBLE | WS_BORDER,
                                        rect.left, rect.top, rect.right - rect.left,
                                        rect.bottom - rect.top, NULL, NULL, NULL, NULL);
            threadId_ = ::GetCurrentThreadId();
            ::SetEvent(ready);
            MSG message;
            while (::GetMessageA(&message, NULL, 0, 0) > 0)
                ::DispatchMessageA(&message);
            if (window_)
                ::DestroyWindow(window_);
        });
        ::WaitForSingleObject(ready, 10000);
        ::CloseHandle(ready);
    }
    ~CCoverWindow()
    {
        ::PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
    HWND Get() const { return window_; }

private:
    std::thread thread_;
    HWND window_ = NULL;
    DWORD threadId_ = 0;
};

// True when upper lies above lower among the top-level windows.
bool IsAbove(HWND upper, HWND lower)
{
    for (HWND window = ::GetWindow(upper, GW_HWNDNEXT); window != NULL;
         window = ::GetWindow(window, GW_HWNDNEXT))
        if (window == lower)
            return true;
    return false;
}

// Wine's per-program Windows version for RavelinManager.exe, removed again at the end.
class CReportedVersion {
public:
    explicit CReportedVersion(const char* version)
    {
        HKEY key = NULL;
        if (::RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, NULL, 0, KEY_SET_VALUE, NULL, &key,
                              NULL) == ERROR_SUCCESS) {
            set_ = ::RegSetValueExA(key, "Version", 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(version),
                                    static_cast<DWORD>(std::strlen(version) + 1)) == ERROR_SUCCESS;
            ::RegCloseKey(key);
        }
    }
    ~CReportedVersion() { ::RegDeleteKeyA(HKEY_CURRENT_USER, kKey); }
    bool IsSet() const { return set_; }

private:
    static constexpr const char* kKey = "Software\\Wine\\AppDefaults\\RavelinManager.exe";
    bool set_ = false;
};

void PutRecord(TableImage& table, int slot, const char* name)
{
    FillRecord(table[slot], slot, name, BinPath("TestChild.exe"), "C:\\", "", 0);
}

} // namespace

TEST(ManagerStartTest, EmptyTableShowsTheBareWindowWithOnlyNewAndOpenDataFolderAvailable)
{
    CManagerHarness manager;
    ASSERT_TRUE(manager.Start()) << "no main window \"" << kManagerTitle << "\" with its controls";

    EXPECT_EQ(kManagerTitle, RemoteText(manager.Frame()));
    RECT frame = WindowRect(manager.Frame());
    EXPECT_EQ(472, frame.right - frame.left);
    EXPECT_EQ(450, frame.bottom - frame.top);
    EXPECT_TRUE(::IsWindowVisible(manager.Frame()));

    EXPECT_EQ(0, manager.RowCount());
    ASSERT_EQ(3, manager.ColumnCount());
    EXPECT_EQ("Name", manager.ColumnHeading(0));
    EXPECT_EQ("Status", manager.ColumnHeading(1));
    EXPECT_EQ("SID", manager.ColumnHeading(2));
    EXPECT_EQ(300, manager.ColumnWidth(0));
    EXPECT_EQ(70, manager.ColumnWidth(1));
    EXPECT_EQ(40, manager.ColumnWidth(2));
    LONG style = ::GetWindowLongA(manager.List(), GWL_STYLE);
    EXPECT_EQ(LVS_REPORT, style & LVS_TYPEMASK);
    EXPECT_TRUE(style & LVS_SINGLESEL);
    EXPECT_EQ(static_cast<LRESULT>(LVS_EX_FULLROWSELECT),
              ::SendMessageA(manager.List(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));

    EXPECT_TRUE(WaitUntil([&] { return manager.StatusText() == "Ready"; }, 8000))
        << "status bar: \"" << manager.StatusText() << "\"";
    EXPECT_EQ(1, manager.StatusParts());

    EXPECT_THAT(manager.ButtonIds(),
                ElementsAre(command::kNew, command::kEdit, command::kInstall, command::kUninstall,
                            command::kStart, command::kStop));
    ExpectServiceCommands(manager, kNoSelection, "nothing listed");

    std::vector<MenuItemState> menu = manager.MenuBar();
    ASSERT_EQ(6u + 12u + 2u, menu.size()) << manager.Menus().Error();
    EXPECT_THAT(SubmenuItems(menu, 0, 6),
                ElementsAre("59392 &Toolbar", "59393 &Status Bar", "0 ", "32788 &Open Data Folder",
                            "0 ", "57665 E&xit"));
    EXPECT_THAT(SubmenuItems(menu, 6, 12),
                ElementsAre("32777 &New", "32778 &Edit", "32789 &Options...", "32782 &Delete",
                            "0 ", "32779 &Install", "32780 &Uninstall", "0 ", "32783 &Start",
                            "32784 St&op", "0 ", "32787 &Log"));
    EXPECT_THAT(SubmenuItems(menu, 18, 2),
                ElementsAre("32772 &Manual\t<web>", "32774 &Morvane\t<web>"));
    for (UINT id : {command::kToolbar, command::kStatusBar}) {
        EXPECT_TRUE(FindMenuItem(menu, id).IsEnabled()) << id;
        EXPECT_TRUE(FindMenuItem(menu, id).IsChecked()) << id;
    }
    for (UINT id : {command::kExit, command::kManual, command::kMorvane})
        EXPECT_TRUE(FindMenuItem(menu, id).IsEnabled()) << id;
}

TEST(ManagerStartTest, OnlyRecordInSlotSevenIsTheFirstRow)
{
    CManagerHarness manager;
    TableImage table;
    PutRecord(table, 7, "Seventh Service");
    manager.WriteTable(table);
    ASSERT_TRUE(manager.Start());

    ASSERT_EQ(1, manager.RowCount());
    EXPECT_EQ("Seventh Service", manager.Cell(0, 0));
    EXPECT_EQ("07", manager.Cell(0, 2));
    EXPECT_TRUE(manager.WaitCell(0, 1, "Ready", 8000)) << manager.Cell(0, 1);
    ListItemInfo item;
    ASSERT_TRUE(manager.Item(0, &item));
    EXPECT_EQ(0, item.image);
    EXPECT_EQ(0, item.param);
    EXPECT_EQ(0u, item.state & LVIS_SELECTED);
    // The 48-pixel row image makes every row at least that high.
    RECT row = manager.RowRect(0);
    EXPECT_GE(row.bottom - row.top, 48);
    ExpectServiceCommands(manager, kNoSelection, "one row, none selected");
}

TEST(ManagerStartTest, RecordsAreListedInSlotOrderAndNamelessRecordsAreLeftOut)
{
    CManagerHarness manager;
    TableImage table;
    PutRecord(table, 40, "Forty");
    PutRecord(table, 3, "Three");
    PutRecord(table, 49, "Last Slot");
    PutRecord(table, 12, "Twelve");
    PutRecord(table, 0, "First Slot");
    // A record with an application but without a name is no service.
    FillRecord(table[20], 20, "", BinPath("TestChild.exe"), "C:\\", "", 0);
    manager.WriteTable(table);
    ASSERT_TRUE(manager.Start());

    EXPECT_THAT(manager.Column(0), ElementsAre("First Slot", "Three", "Twelve", "Forty", "Last Slot"));
    EXPECT_THAT(manager.Column(2), ElementsAre("00", "03", "12", "40", "49"));
    EXPECT_TRUE(WaitUntil(
        [&] {
            std::vector<std::string> status = manager.Column(1);
            return status == std::vector<std::string>(5, "Ready");
        },
        8000))
        << ::testing::PrintToString(manager.Column(1));
    EXPECT_THAT(manager.SelectedRows(), IsEmpty());
}

TEST(ManagerStartTest, SecondManagerRestoresAndRaisesTheFirstAndEndsWithoutAWindow)
{
    CManagerHarness manager;
    ASSERT_TRUE(manager.Start());
    RECT before = WindowRect(manager.Frame());

    ::PostMessageA(manager.Frame(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitUntil([&] { return ::IsIconic(manager.Frame()) != FALSE; }, 10000));
    CCoverWindow cover(before);
    ASSERT_TRUE(cover.Get() != NULL);
    ASSERT_TRUE(WaitUntil([&] { return IsAbove(cover.Get(), manager.Frame()); }, 5000))
        << "the test's window did not come above the manager";

    CTestProcess second;
    ASSERT_TRUE(manager.Launch(second));
    std::vector<HWND> windowsOfSecond;
    bool ended = WaitUntil(
        [&] {
            for (HWND window : VisibleWindowsOf(second.Id(), nullptr))
                windowsOfSecond.push_back(window);
            return second.WaitExit(0);
        },
        30000);
    ASSERT_TRUE(ended) << "the second manager still runs";
    EXPECT_EQ(0u, second.ExitCode());
    EXPECT_THAT(windowsOfSecond, IsEmpty()) << "the second manager showed a window";

    EXPECT_TRUE(WaitUntil([&] { return !::IsIconic(manager.Frame()); }, 5000)) << "still minimised";
    EXPECT_TRUE(::IsWindowVisible(manager.Frame()));
    EXPECT_TRUE(IsAbove(manager.Frame(), cover.Get())) << "not brought above the other window";
    EXPECT_EQ(0, ::GetWindowLongA(manager.Frame(), GWL_EXSTYLE) & WS_EX_TOPMOST)
        << "left topmost";
    RECT after = WindowRect(manager.Frame());
    EXPECT_EQ(472, after.right - after.left);
    EXPECT_EQ(450, after.bottom - after.top);
    EXPECT_FALSE(manager.Process().WaitExit(0)) << "the first manager ended";
}

TEST(ManagerStartTest, ToolbarAndStatusBarCommandsHideAndShowTheirBars)
{
    CManagerHarness manager;
    ASSERT_TRUE(manager.Start());
    RECT list = WindowRect(manager.List());
    ASSERT_TRUE(::IsWindowVisible(manager.Toolbar()));
    ASSERT_TRUE(::IsWindowVisible(manager.StatusBar()));

    ::PostMessageA(manager.Frame(), WM_COMMAND, command::kToolbar, 0);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindowVisible(manager.Toolbar()); }, 8000));
    EXPECT_TRUE(WaitUntil([&] { return WindowRect(manager.List()).top < list.top; }, 8000))
        << "the list did not take the toolbar's place";
    EXPECT_FALSE(FindMenuItem(manager.MenuBar(), command::kToolbar).IsChecked());
    EXPECT_TRUE(::IsWindowVisible(manager.StatusBar()));

    ::PostMessageA(manager.Frame(), WM_COMMAND, command::kToolbar, 0);
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowVisible(manager.Toolbar()) != FALSE; }, 8000));
    EXPECT_TRUE(WaitUntil([&] { return WindowRect(manager.List()).top == list.top; }, 8000));
    EXPECT_TRUE(FindMenuItem(manager.MenuBar(), command::kToolbar).IsChecked());

    ::PostMessageA(manager.Frame(), WM_COMMAND, command::kStatusBar, 0);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindowVisible(manager.StatusBar()); }, 8000));
    EXPECT_TRUE(WaitUntil([&] { return WindowRect(manager.List()).bottom > list.bottom; }, 8000))
        << "the list did not take the status bar's place";
    EXPECT_FALSE(FindMenuItem(manager.MenuBar(), command::kStatusBar).IsChecked());
    EXPECT_TRUE(::IsWindowVisible(manager.Toolbar()));

    ::PostMessageA(manager.Frame(), WM_COMMAND, command::kStatusBar, 0);
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowVisible(manager.StatusBar()) != FALSE; }, 8000));
    EXPECT_TRUE(WaitUntil([&] { return WindowRect(manager.List()).bottom == list.bottom; }, 8000));
    EXPECT_TRUE(FindMenuItem(manager.MenuBar(), command::kStatusBar).IsChecked());
}

TEST(ManagerStartTest, ExitCommandEndsTheProgramWithCodeZero)
{
    CManagerHarness manager;
    ASSERT_TRUE(manager.Start());
    HWND frame = manager.Frame();
    ::PostMessageA(frame, WM_COMMAND, command::kExit, 0);
    ASSERT_TRUE(manager.Process().WaitExit(15000)) << "still running after Exit";
    EXPECT_EQ(0u, manager.Process().ExitCode());
    EXPECT_FALSE(::IsWindow(frame));
}

TEST(ManagerStartTest, CloseBoxEndsTheProgramWithCodeZero)
{
    CManagerHarness manager;
    ASSERT_TRUE(manager.Start());
    HWND frame = manager.Frame();
    ::PostMessageA(frame, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(manager.Process().WaitExit(15000)) << "still running after the close box";
    EXPECT_EQ(0u, manager.Process().ExitCode());
    EXPECT_FALSE(::IsWindow(frame));
}

TEST(ManagerStartTest, DataFolderThatCannotBeMadeRefusesTheStart)
{
    CManagerHarness manager;
    // A folder below a file can be neither found nor created.
    std::string file = manager.DataDir() + "\\plain file";
    WriteFileBytes(file, "not a folder");
    SetSetting("dataPath", file + "\\data");

    ASSERT_TRUE(manager.Launch(manager.Process()));
    std::vector<SeenBox> boxes = AnswerBoxesUntilExit(manager.Process(), 30000);
    ASSERT_TRUE(manager.Process().WaitExit(0)) << "the refused manager still runs";
    EXPECT_EQ(0u, manager.Process().ExitCode());
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Ravelin", boxes[0].caption);
    EXPECT_EQ(kNoDataFolder, boxes[0].text);
}

TEST(ManagerStartTest, WindowsNineXIsRefused)
{
    CManagerHarness manager;
    CReportedVersion win98("win98");
    ASSERT_TRUE(win98.IsSet());

    ASSERT_TRUE(manager.Launch(manager.Process()));
    std::vector<SeenBox> boxes = AnswerBoxesUntilExit(manager.Process(), 30000);
    ASSERT_TRUE(manager.Process().WaitExit(0)) << "the refused manager still runs";
    EXPECT_EQ(0u, manager.Process().ExitCode());
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Ravelin", boxes[0].caption);
    EXPECT_EQ(kNotCompatible, boxes[0].text);
}
