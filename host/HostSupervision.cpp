#include "HostSupervision.h"

#include "ApplicationControl.h"
#include "BoundedText.h"
#include "HostUtil.h"
#include "Launches.h"
#include "ServiceOptions.h"
#include "Supervision.h"

#include <cstdint>

namespace {

CRestartSupervisor supervisor;
int hostExitCode = 0;

// The restart that the restart timer will make, and the launches' generation it belongs to.
struct PendingRestart {
    unsigned generation = 0;
    uint32_t attempt = 0;
    RestartSettings settings;
} pendingRestart;

// Decides what follows an exit the application made by itself: a relaunch after a wait,
// nothing, or giving up, which ends the host with a non-zero exit code.
void OnOwnExit(HWND window, CLaunches& launches, const RestartSettings& settings,
               DWORD exitCode, DWORD runMs)
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

} // namespace

void SuperviseApplication(HWND window, CLaunches& launches)
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
    OnOwnExit(window, launches, settings, exitCode, runMs);
}

void OnRestartTimer(HWND window, CLaunches& launches)
{
    ::KillTimer(window, kRestartTimer);
    if (launches.Generation() != pendingRestart.generation)
        return;
    if (!util.LoadOwnRecord() || util.Record().runRequested == 0)
        return;
    char detail[kDetailSize] = "";
    if (!CallApplication(util, launches, detail)) {
        util.WriteLog(kLogError, "Halyard couldn't execute the application.");
        util.WriteLog(kLogError, detail);
        // As an application that ended at once: the next wait is longer, and it counts.
        OnOwnExit(window, launches, pendingRestart.settings, 1, 0);
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
    util.WriteLog(kLogEvent, message);
    util.WriteLog(kLogEvent, detail);
}

void CancelRestart(HWND window)
{
    ::KillTimer(window, kRestartTimer);
}

int HostExitCode()
{
    return hostExitCode;
}
