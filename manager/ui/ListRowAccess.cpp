#include "ListRowAccess.h"

#include <algorithm>
#include <cstring>

namespace {

// Every state bit a row carries: selection, focus, cut, drop highlight, overlay, state image.
const UINT kAllStates = LVIS_SELECTED | LVIS_FOCUSED | LVIS_CUT | LVIS_DROPHILITED |
                        LVIS_OVERLAYMASK | LVIS_STATEIMAGEMASK;

} // namespace

int CListRowAccess::RowCount() const
{
    return list_.GetItemCount();
}

bool CListRowAccess::RowText(int row, int column, char* buffer, size_t size) const
{
    return list_.GetItemText(row, column, buffer, size) >= 0;
}

bool CListRowAccess::Read(int row, RowCopy& copy) const
{
    std::memset(&copy, 0, sizeof(copy));
    copy.item.mask = LVIF_IMAGE | LVIF_STATE | LVIF_PARAM;
    copy.item.iItem = row;
    copy.item.stateMask = kAllStates;
    if (!list_.GetItem(copy.item))
        return false;
    int columns = std::min(columns_, 3);
    for (int column = 0; column < columns; ++column) {
        if (list_.GetItemText(row, column, copy.texts[column], sizeof(copy.texts[column])) < 0)
            return false;
    }
    return true;
}

void CListRowAccess::Write(int row, RowCopy& copy)
{
    copy.item.iItem = row;
    copy.item.iSubItem = 0;
    copy.item.stateMask = kAllStates;
    list_.SetItem(copy.item);
    int columns = std::min(columns_, 3);
    for (int column = 0; column < columns; ++column)
        list_.SetItemText(row, column, copy.texts[column]);
}

void CListRowAccess::SwapRows(int first, int second)
{
    RowCopy a;
    RowCopy b;
    if (first == second || !Read(first, a) || !Read(second, b))
        return;
    // Each row takes the other's whole state; in a single-selection list the control clears
    // the other row as one is selected, and that row is then written with its own state anyway.
    Write(first, b);
    Write(second, a);
}
