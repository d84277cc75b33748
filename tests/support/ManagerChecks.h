#pragma once
// Checks that several manager suites share: the commands' enabled states as the toolbar and the
// menus show them, and the manager's message boxes.

#include "ManagerHarness.h"

#include <windows.h>
#include <string>
#include <vector>

namespace command {
const UINT kNew = 32777;
const UINT kEdit = 32778;
const UINT kOptions = 32789;
const UINT kInstall = 32779;
const UINT kUninstall = 32780;
const UINT kDelete = 32782;
const UINT kStart = 32783;
const UINT kStop = 32784;
const UINT kLog = 32787;
const UINT kOpenDataFolder = 32788;
const UINT kManual = 32772;
const UINT kMorvane = 32774;
const UINT kExit = 57665;
const UINT kToolbar = 59392;
const UINT kStatusBar = 59393;
} // namespace command

// The manager's dialogs: captions and the controls the tests drive.
const char kNewEditCaption[] = "New/Edit service";
const char kNextActionsCaption[] = "Next actions";
// The framework's Yes/No boxes carry the program's file name.
const char kQuestionCaption[] = "RavelinManager";
namespace control {
const int kName = 1004;
const int kPath = 1005;
const int kBrowse = 1006;
const int kWorkDir = 1007;
const int kParams = 1011;
const int kRevive = 1015;
const int kInstallBox = 1018;
const int kStartBox = 1019;
} // namespace control

// Which of the seven service commands that need a selection are available.
struct ServiceCommands {
    bool edit, remove, install, uninstall, start, stop, log;
};
const ServiceCommands kNoSelection = {false, false, false, false, false, false, false};
const ServiceCommands kReadyCommands = {true, true, true, false, false, false, true};
const ServiceCommands kStartedCommands = {true, false, false, false, false, true, true};
const ServiceCommands kStoppedCommands = {true, false, false, true, true, false, true};
// A status that cannot be asked leaves every command to decide for itself.
const ServiceCommands kUnknownCommands = {true, true, true, true, true, true, true};

// Waits (after letting the manager run its idle update) until the five toolbar buttons that
// follow the rule show the expected states, then checks them and New; and checks the Service
// menu, read inside the manager.
void ExpectServiceCommands(CManagerHarness& manager, const ServiceCommands& expected,
                           const char* situation);

// The slot's log file in the manager's data folder, and its messages oldest first; a line
// without its "**" mark shows as "(no message) <line>".
std::string LogFilePath(const CManagerHarness& manager, int slot);
std::vector<std::string> LogFileMessages(const CManagerHarness& manager, int slot);

// A picture of the window as the user sees it, painted afresh, saved in the screenshots folder
// under the file name.
void TakePicture(CManagerHarness& manager, HWND window, const char* file);

// The message boxes (class "#32770", with a static text 0xFFFF) of a process, as they appear.
struct SeenBox {
    std::string caption;
    std::string text;
};
// Answers every message box of the process with OK until it ends or the deadline passes;
// returns the boxes in the order seen.
std::vector<SeenBox> AnswerBoxesUntilExit(CTestProcess& process, DWORD timeoutMs);
