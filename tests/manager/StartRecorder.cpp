// Plays the service host Ravelin.exe in a folder of a test's making. At its very start, before it
// connects to the SCM, it copies the service table as it is at that moment (the file named by the
// settings' dataPath) to "table-at-start.dat" beside itself; an empty copy means there was no
// table. Then it is a plain service: RUNNING until the stop control, then STOPPED.
// The SCM starts this program only after a start request, and the request returns only once the
// program has connected: a table saved after the request can never be in the copy.

#include "BoundedText.h"
#include "HandleT.h"
#include "RegistrySettings.h"

#include <windows.h>
#include <cstring>

namespace {

SERVICE_STATUS_HANDLE statusHandle = NULL;
CHandle stopEvent;

void Report(DWORD state)
{
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    status.dwWaitHint = state == SERVICE_STOP_PENDING ? 3000 : 0;
    ::SetServiceStatus(statusHandle, &status);
}

DWORD WINAPI Handler(DWORD control, DWORD, LPVOID, LPVOID)
{
    if (control != SERVICE_CONTROL_STOP)
        return control == SERVICE_CONTROL_INTERROGATE ? NO_ERROR : ERROR_CALL_NOT_IMPLEMENTED;
    Report(SERVICE_STOP_PENDING);
    ::SetEvent(stopEvent.Get());
    return NO_ERROR;
}

void WINAPI ServiceMain(DWORD argc, LPSTR* argv)
{
    statusHandle = ::RegisterServiceCtrlHandlerExA(argc > 0 ? argv[0] : "", Handler, NULL);
    if (!statusHandle)
        return;
    Report(SERVICE_RUNNING);
    ::WaitForSingleObject(stopEvent.Get(), INFINITE);
    Report(SERVICE_STOPPED);
}

void CopyTableAsItIsNow()
{
    char self[MAX_PATH];
    DWORD length = ::GetModuleFileNameA(NULL, self, sizeof(self));
    if (length == 0 || length >= sizeof(self))
        return;
    char* slash = strrchr(self, '\\');
    if (!slash)
        return;
    *slash = '\0';
    char copy[MAX_PATH];
    char dataPath[kSettingBufferSize];
    char table[MAX_PATH];
    if (!FormatText(copy, sizeof(copy), "%s\\table-at-start.dat", self))
        return;
    if (!ReadSetting(kDataPathValue, dataPath) ||
        !FormatText(table, sizeof(table), "%s\\Properties.dat", dataPath) ||
        !::CopyFileA(table, copy, FALSE))
        CFileHandle(::CreateFileA(copy, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, NULL));
}

} // namespace

int main()
{
    CopyTableAsItIsNow();
    stopEvent.Reset(::CreateEventA(NULL, TRUE, FALSE, NULL));
    char name[] = "";
    SERVICE_TABLE_ENTRYA services[] = {{name, ServiceMain}, {NULL, NULL}};
    return ::StartServiceCtrlDispatcherA(services) ? 0 : 1;
}
