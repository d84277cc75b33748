#pragma once
// What the test and the menu probe library, loaded into the manager, exchange through a buffer in
// the manager's memory. Both are built for the same bitness, so handles have one size.

#include <windows.h>

const int kMenuProbeMaxItems = 64;
const int kMenuProbeTextSize = 64;

struct MenuProbeItem {
    UINT id;            // command id; 0 for a separator, (UINT)-1 for a submenu
    UINT state;         // GetMenuState flags: MF_GRAYED, MF_DISABLED, MF_CHECKED, MF_SEPARATOR
    int level;          // 0: an item of the menu itself, 1: an item of one of its submenus
    char text[kMenuProbeTextSize];
};

struct MenuProbeRequest {
    HWND frame;         // with menu NULL: read this window's menu bar and its submenus
    HMENU menu;         // a menu to read as it stands (a popup that is open)
    int count;          // filled by the probe
    int failed;         // 1 when the menu could not be read
    MenuProbeItem items[kMenuProbeMaxItems];
};
