#include "DialogDriver.h"

#include <gtest/gtest.h>

namespace {

// The static text of a message box.
const int kBoxText = 0xFFFF;

} // namespace

std::string Text(HWND dialog, int id)
{
    return RemoteText(::GetDlgItem(dialog, id));
}

void SetText(HWND dialog, int id, const std::string& text)
{
    ::SendMessageA(::GetDlgItem(dialog, id), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(text.c_str()));
}

bool Checked(HWND dialog, int id)
{
    return ::SendMessageA(::GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetChecked(HWND dialog, int id, bool checked)
{
    if (Checked(dialog, id) != checked)
        ::SendMessageA(::GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void Click(HWND dialog, int id)
{
    ::PostMessageA(::GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

bool WaitGone(HWND window, DWORD timeoutMs)
{
    return WaitUntil([&] { return !::IsWindow(window); }, timeoutMs);
}

HWND CDialogDriver::WaitTopLevel(const char* title, DWORD timeoutMs)
{
    HWND window = NULL;
    WaitUntil([&] { return (window = FindWindowOf(manager_.Process().Id(), title)) != NULL; },
              timeoutMs);
    return window;
}

HWND CDialogDriver::OpenByCommand(UINT command, const char* caption, DWORD timeoutMs)
{
    ::PostMessageA(manager_.Frame(), WM_COMMAND, command, 0);
    HWND dialog = WaitTopLevel(caption, timeoutMs);
    EXPECT_NE(nullptr, dialog) << "the dialog \"" << caption << "\" did not open";
    return dialog;
}

std::string CDialogDriver::PressAndRead(HWND dialog, int id, const char* boxCaption)
{
    Click(dialog, id);
    return MessageOrClosed(dialog, boxCaption);
}

std::string CDialogDriver::MessageOrClosed(HWND dialog, const char* boxCaption)
{
    HWND box = NULL;
    bool settled = WaitUntil(
        [&] {
            box = FindWindowOf(manager_.Process().Id(), boxCaption);
            return box != NULL || !::IsWindow(dialog);
        },
        10000);
    if (!settled) {
        ADD_FAILURE() << "neither a message nor the end of the dialog";
        return "(nothing)";
    }
    if (box == NULL)
        return "";
    std::string text = RemoteText(::GetDlgItem(box, kBoxText));
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitGone(box)) << "the message box stayed";
    EXPECT_TRUE(::IsWindow(dialog) && ::IsWindowVisible(dialog))
        << "the dialog closed after the message " << text;
    return text;
}

std::string CDialogDriver::AnswerBox(const char* caption, int button, DWORD timeoutMs)
{
    HWND box = WaitTopLevel(caption, timeoutMs);
    if (box == NULL)
        return "(no box)";
    std::string text = RemoteText(::GetDlgItem(box, kBoxText));
    ::PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(button), 0);
    EXPECT_TRUE(WaitGone(box)) << "the message box stayed";
    return text;
}
