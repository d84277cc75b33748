#pragma once
// The log viewer: the service event log of a slot as a three-column list,
// newest entry first, with a Clear button that deletes the log after a confirmation.

#include "Dialog.h"
#include "ListCtrl.h"
#include "LogRows.h"
#include "ServiceRecord.h"

#include <cstdint>

class CDialogLog : public CDialog {
public:
    // Shows the log of slot, with the service name of that slot's record.
    explicit CDialogLog(int32_t slot, CWnd* parent = nullptr);

    int32_t slot;
    char serviceName[kDisplayNameSize];

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnNotify(WPARAM wParam, NMHDR* header, LRESULT* result) override;

private:
    // Fills the list from the slot's log file; a missing file leaves it empty.
    void LoadEntries();
    void OnClear();
    // LVN_GETDISPINFO: the text of one cell of the list, which keeps none.
    LRESULT OnGetRowText(NMHDR* header) const;
    // LVN_ODFINDITEM: the row that the list's search asks for, or -1.
    LRESULT OnFindRow(const NMHDR* header) const;
    LRESULT OnFindRowW(const NMHDR* header) const;
    // The row after start whose timestamp the search's text and flags (LVFI_*) find, or -1.
    LRESULT FindRow(const char* text, UINT flags, int start) const;

    CListCtrl list_;
    // The entries the list shows; the list asks for their text as it draws them.
    CLogRows rows_;
};
