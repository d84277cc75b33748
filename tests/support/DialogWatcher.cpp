#include "DialogWatcher.h"

#include "WindowList.h"

#include <algorithm>

namespace {

// A message box: a dialog with the box's text control (0xFFFF) and without the progress dialog's
// bar (1020).
bool IsMessageBox(HWND dialog)
{
    return ::GetDlgItem(dialog, 0xFFFF) != NULL && ::GetDlgItem(dialog, 1020) == NULL;
}

BOOL CALLBACK FindIconControl(HWND child, LPARAM param)
{
    LONG style = ::GetWindowLongA(child, GWL_STYLE);
    if (lstrcmpiA(ClassOf(child).c_str(), "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON) {
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

CDialogWatcher::CDialogWatcher(DWORD answerAfterMs)
    : answerAfterMs_(answerAfterMs), stop_(false), thread_(&CDialogWatcher::Run, this)
{
}

CDialogWatcher::~CDialogWatcher()
{
    stop_ = true;
    thread_.join();
}

void CDialogWatcher::Run()
{
    while (!stop_) {
        Poll();
        ::Sleep(10);
    }
}

// A dialog is followed until its window is destroyed: a modal dialog can hide and show again
// while it is set up and ended, and stays one dialog.
void CDialogWatcher::Follow(DWORD now)
{
    for (auto entry = open_.begin(); entry != open_.end();) {
        SeenDialog& seen = seen_[entry->second];
        if (!::IsWindow(entry->first)) {
            if (!seen.goneAt)
                seen.goneAt = now;
            entry = open_.erase(entry);
        } else if (!::IsWindowVisible(entry->first)) {
            if (!seen.goneAt)
                seen.goneAt = now;
            ++entry;
        } else {
            seen.goneAt = 0;
            // A dialog may set its caption after it shows: keep the latest.
            seen.caption = CaptionOf(entry->first);
            if (!seen.messageBox && ShouldCloseAtOnce(seen.caption))
                ::PostMessageA(entry->first, WM_COMMAND, IDCANCEL, 0);
            ++entry;
        }
    }
    for (auto entry = waiting_.begin(); entry != waiting_.end();)
        entry = ::IsWindow(entry->first) ? std::next(entry) : waiting_.erase(entry);
}

void CDialogWatcher::Poll()
{
    std::vector<HWND> dialogs;
    for (HWND window : VisibleWindowsOfThisProcess())
        if (IsVisibleDialog(window))
            dialogs.push_back(window);
    std::lock_guard<std::mutex> lock(mutex_);
    DWORD now = ::GetTickCount();
    Follow(now);
    for (HWND window : dialogs) {
        if (open_.count(window))
            continue;
        SeenDialog dialog;
        dialog.messageBox = IsMessageBox(window);
        dialog.shownAt = now;
        if (dialog.messageBox) {
            auto waiting = waiting_.emplace(window, now).first;
            if (now - waiting->second < answerAfterMs_)
                continue;
            dialog.shownAt = waiting->second;
            dialog.openMs = now - waiting->second;
            waiting_.erase(waiting);
            dialog.text = CaptionOf(::GetDlgItem(window, 0xFFFF));
            dialog.icon = IconOf(window);
            dialog.owner = ::GetWindow(window, GW_OWNER);
        }
        dialog.caption = CaptionOf(window);
        open_[window] = seen_.size();
        seen_.push_back(dialog);
        taken_.push_back(false);
        if (dialog.messageBox)
            ::PostMessageA(window, WM_COMMAND, IDOK, 0);
        else if (ShouldCloseAtOnce(dialog.caption))
            ::PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    }
}

bool CDialogWatcher::ShouldCloseAtOnce(const std::string& caption) const
{
    return std::find(closeAtOnce_.begin(), closeAtOnce_.end(), caption) != closeAtOnce_.end();
}

std::vector<SeenDialog> CDialogWatcher::Seen()
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<SeenDialog> seen;
    for (size_t i = 0; i < seen_.size(); ++i)
        if (!taken_[i])
            seen.push_back(seen_[i]);
    return seen;
}

std::vector<std::string> CDialogWatcher::MessageBoxTexts()
{
    return TextsOf(Seen());
}

std::vector<std::string> CDialogWatcher::DialogCaptions()
{
    std::vector<std::string> captions;
    for (const SeenDialog& dialog : Seen())
        if (!dialog.messageBox)
            captions.push_back(dialog.caption);
    return captions;
}

std::vector<SeenDialog> CDialogWatcher::TakeMessageBoxes()
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<SeenDialog> boxes;
    for (size_t i = 0; i < seen_.size(); ++i) {
        if (seen_[i].messageBox && !taken_[i]) {
            boxes.push_back(seen_[i]);
            taken_[i] = true;
        }
    }
    return boxes;
}

void CDialogWatcher::Clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    seen_.clear();
    taken_.clear();
    open_.clear();
}

void CDialogWatcher::CloseAtOnce(const std::string& caption)
{
    std::lock_guard<std::mutex> lock(mutex_);
    closeAtOnce_.push_back(caption);
}

std::vector<std::string> TextsOf(const std::vector<SeenDialog>& dialogs)
{
    std::vector<std::string> texts;
    for (const SeenDialog& dialog : dialogs)
        if (dialog.messageBox)
            texts.push_back(dialog.text);
    return texts;
}
