#pragma once
// What the service list's logic needs of a list of rows: their number, the text of a cell and a
// whole-row swap. The list view answers it from its control; tests answer it from plain vectors.

#include <cstddef>

class CRowAccess {
public:
    virtual ~CRowAccess() = default;

    virtual int RowCount() const = 0;
    // Copies the text of one cell into buffer (cut to size, always terminated); false when the
    // cell cannot be read.
    virtual bool RowText(int row, int column, char* buffer, size_t size) const = 0;
    // Exchanges two whole rows: every cell, the image, the item data and the state bits, so that
    // a selection moves with its row.
    virtual void SwapRows(int first, int second) = 0;
};

// The longest cell text the list's logic reads, with its terminator.
const size_t kRowTextSize = 512;
