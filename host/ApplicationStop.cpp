#include "ApplicationStop.h"

#include "BoundedText.h"
#include "ConsoleControl.h"
#include "HostUtil.h"
#include "Launches.h"
#include "ProcessWindows.h"
#include "ServiceOptions.h"

namespace {

// A window that the application has not made yet (it is still starting) is asked for again at
// this pace; so is the console helper run for a console program.
const DWORD kAskAgainMs = 250;
// The console helper is one process start, attach and event: a few hundred milliseconds.
const DWORD kConsoleHelperWaitMs = 5000;

// The running application, opened for waiting: a duplicate of the host's own launch, or the
// record's process when it runs the record's appPath. NULL when neither runs.
HANDLE OpenRunningApplication(CUtil& util, const CLaunches& launches)
{
    if (HANDLE own = launches.RunningLatest()) {
        HANDLE copy = NULL;
        if (::DuplicateHandle(::GetCurrentProcess(), own, ::GetCurrentProcess(), &copy, 0, FALSE,
                              DUPLICATE_SAME_ACCESS))
            return copy;
        return NULL;
    }
    const ServiceRecord& record = util.Record();
    if (record.appProcessId == 0)
        return NULL;
    const char* failedCall = NULL;
    DWORD error = 0;
    return OpenRecordedApplication(record, 0, &failedCall, &error);
}

using GetProcessIdFn = DWORD(WINAPI*)(HANDLE);

// GetProcessId is missing before Windows XP SP1: there the record's identifier stands in.
DWORD IdOfProcess(HANDLE process, DWORD fallback)
{
    static const GetProcessIdFn query = reinterpret_cast<GetProcessIdFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"),
                                                 "GetProcessId")));
    DWORD id = query ? query(process) : 0;
    return id != 0 ? id : fallback;
}

// Waits until the process ends or timeoutMs pass. Messages sent to the host's window from
// other threads are answered meanwhile (a program that broadcasts while it closes must not
// wait on the host); posted messages and timers wait for the host's loop. Keeps asking the
// application to close while it shows no window to ask.
bool WaitForEnd(HANDLE process, DWORD processId, DWORD started, DWORD timeoutMs, int asked)
{
    DWORD lastAsk = ::GetTickCount();
    for (;;) {
        DWORD elapsed = ::GetTickCount() - started;
        if (elapsed >= timeoutMs)
            return ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
        DWORD wait = timeoutMs - elapsed;
        if (asked == 0 && wait > kAskAgainMs)
            wait = kAskAgainMs;
        DWORD woken = ::MsgWaitForMultipleObjects(1, &process, FALSE, wait, QS_SENDMESSAGE);
        if (woken == WAIT_OBJECT_0)
            return true;
        if (woken == WAIT_OBJECT_0 + 1) {
            MSG message;
            ::PeekMessageA(&message, NULL, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        } else if (woken == WAIT_FAILED) {
            return ::WaitForSingleObject(process, timeoutMs - elapsed) == WAIT_OBJECT_0;
        }
        if (asked == 0 && ::GetTickCount() - lastAsk >= kAskAgainMs) {
            asked = PostCloseToProcessWindows(processId);
            lastAsk = ::GetTickCount();
        }
    }
}

} // namespace

bool IsApplicationRunning(CUtil& util, const CLaunches& launches)
{
    CHandle process(OpenRunningApplication(util, launches));
    return process.IsValid();
}

int EndApplication(CUtil& util, CLaunches& launches, char (&detail)[kDetailSize],
                   ApplicationEnd& end)
{
    end = ApplicationEnd();
    ServiceOptions options;
    ReadServiceOptions(util.Record(), options);
    if (options.stopMethod != kStopGraceful)
        return TerminateApplication(util, launches, detail);

    end.graceful = true;
    end.stopTimeoutMs = options.stopTimeoutMs;
    CHandle process(OpenRunningApplication(util, launches));
    if (!process)
        return TerminateApplication(util, launches, detail);

    // Marked before it is asked: an exit that follows the request is the host's doing, never
    // one to restart.
    launches.MarkEndedByHost();
    DWORD processId = IdOfProcess(process.Get(), util.Record().appProcessId);
    // The stop timeout counts from the first request.
    DWORD asking = ::GetTickCount();
    int asked = PostCloseToProcessWindows(processId);
    char appPath[sizeof(util.Record().appPath) + 1];
    CopyField(appPath, util.Record().appPath);
    if (IsConsoleProgram(appPath) && SendConsoleCtrlC(processId, kConsoleHelperWaitMs))
        ++asked;
    if (WaitForEnd(process.Get(), processId, asking, options.stopTimeoutMs, asked)) {
        end.closed = true;
        // What it started goes with it when the whole tree is to be stopped.
        CProcessJob* job = launches.LatestJob();
        if (job && job->ActiveProcesses() > 0)
            job->TerminateAll();
        return 1;
    }
    end.timedOut = true;
    if (TerminateApplication(util, launches, detail))
        return 1;
    // It ended between the wait and the termination: it closed after all.
    if (::WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0) {
        end.timedOut = false;
        end.closed = true;
        detail[0] = '\0';
        return 1;
    }
    return 0;
}

void WriteApplicationEnd(CUtil& util, const ApplicationEnd& end)
{
    char line[160];
    if (end.closed)
        FormatText(line, sizeof(line), "Application closed when asked, within the stop timeout "
                                       "of %u ms.",
                   static_cast<unsigned>(end.stopTimeoutMs));
    else if (end.timedOut)
        FormatText(line, sizeof(line), "Application did not close within %u ms; terminated by "
                                       "Halyard.",
                   static_cast<unsigned>(end.stopTimeoutMs));
    else
        return;
    util.WriteLog(kLogEvent, line);
}
