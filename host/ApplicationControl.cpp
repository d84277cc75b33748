#include "ApplicationControl.h"

#include "BoundedText.h"
#include "HandleT.h"
#include "HostUtil.h"
#include "Launches.h"

#include <windows.h>
#include <psapi.h>

namespace {

// The application's command line never names the program itself: one blank, then appParams.
const char kCommandLineFormat[] = " %s";

void FormatTerminationDetail(const CUtil& util, const ServiceRecord& record, const char* call,
                             DWORD error, char (&detail)[kDetailSize])
{
    FormatText(detail, sizeof(detail), "%s: %d (fprocessid: %d, mprocessid: %d, msid: %d)", call,
               static_cast<int>(error), static_cast<int>(util.launchedProcessId),
               static_cast<int>(record.appProcessId), static_cast<int>(util.slot));
}

// Full, long form of a path for comparison; false when it cannot be formed.
bool NormalizePath(const char* path, char (&normal)[MAX_PATH])
{
    char full[MAX_PATH];
    DWORD length = ::GetFullPathNameA(path, sizeof(full), full, NULL);
    if (length == 0 || length >= sizeof(full))
        return false;
    length = ::GetLongPathNameA(full, normal, sizeof(normal));
    if (length == 0 || length >= sizeof(normal))
        return CopyText(normal, full);
    return true;
}

using QueryImageNameFn = BOOL(WINAPI*)(HANDLE, DWORD, LPSTR, PDWORD);

// QueryFullProcessImageNameA where the system has it (Vista and later). It asks the kernel for
// the image's name, which works whatever the other process's bitness; reading the module list
// (GetModuleFileNameEx) fails for a 64-bit process seen from our 32-bit host.
QueryImageNameFn FullImageNameQuery()
{
    static const QueryImageNameFn query = reinterpret_cast<QueryImageNameFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"),
                                                 "QueryFullProcessImageNameA")));
    return query;
}

} // namespace

DWORD ImageQueryAccess()
{
    // Without the query (Windows XP), the module list is read instead, which needs these rights.
    return FullImageNameQuery() ? kProcessQueryLimitedInformation
                                : PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
}

bool ProcessRunsImage(HANDLE process, const char* appPath)
{
    char image[MAX_PATH];
    DWORD length = sizeof(image);
    if (QueryImageNameFn query = FullImageNameQuery()) {
        if (!query(process, 0, image, &length))
            return false;
    } else {
        length = ::GetModuleFileNameExA(process, NULL, image, sizeof(image));
    }
    if (length == 0 || length >= sizeof(image))
        return false;
    char imageNormal[MAX_PATH];
    char appNormal[MAX_PATH];
    if (!NormalizePath(image, imageNormal) || !NormalizePath(appPath, appNormal))
        return false;
    return ::lstrcmpiA(imageNormal, appNormal) == 0;
}

namespace {

// Terminates a process known to be running, writing the detail on failure.
int TerminateRunning(CUtil& util, HANDLE process, char (&detail)[kDetailSize])
{
    if (::TerminateProcess(process, 0))
        return 1;
    FormatTerminationDetail(util, util.Record(), "TerminateProcess", ::GetLastError(), detail);
    return 0;
}

} // namespace

int StartProcess(CUtil& util, CLaunches& launches, const char* applicationName, char* commandLine,
                 const char* workingDirectory)
{
    STARTUPINFOA startupInfo;
    ::GetStartupInfoA(&startupInfo);
    PROCESS_INFORMATION processInfo;
    if (!::CreateProcessA(applicationName, commandLine, NULL, NULL, FALSE, NORMAL_PRIORITY_CLASS,
                          NULL, workingDirectory, &startupInfo, &processInfo))
        return 0;
    ::CloseHandle(processInfo.hThread);
    launches.Add(processInfo.hProcess);
    util.Record().appProcessId = processInfo.dwProcessId;
    util.launchedProcessId = processInfo.dwProcessId;
    return 1;
}

int CallApplication(CUtil& util, CLaunches& launches, char (&detail)[kDetailSize])
{
    if (!util.LoadProperties())
        return 0;
    const ServiceRecord& record = util.Record();

    // Fields are copied with room for a terminator that the file may lack.
    char applicationName[sizeof(record.appPath) + 1];
    char workingDirectory[sizeof(record.workDir) + 1];
    char params[sizeof(record.appParams) + 1];
    CopyField(applicationName, record.appPath);
    CopyField(workingDirectory, record.workDir);
    CopyField(params, record.appParams);
    char commandLine[sizeof(params) + 1];
    FormatText(commandLine, sizeof(commandLine), kCommandLineFormat, params);

    if (!StartProcess(util, launches, applicationName, commandLine, workingDirectory)) {
        FormatText(detail, sizeof(detail), "CallApplication fail: %d",
                   static_cast<int>(record.appProcessId));
        return 0;
    }
    FormatText(detail, sizeof(detail), "CallApplication success: %d",
               static_cast<int>(record.appProcessId));
    util.SaveProperties();
    return 1;
}

int TerminateApplication(CUtil& util, const CLaunches& launches, char (&detail)[kDetailSize])
{
    // The host's own launch first: the record may carry an older launch's identifier after a
    // manager's save, or one left by an earlier host.
    if (HANDLE own = launches.RunningLatest())
        return TerminateRunning(util, own, detail);

    const ServiceRecord& record = util.Record();
    CHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | ImageQueryAccess(), FALSE,
                                  record.appProcessId));
    if (!process) {
        FormatTerminationDetail(util, record, "OpenProcess", ::GetLastError(), detail);
        return 0;
    }
    if (!IsProcessRunning(process.Get())) {
        // An ended process whose handle someone keeps; Windows refuses to terminate it.
        FormatTerminationDetail(util, record, "TerminateProcess", ERROR_ACCESS_DENIED, detail);
        return 0;
    }
    char appPath[sizeof(record.appPath) + 1];
    CopyField(appPath, record.appPath);
    if (!ProcessRunsImage(process.Get(), appPath)) {
        // Another program has that identifier by now: as good as no such process.
        FormatTerminationDetail(util, record, "OpenProcess", ERROR_INVALID_PARAMETER, detail);
        return 0;
    }
    return TerminateRunning(util, process.Get(), detail);
}
