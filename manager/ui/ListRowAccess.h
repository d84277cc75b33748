#pragma once
// The rows of a list-view control as the list's logic sees them: cell texts, and a swap that
// moves every column's text, the image, the item data and the state bits of two rows.

#include "ListCtrl.h"
#include "RowAccess.h"

class CListRowAccess : public CRowAccess {
public:
    // columns: how many columns a swap exchanges.
    CListRowAccess(CListCtrl& list, int columns) : list_(list), columns_(columns) {}

    int RowCount() const override;
    bool RowText(int row, int column, char* buffer, size_t size) const override;
    void SwapRows(int first, int second) override;

private:
    // The item part of a row (image, state, item data) and its texts.
    struct RowCopy {
        LVITEMA item;
        char texts[3][kRowTextSize];
    };
    bool Read(int row, RowCopy& copy) const;
    void Write(int row, RowCopy& copy);

    CListCtrl& list_;
    int columns_;
};
