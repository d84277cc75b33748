#pragma once
// A real service of one table record, registered with the system's Service Control Manager the
// way the product registers it: the service host Ravelin.exe, which runs the application host
// Halyard.exe with the record's slot, which runs the record's application.

#include "HandleT.h"

#include <windows.h>
#include <string>

class CTestService {
public:
    // name: the service's name (the record's display name with blanks made hyphens).
    CTestService(const std::string& name, const std::string& displayName, int slot);
    // Stops and deletes the service, and ends the applications it started.
    ~CTestService();
    CTestService(const CTestService&) = delete;
    CTestService& operator=(const CTestService&) = delete;

    bool Install();
    // Takes on a service that the product installed under the name: it is removed at the end.
    void Adopt() { installed_ = true; }
    bool Start();
    bool Stop();
    // Stops (when running) and deletes the service; true once the system no longer knows it.
    bool Remove();
    // SERVICE_RUNNING and the like; 0 when the service does not exist or cannot be asked.
    DWORD State() const;
    // Waits until the service is in the state; false at the deadline.
    bool WaitState(DWORD state, DWORD timeoutMs) const;
    std::string LastError() const { return error_; }

private:
    std::string name_;
    std::string displayName_;
    int slot_;
    bool installed_ = false;
    std::string error_;
};
