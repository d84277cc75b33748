#include "HostWindow.h"

#include "ApplicationControl.h"
#include "BoundedText.h"
#include "HostUtil.h"
#include "Launches.h"
#include "ServiceOptions.h"
#include "Supervision.h"
#include "resource.h"

#include <cstdint>

char hostClassName[kResourceTextSize];
char hostTitle[kResourceTextSize];

namespace {

HINSTANCE hostInstance;
HWND hostWindow;
CLaunches launches;
CRestartSupervisor supervisor;
int hostExitCode = 0;

// The restart that the restart timer will make, and the launches' generation it belongs to.
struct PendingRestart {
    unsigned generation = 0;
    uint32_t attempt = 0;
    RestartSettings settings;
} pendingRestart;

// Writes a summary line and, after it, the operation's detail text as a line of the same type.
void WriteLogWithDetail(uint8_t type, const char* summary, const char* detail)
{
    util.WriteLog(type, summary);
    util.WriteLog(type, detail);
}

// Decides what follows an exit the application made by itself: a relaunch after a wait,
// nothing, or giving up, which ends the host with a non-zero exit code.
void OnOwnExit(HWND window, const RestartSettings& settings, DWORD exitCode, DWORD runMs)
{
    RestartDecision decision = supervisor.OnExit(settings, exitCode, runMs, ::GetTickCount());
    if (decision.action == kGiveUp) {
        char message[96];
        FormatText(message, sizeof(message), "Halyard gave up after %d restarts in %d minutes.",
                   static_cast<int>(settings.maxRestarts), kRestartWindowMinutes);
        util.WriteLog(kLogError, message);
        hostExitCode = kGaveUpExitCode;
        ::DestroyWindow(window);
        return;
    }
    if (decision.action != kRestartLater)
        return;
    pendingRestart.generation = launches.Generation();
    pendingRestart.attempt = decision.attempt;
    pendingRestart.settings = settings;
    ::SetTimer(window, kRestartTimer, decision.waitMs, NULL);
}

// At each poll while the application should run: an exit it made by itself is logged and, by
// its launch's restart option, followed up. With restart "never" nothing is logged.
void SuperviseApplication(HWND window)
{
    DWORD exitCode = 0;
    DWORD runMs = 0;
    RestartSettings settings;
    if (!launches.TakeOwnExit(&exitCode, &runMs, &settings) || settings.restart == kRestartNever)
        return;
    char message[96];
    FormatText(message, sizeof(message), "Application ended by itself, exit code %d.",
               static_cast<int>(exitCode));
    util.WriteLog(exitCode == 0 ? kLogEvent : kLogError, message);
    OnOwnExit(window, settings, exitCode, runMs);
}

// Restart timer: the wait is over. A stop, the end of the session or any other launch since
// the wait began voids it, and so does a stop request already in the record.
void OnRestartTimer(HWND window)
{
    ::KillTimer(window, kRestartTimer);
    if (launches.Generation() != pendingRestart.generation)
        return;
    if (!util.LoadOwnRecord() || util.Record().runRequested == 0)
        return;
    char detail[kDetailSize] = "";
    if (!CallApplication(util, launches, detail)) {
        WriteLogWithDetail(kLogError, "Halyard couldn't execute the application.", detail);
        // As an application that ended at once: the next wait is longer, and it counts.
        OnOwnExit(window, pendingRestart.settings, 1, 0);
        return;
    }
    char message[96];
    if (pendingRestart.settings.maxRestarts != 0)
        FormatText(message, sizeof(message), "Application restarted by Halyard, attempt %d of %d.",
                   static_cast<int>(pendingRestart.attempt),
                   static_cast<int>(pendingRestart.settings.maxRestarts));
    else
        FormatText(message, sizeof(message), "Application restarted by Halyard, attempt %d.",
                   static_cast<int>(pendingRestart.attempt));
    WriteLogWithDetail(kLogEvent, message, detail);
}

// Poll timer: the manager asks for a stop by saving runRequested 0. Only the host's own record
// is read; a load that fails (no file, a short one) skips the poll as before.
void OnPollTimer(HWND window)
{
    if (!util.LoadOwnRecord())
        return;
    if (util.Record().runRequested != 0) {
        SuperviseApplication(window);
        return;
    }
    ::KillTimer(window, kPollTimer);
    ::KillTimer(window, kRestartTimer); // no relaunch after a stop
    char detail[kDetailSize] = "";
    if (TerminateApplication(util, launches, detail))
        util.WriteLog(kLogEvent,
                      "Application terminated by Halyard by request of Ravelin manager.");
    else
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
    ::KillTimer(window, kRestartTimer); // the revive is the one launch that follows
    char detail[kDetailSize] = "";
    if (TerminateApplication(util, launches, detail))
        util.WriteLog(kLogEvent, "Application terminated by Halyard for end session.");
    else
        WriteLogWithDetail(kLogError,
                           "Application couldn't terminated by Halyard for end session.", detail);
    ::SetTimer(window, kReviveTimer, kReviveDelayMs, NULL);
    return TRUE;
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
        ::PostQuitMessage(hostExitCode);
        return 0;
    case WM_QUERYENDSESSION:
        return OnQueryEndSession(window);
    case WM_TIMER:
        if (wParam == kPollTimer)
            OnPollTimer(window);
        else if (wParam == kReviveTimer)
            OnReviveTimer(window);
        else if (wParam == kRestartTimer)
            OnRestartTimer(window);
        return 0;
    default:
        return ::DefWindowProcA(window, message, wParam, lParam);
    }
}
