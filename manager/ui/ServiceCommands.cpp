// The service list's commands: what New, Edit, Delete, Install, Uninstall, Start, Stop, Log
// and Open Data Folder do.

#include "ManagerUtil.h"
#include "RavelinManagerView.h"

// The flow comes with the service commands.
void CRavelinManagerView::OnServiceNew() {}
void CRavelinManagerView::OnServiceEdit() {}
void CRavelinManagerView::OnServiceDelete() {}
void CRavelinManagerView::OnServiceInstall() {}
void CRavelinManagerView::OnServiceUninstall() {}
void CRavelinManagerView::OnServiceStart() {}
void CRavelinManagerView::OnServiceStop() {}
void CRavelinManagerView::OnServiceLog() {}

void CRavelinManagerView::OnOpenDataFolder()
{
    // The data folder as the start-up found it; the shell opens it in the file browser.
    CUtil::OpenWithShell(dataFolderForShell);
}
