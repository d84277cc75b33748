#include "Launches.h"

#include <cstddef>
#include <utility>

void CLaunches::Add(HANDLE process, CProcessJob job, const RestartSettings& restart)
{
    Launch launch;
    launch.process.Reset(process);
    launch.job = std::move(job);
    launch.restart = restart;
    launch.startTick = ::GetTickCount();
    launches_.push_back(std::move(launch));
    ++generation_;
    for (size_t i = 0; launches_.size() > kKeptLaunches && i + 1 < launches_.size();) {
        if (IsProcessRunning(launches_[i].process.Get()))
            ++i;
        else
            launches_.erase(launches_.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

HANDLE CLaunches::RunningLatest() const
{
    if (launches_.empty())
        return NULL;
    HANDLE latest = launches_.back().process.Get();
    return IsProcessRunning(latest) ? latest : NULL;
}

CProcessJob* CLaunches::LatestJob()
{
    if (launches_.empty() || !launches_.back().job.IsValid())
        return NULL;
    return &launches_.back().job;
}

void CLaunches::EndEarlierJobs()
{
    for (Launch& launch : launches_) {
        if (!launch.job.IsValid())
            continue;
        launch.job.TerminateAll();
        launch.job = CProcessJob();
    }
}

void CLaunches::MarkEndedByHost()
{
    if (!launches_.empty())
        launches_.back().endedByHost = true;
    ++generation_;
}

bool CLaunches::TakeOwnExit(DWORD* exitCode, DWORD* runMs, RestartSettings* restart)
{
    if (launches_.empty())
        return false;
    Launch& latest = launches_.back();
    if (latest.endedByHost || latest.exitTaken || IsProcessRunning(latest.process.Get()))
        return false;
    latest.exitTaken = true;
    DWORD code = 0;
    if (!::GetExitCodeProcess(latest.process.Get(), &code))
        code = 0;
    *exitCode = code;
    *runMs = ProcessRunMs(latest.process.Get(), ::GetTickCount() - latest.startTick);
    *restart = latest.restart;
    return true;
}

bool IsProcessRunning(HANDLE process)
{
    return ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
}

DWORD ProcessRunMs(HANDLE process, DWORD fallbackMs)
{
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user))
        return fallbackMs;
    ULARGE_INTEGER start, end;
    start.LowPart = created.dwLowDateTime;
    start.HighPart = created.dwHighDateTime;
    end.LowPart = exited.dwLowDateTime;
    end.HighPart = exited.dwHighDateTime;
    if (start.QuadPart == 0 || end.QuadPart < start.QuadPart)
        return fallbackMs;
    ULONGLONG ms = (end.QuadPart - start.QuadPart) / 10000; // 100 ns units
    return ms > 0xFFFFFFFFULL ? 0xFFFFFFFFu : static_cast<DWORD>(ms);
}
