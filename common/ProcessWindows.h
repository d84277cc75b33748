#pragma once
// The polite request to end a program: WM_CLOSE posted to its top-level windows.

#include <windows.h>

// Posts WM_CLOSE to every top-level window of the process, hidden ones included (an application
// host's only window is never shown), but not to owned windows (a dialog, a tool window closes
// with its owner) nor to the input method's default window, which belongs to the system.
// Returns how many windows it asked.
int PostCloseToProcessWindows(DWORD processId);
