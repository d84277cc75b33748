#pragma once
// The host's hidden window: its messages and timers drive everything the host does.

#include <windows.h>

const UINT_PTR kPollTimer = 4;
const UINT kPollPeriodMs = 2000;
const UINT_PTR kReviveTimer = 2;
const UINT kReviveDelayMs = 10000;
const size_t kResourceTextSize = 80;

// Window class and title, loaded from the string table before the class is registered.
extern char hostClassName[kResourceTextSize];
extern char hostTitle[kResourceTextSize];

void RegisterHostClass(HINSTANCE instance);

// Creates the hidden window, publishes it in the table, makes the first launch and starts polling.
int InitHost(HINSTANCE instance, int showCommand);

LRESULT CALLBACK HostWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
