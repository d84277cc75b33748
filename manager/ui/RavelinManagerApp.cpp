#include "RavelinManagerApp.h"

#include "DocTemplate.h"
#include "MainFrame.h"
#include "ManagerUtil.h"
#include "ProductNames.h"
#include "RavelinManagerDoc.h"
#include "RavelinManagerView.h"
#include "resource.h"

bool CRavelinManagerApp::InitInstance()
{
    HWND running = CUtil::FindWindowByTitle(kManagerWindowTitle);
    if (running != NULL) {
        CUtil::BringWindowToFront(running);
        return true;
    }

    SetRegistryKey("Local AppWizard-Generated Applications");
    LoadStdProfileSettings(0);
    AddDocTemplate(new CSingleDocTemplate(IDR_MAINFRAME,
                                          CreateObject<CRavelinManagerDoc, CDocument>,
                                          CreateObject<CMainFrame, CFrameWnd>,
                                          CreateObject<CRavelinManagerView, CView>));
    // No file names: a new, empty document with its frame and view. On failure the framework
    // has shown "Failed to create empty document.".
    if (!ProcessShellCommand())
        return false;
    GetMainWnd()->ShowWindow(SW_SHOW);
    GetMainWnd()->UpdateWindow();
    return true;
}
