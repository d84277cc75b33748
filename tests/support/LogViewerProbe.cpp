#include "LogViewerProbe.h"

#include "ManagerChecks.h"
#include "RemoteBuffer.h"
#include "RemoteList.h"

#include <commctrl.h>


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
    for (HWND window : VisibleWindowsOf(manager_.Process().Id(), "#32770"))
        if (RemoteText(window) == "Log" && ::GetDlgItem(window, log_viewer::kList) != NULL)
            return window;
    return NULL;
}

int CLogViewerProbe::RowCount() const
{
    return ListRowCount(List());
}

std::string CLogViewerProbe::Cell(int row, int column) const
{
    return ListCell(manager_.ProcessHandle(), List(), row, column);
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
    return ListColumnHeading(manager_.ProcessHandle(), List(), column);
}

int CLogViewerProbe::ColumnWidth(int column) const
{
    return ListColumnWidth(List(), column);
}

bool CLogViewerProbe::ClickHeader(int column)
{
    return ListClickHeader(manager_.ProcessHandle(), List(), column);
}

bool CLogViewerProbe::Flush() const
{
    return ListFlush(List());
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
            for (HWND window : VisibleWindowsOf(manager_.Process().Id(), "#32770"))
                if (::GetDlgItem(window, 0xFFFF) != NULL)
                    box = window;
            return box != NULL;
        },
        timeoutMs);
    return box;
}
