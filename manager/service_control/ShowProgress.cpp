// The manager's short modal progress confirmation, a step of its utility object.

#include "BoundedText.h"
#include "ManagerUtil.h"
#include "ProgressDlg.h"

void CUtil::ShowProgress(const char* text)
{
    CopyText(progressTitle, text);
    if (feedback) {
        feedback->Progress(text, progressHoldMs);
        return;
    }
    CProgressDlg dialog;
    dialog.DoModal();
}
