#include "WindowList.h"

namespace {

struct WindowSearch {
    DWORD pid;
    const char* className;
    bool hiddenToo;
    std::vector<HWND> found;
};

BOOL CALLBACK AddWindow(HWND window, LPARAM param)
{
    WindowSearch* search = reinterpret_cast<WindowSearch*>(param);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process != search->pid || (!search->hiddenToo && !::IsWindowVisible(window)))
        return TRUE;
    if (search->className == nullptr || ClassOf(window) == search->className)
        search->found.push_back(window);
    return TRUE;
}

} // namespace

std::vector<HWND> VisibleWindowsOf(DWORD pid, const char* className)
{
    WindowSearch search = {pid, className, false, {}};
    ::EnumWindows(AddWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> AllWindowsOf(DWORD pid, const char* className)
{
    WindowSearch search = {pid, className, true, {}};
    ::EnumWindows(AddWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> VisibleWindowsOfThisProcess()
{
    return VisibleWindowsOf(::GetCurrentProcessId());
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
