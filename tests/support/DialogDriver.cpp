#include "DialogDriver.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The static text of a message box.
const int kBoxText = 0xFFFF;

// The 32-bit pixels of a bitmap, bottom row first; empty when unreadable.
std::vector<uint32_t> Pixels(HDC dc, HBITMAP bitmap, int width, int height)
{
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof(format.bmiHeader);
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    if (::GetDIBits(dc, bitmap, 0, height, pixels.data(), &format, DIB_RGB_COLORS) != height)
        pixels.clear();
    return pixels;
}

} // namespace

HWND FileNameEdit(HWND files, DWORD timeoutMs)
{
    HWND field = NULL;
    WaitUntil(
        [&] {
            // cmb13, the file name: an extended combo box around a combo box and its edit.
            HWND outer = ::GetDlgItem(files, 0x47c);
            HWND inner = outer ? ::FindWindowExA(outer, NULL, "ComboBox", NULL) : NULL;
            field = inner ? ::FindWindowExA(inner, NULL, "Edit", NULL) : NULL;
            return field != NULL;
        },
        timeoutMs);
    return field;
}

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

// Whether the message box's icon is the system's icon: the box's icon control, as it is on
// the screen, shows the icon's opaque pixels (the system icon as this process loads it; icon
// handles of another process cannot be read here).
bool ShowsSystemIcon(HWND box, LPCSTR systemIcon)
{
    HWND control = NULL;
    for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        char className[16] = "";
        ::GetClassNameA(child, className, sizeof(className));
        if (lstrcmpiA(className, "Static") == 0 &&
            (::GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            control = child;
    }
    ICONINFO info = {};
    if (control == NULL || !::GetIconInfo(::LoadIconA(NULL, systemIcon), &info))
        return false;
    BITMAP shape = {};
    ::GetObjectA(info.hbmColor, sizeof(shape), &shape);
    int width = shape.bmWidth;
    int height = shape.bmHeight;
    HDC screen = ::GetDC(NULL);
    std::vector<uint32_t> colour = Pixels(screen, info.hbmColor, width, height);
    std::vector<uint32_t> mask = Pixels(screen, info.hbmMask, width, height);
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);

    // The control's pixels, copied from its place on the screen (the other process's window
    // DCs cannot be read from here).
    RECT place;
    ::GetWindowRect(control, &place);
    HDC copy = ::CreateCompatibleDC(screen);
    HBITMAP picture = ::CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = ::SelectObject(copy, picture);
    ::BitBlt(copy, 0, 0, width, height, screen, place.left, place.top, SRCCOPY);
    ::SelectObject(copy, old);
    std::vector<uint32_t> screenPixels = Pixels(copy, picture, width, height);
    ::DeleteObject(picture);
    ::DeleteDC(copy);
    ::ReleaseDC(NULL, screen);
    if (colour.empty() || mask.empty() || screenPixels.size() != colour.size())
        return false;

    bool hasAlpha = false;
    for (uint32_t pixel : colour)
        hasAlpha |= (pixel >> 24) != 0;
    size_t opaque = 0;
    size_t matching = 0;
    for (size_t i = 0; i < colour.size(); ++i) {
        bool isOpaque = hasAlpha ? (colour[i] >> 24) == 0xFF : (mask[i] & 0xFFFFFF) == 0;
        if (!isOpaque)
            continue;
        ++opaque;
        bool similar = true;
        for (int shift = 0; shift < 24; shift += 8) {
            int a = static_cast<int>((colour[i] >> shift) & 0xFF);
            int b = static_cast<int>((screenPixels[i] >> shift) & 0xFF);
            similar &= a - b <= 8 && b - a <= 8;
        }
        matching += similar ? 1 : 0;
    }
    return opaque > 100 && matching * 10 >= opaque * 9;
}
