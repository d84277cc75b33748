#pragma once
// Thin helpers over a list-view control ("SysListView32") that the wrapper does not own: the
// list of a list view, or a list control in a dialog.

#include <windows.h>
#include <commctrl.h>
#include <cstddef>

class CListCtrl {
public:
    CListCtrl() = default;
    explicit CListCtrl(HWND hwnd) : hwnd_(hwnd) {}

    void Attach(HWND hwnd) { hwnd_ = hwnd; }
    HWND GetSafeHwnd() const { return hwnd_; }

    // Returns the new column's index, or -1.
    int InsertColumn(int column, const char* heading, int format = LVCFMT_LEFT, int width = -1);
    // Inserts a row at index with the text and image (-1: none); returns its index, or -1.
    int InsertItem(int index, const char* text, int image = -1);
    bool SetItemText(int item, int subItem, const char* text);
    // The text of one cell, cut to fit buffer; returns its length, or -1 when it cannot be read.
    int GetItemText(int item, int subItem, char* buffer, size_t size) const;
    bool DeleteItem(int item);
    bool DeleteAllItems();
    int GetItemCount() const;
    // The number of rows of a list with owner data (LVS_OWNERDATA), which keeps no rows of its
    // own and asks its parent for each row's texts (LVN_GETDISPINFO) when it draws it.
    bool SetItemCount(int count, DWORD flags = 0);

    UINT GetItemState(int item, UINT mask) const;
    bool SetItemState(int item, UINT state, UINT mask);
    int GetSelectedCount() const;
    // The next row after start (-1: from the first) with the flags (LVNI_SELECTED, ...), or -1.
    int GetNextItem(int start, int flags) const;
    // Whole-row access (mask, iItem and iSubItem set by the caller), as for swapping two rows.
    bool GetItem(LVITEMA& item) const;
    bool SetItem(const LVITEMA& item);

    DWORD GetExtendedStyle() const;
    // Replaces every extended list style with the given ones.
    void SetExtendedStyle(DWORD style);
    // which: LVSIL_SMALL, LVSIL_NORMAL or LVSIL_STATE. Returns the list it replaces.
    HIMAGELIST SetImageList(HIMAGELIST images, int which);

private:
    HWND hwnd_ = NULL;
};
