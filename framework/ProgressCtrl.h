#pragma once
// A progress bar control, usually a dialog's (bound with DDX_Control); the wrapper only sends
// it messages.

#include "Wnd.h"

class CProgressCtrl : public CWnd {
public:
    CProgressCtrl() = default;

    void SetRange(int lower, int upper) const;
    // Each returns the position before the change.
    int SetPos(int position) const;
    int SetStep(int step) const;
    int StepIt() const;
    int GetPos() const;
};
