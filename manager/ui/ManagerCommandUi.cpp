#include "ManagerCommandUi.h"

#include "AppMessageBox.h"
#include "DialogLog.h"
#include "FurtherActions.h"
#include "ManagerUtil.h"
#include "NewEditService.h"
#include "RavelinManagerView.h"
#include "RecordText.h"
#include "ServiceOptionsDlg.h"

bool CManagerCommandUi::EnterServiceValues(int editSlot, ServiceEntry& entry)
{
    CNewEditService dialog(editSlot);
    if (dialog.DoModal() != IDOK)
        return false;
    entry.displayName = dialog.serviceName;
    entry.appPath = dialog.appPath;
    entry.workDir = dialog.workDir;
    entry.appParams = dialog.appParams;
    entry.reviveOnSessionEnd = dialog.reviveFlag != 0 ? 1 : 0;
    return true;
}

bool CManagerCommandUi::EnterServiceOptions(int slot, ServiceOptions& options)
{
    std::string name;
    if (view_.HasTable() && slot >= 0 && slot < kSlotCount)
        name = FieldText(view_.table.Record(slot).displayName);
    CServiceOptionsDlg dialog(options, name);
    if (dialog.DoModal() != IDOK)
        return false;
    options = dialog.options;
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

void CManagerCommandUi::ShowLog(int slot)
{
    // Nothing is refreshed after the viewer closes.
    CDialogLog dialog(slot);
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
