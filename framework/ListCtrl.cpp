#include "ListCtrl.h"

#include "BoundedText.h"

int CListCtrl::InsertColumn(int column, const char* heading, int format, int width)
{
    LVCOLUMNA info = {};
    info.mask = LVCF_FMT | LVCF_TEXT | LVCF_SUBITEM;
    info.fmt = format;
    info.pszText = const_cast<char*>(heading);
    info.iSubItem = column;
    if (width >= 0) {
        info.mask |= LVCF_WIDTH;
        info.cx = width;
    }
    return static_cast<int>(::SendMessageA(hwnd_, LVM_INSERTCOLUMNA, column,
                                           reinterpret_cast<LPARAM>(&info)));
}

int CListCtrl::InsertItem(int index, const char* text, int image)
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<char*>(text);
    if (image >= 0) {
        item.mask |= LVIF_IMAGE;
        item.iImage = image;
    }
    return static_cast<int>(::SendMessageA(hwnd_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

bool CListCtrl::SetItemText(int item, int subItem, const char* text)
{
    LVITEMA info = {};
    info.iSubItem = subItem;
    info.pszText = const_cast<char*>(text);
    return ::SendMessageA(hwnd_, LVM_SETITEMTEXTA, item, reinterpret_cast<LPARAM>(&info)) != FALSE;
}

int CListCtrl::GetItemText(int item, int subItem, char* buffer, size_t size) const
{
    if (size == 0)
        return -1;
    buffer[0] = '\0';
    if (item < 0 || item >= GetItemCount())
        return -1;
    LVITEMA info = {};
    info.iSubItem = subItem;
    info.pszText = buffer;
    info.cchTextMax = size > 0x7fffffff ? 0x7fffffff : static_cast<int>(size);
    LRESULT length = ::SendMessageA(hwnd_, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&info));
    // The control may hand back its own buffer instead of filling ours.
    if (info.pszText != buffer && info.pszText != nullptr)
        CopyText(buffer, size, info.pszText);
    buffer[size - 1] = '\0';
    return static_cast<int>(length);
}

bool CListCtrl::DeleteItem(int item)
{
    return ::SendMessageA(hwnd_, LVM_DELETEITEM, item, 0) != FALSE;
}

bool CListCtrl::DeleteAllItems()
{
    return ::SendMessageA(hwnd_, LVM_DELETEALLITEMS, 0, 0) != FALSE;
}

int CListCtrl::GetItemCount() const
{
    return static_cast<int>(::SendMessageA(hwnd_, LVM_GETITEMCOUNT, 0, 0));
}

bool CListCtrl::SetItemCount(int count, DWORD flags)
{
    return ::SendMessageA(hwnd_, LVM_SETITEMCOUNT, count, flags) != FALSE;
}

UINT CListCtrl::GetItemState(int item, UINT mask) const
{
    return static_cast<UINT>(::SendMessageA(hwnd_, LVM_GETITEMSTATE, item, mask));
}

bool CListCtrl::SetItemState(int item, UINT state, UINT mask)
{
    LVITEMA info = {};
    info.state = state;
    info.stateMask = mask;
    return ::SendMessageA(hwnd_, LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&info)) != FALSE;
}

int CListCtrl::GetSelectedCount() const
{
    return static_cast<int>(::SendMessageA(hwnd_, LVM_GETSELECTEDCOUNT, 0, 0));
}

int CListCtrl::GetNextItem(int start, int flags) const
{
    return static_cast<int>(::SendMessageA(hwnd_, LVM_GETNEXTITEM, start, MAKELPARAM(flags, 0)));
}

bool CListCtrl::GetItem(LVITEMA& item) const
{
    return ::SendMessageA(hwnd_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != FALSE;
}

bool CListCtrl::SetItem(const LVITEMA& item)
{
    return ::SendMessageA(hwnd_, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != FALSE;
}

DWORD CListCtrl::GetExtendedStyle() const
{
    return static_cast<DWORD>(::SendMessageA(hwnd_, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
}

void CListCtrl::SetExtendedStyle(DWORD style)
{
    ::SendMessageA(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style);
}

HIMAGELIST CListCtrl::SetImageList(HIMAGELIST images, int which)
{
    return reinterpret_cast<HIMAGELIST>(
        ::SendMessageA(hwnd_, LVM_SETIMAGELIST, which, reinterpret_cast<LPARAM>(images)));
}
