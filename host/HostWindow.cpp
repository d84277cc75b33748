#include "HostWindow.h"

#include "ApplicationControl.h"
#include "ApplicationStop.h"
#include "HostSupervision.h"
#include "HostUtil.h"
#include "Launches.h"
#include "resource.h"

#include <cstdint>

char hostClassName[kResourceTextSize];
char hostTitle[kResourceTextSize];

namespace {

HINSTANCE hostInstance;
HWND hostWindow;
CLaunches launches;

// Writes a summary line and, after it, the operation's detail text as a line of the same type.
void WriteLogWithDetail(uint8_t type, const char* summary, const char* detail)
{
    util.WriteLog(type, summary);
    util.WriteLog(type, detail);
}

// Poll timer: the manager asks for a stop by saving runRequested 0. Only the host's own record
// is read; a load that fails (no file, a short one) skips the poll as before.
void OnPollTimer(HWND window)
{
    if (!util.LoadOwnRecord())
        return;
    if (util.Record().runRequested != 0) {
        SuperviseApplication(window, launches);
        return;
    }
    ::KillTimer(window, kPollTimer);
    CancelRestart(window); // no relaunch after a stop
    char detail[kDetailSize] = "";
    ApplicationEnd end;
    if (EndApplication(util, launches, detail, end)) {
        util.WriteLog(kLogEvent,
                      "Application terminated by Halyard by request of Ravelin manager.");
        WriteApplicationEnd(util, end);
    } else
        WriteLogWithDetail(kLogError,
                           "Application failed to terminated by Halyard by request of Ravelin "
                           "manager.",
                           detail);
}

// Revive timer: launch again with the record's current values, once.
void OnReviveTimer(HWND window)
{
    ::KillTimer(window, kReviveTimer);
    char detail[kDetailSize] = "";
    if (CallApplication(util, launches, detail))
        WriteLogWithDetail(kLogEvent, "Application revived by Halyard.", detail);
    else
        WriteLogWithDetail(kLogError, "Application couldn't revived by Halyard.", detail);
}

// The interactive session is ending: terminate now, revive in 10 s, never object.
LRESULT OnQueryEndSession(HWND window)
{
    if (util.Record().reviveOnSessionEnd != 1)
        return TRUE;
    CancelRestart(window); // the revive is the one launch that follows
    char detail[kDetailSize] = "";
    ApplicationEnd end;
    if (EndApplication(util, launches, detail, end)) {
        util.WriteLog(kLogEvent, "Application terminated by Halyard for end session.");
        WriteApplicationEnd(util, end);
    } else
        WriteLogWithDetail(kLogError,
                           "Application couldn't terminated by Halyard for end session.", detail);
    ::SetTimer(window, kReviveTimer, kReviveDelayMs, NULL);
    return TRUE;
}

// The service is stopping: the service host closes this window on a stop control from any
// controller and at system shutdown. The application ends first, then the run request is saved
// 0 so that the manager's list and a later start agree, and only then does the host end. After
// the manager's stop handshake the application is gone already, and no line is written.
void OnClose(HWND window)
{
    static bool closing = false;
    if (closing)
        return; // a second close while the first waits for the application
    closing = true;
    ::KillTimer(window, kPollTimer);
    ::KillTimer(window, kReviveTimer);
    CancelRestart(window); // no relaunch after a stop
    // The stop method as the record holds it now; a table that cannot be read leaves the
    // options of the last load.
    util.LoadOwnRecord();
    if (IsApplicationRunning(util, launches)) {
        char detail[kDetailSize] = "";
        ApplicationEnd end;
        if (EndApplication(util, launches, detail, end)) {
            util.WriteLog(kLogEvent, "Application terminated by Halyard on a stop of the service.");
            WriteApplicationEnd(util, end);
        } else {
            WriteLogWithDetail(kLogError,
                               "Application couldn't be terminated by Halyard on a stop of the "
                               "service.",
                               detail);
        }
    }
    util.SaveRunRequest(0);
    ::DestroyWindow(window);
}

} // namespace

void RegisterHostClass(HINSTANCE instance)
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = HostWndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = ::LoadIconA(instance, MAKEINTRESOURCEA(IDI_HALYARD));
    windowClass.hCursor = ::LoadCursorA(NULL, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = hostClassName;
    windowClass.hIconSm = ::LoadIconA(instance, MAKEINTRESOURCEA(IDI_SMALL));
    ::RegisterClassExA(&windowClass);
}

int InitHost(HINSTANCE instance, int /*showCommand*/)
{
    hostInstance = instance;
    HWND window = ::CreateWindowExA(0, hostClassName, hostTitle, WS_OVERLAPPEDWINDOW,
                                    CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, NULL, NULL, instance,
                                    NULL);
    if (!window) {
        util.WriteLog(kLogError, "Halyard initialization failed.");
        return 0;
    }
    hostWindow = window;
    util.Record().hostWindow = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window));
    util.SaveProperties();

    ::ShowWindow(window, SW_HIDE);
    ::UpdateWindow(window);

    // Whoever started the service (the manager, a controller, the boot), the application is to
    // run: the run request is 1 before the launch and before the first poll.
    util.SaveStartRunRequest();

    char detail[kDetailSize] = "";
    if (CallApplication(util, launches, detail))
        WriteLogWithDetail(kLogEvent, "Application executed by Halyard.", detail);
    else
        WriteLogWithDetail(kLogError, "Halyard couldn't execute the application.", detail);

    ::SetTimer(window, kPollTimer, kPollPeriodMs, NULL);
    return 1;
}

LRESULT CALLBACK HostWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        ::PostQuitMessage(HostExitCode());
        return 0;
    case WM_CLOSE:
        OnClose(window);
        return 0;
    case WM_QUERYENDSESSION:
        return OnQueryEndSession(window);
    case WM_TIMER:
        if (wParam == kPollTimer)
            OnPollTimer(window);
        else if (wParam == kReviveTimer)
            OnReviveTimer(window);
        else if (wParam == kRestartTimer)
            OnRestartTimer(window, launches);
        return 0;
    default:
        return ::DefWindowProcA(window, message, wParam, lParam);
    }
}
