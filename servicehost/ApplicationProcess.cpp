#include "ApplicationProcess.h"

#include "ApplicationCommand.h"

#include <cstring>

namespace {

struct CloseRequest {
    DWORD processId;
    int asked;
};

// Windows that are not the application's own: an owned window (a dialog, a tool window) closes
// with its owner, and the input method's default window belongs to the system.
bool IsApplicationWindow(HWND window)
{
    if (::GetWindow(window, GW_OWNER) != NULL)
        return false;
    char className[32] = "";
    ::GetClassNameA(window, className, sizeof(className));
    return std::strcmp(className, "IME") != 0;
}

BOOL CALLBACK PostCloseToWindow(HWND window, LPARAM param)
{
    CloseRequest* request = reinterpret_cast<CloseRequest*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == request->processId && IsApplicationWindow(window) &&
        ::PostMessageA(window, WM_CLOSE, 0, 0))
        ++request->asked;
    return TRUE;
}

} // namespace

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
    CloseRequest request = {id_, 0};
    ::EnumWindows(PostCloseToWindow, reinterpret_cast<LPARAM>(&request));
    return request.asked;
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
