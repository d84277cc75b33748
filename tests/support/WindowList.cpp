#include "WindowList.h"

namespace {

BOOL CALLBACK AddVisibleOfThisProcess(HWND window, LPARAM param)
{
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process == ::GetCurrentProcessId() && ::IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

} // namespace

std::vector<HWND> VisibleWindowsOfThisProcess()
{
    std::vector<HWND> windows;
    ::EnumWindows(AddVisibleOfThisProcess, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::string ClassOf(HWND window)
{
    char name[64] = "";
    ::GetClassNameA(window, name, sizeof(name));
    return name;
}

std::string CaptionOf(HWND window)
{
    WCHAR wide[1024] = L"";
    ::InternalGetWindowText(window, wide, 1024);
    char text[2048] = "";
    ::WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof(text), NULL, NULL);
    return text;
}

bool IsVisibleDialog(HWND window)
{
    return ClassOf(window) == "#32770" && ::IsWindowVisible(window);
}
