#include "DocTemplate.h"

#include "Document.h"
#include "FrameWnd.h"
#include "View.h"
#include "WinApp.h"

CSingleDocTemplate::CSingleDocTemplate(UINT resourceId, DocumentFactory newDocument,
                                       FrameFactory newFrame, ViewFactory newView)
    : resourceId_(resourceId), newDocument_(newDocument), newFrame_(newFrame), newView_(newView)
{
}

CSingleDocTemplate::~CSingleDocTemplate()
{
    if (document_ != nullptr)
        document_->SetDocTemplate(nullptr);
}

bool CSingleDocTemplate::OpenNewDocument()
{
    if (document_ != nullptr)
        return false; // one document at a time
    CDocument* document = newDocument_();
    if (document == nullptr)
        return false;
    document_ = document;
    document->SetDocTemplate(this);

    CFrameWnd* frame = newFrame_();
    // A loaded frame deletes itself with its window; one that failed to load is deleted here.
    if (frame == nullptr || !frame->LoadFrame(resourceId_, this, document)) {
        delete frame;
        delete document;
        return false;
    }
    CWinApp* app = TheApp();
    if (app != nullptr && app->GetMainWnd() == nullptr)
        app->SetMainWnd(frame);

    document->SetTitle("Untitled");
    if (!document->OnNewDocument()) {
        frame->DestroyWindow();
        delete document;
        return false;
    }
    frame->InitialUpdateFrame(document);
    return true;
}

void CSingleDocTemplate::CloseAllDocuments()
{
    if (document_ != nullptr)
        document_->OnCloseDocument();
}

void CSingleDocTemplate::RemoveDocument(CDocument* document)
{
    if (document_ == document)
        document_ = nullptr;
}
