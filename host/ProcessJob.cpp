#include "ProcessJob.h"

#include <utility>

DWORD CProcessJob::Create()
{
    CHandle job(::CreateJobObjectA(NULL, NULL));
    if (!job)
        return ::GetLastError();
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
    ZeroMemory(&limits, sizeof(limits));
    // Neither JOB_OBJECT_LIMIT_BREAKAWAY_OK nor SILENT_BREAKAWAY_OK: a child asking for
    // CREATE_BREAKAWAY_FROM_JOB is refused instead of escaping.
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!::SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits,
                                   sizeof(limits)))
        return ::GetLastError();
    job_ = std::move(job);
    return 0;
}

DWORD CProcessJob::Assign(HANDLE process)
{
    if (!::AssignProcessToJobObject(job_.Get(), process))
        return ::GetLastError();
    return 0;
}

DWORD CProcessJob::ActiveProcesses() const
{
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting;
    ZeroMemory(&accounting, sizeof(accounting));
    if (!::QueryInformationJobObject(job_.Get(), JobObjectBasicAccountingInformation, &accounting,
                                     sizeof(accounting), NULL))
        return 0;
    return accounting.ActiveProcesses;
}

bool CProcessJob::TerminateAll(DWORD waitMs)
{
    if (!job_)
        return true;
    ::TerminateJobObject(job_.Get(), 0);
    // The count falls as each process is gone; the job object itself is not signalled on
    // every system when it empties, so the count is polled against a deadline.
    DWORD started = ::GetTickCount();
    for (;;) {
        if (ActiveProcesses() == 0)
            return true;
        if (::GetTickCount() - started >= waitMs)
            return false;
        ::Sleep(10);
    }
}
