#include "AppMessageBox.h"

#include "CommandText.h"
#include "WinApp.h"
#include "Wnd.h"

int AppMessageBox(const char* text, UINT type)
{
    HWND owner = NULL;
    CWinApp* app = TheApp();
    if (app != nullptr && app->GetMainWnd() != nullptr)
        owner = app->GetMainWnd()->GetSafeHwnd();
    if (owner == NULL || !::IsWindow(owner))
        owner = ::GetActiveWindow();
    // A modal dialog of the owner's is the one that must wait for the answer.
    owner = BoxOwnerFor(owner);
    // A box without an icon of its own gets the usual one for its buttons.
    if ((type & MB_ICONMASK) == 0) {
        UINT buttons = type & MB_TYPEMASK;
        type |= (buttons == MB_YESNO || buttons == MB_YESNOCANCEL) ? MB_ICONQUESTION
                                                                  : MB_ICONEXCLAMATION;
    }
    char caption[MAX_PATH];
    GetProgramName(caption, sizeof(caption));
    return ::MessageBoxA(owner, text, caption, type);
}
