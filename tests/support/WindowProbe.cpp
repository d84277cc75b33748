#include "WindowProbe.h"

#include "TestMain.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

LRESULT SendTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, 5000, &result))
        ADD_FAILURE() << "message " << message << " was not answered";
    return static_cast<LRESULT>(result);
}

std::string TextOf(HWND window)
{
    char text[512] = "";
    SendTo(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    return text;
}

HWND WaitDialog(const char* caption, DWORD timeoutMs)
{
    HWND found = NULL;
    WaitUntil([&] {
        found = ::FindWindowA("#32770", caption);
        return found != NULL && ::IsWindowVisible(found);
    }, timeoutMs);
    if (found != NULL && ::IsWindowVisible(found))
        return found;
    // A dialog that is open under another caption would keep the test's modal loop running
    // until the suite times out: fail now and end it.
    ADD_FAILURE() << "no dialog \"" << caption << "\" within " << timeoutMs
                  << " ms; open windows: " << DescribeOpenWindows();
    CloseOpenDialogs();
    return NULL;
}

std::string MessageBoxText(HWND box)
{
    return TextOf(::GetDlgItem(box, 0xFFFF));
}

RECT RectIn(HWND window, HWND reference)
{
    RECT rect = {0, 0, 0, 0};
    ::GetWindowRect(window, &rect);
    ::MapWindowPoints(NULL, reference, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}
