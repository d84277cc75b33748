#include "FurtherActions.h"

#include "DataExchange.h"
#include "resource.h"

CFurtherActions::CFurtherActions(CWnd* parent) : CDialog(IDD_FURTHER_ACTIONS, parent)
{
}

void CFurtherActions::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    DDX_Check(dx, IDC_INSTALL_SERVICE, installChosen);
    DDX_Check(dx, IDC_START_SERVICE, startChosen);
}
