#pragma once
// The header-click sort of the service list: an in-place quicksort over the rows by the text of
// one column, compared as multibyte strings, case-sensitively. Rows with equal texts are never
// swapped with each other; the sort is not stable.

#include "RowAccess.h"

// Sorts rows low..high (high -1: the last row) by the text of column.
void SortRowsByColumn(CRowAccess& rows, int column, bool ascending, int low, int high);

// The order the sort uses: negative when a comes before b in ascending order, 0 when equal.
int CompareRowTexts(const char* a, const char* b);
