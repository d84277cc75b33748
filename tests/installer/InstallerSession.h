#pragma once
// The built installer run in the suite's Wine prefix, and what the tests read back of an
// installation: its folders, registry values, shortcut, services and processes.

#include "HandleT.h"
#include "TestSupport.h"

#include <windows.h>
#include <string>
#include <vector>

extern const char kSettingsKeyName[];
extern const char kUninstallKeyName[];
extern const char kEventSourceKeyName[];

// The folders the installer uses by default.
std::string ProgramFilesDir();
std::string DefaultInstallDir();
std::string DefaultDataDir();
std::string StartMenuFolder();

// A string value under HKLM; "" when the key or value is missing (present tells which).
std::string ReadMachineText(const char* key, const char* value, bool* present = nullptr);
bool ReadMachineNumber(const char* key, const char* value, DWORD* number);
bool MachineKeyExists(const char* key);

// The target, arguments and working folder of a shortcut file.
struct ShortcutInfo {
    bool loaded = false;
    std::string target;
    std::string arguments;
    std::string workDir;
};
ShortcutInfo ReadShortcut(const std::string& path);

// "1.2.3" from the file's version block; "" without one.
std::string FileVersionText(const std::string& path);
// The command lines that the icacls stand-in recorded, oldest first.
std::vector<std::string> IcaclsCalls();

class CInstallerSession {
public:
    // A prefix as a fresh machine has it for Ravelin (no settings key) with the icacls stand-in.
    CInstallerSession();
    // Uninstalls what a test left installed in the default folder, removes leftovers.
    ~CInstallerSession();
    CInstallerSession(const CInstallerSession&) = delete;
    CInstallerSession& operator=(const CInstallerSession&) = delete;

    // Runs RavelinSetup.exe with the arguments and waits; its exit code, or -1 when it did not
    // start or end within the time. *elapsedMs gets the run's time.
    int RunSetup(const std::string& arguments, DWORD* elapsedMs = nullptr);
    // Runs <installDir>\Uninstall.exe /S. The uninstaller hands over to a copy of itself and
    // returns at once, so this waits until the installation's folder and registry keys are gone.
    bool RunUninstall(const std::string& installDir, DWORD* elapsedMs = nullptr);
    // Makes the icacls stand-in end with this code from now on.
    void SetIcaclsExitCode(int code);
};

// Registers a real service the way the manager registers one, with the image Ravelin.exe of the
// given folder (an installation's or the tests' own); withParameters false leaves out its
// Parameters key. Started on demand only. A CTestService of the name, adopted, removes it.
bool InstallRavelinService(const std::string& name, const std::string& programDir, int slot,
                           bool withParameters = true);

// A table with one service in the slot whose application is the test child, saved in the data
// folder, and the log's old lines.
void WriteChildService(const std::string& dataDir, int slot, const char* displayName);
// The running test children started by services (their records), oldest first.
std::vector<ChildRecord> LiveServiceChildren();
void EndServiceChildren();
