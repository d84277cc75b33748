#include "DataExchange.h"

#include "AppMessageBox.h"
#include "BoundedText.h"
#include "Wnd.h"

#include <vector>

HWND CDataExchange::PrepareCtrl(int id)
{
    lastControl_ = dialog_->GetDlgItem(id);
    if (lastControl_ == NULL)
        failed_ = true;
    return lastControl_;
}

void CDataExchange::Fail()
{
    failed_ = true;
    if (lastControl_ != NULL) {
        ::SetFocus(lastControl_);
        ::SendMessageA(lastControl_, EM_SETSEL, 0, -1);
    }
}

void DDX_Text(CDataExchange* dx, int id, char* buffer, size_t size)
{
    if (dx->Failed() || size == 0)
        return;
    HWND control = dx->PrepareCtrl(id);
    if (control == NULL)
        return;
    if (!dx->IsSaving()) {
        ::SendMessageA(control, EM_LIMITTEXT, size - 1, 0);
        ::SetWindowTextA(control, buffer);
        return;
    }
    int length = ::GetWindowTextLengthA(control);
    if (length < 0 || static_cast<size_t>(length) > size - 1) {
        char message[100];
        FormatText(message, sizeof(message), "Please enter no more than %u characters.",
                   static_cast<unsigned>(size - 1));
        AppMessageBox(message, MB_OK | MB_ICONEXCLAMATION);
        dx->Fail();
        return;
    }
    std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
    ::GetWindowTextA(control, text.data(), length + 1);
    CopyText(buffer, size, text.data());
}

void DDX_Text(CDataExchange* dx, int id, std::string& text)
{
    if (dx->Failed())
        return;
    HWND control = dx->PrepareCtrl(id);
    if (control == NULL)
        return;
    if (!dx->IsSaving()) {
        ::SetWindowTextA(control, text.c_str());
        return;
    }
    int length = ::GetWindowTextLengthA(control);
    std::vector<char> buffer(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    int copied = ::GetWindowTextA(control, buffer.data(), static_cast<int>(buffer.size()));
    text.assign(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

void DDX_Check(CDataExchange* dx, int id, int32_t& value)
{
    if (dx->Failed())
        return;
    HWND control = dx->PrepareCtrl(id);
    if (control == NULL)
        return;
    if (dx->IsSaving()) {
        value = static_cast<int32_t>(::SendMessageA(control, BM_GETCHECK, 0, 0));
        return;
    }
    int32_t state = (value == 1 || value == 2) ? value : 0;
    ::SendMessageA(control, BM_SETCHECK, state, 0);
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control)
{
    if (dx->Failed())
        return;
    HWND hwnd = dx->PrepareCtrl(id);
    if (hwnd != NULL)
        control.Attach(hwnd);
}
