#pragma once
// Fifty records of the service table installed as real auto-start services of the system's
// Service Control Manager (the service host Ravelin.exe, which runs Halyard.exe with the slot,
// which runs the test child), driven the way the manager drives them: records saved whole from
// the manager's copy, the start handshake (runRequested 1, save, start request) and the stop
// handshake (runRequested 0, save, the hold, the stop control), with the manager's log lines.

#include "ServiceData.h"
#include "TestSupport.h"

#include <windows.h>
#include <string>
#include <vector>

const int kLoadServices = 50;

// True while the process runs the test child (not a newer process with a reused identifier).
bool IsTestChildRunning(DWORD pid);

class CFiftyServices {
public:
    // The table file and logs lie in dataDir, which the settings name.
    explicit CFiftyServices(const std::string& dataDir);
    // Stops and deletes every service and ends every application still running.
    ~CFiftyServices();
    CFiftyServices(const CFiftyServices&) = delete;
    CFiftyServices& operator=(const CFiftyServices&) = delete;

    // New for every slot: the record filled and the whole table saved, "Service created." logged.
    bool CreateRecords(std::string* error);
    // Registers each record as the manager's Install does: own process, interactive, auto-start.
    bool InstallAll(std::string* error);
    // The start handshake for the slots, one right after the other, as at boot (each, as the
    // manager's Start and Stop do, loads the table before it changes and saves it).
    bool StartAll(const std::vector<int>& slots, std::string* error);
    // The stop handshake's save for the slots: runRequested 0, the table saved.
    bool RequestStops(const std::vector<int>& slots, std::string* error);
    // The stop handshake's last step for the slots: the stop control, "Service stopped." logged.
    bool SendStops(const std::vector<int>& slots, std::string* error);

    // Current state of a slot's service (SERVICE_RUNNING, ...); 0 when unknown.
    DWORD State(int slot) const;
    // How many of the slots are in the state.
    int CountInState(const std::vector<int>& slots, DWORD state) const;
    // Test children that recorded themselves and still run (each process once).
    std::vector<DWORD> RunningChildren() const;
    // The process ids of every launch the slot's host logged ("CallApplication success: N").
    std::vector<DWORD> LoggedLaunches(int slot) const;
    std::vector<std::string> LogMessages(int slot) const;

    // The manager's copy of the table, as last saved.
    const ServiceTable& Table() { return *data_.Table(); }
    const std::string& TablePath() const { return tablePath_; }
    static std::string ServiceName(int slot);
    static std::vector<int> Slots(int first, int count);

private:
    void Log(int slot, uint8_t type, const char* message) const;
    bool Save(std::string* error);

    std::string dataDir_;
    std::string tablePath_;
    CServiceData data_;
    std::vector<int> installed_;
};
