#pragma once
// A list view of the manager's process read and clicked from the test process: texts come back
// through buffers allocated inside the manager, since Wine does not carry them across processes.

#include <windows.h>
#include <string>

// SendMessage that gives up after 5 s (and answers 0) instead of hanging the test on a busy window.
LRESULT SendWithin5s(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

int ListRowCount(HWND list);
std::string ListCell(HANDLE process, HWND list, int row, int column);
std::string ListColumnHeading(HANDLE process, HWND list, int column);
int ListColumnWidth(HWND list, int column);
// A left click on the header item, posted as the mouse makes it, then ListFlush.
bool ListClickHeader(HANDLE process, HWND list, int column);
// Returns once the list's thread has handled everything posted to it so far: a posted change of
// the last column's width, seen done, follows all of it; the width is then put back.
bool ListFlush(HWND list);
