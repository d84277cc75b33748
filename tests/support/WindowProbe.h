#pragma once
// Looking at windows from a test's thread: messages with a deadline, texts, dialogs, places.

#include <windows.h>
#include <string>

// SendMessage that gives up (and fails the test) after 5 s instead of hanging the suite.
LRESULT SendTo(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// A window's text through WM_GETTEXT.
std::string TextOf(HWND window);
// The first dialog (class "#32770") with the caption. When none shows up before the deadline the
// test fails, every dialog of this process is cancelled (so a modal loop ends), and NULL returns.
HWND WaitDialog(const char* caption, DWORD timeoutMs = 10000);
// A message box's text.
std::string MessageBoxText(HWND box);
// The window's rectangle in the client coordinates of another window.
RECT RectIn(HWND window, HWND reference);
