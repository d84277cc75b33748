#include "HostedService.h"

#include "ApplicationCommand.h"
#include "ApplicationProcess.h"
#include "BoundedText.h"
#include "EventSource.h"
#include "ServiceParameters.h"
#include "SystemMessage.h"

#include <new>

namespace {

// The folder of this program, against which a relative Application path is taken.
void OwnFolder(char* folder, size_t size)
{
    char self[MAX_PATH];
    DWORD length = ::GetModuleFileNameA(NULL, self, sizeof(self));
    if (length == 0 || length >= sizeof(self) || !FolderOfPath(self, folder, size))
        folder[0] = '\0';
}

const char* ControlName(DWORD control)
{
    return control == SERVICE_CONTROL_SHUTDOWN ? "system shutdown" : "stop request";
}

} // namespace

CHostedService::CHostedService() = default;

CHostedService::CHostedService(CServiceStatusReporter::SetStatusFunction setStatus)
    : reporter_(setStatus)
{
}

// The object is never freed: the SCM may still call the control handler on the dispatcher
// thread while this thread makes its last report, and the process ends right after.
void WINAPI CHostedService::ServiceMain(DWORD argc, LPSTR* argv)
{
    CHostedService* service = new (std::nothrow) CHostedService;
    if (!service)
        return;
    service->Run(argc > 0 && argv[0] ? argv[0] : "");
}

DWORD WINAPI CHostedService::ControlHandler(DWORD control, DWORD /*eventType*/,
                                            LPVOID /*eventData*/, LPVOID context)
{
    CHostedService* service = static_cast<CHostedService*>(context);
    switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
        service->RequestStop(control);
        return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
        return NO_ERROR;
    default:
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

// STOP_PENDING goes out at once, before the control returns, so the SCM knows the request is
// being carried out; the waiting is the service thread's.
void CHostedService::RequestStop(DWORD control)
{
    ::InterlockedCompareExchange(&stopControl_, static_cast<LONG>(control), 0);
    reporter_.ReportStopPending(kStopWaitHintMs);
    ::SetEvent(stopEvent_.Get());
}

void CHostedService::Run(const char* serviceName)
{
    CopyText(name_, serviceName);
    SERVICE_STATUS_HANDLE handle = ::RegisterServiceCtrlHandlerExA(name_, ControlHandler, this);
    if (!handle) {
        char reason[320];
        FormatSystemError(::GetLastError(), reason, sizeof(reason));
        CEventSource::ReportFormat(EVENTLOG_ERROR_TYPE,
                                   "Service \"%s\" could not register its control handler with "
                                   "the Service Control Manager: %s.",
                                   name_, reason);
        return;
    }
    RunRegistered(name_, handle);
}

void CHostedService::RunRegistered(const char* serviceName, SERVICE_STATUS_HANDLE handle)
{
    if (serviceName != name_)
        CopyText(name_, serviceName);
    reporter_.Attach(handle);

    DWORD win32ExitCode = ERROR_SUCCESS;
    DWORD serviceExitCode = 0;
    try {
        Serve(&win32ExitCode, &serviceExitCode);
    } catch (...) {
        win32ExitCode = ERROR_INTERNAL_ERROR;
        serviceExitCode = 0;
    }
    // Every handle of the run is closed by now; nothing may follow this report.
    reporter_.ReportStopped(win32ExitCode, serviceExitCode);
}

void CHostedService::Serve(DWORD* win32ExitCode, DWORD* serviceExitCode)
{
    reporter_.ReportStartPending(kStartWaitHintMs);
    // Made before RUNNING is reported: no stop can arrive earlier.
    stopEvent_.Reset(::CreateEventA(NULL, TRUE, FALSE, NULL));
    if (!stopEvent_) {
        *win32ExitCode = ::GetLastError();
        return;
    }
    CApplicationProcess application;
    *win32ExitCode = StartApplication(application);
    if (*win32ExitCode != ERROR_SUCCESS)
        return;
    reporter_.ReportRunning();

    // A failed wait, which should never happen, ends in an orderly stop as well.
    HANDLE waits[2] = {stopEvent_.Get(), application.Handle()};
    DWORD woken = ::WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    if (woken == WAIT_OBJECT_0 + 1)
        *win32ExitCode = ApplicationEnded(application, serviceExitCode);
    else
        *win32ExitCode = StopApplication(application);
}

// Reads the service's Parameters and starts its program. Every refusal is written to the event
// log here and returned as the service's exit code.
DWORD CHostedService::StartApplication(CApplicationProcess& application)
{
    char reason[320];
    CServiceParameters parameters;
    DWORD error = parameters.Read(name_);
    if (error != ERROR_SUCCESS) {
        FormatSystemError(error, reason, sizeof(reason));
        CEventSource::ReportFormat(EVENTLOG_ERROR_TYPE,
                                   "Service \"%s\" cannot start: %s HKEY_LOCAL_MACHINE\\%s "
                                   "cannot be read: %s.",
                                   name_, parameters.FailedItem(), parameters.KeyPath(), reason);
        return error;
    }
    reporter_.ReportStartPending(kStartWaitHintMs);

    char folder[MAX_PATH];
    OwnFolder(folder, sizeof(folder));
    CApplicationCommand command;
    error = command.Compose(parameters.Application(), parameters.AppParameters(), folder);
    if (error == ERROR_SUCCESS)
        error = application.Start(command);
    if (error != ERROR_SUCCESS) {
        FormatSystemError(error, reason, sizeof(reason));
        CEventSource::ReportFormat(EVENTLOG_ERROR_TYPE,
                                   "Service \"%s\" cannot start its program. Application: %s; "
                                   "command line: %s; working folder: %s. Reason: %s.",
                                   name_, parameters.Application(), command.CommandLine(),
                                   command.WorkFolder(), reason);
        return error;
    }
    CopyText(programPath_, command.ProgramPath());
    return ERROR_SUCCESS;
}

// Asks the program to close and waits for it, keeping the SCM informed. A program with no
// window yet (just started, say) is asked again at every checkpoint until one appears.
DWORD CHostedService::StopApplication(CApplicationProcess& application)
{
    DWORD started = ::GetTickCount();
    bool asked = false;
    for (;;) {
        if (!asked)
            asked = application.PostClose() > 0;
        if (::WaitForSingleObject(application.Handle(), kStopPollMs) == WAIT_OBJECT_0)
            return ERROR_SUCCESS;
        if (::GetTickCount() - started >= kStopTimeoutMs)
            break;
        reporter_.ReportStopPending(kStopWaitHintMs);
    }
    CEventSource::ReportFormat(EVENTLOG_WARNING_TYPE,
                               "Service \"%s\", %s: the program %s (process %lu) %s within %lu "
                               "seconds. The service reports stopped and leaves it running.",
                               name_, ControlName(static_cast<DWORD>(stopControl_)), programPath_,
                               application.Id(),
                               asked ? "was asked to close its window and did not end"
                                     : "had no window to close and did not end",
                               kStopTimeoutMs / 1000);
    return ERROR_TIMEOUT;
}

// The program ended while the service ran: the service ends with it. A non-zero exit code of
// the program becomes the service's own exit code.
DWORD CHostedService::ApplicationEnded(const CApplicationProcess& application,
                                       DWORD* serviceExitCode)
{
    DWORD code = application.ExitCode();
    CEventSource::ReportFormat(EVENTLOG_WARNING_TYPE,
                               "Service \"%s\": the program %s (process %lu) ended by itself "
                               "with exit code %lu; the service stops.",
                               name_, programPath_, application.Id(), code);
    *serviceExitCode = code;
    return ERROR_SUCCESS;
}
