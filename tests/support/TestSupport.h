#pragma once
// What the tests share: folders in the suite's Wine prefix, the settings key, service tables,
// log files, processes and deadlines.

#include "TableBytes.h"

#include <windows.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The folder of the running test program, where every built program lies.
std::string BinDir();
std::string BinPath(const char* program);

// A new empty folder below C:\ whose name contains blanks and the given tag.
std::string MakeScratchDir(const char* tag);
bool FileExists(const std::string& path);
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

// HKLM\SOFTWARE\Morvane\Ravelin values; an empty text deletes the value.
void SetSetting(const char* name, const std::string& value);
void DeleteSettingsKey();

// Polls the condition every 20 ms until it holds or the deadline passes.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// A process started by a test, terminated when the owner goes unless released.
class CTestProcess {
public:
    CTestProcess() = default;
    ~CTestProcess();
    CTestProcess(const CTestProcess&) = delete;
    CTestProcess& operator=(const CTestProcess&) = delete;

    // Starts program with the given command line (which the child sees whole), in workDir,
    // with CreateProcess's creation flags.
    bool Start(const std::string& program, const std::string& commandLine,
               const std::string& workDir = std::string(), DWORD creationFlags = 0);
    bool WaitExit(DWORD timeoutMs);
    DWORD ExitCode() const;
    DWORD Id() const { return id_; }
    HANDLE Handle() const { return process_; }

private:
    HANDLE process_ = NULL;
    DWORD id_ = 0;
};

bool IsProcessAlive(DWORD pid);
void KillProcess(DWORD pid);

// What a test child recorded about itself.
struct ChildRecord {
    DWORD pid = 0;
    std::string commandLine;
    std::string workDir;
    DWORD spawned = 0;
};
// Where children record themselves when their environment does not say (children of services).
extern const char kServiceChildRecords[];
// Every record in the folder, in no particular order.
std::vector<ChildRecord> ReadChildRecords(const std::string& folder);
// Waits until the folder holds at least count records; returns them all.
std::vector<ChildRecord> WaitChildRecords(const std::string& folder, size_t count,
                                          DWORD timeoutMs);
