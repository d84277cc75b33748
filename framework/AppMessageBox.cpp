#include "AppMessageBox.h"

#include "CommandText.h"
#include "WinApp.h"
#include "Wnd.h"

namespace {

struct OwnedSearch {
    HWND root;
    HWND found;
};

// Top-level windows come in z-order, topmost first: the first one that root owns (directly or
// through other owned windows) and that takes input is the one the user is answering.
BOOL CALLBACK FindEnabledOwned(HWND window, LPARAM param)
{
    OwnedSearch* search = reinterpret_cast<OwnedSearch*>(param);
    if (window == search->root || !::IsWindowVisible(window) || !::IsWindowEnabled(window))
        return TRUE;
    for (HWND owner = ::GetWindow(window, GW_OWNER); owner != NULL;
         owner = ::GetWindow(owner, GW_OWNER)) {
        if (owner == search->root) {
            search->found = window;
            return FALSE;
        }
    }
    return TRUE;
}

} // namespace

HWND BoxOwnerFor(HWND window)
{
    if (window == NULL || !::IsWindow(window))
        return window;
    HWND root = ::GetAncestor(window, GA_ROOT);
    if (root == NULL || ::IsWindowEnabled(root))
        return window;
    OwnedSearch search = {root, NULL};
    ::EnumThreadWindows(::GetWindowThreadProcessId(root, NULL), &FindEnabledOwned,
                        reinterpret_cast<LPARAM>(&search));
    return search.found != NULL ? search.found : window;
}

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
