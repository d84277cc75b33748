#pragma once
// The manager's process as Linux sees it, for the benchmarks: under Wine, Windows reports no
// private bytes or CPU times for another process, so the figures come from /proc through Wine's
// Z: drive.

#include <cstdint>
#include <string>
#include <vector>

// The Linux process that runs RavelinManager.exe in this Wine prefix (its command line names the
// program, its environment this prefix); empty when not running on Linux.
std::string FindLinuxProcess();
// Every Linux process of this Wine prefix whose command line names the program.
std::vector<std::string> FindLinuxProcesses(const char* program);

// utime + stime of the Linux process, in clock ticks of 10 ms (fields 14 and 15 of
// /proc/<pid>/stat).
bool LinuxCpuTicks(const std::string& pid, uint64_t* ticks);

// CPU time the Linux process's threads that are alive now have run, in nanoseconds: the sum of
// the scheduler's counters (/proc/<pid>/task/<tid>/schedstat). Unlike utime and stime, which
// count whole 10 ms ticks, these are exact; time of threads that have ended is not included.
bool LinuxCpuNanoseconds(const std::string& pid, uint64_t* nanoseconds);

// The value of one "Name:   value kB" line of /proc/<pid>/status; "?" when unknown.
std::string LinuxStatus(const std::string& pid, const char* name);
