// What supervision costs: the time from an application's exit to its relaunch by Halyard, and
// Halyard's CPU use while it supervises a running application, with every option on (restart
// always without delay, kill tree, both output files with rotation, an extra variable).
// Prints the figures; exit code 0 when they could be measured.
//
// The relaunch time is measured from the moment the old process's handle is signalled to the
// new process's creation (its creation time; the moment its record appears when the system
// does not tell). Halyard notices an exit at its next poll, so the figures spread over 0 to
// 2 s. The CPU use comes from the Linux kernel's counters of the Wine process, as Windows
// reports no CPU times of another process under Wine.

#include "HandleT.h"
#include "LinuxProcess.h"
#include "ServiceOptions.h"
#include "RecordOptions.h"
#include "TableBytes.h"
#include "TestSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

namespace {

const int kCycles = 8;
const DWORD kIdleMs = 20000;

uint64_t FileTimeMs(const FILETIME& time)
{
    return ((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 10000;
}

bool CreationMs(HANDLE process, uint64_t* ms)
{
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user) ||
        FileTimeMs(created) == 0)
        return false;
    *ms = FileTimeMs(created);
    return true;
}

void WriteRecord(const std::string& tablePath, const std::string& workDir, const char* params)
{
    TableImage image;
    FillRecord(image[7], 7, "Bench", BinPath("TestChild.exe"), workDir, params, 0);
    image[7].SetRunRequested(1);
    ServiceOptions options;
    options.restart = kRestartAlways;
    options.restartDelayMs = 0;
    options.maxRestarts = 0;
    options.killTree = true;
    options.rotateBytes = 1 << 20;
    std::snprintf(options.stdoutPath, sizeof(options.stdoutPath), "out.log");
    std::snprintf(options.stderrPath, sizeof(options.stderrPath), "err.log");
    SetEnvironmentEntry(options, "BENCH", "1");
    PutServiceOptions(image[7], options);
    WriteTable(tablePath, image);
}

// The first child record not yet seen; 0 while there is none.
DWORD NewChild(const std::string& childDir, std::set<DWORD>& seen)
{
    for (const ChildRecord& child : ReadChildRecords(childDir))
        if (seen.insert(child.pid).second)
            return child.pid;
    return 0;
}

} // namespace

int main()
{
    std::string dataDir = MakeScratchDir("bench data");
    std::string childDir = MakeScratchDir("bench children");
    std::string workDir = MakeScratchDir("bench work");
    std::string tablePath = dataDir + "\\Properties.dat";
    ::SetEnvironmentVariableA("RAVELIN_CHILD_RECORDS", childDir.c_str());
    SetSetting("dataPath", dataDir);
    WriteRecord(tablePath, workDir, "--exit-after 500 --print 5");

    CTestProcess host;
    if (!host.Start(BinPath("Halyard.exe"), "Halyard.exe 07")) {
        std::printf("Halyard.exe could not be started\n");
        return 1;
    }
    std::set<DWORD> seen;
    std::vector<double> relaunchMs;
    DWORD pid = 0;
    WaitUntil([&] { return (pid = NewChild(childDir, seen)) != 0; }, 15000);
    for (int cycle = 0; cycle < kCycles && pid != 0; ++cycle) {
        CHandle old(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid));
        if (!old || ::WaitForSingleObject(old.Get(), 15000) != WAIT_OBJECT_0)
            break;
        DWORD exitedTick = ::GetTickCount();
        FILETIME exitedNow;
        ::GetSystemTimeAsFileTime(&exitedNow);
        DWORD next = 0;
        if (!WaitUntil([&] { return (next = NewChild(childDir, seen)) != 0; }, 15000))
            break;
        DWORD recordedTick = ::GetTickCount();
        CHandle fresh(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, next));
        uint64_t created = 0;
        if (fresh && CreationMs(fresh.Get(), &created) && created >= FileTimeMs(exitedNow) - 50)
            relaunchMs.push_back(static_cast<double>(created) -
                                 static_cast<double>(FileTimeMs(exitedNow)));
        else
            relaunchMs.push_back(recordedTick - exitedTick);
        pid = next;
    }
    if (relaunchMs.empty()) {
        std::printf("no relaunch could be measured\n");
        return 1;
    }
    std::sort(relaunchMs.begin(), relaunchMs.end());
    double sum = 0;
    for (double ms : relaunchMs)
        sum += ms;
    std::printf("exit to relaunch over %u relaunches: min %.0f ms, median %.0f ms, mean %.0f ms, "
                "max %.0f ms (the poll period is 2000 ms)\n",
                static_cast<unsigned>(relaunchMs.size()), relaunchMs.front(),
                relaunchMs[relaunchMs.size() / 2], sum / relaunchMs.size(), relaunchMs.back());

    // The next launch runs until stopped: Halyard idles, polling every 2 s.
    WriteRecord(tablePath, workDir, "--print 5");
    DWORD running = 0;
    WaitUntil(
        [&] {
            DWORD next = NewChild(childDir, seen);
            if (next != 0)
                running = next;
            if (running == 0)
                return false;
            CHandle process(::OpenProcess(SYNCHRONIZE, FALSE, running));
            return process && ::WaitForSingleObject(process.Get(), 3000) == WAIT_TIMEOUT;
        },
        30000);
    std::vector<std::string> linux = FindLinuxProcesses("Halyard.exe");
    uint64_t before = 0, after = 0;
    if (running == 0 || linux.size() != 1 || !LinuxCpuNanoseconds(linux[0], &before)) {
        std::printf("Halyard's CPU use could not be measured\n");
        return 1;
    }
    DWORD started = ::GetTickCount();
    WaitUntil([] { return false; }, kIdleMs); // idling on purpose
    DWORD spanMs = ::GetTickCount() - started;
    LinuxCpuNanoseconds(linux[0], &after);
    std::printf("Halyard idle with every option on: %.3f%% of one core over %lu ms "
                "(%.1f ms of CPU)\n",
                (after - before) / 1e4 / spanMs, spanMs, (after - before) / 1e6);

    TableImage stop;
    if (ReadTable(tablePath, stop)) {
        stop[7].SetRunRequested(0);
        WriteTable(tablePath, stop);
    }
    WaitUntil([&] { return !IsProcessAlive(running); }, 10000);
    ::TerminateProcess(host.Handle(), 0);
    return 0;
}
