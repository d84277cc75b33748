// What fifty running services cost: the time from the start requests (all fifty at once, as at
// boot) to fifty running applications, the memory of the hosts (Halyard.exe) and the service
// hosts (Ravelin.exe), and their CPU use over 30 s of idling (RAVELIN_BENCH_IDLE_S seconds when
// set), in per cent of one core; beside them the CPU use of the prefix's wineserver, which does
// the system's side of every call they make (opening a file, taking a lock, a timer's message).
// Prints the figures; exit code 0 when they could be measured.
//
// Under Wine another process's private bytes and CPU times read as 0, so the figures come from
// the Linux kernel's counters of each Wine process (/proc through Wine's Z: drive): the
// scheduler's exact run times, and for comparison utime + stime, which count whole 10 ms ticks
// and so, summed over fifty processes, can be off by a few tenths of a per cent in 30 s.

#include "FiftyServices.h"
#include "LinuxProcess.h"
#include "ManagerHarness.h"

#include <cstdio>
#include <cstdlib>

namespace {

const DWORD kDefaultIdleS = 30;
const DWORD kSettleMs = 5000;

uint64_t Kilobytes(const std::string& text)
{
    return std::strtoull(text.c_str(), nullptr, 10);
}

DWORD IdleMs()
{
    char text[16] = "";
    DWORD length = ::GetEnvironmentVariableA("RAVELIN_BENCH_IDLE_S", text, sizeof(text));
    unsigned long seconds = length > 0 && length < sizeof(text) ? std::strtoul(text, nullptr, 10)
                                                                 : 0;
    return (seconds > 0 && seconds <= 3600 ? seconds : kDefaultIdleS) * 1000;
}

struct Group {
    const char* program = "";
    size_t expected = 0;
    std::vector<std::string> pids;
    uint64_t rssKb = 0;
    uint64_t anonKb = 0;
    uint64_t ticksBefore = 0;
    uint64_t ticksAfter = 0;
    uint64_t nsBefore = 0;
    uint64_t nsAfter = 0;
};

void Measure(Group& group)
{
    group.pids = FindLinuxProcesses(group.program);
    for (const std::string& pid : group.pids) {
        group.rssKb += Kilobytes(LinuxStatus(pid, "VmRSS:"));
        group.anonKb += Kilobytes(LinuxStatus(pid, "RssAnon:"));
    }
}

// The sum over the group's processes of one counter (each process's that can be read).
uint64_t Sum(const Group& group, bool (*counter)(const std::string&, uint64_t*))
{
    uint64_t total = 0;
    for (const std::string& pid : group.pids) {
        uint64_t value = 0;
        if (counter(pid, &value))
            total += value;
    }
    return total;
}

} // namespace

int main()
{
    CManagerHarness settings; // a data folder named in the settings; the manager is not started
    CFiftyServices services(settings.DataDir());
    std::string error;
    if (!services.CreateRecords(&error) || !services.InstallAll(&error)) {
        std::printf("setup failed: %s\n", error.c_str());
        return 1;
    }
    std::vector<int> all = CFiftyServices::Slots(0, kLoadServices);
    DWORD started = ::GetTickCount();
    if (!services.StartAll(all, &error)) {
        std::printf("start failed: %s\n", error.c_str());
        return 1;
    }
    bool running = WaitUntil([&] { return services.RunningChildren().size() >= 50; }, 300000);
    DWORD tookMs = ::GetTickCount() - started;
    if (!running) {
        std::printf("only %u children running after 300 s\n",
                    static_cast<unsigned>(services.RunningChildren().size()));
        return 1;
    }
    std::printf("Start requests to 50 running applications: %lu ms\n", tookMs);

    ::Sleep(kSettleMs); // deliberately: let the start-up work end before measuring idling
    Group groups[3];
    groups[0].program = "Halyard.exe";
    groups[0].expected = kLoadServices;
    groups[1].program = "Ravelin.exe";
    groups[1].expected = kLoadServices;
    groups[2].program = "wineserver";
    groups[2].expected = 1;
    for (Group& group : groups) {
        Measure(group);
        group.ticksBefore = Sum(group, LinuxCpuTicks);
        group.nsBefore = Sum(group, LinuxCpuNanoseconds);
    }
    DWORD idleStart = ::GetTickCount();
    ::Sleep(IdleMs()); // the idle span being measured
    double wallMs = static_cast<double>(::GetTickCount() - idleStart);
    bool measured = true;
    for (Group& group : groups) {
        group.ticksAfter = Sum(group, LinuxCpuTicks);
        group.nsAfter = Sum(group, LinuxCpuNanoseconds);
        size_t count = group.pids.size();
        measured = measured && count == group.expected;
        // Linux counts utime and stime in clock ticks of 10 ms (USER_HZ 100).
        double tickMs = static_cast<double>(group.ticksAfter - group.ticksBefore) * 10.0;
        double cpuMs = static_cast<double>(group.nsAfter - group.nsBefore) / 1e6;
        std::printf("%s: %u processes (Linux /proc)\n", group.program,
                    static_cast<unsigned>(count));
        std::printf("  resident memory: %llu kB in all, %llu kB each on average\n",
                    static_cast<unsigned long long>(group.rssKb),
                    static_cast<unsigned long long>(count ? group.rssKb / count : 0));
        std::printf("  private (anonymous) resident memory: %llu kB in all, %llu kB each\n",
                    static_cast<unsigned long long>(group.anonKb),
                    static_cast<unsigned long long>(count ? group.anonKb / count : 0));
        std::printf("  CPU over %.0f s idle with 50 services running: %.3f %% of one core in all "
                    "(%.1f ms run time; in 10 ms ticks %.2f %%, %.0f ms)\n",
                    wallMs / 1000.0, 100.0 * cpuMs / wallMs, cpuMs, 100.0 * tickMs / wallMs,
                    tickMs);
    }

    services.RequestStops(all, &error);
    ::Sleep(6000); // the stop handshake's hold
    services.SendStops(all, &error);
    return measured ? 0 : 1;
}
