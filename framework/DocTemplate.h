#pragma once
// A single-document template: one resource id for the frame's menu, icon and title string,
// and the factories of the document, frame and view classes. It holds at most one document.

#include "Object.h"

#include <windows.h>

class CDocument;
class CFrameWnd;
class CView;

class CSingleDocTemplate : public CObject {
public:
    using DocumentFactory = CDocument* (*)();
    using FrameFactory = CFrameWnd* (*)();
    using ViewFactory = CView* (*)();

    CSingleDocTemplate(UINT resourceId, DocumentFactory newDocument, FrameFactory newFrame,
                       ViewFactory newView);
    ~CSingleDocTemplate() override;

    // A new document titled "Untitled" until its OnNewDocument renames it, in a new frame with
    // a new view; the first frame becomes the main window. False when any part fails, after
    // undoing the others.
    bool OpenNewDocument();
    void CloseAllDocuments();
    CDocument* GetDocument() const { return document_; }
    UINT GetResourceId() const { return resourceId_; }
    CView* CreateView() const { return newView_(); }

    // Called by a document as it goes.
    void RemoveDocument(CDocument* document);

private:
    UINT resourceId_;
    DocumentFactory newDocument_;
    FrameFactory newFrame_;
    ViewFactory newView_;
    CDocument* document_ = nullptr;
};
