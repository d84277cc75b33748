#pragma once
// The main window of a document: menu, icon and title from one resource id, bars around the
// view, the status-bar prompts, and command routing - a command goes to the active view, then
// the document, then the frame, then the application, unless its update handler disables it.

#include "FrameworkIds.h"
#include "Wnd.h"

#include <windows.h>
#include <commctrl.h>
#include <vector>

class CControlBar;
class CDocument;
class CSingleDocTemplate;
class CStatusBar;
class CView;

class CFrameWnd : public CWnd {
public:
    CFrameWnd() = default;

    // Creates the frame with menu, icon and title string resourceId; with a template, also the
    // template's view of the document. A frame that loads deletes itself with its window.
    bool LoadFrame(UINT resourceId, CSingleDocTemplate* docTemplate = nullptr,
                   CDocument* document = nullptr);
    // The view's initial update, the title and the layout, once the document is ready.
    void InitialUpdateFrame(CDocument* document);

    CView* GetActiveView() const { return view_; }
    CDocument* GetActiveDocument() const;
    // The frame's own title (the string resource), without the document's.
    const char* GetFrameTitle() const { return frameTitle_; }
    // Window title "<document title> - <frame title>", or the frame title alone.
    virtual void OnUpdateFrameTitle();
    // Bars top and bottom, the view in the rest of the client area.
    virtual void RecalcLayout();

    void AddControlBar(CControlBar* bar);
    // The bar with that control id (IDW_TOOLBAR, IDW_STATUS_BAR, ...), or nullptr.
    CControlBar* GetControlBar(UINT id) const;
    void ShowControlBar(CControlBar* bar, bool show);

    // Carries a command along the route; true when some target handled it or its update
    // handler disabled it (then nothing runs).
    bool RouteCommand(UINT id);
    // The first update handler along the route fills ui; false when there is none.
    bool RouteUpdate(CCmdUI& ui);

    // The message pane: the prompt of a string id (IDS_IDLE_MESSAGE: the idle text), or a text.
    void SetMessageText(UINT id);
    void SetMessageText(const char* text);
    // Idle time: bar button states, and the idle text once nothing is being pointed at.
    void OnIdleUpdate();

    void OnViewDestroyed(CView* view);

    bool HandleCommand(UINT id) override;
    bool UpdateCommand(CCmdUI& ui) override;

protected:
    // Lets a derived frame change the creation values (size, styles) before creation.
    virtual bool PreCreateWindow(CREATESTRUCTA& cs);
    // The framework's frame creation: the view. A derived frame calls it first, then adds bars.
    int OnCreate(CREATESTRUCTA* cs) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnNotify(WPARAM wParam, NMHDR* header, LRESULT* result) override;
    void OnSize(UINT type, int width, int height) override;
    // The standard close: the document may refuse; otherwise the documents are closed and the
    // window destroyed (the main window's end posts the quit message).
    void OnClose() override;
    void PostNcDestroy() override;

    // ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR: show or hide the bar with that id, with check mark.
    void OnBarCheck(UINT id);
    void OnUpdateBarCheck(CCmdUI& ui);

private:
    bool OnCreateClient();
    void OnInitMenuPopup(HMENU popup);
    void OnMenuSelect(UINT item, UINT flags, HMENU menu);
    LRESULT OnSetMessageString(WPARAM id, LPARAM text);
    void OnToolTipText(NMHDR* header);
    CStatusBar* GetStatusBar() const;

    char frameTitle_[256] = "";
    CSingleDocTemplate* docTemplate_ = nullptr;
    CDocument* creatingDocument_ = nullptr;
    CView* view_ = nullptr;
    std::vector<CControlBar*> bars_;
    UINT trackingId_ = IDS_IDLE_MESSAGE; // what the message pane should show
    UINT lastMessageId_ = 0;             // what it shows
    bool autoDelete_ = false;
    bool inLayout_ = false;
};
