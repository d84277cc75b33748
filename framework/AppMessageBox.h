#pragma once
// The program's standard message box: owned by the main window (or, without one, the active
// window), in front of any dialog that window has open, captioned with the program's name;
// without an icon of its own it gets the question mark (Yes/No boxes) or the exclamation mark.

#include "BoxOwner.h"

#include <windows.h>

// Returns what MessageBoxA returns (IDOK, IDYES, ...), 0 when the box could not be shown.
int AppMessageBox(const char* text, UINT type = MB_OK);
