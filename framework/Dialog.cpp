#include "Dialog.h"

#include "CommonControls.h"
#include "DataExchange.h"
#include "WinApp.h"

CDialog::CDialog(UINT templateId, CWnd* parent) : templateId_(templateId), parent_(parent)
{
}

INT_PTR CDialog::DoModal()
{
    EnsureCommonControls();
    HWND owner = NULL;
    if (parent_ != nullptr) {
        owner = parent_->GetSafeHwnd();
    } else {
        CWinApp* app = TheApp();
        if (app != nullptr && app->GetMainWnd() != nullptr)
            owner = app->GetMainWnd()->GetSafeHwnd();
    }
    if (owner != NULL && !::IsWindow(owner))
        owner = NULL;
    INT_PTR result = ::DialogBoxParamA(::GetModuleHandleA(NULL), MAKEINTRESOURCEA(templateId_),
                                       owner, &CDialog::StaticDialogProc,
                                       reinterpret_cast<LPARAM>(this));
    return result;
}

INT_PTR CALLBACK CDialog::StaticDialogProc(HWND hwnd, UINT message, WPARAM, LPARAM lParam)
{
    // The dialog is subclassed when it starts, so every later message reaches the wrapper's
    // WindowProc first and this procedure only answers "not handled" to the dialog manager.
    if (message != WM_INITDIALOG)
        return FALSE;
    CDialog* self = reinterpret_cast<CDialog*>(lParam);
    if (self == nullptr || !self->Subclass(hwnd))
        return TRUE;
    try {
        self->CenterWindow(::GetWindow(hwnd, GW_OWNER));
        return self->OnInitDialog();
    } catch (...) {
        return TRUE;
    }
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(false);
    return TRUE;
}

void CDialog::EndDialog(INT_PTR result)
{
    ::EndDialog(GetSafeHwnd(), result);
}

bool CDialog::UpdateData(bool save)
{
    CDataExchange dx(this, save);
    DoDataExchange(&dx);
    return !dx.Failed();
}

void CDialog::OnOK()
{
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
        case IDOK: OnOK(); return TRUE;
        case IDCANCEL: OnCancel(); return TRUE;
        default: break;
        }
    }
    return CWnd::OnCommand(wParam, lParam);
}
