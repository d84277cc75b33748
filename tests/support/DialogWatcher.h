#pragma once
// Watches this process's dialog windows from a thread of its own: records every dialog with its
// caption, its message text and when it appeared and went, and answers message boxes with OK so
// that the code under test goes on. A message box is read as the user sees it (caption, text,
// icon, owner) when it is answered.

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
    HICON icon = NULL;     // what a message box's icon control shows; NULL without one
    HWND owner = NULL;
    DWORD openMs = 0;      // how long a message box had been open when it was answered
};

class CDialogWatcher {
public:
    // A message box is recorded and answered once it has been open answerAfterMs (0: as soon as
    // it is seen). A late answer is a safety net: it ends a box that nobody else answered.
    explicit CDialogWatcher(DWORD answerAfterMs = 0);
    ~CDialogWatcher();
    CDialogWatcher(const CDialogWatcher&) = delete;
    CDialogWatcher& operator=(const CDialogWatcher&) = delete;

    // Everything seen so far and not taken, in order.
    std::vector<SeenDialog> Seen();
    // The texts of the message boxes seen so far, in order.
    std::vector<std::string> MessageBoxTexts();
    // The captions of the other dialogs seen so far, in order.
    std::vector<std::string> DialogCaptions();
    // The message boxes answered so far, in order; they are forgotten.
    std::vector<SeenDialog> TakeMessageBoxes();
    void Clear();
    // Dialogs with this caption are closed (IDCANCEL) as soon as they appear.
    void CloseAtOnce(const std::string& caption);

private:
    void Run();
    void Poll();
    void Follow(DWORD now);
    bool ShouldCloseAtOnce(const std::string& caption) const;

    const DWORD answerAfterMs_;
    std::mutex mutex_;
    std::vector<SeenDialog> seen_;
    std::vector<bool> taken_;                 // beside seen_
    std::map<HWND, size_t> open_;             // dialog -> its entry in seen_
    std::map<HWND, DWORD> waiting_;           // message box not yet answered -> when first seen
    std::vector<std::string> closeAtOnce_;
    std::atomic<bool> stop_;
    std::thread thread_;
};

// The texts of the message boxes among the dialogs, in order.
std::vector<std::string> TextsOf(const std::vector<SeenDialog>& dialogs);
