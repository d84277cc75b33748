#pragma once
// The one service of a service host process: starts the service's program, reports RUNNING,
// and ends the service when the program ends or when the SCM asks for a stop. The work happens
// on the ServiceMain thread; the control handler only records the request, reports
// STOP_PENDING and wakes that thread, which reports SERVICE_STOPPED as its very last act.

#include "HandleT.h"
#include "ServiceStatusReporter.h"

#include <windows.h>

class CApplicationProcess;

// How long a stop waits for the program to close after asking it to. The application host,
// asked, ends its application first: with the graceful stop method that takes up to the
// service's stop timeout (at most 60 s) and a termination, then a save of the run request
// under the table lock. A program that has not closed by then (it ignores the request, or has
// no window to receive it) is left running: the service reports STOPPED with ERROR_TIMEOUT
// rather than keep the SCM, or a system shutdown, waiting on it without end. All the while the
// service reports STOP_PENDING with a new checkpoint every kStopPollMs, so no controller gives
// up on it. The service host never terminates the program itself.
const DWORD kStopTimeoutMs = 90000;
// Between checkpoints of a pending state; the wait hints promise the SCM the next one in time.
const DWORD kStopPollMs = 100;
const DWORD kStopWaitHintMs = 2000;
const DWORD kStartWaitHintMs = 5000;

class CHostedService {
public:
    // The ServiceMain of the dispatcher table.
    static void WINAPI ServiceMain(DWORD argc, LPSTR* argv);

    // The service's control handler (HandlerEx), context being the service object: stop and
    // shutdown take the same path.
    static DWORD WINAPI ControlHandler(DWORD control, DWORD eventType, LPVOID eventData,
                                       LPVOID context);

    // Tests drive a service object below the SCM: its reports go to setStatus, its controls
    // come through ControlHandler, and RunRegistered does the work of ServiceMain once the
    // control handler is registered (handle is passed on to setStatus).
    explicit CHostedService(CServiceStatusReporter::SetStatusFunction setStatus);
    void RunRegistered(const char* serviceName, SERVICE_STATUS_HANDLE handle);

private:
    CHostedService();
    CHostedService(const CHostedService&) = delete;
    CHostedService& operator=(const CHostedService&) = delete;

    void RequestStop(DWORD control);

    void Run(const char* serviceName);
    // Everything between START_PENDING and STOPPED; returns the exit codes for the last report.
    void Serve(DWORD* win32ExitCode, DWORD* serviceExitCode);
    DWORD StartApplication(CApplicationProcess& application);
    DWORD StopApplication(CApplicationProcess& application);
    DWORD ApplicationEnded(const CApplicationProcess& application, DWORD* serviceExitCode);

    char name_[257] = "";
    char programPath_[MAX_PATH] = "";
    CServiceStatusReporter reporter_;
    CHandle stopEvent_;
    volatile LONG stopControl_ = 0;
};
