#pragma once
// Ctrl+C for a console application, the console's way of asking it to end. Windows delivers a
// console control event only from a process attached to the application's console, and only to
// every process of that console at once; so the host runs a short-lived copy of itself, which
// attaches to the application's console, ignores the event itself and raises it. A fresh
// process every time: under Wine 8 a process that has attached once delivers no second event.

#include <windows.h>

// The helper's argument: "--console-ctrl-c <process id>".
extern const char kConsoleCtrlArgument[];

// True when the file's executable header names the console subsystem.
bool IsConsoleProgram(const char* path);

// Runs the helper for the process and waits for it, at most waitMs. True when the helper
// reports the event raised; false when it could not be started, failed, or did not end in time.
bool SendConsoleCtrlC(DWORD processId, DWORD waitMs);

// When the host's argument asks for the helper: true and the process id. Anything else (a slot
// number, a word) is the host's own argument.
bool ParseConsoleCtrlArgument(const char* argument, DWORD* processId);

// The helper itself: attach to the process's console, raise Ctrl+C there, detach. Returns the
// exit code: 0 raised, otherwise the system error of the step that failed.
int RunConsoleCtrlHelper(DWORD processId);
