#pragma once
// The one program a service runs: started once, asked to close through its windows, waited
// for. The service host never terminates it.

#include "HandleT.h"

#include <windows.h>

class CApplicationCommand;

class CApplicationProcess {
public:
    // Starts the program in its working folder. Returns ERROR_SUCCESS or the system error code.
    DWORD Start(CApplicationCommand& command);

    // Posts WM_CLOSE to every top-level window of the process, hidden ones included (an
    // application host's only window is never shown). Returns how many windows it asked.
    int PostClose() const;

    HANDLE Handle() const { return process_.Get(); }
    DWORD Id() const { return id_; }
    bool HasEnded() const;
    // The exit code once it has ended.
    DWORD ExitCode() const;

private:
    CHandle process_;
    DWORD id_ = 0;
};
