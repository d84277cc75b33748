// The service list's commands: what New, Edit, Delete, Install, Uninstall, Start, Stop, Log
// and Open Data Folder do.

#include "DialogLog.h"
#include "ManagerUtil.h"
#include "NewEditService.h"
#include "RavelinManagerView.h"

void CRavelinManagerView::OnServiceNew()
{
    if (!util.HasFreeSlot()) {
        util.InfoBox("Ravelin capacity full.");
        return;
    }
    util.newMode = 1;
    CNewEditService dialog;
    if (dialog.DoModal() != IDOK)
        return;
    // Storing the new record and the next actions come with the service commands' flows.
}

void CRavelinManagerView::OnServiceEdit()
{
    int slot = SelectedSlot();
    if (slot == -1)
        return;
    // A failed reload leaves the copy in memory as it is.
    table.LoadProperties();
    util.newMode = 0;
    util.editSlot = slot;
    CNewEditService dialog;
    if (dialog.DoModal() != IDOK)
        return;
    // Storing the changed values and acting on the installed service come with the flows.
}

// The flow comes with the service commands.
void CRavelinManagerView::OnServiceDelete() {}
void CRavelinManagerView::OnServiceInstall() {}
void CRavelinManagerView::OnServiceUninstall() {}
void CRavelinManagerView::OnServiceStart() {}
void CRavelinManagerView::OnServiceStop() {}

void CRavelinManagerView::OnServiceLog()
{
    int slot = SelectedSlot();
    if (static_cast<unsigned>(slot) > 99)
        return;
    // The viewer takes its slot from logSlot; nothing is refreshed after it closes.
    util.logSlot = slot;
    CDialogLog dialog;
    dialog.DoModal();
}

void CRavelinManagerView::OnOpenDataFolder()
{
    // The data folder as the start-up found it; the shell opens it in the file browser.
    CUtil::OpenWithShell(dataFolderForShell);
}
