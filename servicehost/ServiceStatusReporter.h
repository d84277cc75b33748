#pragma once
// Tells the Service Control Manager what state the service is in. Both the service's own thread
// and the control handler (on the dispatcher thread) report, so every report is serialized.

#include <windows.h>

class CServiceStatusReporter {
public:
    using SetStatusFunction = BOOL(WINAPI*)(SERVICE_STATUS_HANDLE, LPSERVICE_STATUS);

    // Tests pass a function of their own in place of SetServiceStatus.
    explicit CServiceStatusReporter(SetStatusFunction setStatus = ::SetServiceStatus);
    ~CServiceStatusReporter();
    CServiceStatusReporter(const CServiceStatusReporter&) = delete;
    CServiceStatusReporter& operator=(const CServiceStatusReporter&) = delete;

    void Attach(SERVICE_STATUS_HANDLE handle);

    // Each pending report carries the next checkpoint of its state, so the SCM sees progress.
    bool ReportStartPending(DWORD waitHintMs);
    bool ReportRunning();
    bool ReportStopPending(DWORD waitHintMs);
    // The last report of all: once made, every later report is refused.
    bool ReportStopped(DWORD win32ExitCode, DWORD serviceExitCode = 0);

    DWORD CurrentState() const;

private:
    bool Report(DWORD state, DWORD waitHintMs, DWORD win32ExitCode, DWORD serviceExitCode);
    bool Allowed(DWORD state) const;

    SetStatusFunction setStatus_;
    SERVICE_STATUS_HANDLE handle_ = NULL;
    SERVICE_STATUS status_;
    mutable CRITICAL_SECTION lock_;
};
