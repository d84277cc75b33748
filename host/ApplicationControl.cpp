#include "ApplicationControl.h"

#include "BoundedText.h"
#include "ChildEnvironment.h"
#include "HandleT.h"
#include "HostUtil.h"
#include "Launches.h"
#include "OutputFiles.h"
#include "ProcessJob.h"
#include "ServiceOptions.h"

#include <windows.h>
#include <psapi.h>
#include <string>
#include <utility>
#include <vector>

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

namespace {

// The extended start-up information and the handle list attribute, which the XP-level headers
// leave out; the attribute list functions are looked up at run time (Vista and later).
struct StartupInfoEx {
    STARTUPINFOA StartupInfo;
    void* lpAttributeList;
};
const DWORD kExtendedStartupInfoPresent = 0x00080000;
const DWORD_PTR kProcThreadAttributeHandleList = 0x00020002;

using InitializeListFn = BOOL(WINAPI*)(void*, DWORD, DWORD, SIZE_T*);
using UpdateListFn = BOOL(WINAPI*)(void*, DWORD, DWORD_PTR, void*, SIZE_T, void*, SIZE_T*);
using DeleteListFn = void(WINAPI*)(void*);

template <class T>
T Kernel32Function(const char* name)
{
    return reinterpret_cast<T>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), name)));
}

// An attribute list that lets the new process inherit exactly the given handles. Where the
// system has no such list, the handles are still the only inheritable ones the host holds.
class CInheritList {
public:
    CInheritList(HANDLE* handles, size_t count)
    {
        static const InitializeListFn initialize =
            Kernel32Function<InitializeListFn>("InitializeProcThreadAttributeList");
        static const UpdateListFn update =
            Kernel32Function<UpdateListFn>("UpdateProcThreadAttribute");
        delete_ = Kernel32Function<DeleteListFn>("DeleteProcThreadAttributeList");
        if (!initialize || !update || !delete_ || count == 0)
            return;
        SIZE_T size = 0;
        initialize(NULL, 1, 0, &size);
        if (size == 0)
            return;
        buffer_.resize(size);
        if (!initialize(buffer_.data(), 1, 0, &size)) {
            buffer_.clear();
            return;
        }
        initialized_ = true;
        if (update(buffer_.data(), 0, kProcThreadAttributeHandleList, handles,
                   count * sizeof(HANDLE), NULL, NULL))
            list_ = buffer_.data();
    }
    ~CInheritList()
    {
        if (initialized_)
            delete_(buffer_.data());
    }
    CInheritList(const CInheritList&) = delete;
    CInheritList& operator=(const CInheritList&) = delete;

    void* List() const { return list_; }

private:
    std::vector<unsigned char> buffer_;
    DeleteListFn delete_ = NULL;
    bool initialized_ = false;
    void* list_ = NULL;
};

void LogEach(CUtil& util, const std::vector<std::string>& messages)
{
    for (const std::string& message : messages)
        util.WriteLog(kLogError, message.c_str());
}

// Puts a process created suspended into a new job; on failure the launch goes on without one.
CProcessJob JobFor(CUtil& util, HANDLE process)
{
    CProcessJob job;
    DWORD error = job.Create();
    if (error == 0)
        error = job.Assign(process);
    if (error != 0) {
        char message[160];
        FormatText(message, sizeof(message),
                   "Halyard couldn't put the application in a job (error %d); a stop ends only "
                   "its own process.",
                   static_cast<int>(error));
        util.WriteLog(kLogError, message);
        return CProcessJob();
    }
    return job;
}

RestartSettings RestartSettingsOf(const ServiceOptions& options)
{
    RestartSettings settings;
    settings.restart = options.restart;
    settings.restartDelayMs = options.restartDelayMs;
    settings.maxRestarts = options.maxRestarts;
    return settings;
}

} // namespace

int StartProcess(CUtil& util, CLaunches& launches, const char* applicationName, char* commandLine,
                 const char* workingDirectory, const ServiceOptions& options)
{
    StartupInfoEx startupInfo;
    ZeroMemory(&startupInfo, sizeof(startupInfo));
    ::GetStartupInfoA(&startupInfo.StartupInfo);
    DWORD flags = NORMAL_PRIORITY_CLASS;
    BOOL inherit = FALSE;

    std::vector<std::string> messages;
    COutputHandles output;
    HANDLE inherited[3];
    size_t inheritedCount = 0;
    if (output.Open(options, workingDirectory, &messages)) {
        startupInfo.StartupInfo.dwFlags |= STARTF_USESTDHANDLES;
        startupInfo.StartupInfo.hStdInput = output.Input();
        startupInfo.StartupInfo.hStdOutput = output.Output();
        startupInfo.StartupInfo.hStdError = output.Error();
        inheritedCount = output.Inherited(inherited);
        inherit = TRUE;
    }
    LogEach(util, messages);
    CInheritList inheritList(inherited, inheritedCount);
    if (inheritList.List()) {
        startupInfo.StartupInfo.cb = sizeof(startupInfo);
        startupInfo.lpAttributeList = inheritList.List();
        flags |= kExtendedStartupInfoPresent;
    }
    // Suspended, so that the application runs not one instruction before it is in its job.
    if (options.killTree)
        flags |= CREATE_SUSPENDED;

    std::vector<char> environment;
    if (FirstEnvironmentEntry(options)) {
        char* hostBlock = ::GetEnvironmentStringsA();
        environment = MergedEnvironment(hostBlock, options);
        if (hostBlock)
            ::FreeEnvironmentStringsA(hostBlock);
    }

    // What is left of an earlier launch's tree goes before the new one starts.
    launches.EndEarlierJobs();
    PROCESS_INFORMATION processInfo;
    if (!::CreateProcessA(applicationName, commandLine, NULL, NULL, inherit, flags,
                          environment.empty() ? NULL : environment.data(), workingDirectory,
                          &startupInfo.StartupInfo, &processInfo))
        return 0;
    CProcessJob job;
    if (options.killTree) {
        job = JobFor(util, processInfo.hProcess);
        ::ResumeThread(processInfo.hThread);
    }
    ::CloseHandle(processInfo.hThread);
    launches.Add(processInfo.hProcess, std::move(job), RestartSettingsOf(options));
    util.Record().appProcessId = processInfo.dwProcessId;
    util.launchedProcessId = processInfo.dwProcessId;
    return 1;
}

int CallApplication(CUtil& util, CLaunches& launches, char (&detail)[kDetailSize])
{
    if (!util.LoadProperties())
        return 0;
    const ServiceRecord& record = util.Record();
    // Read at every launch: a change takes effect at the next one. A damaged area reads as
    // every option off.
    ServiceOptions options;
    ReadServiceOptions(record, options);

    // Fields are copied with room for a terminator that the file may lack.
    char applicationName[sizeof(record.appPath) + 1];
    char workingDirectory[sizeof(record.workDir) + 1];
    char params[sizeof(record.appParams) + 1];
    CopyField(applicationName, record.appPath);
    CopyField(workingDirectory, record.workDir);
    CopyField(params, record.appParams);
    char commandLine[sizeof(params) + 1];
    FormatText(commandLine, sizeof(commandLine), kCommandLineFormat, params);

    if (!StartProcess(util, launches, applicationName, commandLine, workingDirectory, options)) {
        FormatText(detail, sizeof(detail), "CallApplication fail: %d",
                   static_cast<int>(record.appProcessId));
        return 0;
    }
    FormatText(detail, sizeof(detail), "CallApplication success: %d",
               static_cast<int>(record.appProcessId));
    util.SaveProperties();
    return 1;
}

int TerminateApplication(CUtil& util, CLaunches& launches, char (&detail)[kDetailSize])
{
    // Marked first: the exit this causes is the host's, never one to restart.
    launches.MarkEndedByHost();
    CProcessJob* job = launches.LatestJob();
    // The host's own launch first: the record may carry an older launch's identifier after a
    // manager's save, or one left by an earlier host.
    if (HANDLE own = launches.RunningLatest()) {
        int result = TerminateRunning(util, own, detail);
        if (job)
            job->TerminateAll(); // then everything it started
        return result;
    }
    // The application has gone but what it started may not have.
    if (job && job->ActiveProcesses() > 0) {
        if (job->TerminateAll())
            return 1;
        FormatTerminationDetail(util, util.Record(), "TerminateJobObject", WAIT_TIMEOUT, detail);
        return 0;
    }

    const ServiceRecord& record = util.Record();
    const char* failedCall = NULL;
    DWORD error = 0;
    CHandle process(OpenRecordedApplication(record, PROCESS_TERMINATE, &failedCall, &error));
    if (!process) {
        FormatTerminationDetail(util, record, failedCall, error, detail);
        return 0;
    }
    return TerminateRunning(util, process.Get(), detail);
}

HANDLE OpenRecordedApplication(const ServiceRecord& record, DWORD access, const char** failedCall,
                               DWORD* error)
{
    CHandle process(
        ::OpenProcess(access | SYNCHRONIZE | ImageQueryAccess(), FALSE, record.appProcessId));
    if (!process) {
        *failedCall = "OpenProcess";
        *error = ::GetLastError();
        return NULL;
    }
    if (!IsProcessRunning(process.Get())) {
        // An ended process whose handle someone keeps; Windows refuses to terminate it.
        *failedCall = "TerminateProcess";
        *error = ERROR_ACCESS_DENIED;
        return NULL;
    }
    char appPath[sizeof(record.appPath) + 1];
    CopyField(appPath, record.appPath);
    if (!ProcessRunsImage(process.Get(), appPath)) {
        // Another program has that identifier by now: as good as no such process.
        *failedCall = "OpenProcess";
        *error = ERROR_INVALID_PARAMETER;
        return NULL;
    }
    return process.Release();
}
