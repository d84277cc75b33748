#include "ServiceOptionsDlg.h"

#include "BoundedText.h"
#include "ManagerUtil.h"
#include "resource.h"

#include <commdlg.h>

namespace {

// The combos' items in the order of their values (StopMethod, RestartPolicy).
const uint32_t kStopMethods[] = {kStopTerminate, kStopGraceful};
const uint32_t kRestartPolicies[] = {kRestartNever, kRestartOnFailure, kRestartAlways};

void FillCombo(HWND combo, const uint32_t* values, size_t count, const char* (*name)(uint32_t),
               uint32_t selected)
{
    for (size_t i = 0; i < count; ++i)
        ::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name(values[i])));
    ::SendMessageA(combo, CB_SETCURSEL, selected < count ? selected : 0, 0);
}

// The combo's selection as the option's value; an impossible one when nothing is selected,
// which the check then refuses.
uint32_t ComboValue(HWND combo)
{
    LRESULT index = ::SendMessageA(combo, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? 0xFFFFFFFFu : static_cast<uint32_t>(index);
}

} // namespace

CServiceOptionsDlg::CServiceOptionsDlg(const ServiceOptions& options,
                                       const std::string& serviceName, CWnd* parent)
    : CDialog(IDD_SERVICE_OPTIONS, parent), options(options), serviceName(serviceName)
{
}

BOOL CServiceOptionsDlg::OnInitDialog()
{
    HWND dialog = GetSafeHwnd();
    // The fields take no more than the record holds; numbers are short.
    ::SendDlgItemMessageA(dialog, IDC_STDOUT_PATH, EM_LIMITTEXT, kOutputPathSize - 1, 0);
    ::SendDlgItemMessageA(dialog, IDC_STDERR_PATH, EM_LIMITTEXT, kOutputPathSize - 1, 0);
    ::SendDlgItemMessageA(dialog, IDC_ENVIRONMENT, EM_LIMITTEXT, 2 * kEnvironmentSize, 0);
    for (int id : {IDC_STOP_TIMEOUT, IDC_RESTART_DELAY, IDC_MAX_RESTARTS, IDC_ROTATE_KEEP})
        ::SendDlgItemMessageA(dialog, id, EM_LIMITTEXT, 10, 0);
    ::SendDlgItemMessageA(dialog, IDC_ROTATE_BYTES, EM_LIMITTEXT, 20, 0);

    char title[kDisplayNameSize + 16];
    FormatText(title, sizeof(title), "Service: %s", serviceName.c_str());
    SetControlText(IDC_OPTIONS_SERVICE_NAME, title);
    ShowForm(FormOfOptions(options));
    return CDialog::OnInitDialog();
}

void CServiceOptionsDlg::ShowForm(const OptionsForm& form)
{
    FillCombo(GetDlgItem(IDC_STOP_METHOD), kStopMethods, ARRAYSIZE(kStopMethods),
              &StopMethodName, form.stopMethod);
    FillCombo(GetDlgItem(IDC_RESTART_POLICY), kRestartPolicies, ARRAYSIZE(kRestartPolicies),
              &RestartPolicyName, form.restart);
    SetControlText(IDC_STOP_TIMEOUT, form.stopTimeout);
    SetControlText(IDC_RESTART_DELAY, form.restartDelay);
    SetControlText(IDC_MAX_RESTARTS, form.maxRestarts);
    ::CheckDlgButton(GetSafeHwnd(), IDC_KILL_TREE, form.killTree ? BST_CHECKED : BST_UNCHECKED);
    SetControlText(IDC_STDOUT_PATH, form.stdoutPath);
    SetControlText(IDC_STDERR_PATH, form.stderrPath);
    SetControlText(IDC_ROTATE_BYTES, form.rotateBytes);
    SetControlText(IDC_ROTATE_KEEP, form.rotateKeep);
    SetControlText(IDC_ENVIRONMENT, form.environment);
}

OptionsForm CServiceOptionsDlg::ReadForm() const
{
    OptionsForm form;
    form.stopMethod = ComboValue(GetDlgItem(IDC_STOP_METHOD));
    form.stopTimeout = ControlText(IDC_STOP_TIMEOUT);
    form.restart = ComboValue(GetDlgItem(IDC_RESTART_POLICY));
    form.restartDelay = ControlText(IDC_RESTART_DELAY);
    form.maxRestarts = ControlText(IDC_MAX_RESTARTS);
    form.killTree = ::IsDlgButtonChecked(GetSafeHwnd(), IDC_KILL_TREE) == BST_CHECKED;
    form.stdoutPath = ControlText(IDC_STDOUT_PATH);
    form.stderrPath = ControlText(IDC_STDERR_PATH);
    form.rotateBytes = ControlText(IDC_ROTATE_BYTES);
    form.rotateKeep = ControlText(IDC_ROTATE_KEEP);
    form.environment = ControlText(IDC_ENVIRONMENT);
    return form;
}

BOOL CServiceOptionsDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
        case IDC_STDOUT_BROWSE: OnBrowse(IDC_STDOUT_PATH, "Standard output file"); return TRUE;
        case IDC_STDERR_BROWSE: OnBrowse(IDC_STDERR_PATH, "Standard error file"); return TRUE;
        default: break;
        }
    }
    return CDialog::OnCommand(wParam, lParam);
}

void CServiceOptionsDlg::OnOK()
{
    char message[320];
    ServiceOptions checked = options;
    OptionsField refused = ReadOptionsForm(ReadForm(), checked, message, sizeof(message));
    if (refused != OptionsField::None) {
        // The focus goes to the field before the box opens: the dialog keeps the focused
        // control while the box is up and gives it the focus back when it is active again,
        // whenever that activation arrives.
        HWND field = GetDlgItem(ControlOf(refused));
        if (field != NULL) {
            // Through the dialog manager, so that the default button follows the focus.
            ::SendMessageA(GetSafeHwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(field), TRUE);
            ::SendMessageA(field, EM_SETSEL, 0, -1);
        }
        util.InfoBox(message);
        return;
    }
    options = checked;
    EndDialog(IDOK);
}

void CServiceOptionsDlg::OnBrowse(int editId, const char* title)
{
    char fileName[kOutputPathSize];
    CopyText(fileName, sizeof(fileName), ControlText(editId).c_str());
    // Two filter entries, "name\0pattern\0" each, the list ended by one more NUL.
    char filter[96];
    FormatText(filter, sizeof(filter), "%s%c%s%c%s%c%s%c%c", "Log files (*.log)", '\0', "*.log",
               '\0', "All files (*.*)", '\0', "*.*", '\0', '\0');

    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = GetSafeHwnd();
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = fileName;
    ofn.nMaxFile = sizeof(fileName);
    ofn.lpstrTitle = title;
    ofn.lpstrDefExt = "log";
    // The file is appended to, never replaced, so choosing an existing one asks nothing; its
    // folder must exist, as the host creates only the file.
    ofn.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_LONGNAMES | OFN_NOCHANGEDIR;
    if (!::GetSaveFileNameA(&ofn))
        return;
    SetControlText(editId, fileName);
}

void CServiceOptionsDlg::SetControlText(int id, const std::string& text) const
{
    ::SetDlgItemTextA(GetSafeHwnd(), id, text.c_str());
}

int CServiceOptionsDlg::ControlOf(OptionsField field)
{
    switch (field) {
    case OptionsField::StopMethod: return IDC_STOP_METHOD;
    case OptionsField::StopTimeout: return IDC_STOP_TIMEOUT;
    case OptionsField::Restart: return IDC_RESTART_POLICY;
    case OptionsField::RestartDelay: return IDC_RESTART_DELAY;
    case OptionsField::MaxRestarts: return IDC_MAX_RESTARTS;
    case OptionsField::StdoutPath: return IDC_STDOUT_PATH;
    case OptionsField::StderrPath: return IDC_STDERR_PATH;
    case OptionsField::RotateBytes: return IDC_ROTATE_BYTES;
    case OptionsField::RotateKeep: return IDC_ROTATE_KEEP;
    case OptionsField::Environment: return IDC_ENVIRONMENT;
    default: return 0;
    }
}
