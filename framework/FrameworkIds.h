#pragma once
// Command, control and string ids the framework itself knows. Only #defines, so resource
// scripts can include this file as well as C++ sources.

// Commands the framework handles: leave the program, show or hide the two standard bars.
#define ID_APP_EXIT 57665
#define ID_VIEW_TOOLBAR 59392
#define ID_VIEW_STATUS_BAR 59393

// Control ids of the standard bars (equal to their toggle commands) and of the view.
#define IDW_TOOLBAR 59392
#define IDW_STATUS_BAR 59393
#define IDW_REBAR 59396
#define IDW_PANE_FIRST 59648

// The status bar's idle text ("Ready") in a program's string table.
#define IDS_IDLE_MESSAGE 57345

// A status bar indicator list entry for the message pane; a toolbar separator.
#define ID_SEPARATOR 0

// Sent to a frame to show a text in its message pane: wParam a string id whose prompt part is
// shown (IDS_IDLE_MESSAGE gives the idle text), or 0 with lParam pointing at the text itself.
#define WM_SETMESSAGESTRING 0x0362

// The resource type of a toolbar layout: WORDs version 1, width, height, count, then the ids.
#define RT_TOOLBAR_LAYOUT 241
