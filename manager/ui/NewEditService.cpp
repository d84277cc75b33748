#include "NewEditService.h"

#include "BoundedText.h"
#include "DataExchange.h"
#include "ManagerUtil.h"
#include "RecordText.h"
#include "ServiceEntryCheck.h"
#include "resource.h"

#include <commdlg.h>

CNewEditService::CNewEditService(int editSlot, CWnd* parent)
    : CDialog(IDD_NEW_EDIT_SERVICE, parent),
      editSlot_(util.serviceTable != nullptr && editSlot >= 0 && editSlot < kSlotCount ? editSlot
                                                                                        : -1)
{
    if (editSlot_ < 0)
        return;
    const ServiceRecord& record = util.serviceTable->records[editSlot_];
    serviceName = FieldText(record.displayName);
    workDir = FieldText(record.workDir);
    appParams = FieldText(record.appParams);
    appPath = FieldText(record.appPath);
    reviveFlag = static_cast<int32_t>(record.reviveOnSessionEnd);
}

BOOL CNewEditService::OnInitDialog()
{
    // The fields take no more than the record holds, so the caller never has to cut a text.
    // (EM_LIMITTEXT binds typing and pasting; WM_SETTEXT, as Browse uses, is not bound.)
    HWND dialog = GetSafeHwnd();
    ::SendDlgItemMessageA(dialog, IDC_SERVICE_NAME, EM_LIMITTEXT, kDisplayNameSize - 1, 0);
    ::SendDlgItemMessageA(dialog, IDC_WORK_DIR, EM_LIMITTEXT, kPathFieldSize - 1, 0);
    ::SendDlgItemMessageA(dialog, IDC_APP_PARAMS, EM_LIMITTEXT, kPathFieldSize - 1, 0);
    ::SendDlgItemMessageA(dialog, IDC_APP_PATH, EM_LIMITTEXT, kPathFieldSize - 1, 0);
    return CDialog::OnInitDialog();
}

void CNewEditService::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    DDX_Text(dx, IDC_SERVICE_NAME, serviceName);
    DDX_Text(dx, IDC_WORK_DIR, workDir);
    DDX_Text(dx, IDC_APP_PARAMS, appParams);
    DDX_Text(dx, IDC_APP_PATH, appPath);
    DDX_Check(dx, IDC_REVIVE, reviveFlag);
}

BOOL CNewEditService::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
        case IDC_BROWSE: OnBrowse(); return TRUE;
        default: break;
        }
    }
    return CDialog::OnCommand(wParam, lParam);
}

void CNewEditService::OnOK()
{
    std::string name = ControlText(IDC_SERVICE_NAME);
    std::string path = ControlText(IDC_APP_PATH);
    char message[256];
    if (!CheckServiceEntries(util, editSlot_, name.c_str(), path.c_str(), message,
                             sizeof(message))) {
        util.InfoBox(message);
        return;
    }
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CNewEditService::OnBrowse()
{
    char fileName[256] = "";
    // One filter entry, "name\0pattern\0\0": the list ends with two NULs.
    char filter[80];
    FormatText(filter, sizeof(filter), "%s%c%s%c%c", "Application executable file (*.exe)", '\0',
               "*.exe", '\0', '\0');

    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = GetSafeHwnd();
    ofn.lpstrFilter = filter;
    ofn.lpstrCustomFilter = NULL;
    ofn.nFilterIndex = 0;
    ofn.lpstrFile = fileName;
    ofn.nMaxFile = sizeof(fileName) - 1; // 255: the chosen path holds at most 254 characters
    ofn.lpstrFileTitle = NULL;
    ofn.lpstrInitialDir = "c:\\";
    ofn.lpstrTitle = "Select File";
    ofn.lpstrDefExt = "";
    ofn.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_LONGNAMES | OFN_NOCHANGEDIR;
    // Cancel, or a failure of the dialog (a path that does not fit included), changes nothing.
    if (!::GetOpenFileNameA(&ofn))
        return;

    char folder[sizeof(fileName)];
    CUtil::GetFolderOfPath(fileName, folder, sizeof(folder));
    ::SetDlgItemTextA(GetSafeHwnd(), IDC_APP_PATH, fileName);
    ::SetDlgItemTextA(GetSafeHwnd(), IDC_WORK_DIR, folder);
}
