#include "LinuxProcess.h"

#include "TestSupport.h"

#include <windows.h>
#include <cstdlib>
#include <cstring>
#include <sstream>

std::vector<std::string> FindLinuxProcesses(const char* program)
{
    std::vector<std::string> result;
    char prefix[MAX_PATH] = "";
    DWORD length = ::GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof(prefix));
    if (length == 0 || length >= sizeof(prefix))
        return result;
    std::string wanted = std::string("WINEPREFIX=") + prefix;
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA("Z:\\proc\\*", &found);
    if (search == INVALID_HANDLE_VALUE)
        return result;
    do {
        if (found.cFileName[0] < '1' || found.cFileName[0] > '9')
            continue;
        std::string dir = std::string("Z:\\proc\\") + found.cFileName;
        if (ReadFileBytes(dir + "\\cmdline").find(program) == std::string::npos)
            continue;
        std::string environment = ReadFileBytes(dir + "\\environ");
        size_t at = environment.find(wanted);
        if (at != std::string::npos &&
            (at + wanted.size() == environment.size() || environment[at + wanted.size()] == '\0'))
            result.push_back(found.cFileName);
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return result;
}

std::string FindLinuxProcess()
{
    std::vector<std::string> found = FindLinuxProcesses("RavelinManager.exe");
    return found.empty() ? std::string() : found.front();
}

bool LinuxCpuTicks(const std::string& pid, uint64_t* ticks)
{
    std::string stat = ReadFileBytes("Z:\\proc\\" + pid + "\\stat");
    size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return false;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    uint64_t utime = 0, stime = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14)
            utime = std::strtoull(field.c_str(), nullptr, 10);
        if (index == 15) {
            stime = std::strtoull(field.c_str(), nullptr, 10);
            *ticks = utime + stime;
            return true;
        }
    }
    return false;
}

bool LinuxCpuNanoseconds(const std::string& pid, uint64_t* nanoseconds)
{
    std::string tasks = "Z:\\proc\\" + pid + "\\task";
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((tasks + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    uint64_t total = 0;
    bool any = false;
    do {
        if (found.cFileName[0] < '1' || found.cFileName[0] > '9')
            continue;
        std::string schedstat = ReadFileBytes(tasks + "\\" + found.cFileName + "\\schedstat");
        if (schedstat.empty() || schedstat[0] < '0' || schedstat[0] > '9')
            continue;
        total += std::strtoull(schedstat.c_str(), nullptr, 10);
        any = true;
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    *nanoseconds = total;
    return any;
}

std::string LinuxStatus(const std::string& pid, const char* name)
{
    if (pid.empty())
        return "?";
    std::istringstream lines(ReadFileBytes("Z:\\proc\\" + pid + "\\status"));
    std::string line;
    while (std::getline(lines, line))
        if (line.compare(0, std::strlen(name), name) == 0) {
            size_t start = line.find_first_not_of(" \t", std::strlen(name));
            return start == std::string::npos ? "?" : line.substr(start);
        }
    return "?";
}
