#include "ReBar.h"

bool CReBar::Create(CFrameWnd* frame, DWORD rebarStyle, DWORD style, UINT id)
{
    DWORD all = style | rebarStyle | CCS_NODIVIDER | CCS_NOPARENTALIGN;
    if (!CreateBar(frame, REBARCLASSNAMEA, all, id, BarAlign::Top))
        return false;
    REBARINFO info = {};
    info.cbSize = sizeof(info);
    SendMessage(RB_SETBARINFO, 0, reinterpret_cast<LPARAM>(&info));
    return true;
}

bool CReBar::AddBar(CControlBar* bar, DWORD bandStyle)
{
    HWND child = bar->GetSafeHwnd();
    if (child == NULL || ::SetParent(child, GetSafeHwnd()) == NULL)
        return false;
    SIZE size = bar->CalcFixedSize();
    REBARBANDINFOA band = {};
    band.cbSize = sizeof(band);
    band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_ID;
    band.fStyle = bandStyle;
    band.hwndChild = child;
    band.cxMinChild = size.cx;
    band.cyMinChild = size.cy;
    band.cx = size.cx;
    band.wID = ::GetDlgCtrlID(child);
    if (!SendMessage(RB_INSERTBANDA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band)))
        return false;
    bar->SetReBar(this);
    return true;
}

int CReBar::GetBandCount() const
{
    return static_cast<int>(SendMessage(RB_GETBANDCOUNT));
}

int CReBar::FindBand(const CControlBar* bar) const
{
    int count = GetBandCount();
    for (int i = 0; i < count; ++i) {
        REBARBANDINFOA band = {};
        band.cbSize = sizeof(band);
        band.fMask = RBBIM_CHILD;
        if (SendMessage(RB_GETBANDINFOA, i, reinterpret_cast<LPARAM>(&band)) &&
            band.hwndChild == bar->GetSafeHwnd())
            return i;
    }
    return -1;
}

void CReBar::ShowBand(const CControlBar* bar, bool show)
{
    int index = FindBand(bar);
    if (index >= 0)
        SendMessage(RB_SHOWBAND, index, show ? TRUE : FALSE);
}

bool CReBar::HasVisibleBand() const
{
    int count = GetBandCount();
    for (int i = 0; i < count; ++i) {
        REBARBANDINFOA band = {};
        band.cbSize = sizeof(band);
        band.fMask = RBBIM_STYLE;
        if (SendMessage(RB_GETBANDINFOA, i, reinterpret_cast<LPARAM>(&band)) &&
            !(band.fStyle & RBBS_HIDDEN))
            return true;
    }
    return false;
}

void CReBar::Layout(RECT& remaining)
{
    int width = remaining.right - remaining.left;
    RECT current;
    ::GetWindowRect(GetSafeHwnd(), &current);
    // The rebar works out its height for the width it is given.
    ::MoveWindow(GetSafeHwnd(), remaining.left, remaining.top, width,
                 current.bottom - current.top, TRUE);
    int height = static_cast<int>(SendMessage(RB_GETBARHEIGHT));
    ::GetWindowRect(GetSafeHwnd(), &current);
    if (height < current.bottom - current.top)
        height = current.bottom - current.top;
    ::MoveWindow(GetSafeHwnd(), remaining.left, remaining.top, width, height, TRUE);
    remaining.top += height;
}
