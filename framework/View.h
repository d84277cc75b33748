#pragma once
// A view: the child window that fills a frame's client area and shows its document. Views are
// made by a document template and delete themselves when their window goes.

#include "Wnd.h"

class CDocument;
class CFrameWnd;

class CView : public CWnd {
public:
    CView() = default;

    // Creates the view's window as child id of the frame and attaches it to the document.
    bool Create(CFrameWnd* frame, UINT id, CDocument* document);

    CDocument* GetDocument() const { return document_; }
    CFrameWnd* GetParentFrame() const { return frame_; }

    // Once the document is ready, before the frame is shown.
    virtual void OnInitialUpdate() {}

protected:
    // Lets a derived view change the class, styles and extended styles before creation.
    virtual bool PreCreateWindow(CREATESTRUCTA& cs);
    // Menu and accelerator commands (a context menu tracked for the view sends them here)
    // take the frame's route, like commands from the frame's own menu.
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;

private:
    CDocument* document_ = nullptr;
    CFrameWnd* frame_ = nullptr;
    bool autoDelete_ = false;
};
