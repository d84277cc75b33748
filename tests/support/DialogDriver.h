#pragma once
// The manager's dialogs and message boxes, found and driven from the test process as a user's
// clicks and typing would drive them.

#include "ManagerHarness.h"

#include <windows.h>
#include <string>

// A control's text, set or read through WM_SETTEXT and WM_GETTEXT.
std::string Text(HWND dialog, int id);
void SetText(HWND dialog, int id, const std::string& text);
// A check box's state, and a click on it that toggles it as the mouse would.
bool Checked(HWND dialog, int id);
void SetChecked(HWND dialog, int id, bool checked);
// A click on a button, posted: the caller may go on while a dialog runs its modal loop.
void Click(HWND dialog, int id);
bool WaitGone(HWND window, DWORD timeoutMs = 10000);
// The file name field of the system's open- or save-file dialog; NULL at the deadline.
HWND FileNameEdit(HWND files, DWORD timeoutMs = 10000);
// Whether a message box shows the system's icon (IDI_QUESTION, ...), as it is on the screen.
bool ShowsSystemIcon(HWND box, LPCSTR systemIcon);

class CDialogDriver {
public:
    explicit CDialogDriver(CManagerHarness& manager) : manager_(manager) {}

    // The manager's top-level window with exactly this title; NULL at the deadline.
    HWND WaitTopLevel(const char* title, DWORD timeoutMs = 10000);
    // Posts the command to the main window, as its menu would, and waits for the dialog.
    HWND OpenByCommand(UINT command, const char* caption, DWORD timeoutMs = 10000);
    // Presses the button and, when a message box with the caption comes up instead of the
    // dialog closing, returns its text after answering it with OK; "" when the dialog closed.
    // A dialog that is still open after a message must still be shown.
    std::string PressAndRead(HWND dialog, int id, const char* boxCaption = "Ravelin");
    // The same, for a step already taken (a key pressed, say).
    std::string MessageOrClosed(HWND dialog, const char* boxCaption = "Ravelin");
    // Waits for a message box with the caption, answers it with the button and returns its
    // text; "(no box)" at the deadline.
    std::string AnswerBox(const char* caption, int button, DWORD timeoutMs = 10000);

private:
    CManagerHarness& manager_;
};
