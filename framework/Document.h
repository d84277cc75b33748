#pragma once
// A document: the data a frame and its view show. The framework creates it from a template,
// names it, and deletes it when it is closed.

#include "CmdTarget.h"

#include <vector>

class CFrameWnd;
class CSingleDocTemplate;
class CView;

class CDocument : public CCmdTarget {
public:
    CDocument() = default;
    ~CDocument() override;

    const char* GetTitle() const { return title_; }
    // Also retitles every frame that shows the document.
    virtual void SetTitle(const char* title);

    // Prepares a new, empty document; false stops its creation.
    virtual bool OnNewDocument();
    // Throws away the document's data.
    virtual void DeleteContents() {}
    bool IsModified() const { return modified_; }
    void SetModifiedFlag(bool modified = true) { modified_ = modified; }
    // Whether the frame may close; the framework keeps no files, so nothing is ever saved and
    // the answer is yes.
    virtual bool CanCloseFrame(CFrameWnd* frame);
    // Destroys the frames that show the document, then the document itself.
    virtual void OnCloseDocument();

    void AddView(CView* view);
    void RemoveView(CView* view);
    CView* GetFirstView() const { return views_.empty() ? nullptr : views_.front(); }

    CSingleDocTemplate* GetDocTemplate() const { return docTemplate_; }
    void SetDocTemplate(CSingleDocTemplate* docTemplate) { docTemplate_ = docTemplate; }

private:
    char title_[256] = "";
    bool modified_ = false;
    std::vector<CView*> views_;
    CSingleDocTemplate* docTemplate_ = nullptr;
};
