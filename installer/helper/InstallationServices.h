#pragma once
// What an installer does to the services of an installation before it replaces or removes the
// programs: close the installation's manager, stop its services the way the manager stops one
// (the run request in the service table first, so that each application host terminates its
// application; the stop control after that), start them again, or remove them.

#include "ServiceControl.h"
#include "ServiceData.h"

#include <string>
#include <vector>

class CInstallationServices {
public:
    explicit CInstallationServices(const std::string& installDir);

    // Closes a running RavelinManager.exe of this installation as its Exit command does; true
    // when none runs any more.
    bool CloseManager();
    // Stops every running service of the installation; their names go to stopped. True when all
    // of them stopped.
    bool StopRunning(std::vector<std::string>* stopped);
    // Starts the services again, each with the run request set first, as the manager does.
    bool Start(const std::vector<std::string>& names);
    // Stops and deletes every service of the installation; true when the system knows none of
    // them any more.
    bool RemoveAll();

private:
    bool StopServices(const std::vector<InstalledService>& running);
    bool LoadTable();
    bool SaveRunRequested(const std::vector<InstalledService>& services, uint32_t value);
    void Log(int slot, uint8_t type, const char* message) const;
    // "Cannot <action> the service <name>: <system text>." on stdout.
    static void ReportFailure(const char* action, const std::string& name, DWORD error);
    void ReportConnectFailure() const;

    std::string installDir_;
    CServiceControl scm_;
    std::string dataPath_;
    std::string tablePath_;
    CServiceData table_;
};
