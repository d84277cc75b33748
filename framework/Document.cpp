#include "Document.h"

#include "BoundedText.h"
#include "DocTemplate.h"
#include "FrameWnd.h"
#include "View.h"

#include <algorithm>

CDocument::~CDocument()
{
    if (docTemplate_ != nullptr)
        docTemplate_->RemoveDocument(this);
}

void CDocument::SetTitle(const char* title)
{
    CopyText(title_, title);
    for (CView* view : views_) {
        CFrameWnd* frame = view->GetParentFrame();
        if (frame != nullptr)
            frame->OnUpdateFrameTitle();
    }
}

bool CDocument::OnNewDocument()
{
    DeleteContents();
    SetModifiedFlag(false);
    return true;
}

bool CDocument::CanCloseFrame(CFrameWnd*)
{
    return true;
}

void CDocument::OnCloseDocument()
{
    // Destroying a frame destroys its views, which leave views_ as they go.
    std::vector<HWND> frames;
    for (CView* view : views_) {
        CFrameWnd* frame = view->GetParentFrame();
        if (frame != nullptr)
            frames.push_back(frame->GetSafeHwnd());
    }
    for (HWND frame : frames) {
        if (::IsWindow(frame))
            ::DestroyWindow(frame);
    }
    DeleteContents();
    delete this;
}

void CDocument::AddView(CView* view)
{
    if (std::find(views_.begin(), views_.end(), view) == views_.end())
        views_.push_back(view);
}

void CDocument::RemoveView(CView* view)
{
    views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end());
}
