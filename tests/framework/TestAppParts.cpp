#include "TestAppParts.h"

#include "AppMessageBox.h"
#include "Dialog.h"
#include "DocTemplate.h"
#include "TestResource.h"

CTestDoc::~CTestDoc()
{
    Events().Add("doc deleted");
}

bool CTestDoc::OnNewDocument()
{
    if (!CDocument::OnNewDocument())
        return false;
    SetTitle("Ledger");
    return true;
}

bool CTestDoc::HandleCommand(UINT id)
{
    switch (id) {
    case ID_TEST_ALL: Events().Add("doc 40001"); return true;
    case ID_TEST_DOC: Events().Add("doc 40002"); return true;
    default: break;
    }
    return CDocument::HandleCommand(id);
}

CTestView::~CTestView()
{
    Events().Add("view deleted");
}

bool CTestView::PreCreateWindow(CREATESTRUCTA& cs)
{
    if (Switches().failViewCreation)
        return false;
    if (!CListView::PreCreateWindow(cs))
        return false;
    cs.style |= LVS_REPORT | LVS_SINGLESEL;
    return true;
}

void CTestView::OnInitialUpdate()
{
    CListView::OnInitialUpdate();
    Events().Add(std::string("initial update of ") + GetDocument()->GetTitle());
}

bool CTestView::HandleCommand(UINT id)
{
    switch (id) {
    case ID_TEST_ALL: Events().Add("view 40001"); return true;
    case ID_TEST_GUARDED: Events().Add("view 40005"); return true;
    case ID_TEST_DIALOG: dialogResult = CDialog(IDD_DDX_TEST).DoModal(); return true;
    case ID_TEST_BOX: boxResult = AppMessageBox("Carry on?", MB_YESNO); return true;
    case ID_TEST_TIMER: SetTimer(77, 50); return true;
    default: break;
    }
    return CListView::HandleCommand(id);
}

bool CTestView::UpdateCommand(CCmdUI& ui)
{
    switch (ui.GetID()) {
    case ID_TEST_GUARDED: ui.Enable(Switches().guardedEnabled); return true;
    default: break;
    }
    return CListView::UpdateCommand(ui);
}

void CTestView::OnColumnClick(int column)
{
    Events().Add("column " + std::to_string(column));
}

void CTestView::OnContextMenu(HWND, POINT screenPoint)
{
    Events().Add("context " + std::to_string(screenPoint.x) + "," + std::to_string(screenPoint.y));
}

void CTestView::OnTimer(UINT_PTR id)
{
    if (id == 77) {
        KillTimer(77);
        Events().Add("timer 77");
    }
    CListView::OnTimer(id);
}

CTestFrame::~CTestFrame()
{
    Events().Add("frame deleted");
}

bool CTestFrame::PreCreateWindow(CREATESTRUCTA& cs)
{
    cs.cx = 472;
    cs.cy = 450;
    return CFrameWnd::PreCreateWindow(cs);
}

int CTestFrame::OnCreate(CREATESTRUCTA* cs)
{
    if (CFrameWnd::OnCreate(cs) == -1)
        return -1;
    static const UINT indicators[] = {ID_SEPARATOR};
    if (!toolBar.CreateEx(this) || !toolBar.LoadToolBar(IDR_TESTFRAME) || !reBar.Create(this) ||
        !reBar.AddBar(&toolBar) || !statusBar.Create(this) ||
        !statusBar.SetIndicators(indicators, 1))
        return -1;
    return 0;
}

bool CTestFrame::HandleCommand(UINT id)
{
    switch (id) {
    case ID_TEST_ALL: Events().Add("frame 40001"); return true;
    case ID_TEST_DOC: Events().Add("frame 40002"); return true;
    case ID_TEST_FRAME: Events().Add("frame 40003"); return true;
    case ID_TEST_CHECKED: Events().Add("frame 40006"); return true;
    default: break;
    }
    return CFrameWnd::HandleCommand(id);
}

bool CTestFrame::UpdateCommand(CCmdUI& ui)
{
    switch (ui.GetID()) {
    case ID_TEST_CHECKED: ui.SetCheck(Switches().checkedState); return true;
    default: break;
    }
    return CFrameWnd::UpdateCommand(ui);
}

bool CTestApp::InitInstance()
{
    if (Switches().noWindow)
        return true;
    SetRegistryKey("Ravelin Framework Tests");
    LoadStdProfileSettings(0);
    AddDocTemplate(new CSingleDocTemplate(IDR_TESTFRAME, CreateObject<CTestDoc, CDocument>,
                                          CreateObject<CTestFrame, CFrameWnd>,
                                          CreateObject<CTestView, CView>));
    if (!ProcessShellCommand())
        return false;
    GetMainWnd()->ShowWindow(SW_SHOW);
    GetMainWnd()->UpdateWindow();
    return true;
}

bool CTestApp::HandleCommand(UINT id)
{
    switch (id) {
    case ID_TEST_ALL: Events().Add("app 40001"); return true;
    case ID_TEST_DOC: Events().Add("app 40002"); return true;
    case ID_TEST_FRAME: Events().Add("app 40003"); return true;
    case ID_TEST_APP: Events().Add("app 40004"); return true;
    default: break;
    }
    return CWinApp::HandleCommand(id);
}
