#pragma once
// Top-level windows of this process or another, as a test's watcher thread sees them, read
// without sending messages (the thread that owns a window may be busy, as in a progress dialog's
// hold).

#include <windows.h>
#include <string>
#include <vector>

// Every visible top-level window of the process with the class (any class for NULL).
std::vector<HWND> VisibleWindowsOf(DWORD pid, const char* className = nullptr);
// The same, hidden windows too (a program's message-only and not yet shown windows).
std::vector<HWND> AllWindowsOf(DWORD pid, const char* className = nullptr);
std::vector<HWND> VisibleWindowsOfThisProcess();
std::string ClassOf(HWND window);
// The window's text through InternalGetWindowText, which sends no message.
std::string CaptionOf(HWND window);
// A visible dialog (class "#32770").
bool IsVisibleDialog(HWND window);
