#pragma once
// What the host's window does about an application that ends by itself: the poll's look at the
// latest launch, the restart timer, and giving up. The decisions are CRestartSupervisor's.

#include <windows.h>

class CLaunches;

const UINT_PTR kRestartTimer = 5;
// The host's exit code when it gives up restarting its application: the service host then
// stops the service with it as a service-specific error.
const int kGaveUpExitCode = 3;

// At a poll that found no stop request: an exit the latest launch made by itself is logged and
// followed up by that launch's restart option (a relaunch after a wait, nothing, or giving up,
// which destroys the window). With restart "never" nothing happens and nothing is logged.
void SuperviseApplication(HWND window, CLaunches& launches);

// The restart timer's tick: relaunches, unless a stop, the end of the session or another launch
// came since the wait began, or the record already holds a stop request.
void OnRestartTimer(HWND window, CLaunches& launches);

// A stop or the end of the session: the pending relaunch, if any, is not made.
void CancelRestart(HWND window);

// 0, or kGaveUpExitCode once the host has given up.
int HostExitCode();
