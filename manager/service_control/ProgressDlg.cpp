#include "ProgressDlg.h"

#include "DataExchange.h"
#include "ManagerUtil.h"
#include "resource.h"

namespace {

const UINT_PTR kStepTimer = 51;
const UINT_PTR kCloseTimer = 52;
const UINT kTimerMs = 500;

} // namespace

CProgressDlg::CProgressDlg(CWnd* parent) : CDialog(IDD_PROGRESS, parent)
{
}

void CProgressDlg::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_PROGRESS_BAR, progressBar);
}

BOOL CProgressDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetWindowText(util.progressTitle);
    progressBar.SetRange(0, 1);
    progressBar.SetPos(0);
    progressBar.SetStep(1);
    SetTimer(kStepTimer, kTimerMs);
    return TRUE;
}

void CProgressDlg::OnTimer(UINT_PTR id)
{
    switch (id) {
    case kStepTimer:
        KillTimer(kStepTimer);
        progressBar.StepIt();
        SetTimer(kCloseTimer, kTimerMs);
        break;
    case kCloseTimer:
        KillTimer(kCloseTimer);
        // The stop handshake's hold: the whole user interface waits with the dialog.
        if (util.progressHoldMs > 0)
            ::Sleep(static_cast<DWORD>(util.progressHoldMs));
        EndDialog(IDCANCEL);
        break;
    default:
        break;
    }
    CDialog::OnTimer(id);
}
