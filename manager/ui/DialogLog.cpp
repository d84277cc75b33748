#include "DialogLog.h"

#include "AppMessageBox.h"
#include "BoundedText.h"
#include "DataExchange.h"
#include "LogRows.h"
#include "ManagerUtil.h"
#include "resource.h"

CDialogLog::CDialogLog(int32_t slot, CWnd* parent) : CDialog(IDD_LOG, parent), slot(slot)
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
    // Row 0 is the last entry of the file, as if every entry had been inserted at the top. The
    // list keeps only the count: it asks for the texts of the rows it draws (OnNotify).
    list_.SetItemCount(rows_.Count());
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
    if (header->idFrom == IDC_LOG_LIST) {
        switch (header->code) {
        case LVN_GETDISPINFOA: *result = OnGetRowText(header); return true;
        case LVN_ODFINDITEMA: *result = OnFindRow(header); return true;
        case LVN_ODFINDITEMW: *result = OnFindRowW(header); return true;
        default: break;
        }
    }
    return CDialog::OnNotify(wParam, header, result);
}

LRESULT CDialogLog::OnGetRowText(NMHDR* header) const
{
    // The rows are never sorted or moved: the item's index is its row.
    LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(header)->item;
    if ((item.mask & LVIF_TEXT) && item.pszText != NULL && item.cchTextMax > 0)
        CopyText(item.pszText, static_cast<size_t>(item.cchTextMax),
                 rows_.Field(item.iItem, item.iSubItem));
    return 0;
}

LRESULT CDialogLog::OnFindRow(const NMHDR* header) const
{
    const NMLVFINDITEMA* find = reinterpret_cast<const NMLVFINDITEMA*>(header);
    const LVFINDINFOA& info = find->lvfi;
    if (!(info.flags & LVFI_STRING) || info.psz == NULL)
        return -1;
    return FindRow(info.psz, info.flags, find->iStart);
}

LRESULT CDialogLog::OnFindRowW(const NMHDR* header) const
{
    // Some list controls ask in UTF-16 even of a parent that takes ANSI notifications.
    const NMLVFINDITEMW* find = reinterpret_cast<const NMLVFINDITEMW*>(header);
    const LVFINDINFOW& info = find->lvfi;
    if (!(info.flags & LVFI_STRING) || info.psz == NULL)
        return -1;
    char text[kLogMessageSize];
    if (::WideCharToMultiByte(CP_ACP, 0, info.psz, -1, text, sizeof(text), NULL, NULL) == 0)
        return -1;
    return FindRow(text, info.flags, find->iStart);
}

LRESULT CDialogLog::FindRow(const char* text, UINT flags, int start) const
{
    // Typing in the list selects the next row whose timestamp begins with the typed text, as a
    // list that holds its own rows does. The search starts after the row start, which it leaves
    // out, as LVM_FINDITEM does. LVFI_SUBSTRING (0x0004, newer controls) means partial.
    const UINT kFindSubstring = 0x0004;
    bool partial = (flags & (LVFI_PARTIAL | kFindSubstring)) != 0;
    return rows_.FindTimeStamp(text, start, partial, (flags & LVFI_WRAP) != 0);
}

void CDialogLog::OnClear()
{
    if (AppMessageBox("Are you sure you want to delete the log for this service ?",
                      MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    util.DeleteLog(static_cast<uint32_t>(slot));
    EndDialog(IDCANCEL);
}
