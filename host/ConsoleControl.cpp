#include "ConsoleControl.h"

#include "BoundedText.h"
#include "HandleT.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

const char kConsoleCtrlArgument[] = "--console-ctrl-c";

bool IsConsoleProgram(const char* path)
{
    CFileHandle file(::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL));
    if (!file)
        return false;
    IMAGE_DOS_HEADER dos;
    DWORD read = 0;
    if (!::ReadFile(file.Get(), &dos, sizeof(dos), &read, NULL) || read != sizeof(dos) ||
        dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew <= 0)
        return false;
    // The signature, the file header and the optional header's fields up to Subsystem, which
    // lies at the same offset in the 32-bit and the 64-bit header.
    const DWORD subsystemOffset = offsetof(IMAGE_OPTIONAL_HEADER32, Subsystem);
    static_assert(offsetof(IMAGE_OPTIONAL_HEADER64, Subsystem) ==
                      offsetof(IMAGE_OPTIONAL_HEADER32, Subsystem),
                  "Subsystem offset");
    BYTE header[sizeof(DWORD) + sizeof(IMAGE_FILE_HEADER) + subsystemOffset + sizeof(WORD)];
    if (::SetFilePointer(file.Get(), dos.e_lfanew, NULL, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
        !::ReadFile(file.Get(), header, sizeof(header), &read, NULL) || read != sizeof(header))
        return false;
    DWORD signature;
    std::memcpy(&signature, header, sizeof(signature));
    if (signature != IMAGE_NT_SIGNATURE)
        return false;
    WORD subsystem;
    std::memcpy(&subsystem, header + sizeof(header) - sizeof(WORD), sizeof(subsystem));
    return subsystem == IMAGE_SUBSYSTEM_WINDOWS_CUI;
}

bool SendConsoleCtrlC(DWORD processId, DWORD waitMs)
{
    char self[MAX_PATH];
    DWORD length = ::GetModuleFileNameA(NULL, self, sizeof(self));
    if (length == 0 || length >= sizeof(self))
        return false;
    char commandLine[MAX_PATH + 64];
    if (!FormatText(commandLine, sizeof(commandLine), "\"%s\" %s %lu", self,
                    kConsoleCtrlArgument, static_cast<unsigned long>(processId)))
        return false;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info;
    if (!::CreateProcessA(self, commandLine, NULL, NULL, FALSE, NORMAL_PRIORITY_CLASS, NULL, NULL,
                          &startup, &info))
        return false;
    CHandle thread(info.hThread);
    CHandle helper(info.hProcess);
    if (::WaitForSingleObject(helper.Get(), waitMs) != WAIT_OBJECT_0) {
        ::TerminateProcess(helper.Get(), 1);
        return false;
    }
    DWORD code = 1;
    return ::GetExitCodeProcess(helper.Get(), &code) && code == 0;
}

bool ParseConsoleCtrlArgument(const char* argument, DWORD* processId)
{
    const size_t prefix = sizeof(kConsoleCtrlArgument) - 1;
    if (!argument || std::strncmp(argument, kConsoleCtrlArgument, prefix) != 0 ||
        argument[prefix] != ' ')
        return false;
    const char* digits = argument + prefix + 1;
    char* end = NULL;
    unsigned long id = std::strtoul(digits, &end, 10);
    if (end == digits || *end != '\0' || id == 0)
        return false;
    *processId = static_cast<DWORD>(id);
    return true;
}

int RunConsoleCtrlHelper(DWORD processId)
{
    ::FreeConsole();
    if (!::AttachConsole(processId))
        return static_cast<int>(::GetLastError());
    // The event reaches every process of the console, this one included: it must not end here.
    ::SetConsoleCtrlHandler(NULL, TRUE);
    int result = 0;
    if (!::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0))
        result = static_cast<int>(::GetLastError());
    ::FreeConsole();
    return result;
}
