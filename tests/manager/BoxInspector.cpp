#include "BoxInspector.h"

#include "WindowList.h"

namespace {

// A message box: a dialog with the box's text control (0xFFFF) and without the progress dialog's
// bar (1020).
bool IsMessageBox(HWND window)
{
    return IsVisibleDialog(window) && ::GetDlgItem(window, 0xFFFF) != NULL &&
           ::GetDlgItem(window, 1020) == NULL;
}

BOOL CALLBACK FindIconControl(HWND child, LPARAM param)
{
    char className[32] = "";
    ::GetClassNameA(child, className, sizeof(className));
    LONG style = ::GetWindowLongA(child, GWL_STYLE);
    if (lstrcmpiA(className, "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON) {
        *reinterpret_cast<HWND*>(param) = child;
        return FALSE;
    }
    return TRUE;
}

HICON IconOf(HWND box)
{
    HWND control = NULL;
    ::EnumChildWindows(box, FindIconControl, reinterpret_cast<LPARAM>(&control));
    DWORD_PTR icon = 0;
    if (control && !::SendMessageTimeoutA(control, STM_GETICON, 0, 0, SMTO_BLOCK, 5000, &icon))
        icon = 0;
    return reinterpret_cast<HICON>(icon);
}

} // namespace

CBoxInspector::CBoxInspector(DWORD answerAfterMs)
    : answerAfterMs_(answerAfterMs), stop_(false), thread_(&CBoxInspector::Run, this)
{
}

CBoxInspector::~CBoxInspector()
{
    stop_ = true;
    thread_.join();
}

void CBoxInspector::Run()
{
    while (!stop_) {
        Poll();
        ::Sleep(10);
    }
}

void CBoxInspector::Poll()
{
    std::vector<HWND> boxes;
    for (HWND window : VisibleWindowsOfThisProcess())
        if (IsMessageBox(window))
            boxes.push_back(window);
    DWORD now = ::GetTickCount();
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto entry = open_.begin(); entry != open_.end();)
        entry = ::IsWindow(entry->first) ? std::next(entry) : open_.erase(entry);
    for (HWND box : boxes) {
        auto found = open_.find(box);
        if (found == open_.end()) {
            open_[box] = now;
            found = open_.find(box);
        }
        // 0 marks a box already answered, still on its way out.
        if (found->second == 0 || now - found->second < answerAfterMs_)
            continue;
        InspectedBox seen;
        seen.caption = CaptionOf(box);
        seen.text = CaptionOf(::GetDlgItem(box, 0xFFFF));
        seen.icon = IconOf(box);
        seen.owner = ::GetWindow(box, GW_OWNER);
        seen.openMs = now - found->second;
        answered_.push_back(seen);
        found->second = 0;
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
}

std::vector<InspectedBox> CBoxInspector::Boxes()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return answered_;
}

std::vector<InspectedBox> CBoxInspector::Take()
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<InspectedBox> boxes;
    boxes.swap(answered_);
    return boxes;
}

std::vector<std::string> TextsOf(const std::vector<InspectedBox>& boxes)
{
    std::vector<std::string> texts;
    for (const InspectedBox& box : boxes)
        texts.push_back(box.text);
    return texts;
}
