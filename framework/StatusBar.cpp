#include "StatusBar.h"

#include "CommandText.h"

bool CStatusBar::Create(CFrameWnd* frame, DWORD style, UINT id)
{
    if (!CreateBar(frame, STATUSCLASSNAMEA, style, id, BarAlign::Bottom))
        return false;
    ids_.assign(1, ID_SEPARATOR);
    widths_.assign(1, 0);
    ApplyParts();
    return true;
}

bool CStatusBar::SetIndicators(const UINT* ids, int count)
{
    if (count <= 0)
        return false;
    ids_.assign(ids, ids + count);
    widths_.assign(count, 0);
    HDC dc = ::GetDC(GetSafeHwnd());
    HFONT font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    HGDIOBJ previous = dc != NULL && font != NULL ? ::SelectObject(dc, font) : NULL;
    for (int i = 0; i < count; ++i) {
        if (ids_[i] == ID_SEPARATOR)
            continue;
        char text[256];
        LoadResourceText(ids_[i], text, sizeof(text));
        SIZE extent = {0, 0};
        if (dc != NULL)
            ::GetTextExtentPoint32A(dc, text, lstrlenA(text), &extent);
        widths_[i] = extent.cx + 8;
    }
    if (previous != NULL)
        ::SelectObject(dc, previous);
    if (dc != NULL)
        ::ReleaseDC(GetSafeHwnd(), dc);
    ApplyParts();
    for (int i = 0; i < count; ++i) {
        if (ids_[i] == ID_SEPARATOR)
            continue;
        char text[256];
        LoadResourceText(ids_[i], text, sizeof(text));
        SetPaneText(i, text);
    }
    return true;
}

void CStatusBar::ApplyParts()
{
    int count = static_cast<int>(ids_.size());
    if (count == 0)
        return;
    RECT client = GetClientRect();
    std::vector<int> edges(count);
    // Right edges from the right: fixed panes keep their width, the message pane gets the rest.
    int right = client.right;
    for (int i = count - 1; i >= 0; --i) {
        edges[i] = (i == count - 1) ? -1 : right;
        if (ids_[i] != ID_SEPARATOR)
            right -= widths_[i];
    }
    SendMessage(SB_SETPARTS, count, reinterpret_cast<LPARAM>(edges.data()));
}

bool CStatusBar::SetPaneText(int index, const char* text)
{
    return SendMessage(SB_SETTEXTA, index, reinterpret_cast<LPARAM>(text)) != FALSE;
}

std::string CStatusBar::GetPaneText(int index) const
{
    DWORD length = LOWORD(SendMessage(SB_GETTEXTLENGTHA, index));
    std::string text(length + 1, '\0');
    SendMessage(SB_GETTEXTA, index, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(length);
    return text;
}

void CStatusBar::Layout(RECT& remaining)
{
    // The control places itself along the bottom of the frame for any size message.
    SendMessage(WM_SIZE);
    ApplyParts();
    RECT rect;
    ::GetWindowRect(GetSafeHwnd(), &rect);
    remaining.bottom -= rect.bottom - rect.top;
    if (remaining.bottom < remaining.top)
        remaining.bottom = remaining.top;
}
