#pragma once
// The owner a message box needs so that it is modal to what the user sees.

#include <windows.h>

// The window a message box meant for window must be owned by, so that it is modal to what the
// user sees: window itself, or, while a modal dialog has disabled window's top-level window,
// the topmost enabled window of that thread which the top-level window owns (the dialog, or a
// box over it). MessageBoxA disables its owner only, so a box owned by a window that is
// already disabled would leave the dialog in front of it usable.
HWND BoxOwnerFor(HWND window);
