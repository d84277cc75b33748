#include "BoxOwner.h"

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
