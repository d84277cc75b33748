#include "View.h"

#include "Document.h"
#include "FrameWnd.h"

namespace {

const char kViewClass[] = "RavelinView";

} // namespace

bool CView::PreCreateWindow(CREATESTRUCTA&)
{
    return true;
}

bool CView::Create(CFrameWnd* frame, UINT id, CDocument* document)
{
    if (!RegisterWindowClass(kViewClass, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, COLOR_WINDOW))
        return false;
    CREATESTRUCTA cs = {};
    cs.lpszClass = kViewClass;
    cs.style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    cs.dwExStyle = WS_EX_CLIENTEDGE;
    cs.hwndParent = frame->GetSafeHwnd();
    cs.hMenu = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id));
    if (!PreCreateWindow(cs))
        return false;
    frame_ = frame;
    document_ = document;
    if (!CreateEx(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, cs.x, cs.y, cs.cx, cs.cy,
                  cs.hwndParent, cs.hMenu)) {
        frame_ = nullptr;
        document_ = nullptr;
        return false;
    }
    autoDelete_ = true;
    if (document != nullptr)
        document->AddView(this);
    return true;
}

BOOL CView::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (lParam == 0 && HIWORD(wParam) <= 1 && frame_ != nullptr)
        return frame_->RouteCommand(LOWORD(wParam)) ? TRUE : FALSE;
    return CWnd::OnCommand(wParam, lParam);
}

void CView::PostNcDestroy()
{
    if (document_ != nullptr)
        document_->RemoveView(this);
    if (frame_ != nullptr)
        frame_->OnViewDestroyed(this);
    if (autoDelete_)
        delete this;
}
