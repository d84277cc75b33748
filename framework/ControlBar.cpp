#include "ControlBar.h"

#include "CommonControls.h"
#include "FrameWnd.h"

bool CControlBar::CreateBar(CFrameWnd* frame, const char* className, DWORD style, UINT id,
                            BarAlign align)
{
    EnsureCommonControls();
    HWND hwnd = ::CreateWindowExA(0, className, NULL, style, 0, 0, 0, 0, frame->GetSafeHwnd(),
                                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                  ::GetModuleHandleA(NULL), NULL);
    if (hwnd == NULL)
        return false;
    Attach(hwnd);
    frame_ = frame;
    align_ = align;
    frame->AddControlBar(this);
    return true;
}

SIZE CControlBar::CalcFixedSize() const
{
    RECT rect = {0, 0, 0, 0};
    ::GetWindowRect(GetSafeHwnd(), &rect);
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}
