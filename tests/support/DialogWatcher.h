#pragma once
// Watches this process's dialog windows from a thread of its own: records every dialog with its
// caption, its message text and when it appeared and went, and answers message boxes with OK so
// that the code under test goes on.

#include <windows.h>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>
#include <atomic>

struct SeenDialog {
    std::string caption;
    std::string text;      // a message box's text; empty for other dialogs
    bool messageBox = false;
    DWORD shownAt = 0;     // GetTickCount
    DWORD goneAt = 0;      // 0 while it is still open
};

class CDialogWatcher {
public:
    CDialogWatcher();
    ~CDialogWatcher();
    CDialogWatcher(const CDialogWatcher&) = delete;
    CDialogWatcher& operator=(const CDialogWatcher&) = delete;

    std::vector<SeenDialog> Seen();
    // The texts of the message boxes seen so far, in order.
    std::vector<std::string> MessageBoxTexts();
    // The captions of the other dialogs seen so far, in order.
    std::vector<std::string> DialogCaptions();
    void Clear();
    // Dialogs with this caption are closed (IDCANCEL) as soon as they appear.
    void CloseAtOnce(const std::string& caption);

private:
    void Run();
    void Poll();
    bool ShouldCloseAtOnce(const std::string& caption) const;

    std::mutex mutex_;
    std::vector<SeenDialog> seen_;
    std::map<HWND, size_t> open_;
    std::vector<std::string> closeAtOnce_;
    std::atomic<bool> stop_;
    std::thread thread_;
};
