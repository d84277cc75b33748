#pragma once
// This process's top-level windows as a test's watcher thread sees them, read without sending
// messages (the thread that owns a window may be busy, as in a progress dialog's hold).

#include <windows.h>
#include <string>
#include <vector>

std::vector<HWND> VisibleWindowsOfThisProcess();
std::string ClassOf(HWND window);
// The window's text through InternalGetWindowText, which sends no message.
std::string CaptionOf(HWND window);
// A visible dialog (class "#32770").
bool IsVisibleDialog(HWND window);
