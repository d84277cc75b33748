#pragma once
// The processes this host has launched. Their handles stay open until the host ends, so that
// the identifier of each stays reserved for that process. Each launch keeps its job (when the
// whole tree is to be stopped), the restart options it was made with, and whether the host
// itself ended it: an exit the host caused is never taken for one the application made.

#include "HandleT.h"
#include "ProcessJob.h"
#include "Supervision.h"

#include <windows.h>
#include <vector>

// How many launches keep their handles: enough for any identifier a record may still carry,
// bounded however often an application is restarted.
const size_t kKeptLaunches = 8;

class CLaunches {
public:
    // Takes ownership of a launched process's handle and of its job (which may be empty). The
    // handles of the oldest launches that have ended are closed beyond kKeptLaunches.
    void Add(HANDLE process, CProcessJob job = CProcessJob(),
             const RestartSettings& restart = RestartSettings());
    // The most recent launch, when it is still running; NULL otherwise.
    HANDLE RunningLatest() const;
    // The most recent launch's job; NULL when it has none.
    CProcessJob* LatestJob();
    // Ends what is left of the earlier launches' jobs, before a new launch.
    void EndEarlierJobs();

    // Marks the most recent launch as ended by the host (a stop, the end of the session, the
    // host's own end). Called before the host ends it, so that no poll can see the exit first.
    void MarkEndedByHost();
    // Changes with every launch and every MarkEndedByHost: a restart scheduled under one
    // generation is void under another.
    unsigned Generation() const { return generation_; }

    // The exit of the most recent launch when the application ended by itself, reported once:
    // its exit code, how long it ran and the restart options it was launched with.
    bool TakeOwnExit(DWORD* exitCode, DWORD* runMs, RestartSettings* restart);

    // How many launches the host holds now.
    size_t Kept() const { return launches_.size(); }

private:
    struct Launch {
        CHandle process;
        CProcessJob job;
        RestartSettings restart;
        DWORD startTick = 0;
        bool endedByHost = false;
        bool exitTaken = false;
    };
    std::vector<Launch> launches_;
    unsigned generation_ = 0;
};

// True while the process has not ended. The handle needs SYNCHRONIZE access.
bool IsProcessRunning(HANDLE process);

// How long an ended process ran, from its creation and exit times; fallbackMs when the system
// cannot tell.
DWORD ProcessRunMs(HANDLE process, DWORD fallbackMs);
