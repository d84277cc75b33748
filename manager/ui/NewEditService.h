#pragma once
// The modal dialog in which the user enters a new service or changes one: name, application
// executable, working directory, parameters and the revive flag. It checks the name and the
// executable against the rest of the table and hands the five values back; it stores nothing.

#include "Dialog.h"

#include <cstdint>
#include <string>

class CNewEditService : public CDialog {
public:
    // editSlot -1 (New) gives empty texts and the revive flag set; a slot gives the values of
    // that record of the in-memory table, which the checks then pass over.
    explicit CNewEditService(int editSlot, CWnd* parent = nullptr);

    std::string serviceName; // 1004
    std::string workDir;     // 1007
    std::string appParams;   // 1011
    std::string appPath;     // 1005, filled only by Browse
    int32_t reviveFlag = 1;  // 1015: 1 set, 0 clear

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    // Apply: the four checks on the name and path fields; only when all pass, the values are
    // read back and the dialog ends with OK.
    void OnOK() override;

private:
    // The system's open-file dialog; a chosen file fills the path and the working directory.
    void OnBrowse();

    int editSlot_;
};
