#pragma once
// The manager's process as Linux sees it, for the benchmarks: under Wine, Windows reports no
// private bytes or CPU times for another process, so the figures come from /proc through Wine's
// Z: drive.

#include <string>

// The Linux process that runs RavelinManager.exe in this Wine prefix (its command line names the
// program, its environment this prefix); empty when not running on Linux.
std::string FindLinuxProcess();

// The value of one "Name:   value kB" line of /proc/<pid>/status; "?" when unknown.
std::string LinuxStatus(const std::string& pid, const char* name);
