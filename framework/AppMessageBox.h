#pragma once
// The program's standard message box: owned by the main window (or, without one, the active
// window), in front of any dialog that window has open, captioned with the program's name;
// without an icon of its own it gets the question mark (Yes/No boxes) or the exclamation mark.

#include <windows.h>

// Returns what MessageBoxA returns (IDOK, IDYES, ...), 0 when the box could not be shown.
int AppMessageBox(const char* text, UINT type = MB_OK);

// The window a message box meant for window must be owned by, so that it is modal to what the
// user sees: window itself, or, while a modal dialog has disabled window's top-level window,
// the topmost enabled window of that thread which the top-level window owns (the dialog, or a
// box over it). MessageBoxA disables its owner only, so a box owned by a window that is
// already disabled would leave the dialog in front of it usable.
HWND BoxOwnerFor(HWND window);
