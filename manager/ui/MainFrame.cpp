#include "MainFrame.h"

#include "BoundedText.h"
#include "HelpLinks.h"
#include "ManagerUtil.h"
#include "ServiceAction.h"
#include "WinApp.h"
#include "resource.h"

bool CMainFrame::PreCreateWindow(CREATESTRUCTA& cs)
{
    cs.cx = 472;
    cs.cy = 450;
    return CFrameWnd::PreCreateWindow(cs);
}

int CMainFrame::OnCreate(CREATESTRUCTA* cs)
{
    if (CFrameWnd::OnCreate(cs) == -1)
        return -1;
    // The toolbar sits at the top in a rebar band with a gripper and a fixed background; its
    // buttons have tooltips, and the frame shows their prompts in the status bar as the pointer
    // moves over them.
    if (!toolBar.CreateEx(this, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE, IDW_TOOLBAR) ||
        !toolBar.LoadToolBar(IDR_MAINFRAME))
        return -1;
    if (!reBar.Create(this, RBS_BANDBORDERS,
                      WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, IDW_REBAR) ||
        !reBar.AddBar(&toolBar, RBBS_GRIPPERALWAYS | RBBS_FIXEDBMP))
        return -1;
    static const UINT indicators[] = {ID_SEPARATOR}; // the message pane alone
    if (!statusBar.Create(this) || !statusBar.SetIndicators(indicators, 1))
        return -1;
    return 0;
}

bool CMainFrame::HandleCommand(UINT id)
{
    switch (id) {
    case ID_HELP_MANUAL: OnHelpManual(); return true;
    case ID_HELP_MORVANE: OnHelpMorvane(); return true;
    case ID_APP_EXIT: OnExit(); return true;
    default: break;
    }
    return CFrameWnd::HandleCommand(id);
}

void CMainFrame::OnSysCommand(UINT command, LPARAM lParam)
{
    // The low four bits of a system command are the system's own.
    if ((command & 0xFFF0) == SC_CLOSE) {
        OnExit();
        return;
    }
    CFrameWnd::OnSysCommand(command, lParam);
}

void CMainFrame::OnClose()
{
    OnExit();
}

void CMainFrame::OnEndSession(bool ending)
{
    if (!ending)
        return;
    // The system may end the process as soon as this returns, and a command that waits in a
    // dialog cannot run on before it does. Everything a command changes is saved as it changes,
    // so what remains is what it has begun: a stop whose hold runs is sent now, and the log line
    // of the step on screen is written now. Then the close, put off as usual while a command runs.
    serviceAction.FinishForSessionEnd();
    OnExit();
}

void CMainFrame::OnHelpManual()
{
    char manual[sizeof(util.installPath) + sizeof(kManualFileName) + 1];
    if (FormatText(manual, sizeof(manual), "%s\\%s", util.installPath, kManualFileName))
        CUtil::OpenWithShell(manual);
}

void CMainFrame::OnHelpMorvane()
{
    CUtil::OpenWithShell(kMakerHomePage);
}

void CMainFrame::OnExit()
{
    // A command still on the stack uses the view and its table, which the close frees.
    CWinApp* app = TheApp();
    if (app != nullptr && app->PutOffClose())
        return;
    // The standard close destroys this frame, which deletes itself: no member is used after it.
    CFrameWnd::OnClose();
    ::PostQuitMessage(0);
}
