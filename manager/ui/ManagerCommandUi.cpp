#include "ManagerCommandUi.h"

#include "AppMessageBox.h"
#include "DialogLog.h"
#include "FurtherActions.h"
#include "ManagerUtil.h"
#include "NewEditService.h"
#include "RavelinManagerView.h"

bool CManagerCommandUi::EnterServiceValues(int, ServiceEntry& entry)
{
    // The dialog takes its mode and slot from util.newMode and util.editSlot, set by the flow.
    CNewEditService dialog;
    if (dialog.DoModal() != IDOK)
        return false;
    entry.displayName = dialog.serviceName;
    entry.appPath = dialog.appPath;
    entry.workDir = dialog.workDir;
    entry.appParams = dialog.appParams;
    entry.reviveOnSessionEnd = dialog.reviveFlag != 0 ? 1 : 0;
    return true;
}

bool CManagerCommandUi::ChooseNextActions(bool& install, bool& start)
{
    CFurtherActions dialog;
    if (dialog.DoModal() != IDOK)
        return false;
    install = dialog.installChosen != 0;
    start = dialog.startChosen != 0;
    return true;
}

bool CManagerCommandUi::AskYesNo(const char* question)
{
    return AppMessageBox(question, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void CManagerCommandUi::ShowLog(int)
{
    // The viewer takes its slot from util.logSlot; nothing is refreshed after it closes.
    CDialogLog dialog;
    dialog.DoModal();
}

void CManagerCommandUi::Inform(const char* text)
{
    util.InfoBox(text);
}

void CManagerCommandUi::ReportError(const char* text)
{
    util.ErrorBox(text);
}

void CManagerCommandUi::ShowServiceRow(int slot, bool asNewRow)
{
    view_.ShowServiceRow(slot, asNewRow);
}

void CManagerCommandUi::RemoveServiceRow(int slot)
{
    int row = view_.RowOfSlot(slot);
    if (row >= 0)
        view_.GetListCtrl().DeleteItem(row);
}
