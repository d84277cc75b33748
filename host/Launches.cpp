#include "Launches.h"

void CLaunches::Add(HANDLE process)
{
    processes_.emplace_back(process);
}

HANDLE CLaunches::RunningLatest() const
{
    if (processes_.empty())
        return NULL;
    HANDLE latest = processes_.back().Get();
    return IsProcessRunning(latest) ? latest : NULL;
}

bool IsProcessRunning(HANDLE process)
{
    return ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
}
