#include "DialogLog.h"

#include "AppMessageBox.h"
#include "BoundedText.h"
#include "DataExchange.h"
#include "LogRows.h"
#include "ManagerUtil.h"
#include "resource.h"

CDialogLog::CDialogLog(CWnd* parent) : CDialog(IDD_LOG, parent), slot(util.logSlot)
{
    serviceName[0] = '\0';
    if (util.serviceTable != nullptr && slot >= 0 && slot < kSlotCount)
        CopyField(serviceName, util.serviceTable->records[slot].displayName);
}

void CDialogLog::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    DDX_Text(dx, IDC_LOG_SERVICE_NAME, serviceName);
}

BOOL CDialogLog::OnInitDialog()
{
    CDialog::OnInitDialog();
    list_.Attach(GetDlgItem(IDC_LOG_LIST));
    list_.InsertColumn(0, "Date/Time", LVCFMT_LEFT, 130);
    list_.InsertColumn(1, "Type", LVCFMT_LEFT, 50);
    list_.InsertColumn(2, "Message", LVCFMT_LEFT, 250);
    LoadEntries();
    // TRUE: the dialog manager gives the focus to the first tab stop, the Close button.
    return TRUE;
}

void CDialogLog::LoadEntries()
{
    char path[256];
    if (slot < 0 || !util.MakeLogPath(static_cast<uint32_t>(slot), path, sizeof(path)))
        return;
    rows_.Load(path);
    int count = rows_.Count();
    if (count == 0)
        return;
    // The rows come newest first and each is appended at the end: the same list as inserting
    // every entry of the file at the top, without moving all earlier rows down at every insert.
    // The list keeps no copy of the texts: it asks for them when it draws a row.
    HWND hwnd = list_.GetSafeHwnd();
    ::SendMessageA(hwnd, WM_SETREDRAW, FALSE, 0);
    ::SendMessageA(hwnd, LVM_SETITEMCOUNT, count, 0);
    for (int row = 0; row < count; ++row) {
        int item = list_.InsertItem(row, LPSTR_TEXTCALLBACKA);
        if (item < 0)
            break;
        list_.SetItemText(item, 1, LPSTR_TEXTCALLBACKA);
        list_.SetItemText(item, 2, LPSTR_TEXTCALLBACKA);
    }
    ::SendMessageA(hwnd, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(hwnd, NULL, TRUE);
}

BOOL CDialogLog::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
        case IDC_CLEAR_LOG: OnClear(); return TRUE;
        default: break;
        }
    }
    return CDialog::OnCommand(wParam, lParam);
}

bool CDialogLog::OnNotify(WPARAM wParam, NMHDR* header, LRESULT* result)
{
    if (header->idFrom == IDC_LOG_LIST && header->code == LVN_GETDISPINFOA) {
        LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(header)->item;
        // Items are never sorted or moved: the item's index is its row.
        if ((item.mask & LVIF_TEXT) && item.pszText != NULL && item.cchTextMax > 0 &&
            item.iItem >= 0 && item.iItem < rows_.Count() && item.iSubItem >= 0 &&
            item.iSubItem < 3)
            CopyText(item.pszText, static_cast<size_t>(item.cchTextMax),
                     rows_.Field(item.iItem, item.iSubItem));
        *result = 0;
        return true;
    }
    return CDialog::OnNotify(wParam, header, result);
}

void CDialogLog::OnClear()
{
    if (AppMessageBox("Are you sure you want to delete the log for this service ?",
                      MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    util.DeleteLog(static_cast<uint32_t>(slot));
    EndDialog(IDCANCEL);
}
