#pragma once
// The processes this host has launched. Their handles stay open until the host ends, so that
// the identifier of each stays reserved for that process.

#include "HandleT.h"

#include <windows.h>
#include <vector>

class CLaunches {
public:
    // Takes ownership of a launched process's handle.
    void Add(HANDLE process);
    // The most recent launch, when it is still running; NULL otherwise.
    HANDLE RunningLatest() const;

private:
    std::vector<CHandle> processes_;
};

// True while the process has not ended. The handle needs SYNCHRONIZE access.
bool IsProcessRunning(HANDLE process);
