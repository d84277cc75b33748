// What the manager costs while it sits idle with a full table: its private bytes, and the CPU
// time it takes over a minute of refreshing 50 rows every 3 seconds (per cent of one core).
// Prints the figures; exit code 0 when they could be measured.
//
// Under Wine, GetProcessTimes and GetProcessMemoryInfo report no CPU times and no private usage
// for another process, so the bench also counts the committed private memory region by region
// (VirtualQueryEx, what Windows calls private bytes) and reads the Linux kernel's own counters of
// the manager's process (/proc/<pid>/stat and status, through Wine's Z: drive) when it runs there.

#include "LinuxProcess.h"
#include "ManagerHarness.h"

#include <psapi.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace {

const DWORD kIdleMs = 60000;

uint64_t Ticks(const FILETIME& time)
{
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Kernel plus user time of the process, in 100 ns units.
bool CpuTime(HANDLE process, uint64_t* time)
{
    FILETIME created, ended, kernel, user;
    if (!::GetProcessTimes(process, &created, &ended, &kernel, &user))
        return false;
    *time = Ticks(kernel) + Ticks(user);
    return true;
}

bool Memory(HANDLE process, PROCESS_MEMORY_COUNTERS_EX* counters)
{
    counters->cb = sizeof(*counters);
    return ::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(counters),
                                  sizeof(*counters)) != 0;
}

// Committed private memory of the process: the sum of its MEM_PRIVATE, MEM_COMMIT regions.
uint64_t CommittedPrivateBytes(HANDLE process)
{
    uint64_t total = 0;
    MEMORY_BASIC_INFORMATION region;
    const char* address = nullptr;
    while (::VirtualQueryEx(process, address, &region, sizeof(region)) == sizeof(region)) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += region.RegionSize;
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= address)
            break;
        address = next;
    }
    return total;
}

} // namespace

int main()
{
    CManagerHarness manager;
    TableImage table;
    for (int slot = 0; slot < table_layout::kSlots; ++slot) {
        char name[32];
        std::snprintf(name, sizeof(name), "Bench Service %02d", slot);
        FillRecord(table[slot], slot, name, BinPath("TestChild.exe"), "C:\\", "", 0);
    }
    manager.WriteTable(table);
    if (!manager.Start()) {
        std::printf("the manager's window did not appear\n");
        return 1;
    }
    if (!WaitUntil([&] { return manager.RowCount() == 50 && manager.Cell(49, 1) == "Ready"; },
                   30000)) {
        std::printf("the manager did not list 50 rows with their status (rows: %d)\n",
                    manager.RowCount());
        return 1;
    }
    HANDLE process = manager.ProcessHandle();
    PROCESS_MEMORY_COUNTERS_EX start = {};
    uint64_t cpuStart = 0;
    if (!Memory(process, &start) || !CpuTime(process, &cpuStart)) {
        std::printf("cannot read the manager's counters: %lu\n", ::GetLastError());
        return 1;
    }
    std::string linuxPid = FindLinuxProcess();
    uint64_t linuxStart = 0;
    bool haveLinux = !linuxPid.empty() && LinuxCpuTicks(linuxPid, &linuxStart);
    uint64_t committedStart = CommittedPrivateBytes(process);
    DWORD wallStart = ::GetTickCount();
    // The idle minute; the wait ends early only if the manager ends.
    if (::WaitForSingleObject(process, kIdleMs) != WAIT_TIMEOUT) {
        std::printf("the manager ended during the idle minute\n");
        return 1;
    }
    DWORD wall = ::GetTickCount() - wallStart;
    PROCESS_MEMORY_COUNTERS_EX end = {};
    uint64_t cpuEnd = 0;
    if (!Memory(process, &end) || !CpuTime(process, &cpuEnd)) {
        std::printf("cannot read the manager's counters: %lu\n", ::GetLastError());
        return 1;
    }
    uint64_t linuxEnd = 0;
    haveLinux = haveLinux && LinuxCpuTicks(linuxPid, &linuxEnd);
    uint64_t committedEnd = CommittedPrivateBytes(process);
    double cpuMs = static_cast<double>(cpuEnd - cpuStart) / 10000.0;
    std::printf("rows listed:                 %d\n", manager.RowCount());
    std::printf("private bytes at start:      %lu KiB\n",
                static_cast<unsigned long>(start.PrivateUsage / 1024));
    std::printf("private bytes after idle:    %lu KiB\n",
                static_cast<unsigned long>(end.PrivateUsage / 1024));
    std::printf("working set after idle:      %lu KiB\n",
                static_cast<unsigned long>(end.WorkingSetSize / 1024));
    std::printf("idle period:                 %lu ms\n", wall);
    std::printf("CPU time in the idle period: %.1f ms\n", cpuMs);
    std::printf("idle CPU use:                %.3f %% of one core (GetProcessTimes)\n",
                100.0 * cpuMs / wall);
    std::printf("committed private memory:    %llu KiB at start, %llu KiB after idle "
                "(VirtualQueryEx)\n",
                static_cast<unsigned long long>(committedStart / 1024),
                static_cast<unsigned long long>(committedEnd / 1024));
    if (haveLinux) {
        // Linux counts CPU time in clock ticks of 10 ms (USER_HZ 100).
        double linuxMs = static_cast<double>(linuxEnd - linuxStart) * 10.0;
        std::printf("Linux process %s:\n", linuxPid.c_str());
        std::printf("  CPU time in the idle period: %.0f ms = %.3f %% of one core\n", linuxMs,
                    100.0 * linuxMs / wall);
        std::printf("  VmRSS: %s\n", LinuxStatus(linuxPid, "VmRSS:").c_str());
        std::printf("  RssAnon: %s\n", LinuxStatus(linuxPid, "RssAnon:").c_str());
        std::printf("  VmData: %s\n", LinuxStatus(linuxPid, "VmData:").c_str());
    } else {
        std::printf("Linux counters: not available (not under Wine on Linux)\n");
    }
    return 0;
}
