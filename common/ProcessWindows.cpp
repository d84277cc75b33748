#include "ProcessWindows.h"

#include <cstring>

namespace {

struct CloseRequest {
    DWORD processId;
    int asked;
};

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

int PostCloseToProcessWindows(DWORD processId)
{
    CloseRequest request = {processId, 0};
    ::EnumWindows(PostCloseToWindow, reinterpret_cast<LPARAM>(&request));
    return request.asked;
}
