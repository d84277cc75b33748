#pragma once
// The "Service options" dialog: how a service's application is stopped and restarted, where its
// output goes and what environment it gets. OK checks every field as RavelinCtl does (one message
// naming the option and its range, the focus on that field) and hands the options back; it
// stores nothing itself.

#include "Dialog.h"
#include "OptionsForm.h"
#include "ServiceOptions.h"

#include <string>

class CServiceOptionsDlg : public CDialog {
public:
    CServiceOptionsDlg(const ServiceOptions& options, const std::string& serviceName,
                       CWnd* parent = nullptr);

    // The record's options going in; the checked ones after OK.
    ServiceOptions options;
    std::string serviceName;

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override;

private:
    void ShowForm(const OptionsForm& form);
    OptionsForm ReadForm() const;
    // The system's save-file dialog for an output file; the chosen path fills the edit control.
    void OnBrowse(int editId, const char* title);
    void SetControlText(int id, const std::string& text) const;
    static int ControlOf(OptionsField field);
};
