#include "DialogWatcher.h"

#include <algorithm>

namespace {

struct Found {
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM param)
{
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    char className[32] = "";
    ::GetClassNameA(window, className, sizeof(className));
    if (process == ::GetCurrentProcessId() && std::string(className) == "#32770" &&
        ::IsWindowVisible(window))
        reinterpret_cast<Found*>(param)->windows.push_back(window);
    return TRUE;
}

// Read without a message: the dialog's thread may be busy (the progress dialog's hold sleeps).
std::string TextOf(HWND window)
{
    WCHAR wide[1024] = L"";
    ::InternalGetWindowText(window, wide, 1024);
    char text[2048] = "";
    ::WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof(text), NULL, NULL);
    return text;
}

} // namespace

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
    Found found;
    ::EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&found));
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
            seen.caption = TextOf(entry->first);
            if (!seen.messageBox && ShouldCloseAtOnce(seen.caption))
                ::PostMessageA(entry->first, WM_COMMAND, IDCANCEL, 0);
            ++entry;
        }
    }
    for (HWND window : found.windows) {
        if (open_.count(window))
            continue;
        SeenDialog dialog;
        dialog.caption = TextOf(window);
        HWND message = ::GetDlgItem(window, 0xFFFF);
        dialog.messageBox = message != NULL && ::GetDlgItem(window, 1020) == NULL;
        if (dialog.messageBox)
            dialog.text = TextOf(message);
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
