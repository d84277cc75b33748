#include "RowSort.h"

#include <mbstring.h>

namespace {

// Reads a cell; one that cannot be read sorts as an empty text.
void ReadText(const CRowAccess& rows, int row, int column, char (&text)[kRowTextSize])
{
    if (!rows.RowText(row, column, text, sizeof(text)))
        text[0] = '\0';
}

// True when text belongs strictly before the pivot in the chosen direction.
bool Before(const char* text, const char* pivot, bool ascending)
{
    int order = CompareRowTexts(text, pivot);
    return ascending ? order < 0 : order > 0;
}

} // namespace

int CompareRowTexts(const char* a, const char* b)
{
    // The code page's multibyte order: byte order for single-byte text.
    return ::_mbscmp(reinterpret_cast<const unsigned char*>(a),
                     reinterpret_cast<const unsigned char*>(b));
}

void SortRowsByColumn(CRowAccess& rows, int column, bool ascending, int low, int high)
{
    if (high == -1)
        high = rows.RowCount() - 1;
    if (high <= low)
        return;

    char pivot[kRowTextSize];
    ReadText(rows, (low + high) / 2, column, pivot);
    char text[kRowTextSize];
    char other[kRowTextSize];
    int lo = low;
    int hi = high;
    while (lo <= hi) {
        for (;;) {
            if (lo >= high)
                break;
            ReadText(rows, lo, column, text);
            if (!Before(text, pivot, ascending))
                break;
            ++lo;
        }
        for (;;) {
            if (hi <= low)
                break;
            ReadText(rows, hi, column, text);
            if (!Before(pivot, text, ascending))
                break;
            --hi;
        }
        if (lo <= hi) {
            ReadText(rows, lo, column, text);
            ReadText(rows, hi, column, other);
            if (CompareRowTexts(text, other) != 0)
                rows.SwapRows(lo, hi);
            ++lo;
            --hi;
        }
    }
    if (low < hi)
        SortRowsByColumn(rows, column, ascending, low, hi);
    if (lo < high)
        SortRowsByColumn(rows, column, ascending, lo, high);
}
