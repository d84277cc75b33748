#include "ServiceStatusReporter.h"

namespace {

// Holds a critical section for one scope.
class CLock {
public:
    explicit CLock(CRITICAL_SECTION& section) : section_(section)
    {
        ::EnterCriticalSection(&section_);
    }
    ~CLock() { ::LeaveCriticalSection(&section_); }
    CLock(const CLock&) = delete;
    CLock& operator=(const CLock&) = delete;

private:
    CRITICAL_SECTION& section_;
};

bool IsPending(DWORD state)
{
    return state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
}

} // namespace

CServiceStatusReporter::CServiceStatusReporter(SetStatusFunction setStatus) : setStatus_(setStatus)
{
    ::InitializeCriticalSection(&lock_);
    ZeroMemory(&status_, sizeof(status_));
    status_.dwServiceType = SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS;
    status_.dwCurrentState = SERVICE_START_PENDING;
}

CServiceStatusReporter::~CServiceStatusReporter()
{
    ::DeleteCriticalSection(&lock_);
}

void CServiceStatusReporter::Attach(SERVICE_STATUS_HANDLE handle)
{
    CLock lock(lock_);
    handle_ = handle;
}

bool CServiceStatusReporter::ReportStartPending(DWORD waitHintMs)
{
    return Report(SERVICE_START_PENDING, waitHintMs, NO_ERROR, 0);
}

bool CServiceStatusReporter::ReportRunning()
{
    return Report(SERVICE_RUNNING, 0, NO_ERROR, 0);
}

bool CServiceStatusReporter::ReportStopPending(DWORD waitHintMs)
{
    return Report(SERVICE_STOP_PENDING, waitHintMs, NO_ERROR, 0);
}

bool CServiceStatusReporter::ReportStopped(DWORD win32ExitCode, DWORD serviceExitCode)
{
    return Report(SERVICE_STOPPED, 0, win32ExitCode, serviceExitCode);
}

DWORD CServiceStatusReporter::CurrentState() const
{
    CLock lock(lock_);
    return status_.dwCurrentState;
}

// Nothing follows STOPPED, and once stopping has begun the service never claims to start or
// run again: a stop that races the service's own ending must not revive it in the SCM's eyes.
bool CServiceStatusReporter::Allowed(DWORD state) const
{
    switch (status_.dwCurrentState) {
    case SERVICE_STOPPED:
        return false;
    case SERVICE_STOP_PENDING:
        return state == SERVICE_STOP_PENDING || state == SERVICE_STOPPED;
    case SERVICE_RUNNING:
        return state != SERVICE_START_PENDING;
    default:
        return true;
    }
}

bool CServiceStatusReporter::Report(DWORD state, DWORD waitHintMs, DWORD win32ExitCode,
                                    DWORD serviceExitCode)
{
    CLock lock(lock_);
    if (!handle_ || !Allowed(state))
        return false;
    if (!IsPending(state))
        status_.dwCheckPoint = 0;
    else if (state == status_.dwCurrentState && status_.dwCheckPoint != 0)
        ++status_.dwCheckPoint;
    else
        status_.dwCheckPoint = 1;
    status_.dwCurrentState = state;
    status_.dwWaitHint = IsPending(state) ? waitHintMs : 0;
    // Only a running service takes requests; while pending the SCM holds them back itself.
    status_.dwControlsAccepted =
        state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    if (serviceExitCode != 0) {
        status_.dwWin32ExitCode = ERROR_SERVICE_SPECIFIC_ERROR;
        status_.dwServiceSpecificExitCode = serviceExitCode;
    } else {
        status_.dwWin32ExitCode = win32ExitCode;
        status_.dwServiceSpecificExitCode = 0;
    }
    return setStatus_(handle_, &status_) != FALSE;
}
