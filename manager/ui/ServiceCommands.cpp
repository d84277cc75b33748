// The service list's commands: each handler finds the selected record and hands it to its flow.

#include "ManagerUtil.h"
#include "RavelinManagerView.h"

void CRavelinManagerView::OnServiceNew()
{
    flows_.NewService();
}

void CRavelinManagerView::OnServiceEdit()
{
    int slot = SelectedSlot();
    if (slot == -1)
        return;
    flows_.EditService(slot);
}

void CRavelinManagerView::OnServiceOptions()
{
    int slot = SelectedSlot();
    if (slot == -1)
        return;
    flows_.ChangeOptions(slot);
}

void CRavelinManagerView::OnServiceDelete()
{
    // Only for exactly one selected row with its record.
    int slot = SelectedSlot();
    if (slot == -1 || RowOfSlot(slot) == -1)
        return;
    flows_.DeleteService(slot);
}

void CRavelinManagerView::ControlSelectedService(ServiceControl action)
{
    int slot = SelectedSlot();
    if (slot == -1)
        return;
    flows_.ControlService(slot, action);
}

void CRavelinManagerView::OnServiceInstall()
{
    ControlSelectedService(ServiceControl::Install);
}

void CRavelinManagerView::OnServiceUninstall()
{
    ControlSelectedService(ServiceControl::Uninstall);
}

void CRavelinManagerView::OnServiceStart()
{
    ControlSelectedService(ServiceControl::Start);
}

void CRavelinManagerView::OnServiceStop()
{
    ControlSelectedService(ServiceControl::Stop);
}

void CRavelinManagerView::OnServiceLog()
{
    flows_.ShowLog(SelectedSlot());
}

void CRavelinManagerView::OnOpenDataFolder()
{
    // The data folder as the start-up found it; the shell opens it in the file browser.
    CUtil::OpenWithShell(dataFolderForShell);
}
