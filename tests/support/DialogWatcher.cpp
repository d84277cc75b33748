#include "DialogWatcher.h"

#include "WindowList.h"

#include <algorithm>

CDialogWatcher::CDialogWatcher() : stop_(false), thread_(&CDialogWatcher::Run, this)
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

void CDialogWatcher::Poll()
{
    std::vector<HWND> dialogs;
    for (HWND window : VisibleWindowsOfThisProcess())
        if (IsVisibleDialog(window))
            dialogs.push_back(window);
    std::lock_guard<std::mutex> lock(mutex_);
    DWORD now = ::GetTickCount();
    // A dialog is followed until its window is destroyed: a modal dialog can hide and show
    // again while it is set up and ended, and stays one dialog.
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
    for (HWND window : dialogs) {
        if (open_.count(window))
            continue;
        SeenDialog dialog;
        dialog.caption = CaptionOf(window);
        HWND message = ::GetDlgItem(window, 0xFFFF);
        dialog.messageBox = message != NULL && ::GetDlgItem(window, 1020) == NULL;
        if (dialog.messageBox)
            dialog.text = CaptionOf(message);
        dialog.shownAt = now;
        open_[window] = seen_.size();
        seen_.push_back(dialog);
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
    return seen_;
}

std::vector<std::string> CDialogWatcher::MessageBoxTexts()
{
    std::vector<std::string> texts;
    for (const SeenDialog& dialog : Seen())
        if (dialog.messageBox)
            texts.push_back(dialog.text);
    return texts;
}

std::vector<std::string> CDialogWatcher::DialogCaptions()
{
    std::vector<std::string> captions;
    for (const SeenDialog& dialog : Seen())
        if (!dialog.messageBox)
            captions.push_back(dialog.caption);
    return captions;
}

void CDialogWatcher::Clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    seen_.clear();
    open_.clear();
}

void CDialogWatcher::CloseAtOnce(const std::string& caption)
{
    std::lock_guard<std::mutex> lock(mutex_);
    closeAtOnce_.push_back(caption);
}
