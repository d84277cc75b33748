#pragma once
// A job object holding one launch of the application and everything it starts, so that a stop
// ends the whole tree. No process may break away, and closing the last handle to the job ends
// whatever is still in it (the host's end included).

#include "HandleT.h"

#include <windows.h>

// How long a termination waits for the job to empty.
const DWORD kJobEmptyWaitMs = 5000;

class CProcessJob {
public:
    // Makes the job. 0 on success, or the system error code.
    DWORD Create();
    // Puts a process (created suspended, so it has run nothing yet) into the job. 0 or the
    // system error code (ERROR_ACCESS_DENIED: it already belongs to a job that allows no
    // nesting).
    DWORD Assign(HANDLE process);

    // Ends every process of the job and waits, at most waitMs, until none is left. True when
    // the job is empty.
    bool TerminateAll(DWORD waitMs = kJobEmptyWaitMs);
    // The number of processes in the job now; 0 when it cannot be read.
    DWORD ActiveProcesses() const;

    bool IsValid() const { return job_.IsValid(); }
    HANDLE Handle() const { return job_.Get(); }

private:
    CHandle job_;
};
