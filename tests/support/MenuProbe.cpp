// A small library that the tests load into the running manager to read its menus there: the
// system keeps menus inside the process that owns them, so another process cannot read them.
// Each export is a thread start routine, run through CreateRemoteThread.

#include "MenuProbeShared.h"

#include <cstring>

namespace {

void AddItems(MenuProbeRequest* request, HMENU menu, int level)
{
    int count = ::GetMenuItemCount(menu);
    for (int position = 0; position < count && request->count < kMenuProbeMaxItems; ++position) {
        MenuProbeItem& item = request->items[request->count++];
        std::memset(&item, 0, sizeof(item));
        item.id = ::GetMenuItemID(menu, position);
        item.state = ::GetMenuState(menu, position, MF_BYPOSITION);
        item.level = level;
        ::GetMenuStringA(menu, position, item.text, sizeof(item.text), MF_BYPOSITION);
    }
}

} // namespace

// Reads the open popup in request->menu, or the menu bar of request->frame with each submenu
// brought up to date first, as the window does when the user opens it.
extern "C" __declspec(dllexport) DWORD WINAPI ReadMenu(LPVOID parameter)
{
    MenuProbeRequest* request = static_cast<MenuProbeRequest*>(parameter);
    request->count = 0;
    request->failed = 0;
    if (request->menu != NULL) {
        if (!::IsMenu(request->menu)) {
            request->failed = 1;
            return 0;
        }
        AddItems(request, request->menu, 0);
        return 1;
    }
    HMENU bar = ::GetMenu(request->frame);
    if (bar == NULL || !::IsMenu(bar)) {
        request->failed = 1;
        return 0;
    }
    int count = ::GetMenuItemCount(bar);
    for (int position = 0; position < count; ++position) {
        HMENU popup = ::GetSubMenu(bar, position);
        if (popup == NULL)
            continue;
        DWORD_PTR ignored = 0;
        // The window's own thread runs its update handlers for this popup.
        ::SendMessageTimeoutA(request->frame, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup),
                              MAKELPARAM(position, FALSE), SMTO_NORMAL, 5000, &ignored);
        AddItems(request, popup, 1);
    }
    return 1;
}

// Ends the menu that the process is tracking, as a click outside it would.
extern "C" __declspec(dllexport) DWORD WINAPI CloseMenus(LPVOID)
{
    return ::EndMenu() ? 1 : 0;
}
