#pragma once
// The manager's log viewer seen from the test process: opened by the Log command on a row of the
// service list, its label, list and Clear question read and answered across processes.

#include "ManagerHarness.h"

#include <windows.h>
#include <string>
#include <vector>

namespace log_viewer {
const int kClear = 1021;
const int kList = 1022;
const int kServiceName = 1023;
} // namespace log_viewer

class CLogViewerProbe {
public:
    explicit CLogViewerProbe(CManagerHarness& manager) : manager_(manager) {}

    // Selects the row, posts the Log command to the main window and waits for the dialog.
    bool Open(int row, DWORD timeoutMs = 15000);
    // The visible dialog captioned "Log", or NULL.
    HWND Find() const;
    HWND Dialog() const { return dialog_; }
    HWND List() const { return ::GetDlgItem(dialog_, log_viewer::kList); }

    int RowCount() const;
    std::string Cell(int row, int column) const;
    // Every row's three cells, top row first.
    std::vector<std::vector<std::string>> Rows() const;
    std::string ColumnHeading(int column) const;
    int ColumnWidth(int column) const;
    // A left click on the header item, as the mouse makes it; returns once the dialog handled it.
    bool ClickHeader(int column);
    // Returns once the dialog's thread has handled everything posted to it so far.
    bool Flush() const;
    // Waits until the dialog window no longer exists.
    bool WaitClosed(DWORD timeoutMs) const;

    // The message box (a dialog with the static text 0xFFFF) shown over the viewer, waited for.
    HWND WaitMessageBox(DWORD timeoutMs) const;

private:
    CManagerHarness& manager_;
    HWND dialog_ = NULL;
};
