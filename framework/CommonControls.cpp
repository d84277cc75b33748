#include "CommonControls.h"

#include <windows.h>
#include <commctrl.h>

void EnsureCommonControls()
{
    static bool done = false;
    if (done)
        return;
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES | ICC_COOL_CLASSES;
    done = ::InitCommonControlsEx(&controls) != FALSE;
}
