#include "TestSupport.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

std::string BinDir()
{
    char path[MAX_PATH];
    DWORD length = ::GetModuleFileNameA(NULL, path, sizeof(path));
    std::string text(path, length);
    return text.substr(0, text.find_last_of('\\'));
}

std::string BinPath(const char* program)
{
    return BinDir() + "\\" + program;
}

std::string MakeScratchDir(const char* tag)
{
    static int counter = 0;
    ::CreateDirectoryA("C:\\ravelin tests", NULL);
    char path[MAX_PATH];
    std::snprintf(path, sizeof(path), "C:\\ravelin tests\\%s %lu-%d", tag, ::GetCurrentProcessId(),
                  ++counter);
    ::CreateDirectoryA(path, NULL);
    return path;
}

bool FileExists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void SetSetting(const char* name, const std::string& value)
{
    HKEY key;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Morvane\\Ravelin", 0, NULL, 0,
                          KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
        return;
    if (value.empty())
        ::RegDeleteValueA(key, name);
    else
        ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>(value.size() + 1));
    ::RegCloseKey(key);
}

void DeleteSettingsKey()
{
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Morvane\\Ravelin");
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    DWORD start = ::GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (::GetTickCount() - start >= timeoutMs)
            return false;
        ::Sleep(20);
    }
}

CTestProcess::~CTestProcess()
{
    if (process_) {
        if (::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT)
            ::TerminateProcess(process_, 99);
        ::CloseHandle(process_);
    }
}

bool CTestProcess::Start(const std::string& program, const std::string& commandLine,
                         const std::string& workDir, DWORD creationFlags)
{
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info;
    if (!::CreateProcessA(program.c_str(), line.data(), NULL, NULL, FALSE, creationFlags, NULL,
                          workDir.empty() ? NULL : workDir.c_str(), &startup, &info))
        return false;
    ::CloseHandle(info.hThread);
    process_ = info.hProcess;
    id_ = info.dwProcessId;
    return true;
}

bool CTestProcess::WaitExit(DWORD timeoutMs)
{
    return process_ && ::WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0;
}

DWORD CTestProcess::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(process_, &code);
    return code;
}

bool IsProcessAlive(DWORD pid)
{
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!process)
        return false;
    bool alive = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    ::CloseHandle(process);
    return alive;
}

void KillProcess(DWORD pid)
{
    HANDLE process = ::OpenProcess(PROCESS_TERMINATE, FALSE, pid);
    if (!process)
        return;
    ::TerminateProcess(process, 99);
    ::CloseHandle(process);
}

const char kServiceChildRecords[] = "C:\\ravelin child records";

namespace {

bool ParseChildRecord(const std::string& text, ChildRecord* record)
{
    std::istringstream lines(text);
    std::string line;
    int fields = 0;
    while (std::getline(lines, line)) {
        if (line.rfind("pid=", 0) == 0) {
            record->pid = std::strtoul(line.c_str() + 4, nullptr, 10);
            ++fields;
        } else if (line.rfind("cmdline=", 0) == 0) {
            record->commandLine = line.substr(8);
            ++fields;
        } else if (line.rfind("cwd=", 0) == 0) {
            record->workDir = line.substr(4);
            ++fields;
        } else if (line.rfind("spawned=", 0) == 0) {
            record->spawned = std::strtoul(line.c_str() + 8, nullptr, 10);
            ++fields;
        }
    }
    return fields == 4;
}

} // namespace

std::vector<ChildRecord> ReadChildRecords(const std::string& folder)
{
    std::vector<ChildRecord> records;
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((folder + "\\child-*.txt").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return records;
    do {
        ChildRecord record;
        if (ParseChildRecord(ReadFileBytes(folder + "\\" + found.cFileName), &record))
            records.push_back(record);
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return records;
}

std::vector<ChildRecord> WaitChildRecords(const std::string& folder, size_t count,
                                          DWORD timeoutMs)
{
    std::vector<ChildRecord> children;
    WaitUntil(
        [&] {
            children = ReadChildRecords(folder);
            return children.size() >= count;
        },
        timeoutMs);
    return children;
}
