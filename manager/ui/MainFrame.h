#pragma once
// The manager's main window: menu, toolbar in a rebar, status bar with the command prompts,
// the list view in between; the help links and the way out.

#include "FrameWnd.h"
#include "ReBar.h"
#include "StatusBar.h"
#include "ToolBar.h"

class CMainFrame : public CFrameWnd {
public:
    CMainFrame() = default;

    bool HandleCommand(UINT id) override;

    // Constructed in this order and destroyed in reverse.
    CStatusBar statusBar;
    CToolBar toolBar;
    CReBar reBar;

protected:
    // 472 x 450 pixels on every start; the system picks the position.
    bool PreCreateWindow(CREATESTRUCTA& cs) override;
    // The framework's frame creation, then the toolbar, the rebar and the status bar.
    int OnCreate(CREATESTRUCTA* cs) override;
    void OnSysCommand(UINT command, LPARAM lParam) override;
    void OnClose() override;
    // The end of the session: what a running command has begun is finished, then the close.
    void OnEndSession(bool ending) override;

private:
    void OnHelpManual();
    void OnHelpMorvane();
    // Exit, the system Close, WM_CLOSE and the end of the session: the standard close, then the
    // quit message; the frame is gone when this returns. While a service command runs (it
    // waits in one of its dialogs, a question or a progress), the close is carried out once
    // the command has ended.
    void OnExit();
};
