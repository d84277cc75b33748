#include "ApplicationProcess.h"

#include "ApplicationCommand.h"
#include "ProcessWindows.h"

DWORD CApplicationProcess::Start(CApplicationCommand& command)
{
    // Checked first: a missing program would otherwise be reported as a bad working folder.
    if (::GetFileAttributesA(command.ProgramPath()) == INVALID_FILE_ATTRIBUTES)
        return ::GetLastError();
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info;
    const char* folder = command.WorkFolder();
    if (!::CreateProcessA(command.ProgramPath(), command.CommandLine(), NULL, NULL, FALSE,
                          NORMAL_PRIORITY_CLASS, NULL, folder[0] ? folder : NULL, &startup,
                          &info))
        return ::GetLastError();
    ::CloseHandle(info.hThread);
    process_.Reset(info.hProcess);
    id_ = info.dwProcessId;
    return ERROR_SUCCESS;
}

int CApplicationProcess::PostClose() const
{
    return PostCloseToProcessWindows(id_);
}

bool CApplicationProcess::HasEnded() const
{
    return !process_ || ::WaitForSingleObject(process_.Get(), 0) == WAIT_OBJECT_0;
}

DWORD CApplicationProcess::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(process_.Get(), &code);
    return code;
}
