#pragma once
// Registration and control of Ravelin's services through the Service Control Manager, without
// any window: each call makes its system requests and returns what happened, success or the
// step that failed with the system's error code. The programs report the result in their own
// words (the manager with its boxes, progress and log lines; RavelinCtl and the setup helper on
// the console).

#include "HandleT.h"

#include <windows.h>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The manager's access to the SCM: SC_MANAGER_CREATE_SERVICE | SC_MANAGER_QUERY_LOCK_STATUS |
// SC_MANAGER_MODIFY_BOOT_CONFIG | DELETE.
const DWORD kManagerScmAccess = 0x10032;
// Enough to find, start, stop and remove the services that exist.
const DWORD kFinderScmAccess = SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE;

// The stop handshake's hold: the application host polls the table every 2 s, and the manager
// waits 5 s after saving runRequested 0 before the stop control.
const DWORD kStopHoldMs = 5000;

enum class ServiceStep : uint8_t {
    None,       // nothing failed
    Connect,    // the SCM could not be opened
    Create,     // CreateService
    Parameters, // the service's Parameters key and its values
    Open,       // OpenService (1060: the service is not installed)
    Delete,     // DeleteService
    Start,      // StartService
    Stop,       // the stop control
    Query,      // QueryServiceStatus
    Save,       // the run request in the service table
};

struct ServiceResult {
    ServiceStep failedStep = ServiceStep::None;
    DWORD error = ERROR_SUCCESS;

    bool Succeeded() const { return failedStep == ServiceStep::None; }
    static ServiceResult Failed(ServiceStep step, DWORD error);
};

// What CreateService and the Parameters key receive for a record.
struct ServiceRegistration {
    const char* serviceName = "";   // the record's name with blanks as "-"
    const char* displayName = "";
    const char* imagePath = "";     // "\"<installPath>\\Ravelin.exe\""
    const char* application = "";   // Parameters\Application: "\"<installPath>\\Halyard.exe\""
    const char* appParameters = ""; // Parameters\AppParameters: the two-digit slot id
};

// A service whose image is an installation's Ravelin.exe.
struct InstalledService {
    std::string name;
    int slot = -1;       // from the service's Parameters\AppParameters; -1 when unreadable
    DWORD state = 0;     // SERVICE_RUNNING and the like, as the list was made
    DWORD processId = 0; // the service host's process while it runs
};

// Saves runRequested (0 or 1) in the service's table record; false when the save failed.
using RunRequestSave = std::function<bool(uint32_t runRequested)>;
// The stop handshake's hold, given the tick count of the save of runRequested 0.
using StopHold = std::function<void(DWORD savedAt)>;

class CServiceControl {
public:
    // Opens the local SCM with the access; Connected() tells whether it could.
    explicit CServiceControl(DWORD scmAccess = kManagerScmAccess);
    CServiceControl(const CServiceControl&) = delete;
    CServiceControl& operator=(const CServiceControl&) = delete;

    bool Connected() const { return scm_.IsValid(); }
    DWORD ConnectError() const { return connectError_; }
    // Closes the SCM handle: every later request fails at Connect, as with a refusing SCM.
    void Disconnect() { scm_.Reset(); }

    // CreateService (own process, interactive, automatic start), then the Parameters key. When
    // the key fails the service stays registered: the caller decides about its removal.
    ServiceResult Register(const ServiceRegistration& registration);
    ServiceResult Remove(const char* serviceName);
    ServiceResult Start(const char* serviceName);
    ServiceResult SendStop(const char* serviceName);
    // The SCM's current state (SERVICE_RUNNING and the like); failed step Open when the
    // service cannot be opened, in practice when it is not installed.
    ServiceResult QueryState(const char* serviceName, DWORD& state,
                             DWORD* processId = nullptr) const;
    // Polls until the service reports the state (0: until the system no longer knows it).
    bool WaitState(const char* serviceName, DWORD state, DWORD timeoutMs) const;

    // The start handshake: runRequested 1 saved, then the start; when the start fails,
    // runRequested 0 saved again. A failed save does not stop the handshake; saveFailed tells.
    ServiceResult StartWithRunRequest(const char* serviceName, const RunRequestSave& save,
                                      bool* saveFailed = nullptr);
    // The stop handshake: runRequested 0 saved, the hold (by default kStopHoldMs on the clock
    // from the save), then the stop control; when that fails, runRequested 1 saved again.
    ServiceResult StopWithRunRequest(const char* serviceName, const RunRequestSave& save,
                                     const StopHold& hold = StopHold(),
                                     bool* saveFailed = nullptr);
    // Waits until holdMs have passed since the tick count since.
    static void HoldSince(DWORD since, DWORD holdMs);

    // Every service whose image is <installDir>\Ravelin.exe; it needs the access that lists
    // the services (kFinderScmAccess).
    std::vector<InstalledService> Find(const std::string& installDir) const;

private:
    CScHandle OpenService(const char* serviceName, DWORD access, ServiceResult& result) const;

    CScHandle scm_;
    DWORD connectError_ = ERROR_SUCCESS;
};

// The program path at the start of a service's command line: the text inside the leading quotes,
// or the whole text when it is not quoted.
std::string ImageOfCommand(const std::string& command);
// True when the two Windows paths name the same file: letter case and a trailing backslash of
// the folder do not count.
bool SameImage(const std::string& image, const std::string& installDir, const char* program);
// The slot of a two-digit AppParameters text, "07" giving 7; -1 for anything else.
int SlotOfParameter(const std::string& text);
