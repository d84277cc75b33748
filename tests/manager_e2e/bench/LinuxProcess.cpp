#include "LinuxProcess.h"

#include "TestSupport.h"

#include <windows.h>
#include <cstring>
#include <sstream>

std::string FindLinuxProcess()
{
    char prefix[MAX_PATH] = "";
    DWORD length = ::GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof(prefix));
    if (length == 0 || length >= sizeof(prefix))
        return std::string();
    std::string wanted = std::string("WINEPREFIX=") + prefix;
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA("Z:\\proc\\*", &found);
    if (search == INVALID_HANDLE_VALUE)
        return std::string();
    std::string result;
    do {
        if (found.cFileName[0] < '1' || found.cFileName[0] > '9')
            continue;
        std::string dir = std::string("Z:\\proc\\") + found.cFileName;
        if (ReadFileBytes(dir + "\\cmdline").find("RavelinManager.exe") == std::string::npos)
            continue;
        std::string environment = ReadFileBytes(dir + "\\environ");
        size_t at = environment.find(wanted);
        if (at != std::string::npos &&
            (at + wanted.size() == environment.size() || environment[at + wanted.size()] == '\0')) {
            result = found.cFileName;
            break;
        }
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return result;
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
