#pragma once
// The services of one installation: every service whose image is that installation's Ravelin.exe,
// found through the Service Control Manager, and the slot each one serves.

#include "HandleT.h"

#include <windows.h>
#include <string>
#include <vector>

struct InstalledService {
    std::string name;
    int slot = -1;           // from the service's Parameters\AppParameters; -1 when unreadable
    DWORD state = 0;         // SERVICE_RUNNING and the like, as the list was made
    DWORD processId = 0;     // the service host's process while it runs
};

// The program path at the start of a service's command line: the text inside the leading quotes,
// or the whole text when it is not quoted.
std::string ImageOfCommand(const std::string& command);
// True when the two Windows paths name the same file: letter case and a trailing backslash of
// the folder do not count.
bool SameImage(const std::string& image, const std::string& installDir, const char* program);
// The slot of a two-digit AppParameters text, "07" giving 7; -1 for anything else.
int SlotOfParameter(const std::string& text);

class CInstalledServices {
public:
    CInstalledServices();
    bool Connected() const { return scm_.IsValid(); }
    // Every service whose image is <installDir>\Ravelin.exe.
    std::vector<InstalledService> Find(const std::string& installDir) const;

    DWORD State(const std::string& name) const;
    DWORD ProcessId(const std::string& name) const;
    bool Start(const std::string& name) const;
    bool SendStop(const std::string& name) const;
    bool Delete(const std::string& name) const;
    // Polls until the service reports the state (0: until the system no longer knows it).
    bool WaitState(const std::string& name, DWORD state, DWORD timeoutMs) const;

private:
    CScHandle scm_;
};
