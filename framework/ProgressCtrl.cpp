#include "ProgressCtrl.h"

#include <commctrl.h>

void CProgressCtrl::SetRange(int lower, int upper) const
{
    SendMessage(PBM_SETRANGE32, lower, upper);
}

int CProgressCtrl::SetPos(int position) const
{
    return static_cast<int>(SendMessage(PBM_SETPOS, position));
}

int CProgressCtrl::SetStep(int step) const
{
    return static_cast<int>(SendMessage(PBM_SETSTEP, step));
}

int CProgressCtrl::StepIt() const
{
    return static_cast<int>(SendMessage(PBM_STEPIT));
}

int CProgressCtrl::GetPos() const
{
    return static_cast<int>(SendMessage(PBM_GETPOS));
}
