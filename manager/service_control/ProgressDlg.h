#pragma once
// The short, timed confirmation of a service-control step: the step's name as caption and a
// bar that fills in two half-second steps, then an optional hold, then the dialog closes by
// itself. Escape, Enter or the close box end it at once.

#include "Dialog.h"
#include "ProgressCtrl.h"

class CProgressDlg : public CDialog {
public:
    // Reads util.progressTitle and util.progressHoldMs when it opens.
    explicit CProgressDlg(CWnd* parent = nullptr);

    CProgressCtrl progressBar;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnTimer(UINT_PTR id) override;
};
