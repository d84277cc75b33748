#pragma once
// A modal dialog from a dialog template. Data goes between plain members and the controls
// through DoDataExchange; OK checks and reads them back, Cancel (button, Esc, close box) leaves
// them alone.

#include "Wnd.h"

class CDataExchange;

class CDialog : public CWnd {
public:
    // With no parent the program's main window (when there is one) owns the dialog.
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);

    // Runs the dialog; returns what EndDialog was given, or -1 when it could not be created.
    virtual INT_PTR DoModal();
    void EndDialog(INT_PTR result);
    // Controls to members (save) or members to controls; false when a check failed.
    bool UpdateData(bool save = true);

    static INT_PTR CALLBACK StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    // After the framework's set-up (centred over the owner, members into the controls).
    // Returning TRUE gives the focus to the first control.
    virtual BOOL OnInitDialog();
    // UpdateData(true), and only when it succeeds EndDialog(IDOK).
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* dx) { (void)dx; }
    // IDOK and IDCANCEL go to OnOK and OnCancel; a derived dialog handles its own ids first.
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    UINT templateId_;
    CWnd* parent_;
};
