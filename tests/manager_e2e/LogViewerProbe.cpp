#include "LogViewerProbe.h"

#include "ManagerChecks.h"
#include "RemoteBuffer.h"

#include <commctrl.h>

namespace {

const size_t kTextBuffer = 1024;

LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, 5000, &result))
        return 0;
    return static_cast<LRESULT>(result);
}

} // namespace

bool CLogViewerProbe::Open(int row, DWORD timeoutMs)
{
    dialog_ = NULL;
    if (!manager_.SelectRow(row))
        return false;
    ::PostMessageA(manager_.Frame(), WM_COMMAND, command::kLog, 0);
    return WaitUntil([&] { return (dialog_ = Find()) != NULL; }, timeoutMs);
}

HWND CLogViewerProbe::Find() const
{
    for (HWND window : TopLevelWindowsOf(manager_.Process().Id(), "#32770"))
        if (RemoteText(window) == "Log" && ::GetDlgItem(window, log_viewer::kList) != NULL)
            return window;
    return NULL;
}

int CLogViewerProbe::RowCount() const
{
    return static_cast<int>(Send(List(), LVM_GETITEMCOUNT));
}

std::string CLogViewerProbe::Cell(int row, int column) const
{
    CRemoteBuffer buffer(manager_.ProcessHandle(), sizeof(LVITEMA) + kTextBuffer);
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = static_cast<char*>(buffer.Address(sizeof(LVITEMA)));
    item.cchTextMax = kTextBuffer;
    const char empty = '\0';
    if (!buffer.Write(&item, sizeof(item)) || !buffer.Write(&empty, 1, sizeof(LVITEMA)))
        return "<no buffer>";
    Send(List(), LVM_GETITEMTEXTA, row, buffer.AsParam());
    return buffer.ReadText(sizeof(LVITEMA));
}

std::vector<std::vector<std::string>> CLogViewerProbe::Rows() const
{
    std::vector<std::vector<std::string>> rows;
    int count = RowCount();
    for (int row = 0; row < count; ++row)
        rows.push_back({Cell(row, 0), Cell(row, 1), Cell(row, 2)});
    return rows;
}

std::string CLogViewerProbe::ColumnHeading(int column) const
{
    CRemoteBuffer buffer(manager_.ProcessHandle(), sizeof(LVCOLUMNA) + kTextBuffer);
    LVCOLUMNA info = {};
    info.mask = LVCF_TEXT;
    info.pszText = static_cast<char*>(buffer.Address(sizeof(LVCOLUMNA)));
    info.cchTextMax = kTextBuffer;
    const char empty = '\0';
    if (!buffer.Write(&info, sizeof(info)) || !buffer.Write(&empty, 1, sizeof(LVCOLUMNA)))
        return "<no buffer>";
    if (!Send(List(), LVM_GETCOLUMNA, column, buffer.AsParam()))
        return "<no column>";
    return buffer.ReadText(sizeof(LVCOLUMNA));
}

int CLogViewerProbe::ColumnWidth(int column) const
{
    return static_cast<int>(Send(List(), LVM_GETCOLUMNWIDTH, column));
}

bool CLogViewerProbe::ClickHeader(int column)
{
    HWND header = reinterpret_cast<HWND>(Send(List(), LVM_GETHEADER));
    CRemoteBuffer buffer(manager_.ProcessHandle(), sizeof(RECT));
    RECT rect = {};
    if (header == NULL || !buffer.Write(&rect, sizeof(rect)) ||
        !Send(header, HDM_GETITEMRECT, column, buffer.AsParam()) ||
        !buffer.Read(&rect, sizeof(rect)))
        return false;
    LPARAM centre = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    ::PostMessageA(header, WM_MOUSEMOVE, 0, centre);
    ::PostMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, centre);
    ::PostMessageA(header, WM_LBUTTONUP, 0, centre);
    return Flush();
}

bool CLogViewerProbe::Flush() const
{
    // A posted change of the last column's width, seen done, follows everything posted before it.
    int width = ColumnWidth(2);
    ::PostMessageA(List(), LVM_SETCOLUMNWIDTH, 2, MAKELPARAM(width + 7, 0));
    bool done = WaitUntil([&] { return ColumnWidth(2) == width + 7; }, 10000);
    Send(List(), LVM_SETCOLUMNWIDTH, 2, MAKELPARAM(width, 0));
    return done;
}

bool CLogViewerProbe::WaitClosed(DWORD timeoutMs) const
{
    return WaitUntil([&] { return !::IsWindow(dialog_); }, timeoutMs);
}

HWND CLogViewerProbe::WaitMessageBox(DWORD timeoutMs) const
{
    HWND box = NULL;
    WaitUntil(
        [&] {
            for (HWND window : TopLevelWindowsOf(manager_.Process().Id(), "#32770"))
                if (::GetDlgItem(window, 0xFFFF) != NULL)
                    box = window;
            return box != NULL;
        },
        timeoutMs);
    return box;
}
