// Halyard, the application host: one hidden-window process per running service.

#include "ConsoleControl.h"
#include "HostUtil.h"
#include "HostWindow.h"
#include "SlotArgument.h"
#include "resource.h"

#include <windows.h>

CUtil util;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR argument, int showCommand)
{
    // A copy of the host run to raise Ctrl+C in an application's console (ConsoleControl.h).
    DWORD consoleProcess = 0;
    if (ParseConsoleCtrlArgument(argument, &consoleProcess))
        return RunConsoleCtrlHelper(consoleProcess);
    if (!ParseSlotArgument(argument, util))
        return 0;
    if (!util.InitServiceData())
        return 0;

    ::LoadStringA(instance, IDS_APP_TITLE, hostTitle, sizeof(hostTitle));
    ::LoadStringA(instance, IDC_HALYARD, hostClassName, sizeof(hostClassName));
    RegisterHostClass(instance);
    if (!InitHost(instance, showCommand))
        return 0;

    MSG message = {};
    BOOL got;
    while ((got = ::GetMessageA(&message, NULL, 0, 0)) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    // The quit message's parameter: 0, or kGaveUpExitCode when restarting was given up.
    return got == 0 ? static_cast<int>(message.wParam) : 0;
}
