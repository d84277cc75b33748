// The log viewer of the running manager, opened by the Log command on a selected service: its
// layout, the entries newest first by the reading rule, Clear with its question, and a picture.

#include "DialogDriver.h"
#include "LogViewerProbe.h"
#include "ManagerChecks.h"
#include "ManagerHarness.h"
#include "RemoteBuffer.h"
#include "RemoteList.h"
#include "Screenshot.h"

#include <commctrl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <cstdio>
#include <cstring>
#include <string>

using ::testing::ElementsAre;
using Row = std::vector<std::string>;

namespace {

// A manager whose table holds "Backup Agent" in slot 0 and "Mail Relay" in slot 3, with the
// given bytes as slot 3's log (no file when null); rows are sorted by slot, so slot 3 is row 1.
class LogViewerTest : public ::testing::Test {
protected:
    void StartWithLog(const char* logBytes)
    {
        TableImage table;
        FillRecord(table[0], 0, "Backup Agent", BinPath("TestChild.exe"), "C:\\", "", 0);
        FillRecord(table[3], 3, "Mail Relay", BinPath("TestChild.exe"), "C:\\", "", 0);
        manager.WriteTable(table);
        if (logBytes != nullptr)
            WriteFileBytes(LogPath(), logBytes);
        ASSERT_TRUE(manager.Start());
        ASSERT_TRUE(WaitUntil([&] { return manager.RowCount() == 2; }, 8000));
        ASSERT_EQ(manager.Cell(1, 0), "Mail Relay");
    }
    std::string LogPath() const { return manager.DataDir() + "\\03.log"; }

    CManagerHarness manager;
    CLogViewerProbe viewer{manager};
};

const char kThreeLines[] = "2011/02/23 [12:07:47]*EVENT**Service created.\r\n"
                           "2011/02/23 [12:07:52]*EVENT**Service installed.\r\n"
                           "2011/02/23 [12:08:03]*ERROR**Service start failed.\r\n";

TEST_F(LogViewerTest, WithoutALogFileTheServiceNameStandsOverAnEmptyListAndCloseEndsIt)
{
    StartWithLog(nullptr);
    // Without a selected row the Log command opens nothing.
    ASSERT_TRUE(manager.SelectRow(-1));
    ::PostMessageA(manager.Frame(), WM_COMMAND, command::kLog, 0);
    ASSERT_TRUE(manager.Flush());
    // A modal dialog exists (shown or not yet) once its owner handles posted messages again.
    EXPECT_TRUE(::FindWindowA("#32770", "Log") == NULL) << "the viewer opened without a selection";

    ASSERT_TRUE(viewer.Open(1));
    HWND dialog = viewer.Dialog();
    EXPECT_EQ(RemoteText(::GetDlgItem(dialog, log_viewer::kServiceName)), "Mail Relay");
    EXPECT_EQ(viewer.RowCount(), 0);
    EXPECT_TRUE(viewer.WaitMessageBox(0) == NULL) << "a missing file shows a message";

    // The three columns and the list's styles: report view, border, tab stop, headers that are
    // not buttons, no sorting, no extended styles.
    EXPECT_EQ(viewer.ColumnHeading(0), "Date/Time");
    EXPECT_EQ(viewer.ColumnHeading(1), "Type");
    EXPECT_EQ(viewer.ColumnHeading(2), "Message");
    EXPECT_EQ(viewer.ColumnWidth(0), 130);
    EXPECT_EQ(viewer.ColumnWidth(1), 50);
    EXPECT_EQ(viewer.ColumnWidth(2), 250);
    LONG style = ::GetWindowLongA(viewer.List(), GWL_STYLE);
    EXPECT_EQ(style & (LVS_TYPEMASK | LVS_NOSORTHEADER | LVS_SORTASCENDING | LVS_SORTDESCENDING |
                       LVS_SINGLESEL | WS_TABSTOP),
              LVS_REPORT | LVS_NOSORTHEADER | WS_TABSTOP);
    // The list control turns the template's WS_BORDER into a client edge when it is created.
    EXPECT_TRUE((style & WS_BORDER) != 0 ||
                (::GetWindowLongA(viewer.List(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0)
        << "the list has no border";
    EXPECT_EQ(::SendMessageA(viewer.List(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), 0);

    // Close is the first tab stop and holds the focus.
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof(thread);
    ASSERT_TRUE(::GetGUIThreadInfo(::GetWindowThreadProcessId(dialog, NULL), &thread));
    EXPECT_EQ(thread.hwndFocus, ::GetDlgItem(dialog, IDCANCEL));
    EXPECT_EQ(RemoteText(::GetDlgItem(dialog, IDCANCEL)), "Close");
    EXPECT_EQ(RemoteText(::GetDlgItem(dialog, log_viewer::kClear)), "Clear");

    ::PostMessageA(::GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
    EXPECT_TRUE(viewer.WaitClosed(8000));
    EXPECT_FALSE(FileExists(LogPath()));
}

TEST_F(LogViewerTest, ThreeLinesShowTheLastOnTopEachInItsThreeFieldsAndAHeaderClickDoesNotSort)
{
    StartWithLog(kThreeLines);
    ASSERT_TRUE(viewer.Open(1));
    const std::vector<Row> expected = {
        {"2011/02/23 [12:08:03]", "ERROR", "Service start failed."},
        {"2011/02/23 [12:07:52]", "EVENT", "Service installed."},
        {"2011/02/23 [12:07:47]", "EVENT", "Service created."},
    };
    EXPECT_EQ(viewer.Rows(), expected);

    HWND header = reinterpret_cast<HWND>(::SendMessageA(viewer.List(), LVM_GETHEADER, 0, 0));
    EXPECT_EQ(::GetWindowLongA(header, GWL_STYLE) & HDS_BUTTONS, 0) << "headers are buttons";
    for (int column = 0; column < 3; ++column) {
        ASSERT_TRUE(viewer.ClickHeader(column));
        EXPECT_EQ(viewer.Rows(), expected) << "after a click on the header of column " << column;
    }
}

TEST_F(LogViewerTest, AnEmptyMessageShowsAnEmptyCellAndLinesWithoutTheSeparatorsAreSkipped)
{
    StartWithLog("2011/02/23 [12:07:47]*EVENT**Service created.\r\n"
                 "a line without any asterisk\r\n"
                 "2011/02/23 [12:07:50]*ERROR**\r\n"
                 "only a pair ** of asterisks\r\n"
                 "*UNKNOWN**a*message**with asterisks\r\n");
    ASSERT_TRUE(viewer.Open(1));
    EXPECT_THAT(viewer.Rows(), ElementsAre(Row{"", "UNKNOWN", "a*message**with asterisks"},
                                           Row{"2011/02/23 [12:07:50]", "ERROR", ""},
                                           Row{"2011/02/23 [12:07:47]", "EVENT",
                                               "Service created."}));
}

TEST_F(LogViewerTest, ClearAnsweredNoKeepsEverythingAndYesDeletesTheLogAndCloses)
{
    StartWithLog(kThreeLines);
    ASSERT_TRUE(viewer.Open(1));
    HWND dialog = viewer.Dialog();

    ::PostMessageA(::GetDlgItem(dialog, log_viewer::kClear), BM_CLICK, 0, 0);
    HWND box = viewer.WaitMessageBox(8000);
    ASSERT_TRUE(box != NULL) << "no question";
    EXPECT_EQ(RemoteText(box), "RavelinManager");
    EXPECT_EQ(RemoteText(::GetDlgItem(box, 0xFFFF)),
              "Are you sure you want to delete the log for this service ?");
    EXPECT_TRUE(::GetDlgItem(box, IDYES) != NULL && ::GetDlgItem(box, IDNO) != NULL);
    EXPECT_TRUE(::GetDlgItem(box, IDOK) == NULL);
    // Painted once the manager's modal loop has run.
    EXPECT_TRUE(WaitUntil([&] { return ShowsSystemIcon(box, IDI_QUESTION); }, 5000))
        << "the question has no question mark";
    EXPECT_FALSE(ShowsSystemIcon(box, IDI_EXCLAMATION));
    ::PostMessageA(box, WM_COMMAND, IDNO, 0);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(box); }, 8000));
    ASSERT_TRUE(viewer.Flush());
    EXPECT_TRUE(::IsWindowVisible(dialog)) << "No closed the viewer";
    EXPECT_EQ(viewer.RowCount(), 3);
    EXPECT_EQ(ReadFileBytes(LogPath()), kThreeLines);

    ::PostMessageA(::GetDlgItem(dialog, log_viewer::kClear), BM_CLICK, 0, 0);
    box = viewer.WaitMessageBox(8000);
    ASSERT_TRUE(box != NULL) << "no question the second time";
    ::PostMessageA(box, WM_COMMAND, IDYES, 0);
    EXPECT_TRUE(viewer.WaitClosed(8000)) << "Yes left the viewer open";
    EXPECT_FALSE(FileExists(LogPath()));

    // Opened again, the log is empty.
    ASSERT_TRUE(viewer.Open(1));
    EXPECT_EQ(viewer.RowCount(), 0);
    EXPECT_EQ(RemoteText(::GetDlgItem(viewer.Dialog(), log_viewer::kServiceName)), "Mail Relay");
}

// A log of n lines whose timestamps are the line numbers in five digits ("00000" to "19999"),
// so that each row shows which line it is.
std::string NumberedLog(int lines)
{
    std::string text;
    char line[96];
    for (int index = 0; index < lines; ++index) {
        std::snprintf(line, sizeof(line), "%05d*%s**Line %d of the log.\r\n", index,
                      index % 3 == 0 ? "ERROR" : "EVENT", index);
        text += line;
    }
    return text;
}

std::string Stamp(int line)
{
    char stamp[16];
    std::snprintf(stamp, sizeof(stamp), "%05d", line);
    return stamp;
}

// Sets the rows' selection as a click with Ctrl would, through the list's own message.
bool SetRowSelected(HANDLE process, HWND list, int row, bool selected)
{
    CRemoteBuffer buffer(process, sizeof(LVITEMA));
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = selected ? LVIS_SELECTED : 0;
    return buffer.Write(&item, sizeof(item)) &&
           SendWithin5s(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), buffer.AsParam()) != 0;
}

// The row LVM_FINDITEM gives for a timestamp search from start (exclusive), as the list's own
// search by typing asks for it.
int FindRow(HANDLE process, HWND list, int start, const char* text, UINT flags)
{
    CRemoteBuffer buffer(process, sizeof(LVFINDINFOA) + 64);
    LVFINDINFOA info = {};
    info.flags = flags;
    info.psz = static_cast<const char*>(buffer.Address(sizeof(LVFINDINFOA)));
    if (!buffer.Write(&info, sizeof(info)) ||
        !buffer.Write(text, std::strlen(text) + 1, sizeof(LVFINDINFOA)))
        return -2;
    return static_cast<int>(SendWithin5s(list, LVM_FINDITEMA, static_cast<WPARAM>(start),
                                         buffer.AsParam()));
}

TEST_F(LogViewerTest, ALongLogShowsEveryLineNewestFirstScrollsToTheOldestAndKeepsASelection)
{
    const int kLines = 20000;
    std::string log = NumberedLog(kLines);
    StartWithLog(log.c_str());
    ASSERT_TRUE(viewer.Open(1, 30000));
    ASSERT_EQ(viewer.RowCount(), kLines);
    HANDLE process = manager.ProcessHandle();
    HWND list = viewer.List();
    EXPECT_EQ(viewer.Cell(0, 0), Stamp(kLines - 1));
    EXPECT_EQ(viewer.Cell(0, 2), "Line 19999 of the log.");
    EXPECT_EQ(viewer.Cell(1, 1), "ERROR"); // line 19998
    EXPECT_EQ(viewer.Cell(2, 1), "EVENT");
    EXPECT_EQ(viewer.Cell(12345, 0), Stamp(kLines - 1 - 12345));
    EXPECT_EQ(viewer.Cell(kLines - 1, 1), "ERROR");
    EXPECT_EQ(viewer.Cell(kLines - 1, 2), "Line 0 of the log.");
    EXPECT_EQ(SendWithin5s(list, LVM_GETTOPINDEX), 0);

    // Scrolled to the bottom, the oldest line is the last visible row.
    ASSERT_TRUE(SendWithin5s(list, LVM_ENSUREVISIBLE, kLines - 1, FALSE));
    int top = static_cast<int>(SendWithin5s(list, LVM_GETTOPINDEX));
    int perPage = static_cast<int>(SendWithin5s(list, LVM_GETCOUNTPERPAGE));
    EXPECT_GT(perPage, 5);
    EXPECT_EQ(top + perPage, kLines);
    ASSERT_TRUE(viewer.Flush());
    ::RedrawWindow(viewer.Dialog(), NULL, NULL,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    std::string path = ScreenshotDir() + "\\log_viewer_oldest.bmp";
    ::DeleteFileA(path.c_str());
    EXPECT_TRUE(SaveWindowShot(viewer.Dialog(), path)) << path;
    std::printf("[ picture  ] %s\n", path.c_str());

    // Several rows far apart stay selected together, and only those.
    ASSERT_TRUE(SetRowSelected(process, list, 3, true));
    ASSERT_TRUE(SetRowSelected(process, list, kLines - 2, true));
    ASSERT_TRUE(SetRowSelected(process, list, 9000, true));
    ASSERT_TRUE(SetRowSelected(process, list, 9000, false));
    EXPECT_EQ(SendWithin5s(list, LVM_GETSELECTEDCOUNT), 2);
    EXPECT_EQ(SendWithin5s(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 3);
    EXPECT_EQ(SendWithin5s(list, LVM_GETNEXTITEM, 3, LVNI_SELECTED), kLines - 2);
    EXPECT_EQ(SendWithin5s(list, LVM_GETNEXTITEM, kLines - 2, LVNI_SELECTED), -1);

    // The search that typing in the list makes: the next row whose timestamp begins with the
    // text, wrapping past the end; rows "09999" down to "00000" lie from row 10000 on.
    EXPECT_EQ(FindRow(process, list, -1, "0", LVFI_STRING | LVFI_PARTIAL | LVFI_WRAP), 10000);
    EXPECT_EQ(FindRow(process, list, 10000, "0", LVFI_STRING | LVFI_PARTIAL | LVFI_WRAP),
              10001);
    EXPECT_EQ(FindRow(process, list, 15000, "1", LVFI_STRING | LVFI_PARTIAL | LVFI_WRAP), 0);
    EXPECT_EQ(FindRow(process, list, 15000, "1", LVFI_STRING | LVFI_PARTIAL), -1);
    EXPECT_EQ(FindRow(process, list, -1, "12345", LVFI_STRING), kLines - 1 - 12345);
    EXPECT_EQ(FindRow(process, list, -1, "1234", LVFI_STRING), -1);
}

TEST_F(LogViewerTest, PictureOfTheFilledViewer)
{
    StartWithLog("2011/02/23 [12:07:47]*EVENT**Service created.\r\n"
                 "2011/02/23 [12:07:52]*EVENT**Service installed.\r\n"
                 "2011/02/23 [12:07:53]*EVENT**Service started.\r\n"
                 "2011/02/23 [12:07:54]*EVENT**Application executed by Halyard.\r\n"
                 "2011/02/23 [12:07:54]*EVENT**CallApplication success: 1234\r\n"
                 "2011/02/23 [14:31:09]*ERROR**Service stop failed.\r\n"
                 "2011/02/23 [14:31:15]*EVENT**Service stopped.\r\n");
    ASSERT_TRUE(viewer.Open(1));
    ASSERT_EQ(viewer.RowCount(), 7);
    // Painted afresh after the probing, so that the picture shows no trace of it.
    ASSERT_TRUE(viewer.Flush());
    ::RedrawWindow(viewer.Dialog(), NULL, NULL,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    std::string path = ScreenshotDir() + "\\log_viewer.bmp";
    ::DeleteFileA(path.c_str());
    ASSERT_TRUE(SaveWindowShot(viewer.Dialog(), path)) << path;
    std::printf("[ picture  ] %s\n", path.c_str());
}

} // namespace
