#pragma once
// Dialog data exchange: each DDX_ call moves one value between a member and a control, towards
// the controls when the dialog opens and towards the members on OK. The first failed check
// stops the exchange: its control gets the focus and the rest of the calls do nothing.

#include <windows.h>
#include <cstddef>
#include <cstdint>
#include <string>

class CWnd;

class CDataExchange {
public:
    CDataExchange(CWnd* dialog, bool saveAndValidate)
        : dialog_(dialog), saveAndValidate_(saveAndValidate)
    {
    }

    bool IsSaving() const { return saveAndValidate_; }
    bool Failed() const { return failed_; }
    // The control with that id, or NULL (which makes the exchange fail).
    HWND PrepareCtrl(int id);
    // Marks the exchange as failed and puts the focus on the last control prepared.
    void Fail();

private:
    CWnd* dialog_;
    bool saveAndValidate_;
    bool failed_ = false;
    HWND lastControl_ = NULL;
};

// Text of an edit control and a buffer of size bytes: the control takes at most size - 1
// characters; a longer text found on saving is refused with "Please enter no more than N
// characters." and leaves the buffer as it was.
void DDX_Text(CDataExchange* dx, int id, char* buffer, size_t size);
template <size_t N>
void DDX_Text(CDataExchange* dx, int id, char (&buffer)[N])
{
    DDX_Text(dx, id, buffer, N);
}
// Text of any length.
void DDX_Text(CDataExchange* dx, int id, std::string& text);
// A check box and an int: 1 ticked, 0 clear (2 indeterminate for three-state boxes).
void DDX_Check(CDataExchange* dx, int id, int32_t& value);
// Binds a control wrapper to the dialog's control with that id.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
