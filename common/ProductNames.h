#pragma once
// The names and keys that the manager, the application host, the service host, RavelinCtl, the
// setup helper and the demo tool all use: each is written here once.

#include <cstddef>

// The service table file in the data folder.
constexpr char kPropertiesFileName[] = "Properties.dat";

// The manager's main window title: its single-instance check, RavelinCtl's and the setup
// helper's test for a running manager, and the demo tool all find the window by it.
constexpr char kManagerWindowTitle[] = "Ravelin - Morvane";

// The key under HKEY_LOCAL_MACHINE that holds a key per service.
constexpr char kServicesKey[] = "SYSTEM\\CurrentControlSet\\Services";

// <dataPath>\<slotText>.log, the log file of a slot: the host names it by its argument as given,
// everyone else by the slot's two digits. False when it does not fit.
bool MakeLogFilePath(char* path, size_t size, const char* dataPath, const char* slotText);
bool MakeLogFilePath(char* path, size_t size, const char* dataPath, int slot);

// <dataPath>\Properties.dat. False when it does not fit.
bool MakePropertiesFilePath(char* path, size_t size, const char* dataPath);
