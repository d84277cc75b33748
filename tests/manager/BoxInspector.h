#pragma once
// Message boxes of this process as the user sees them (caption, text, icon, owner), read from the
// box's own windows and answered with OK from a thread of the inspector's own.

#include <windows.h>
#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct InspectedBox {
    std::string caption;
    std::string text;
    HICON icon = NULL;     // what the box's icon control shows; NULL without one
    HWND owner = NULL;
    DWORD openMs = 0;      // how long the box had been open when it was answered
};

class CBoxInspector {
public:
    // A box is answered once it has been open answerAfterMs (0: as soon as it is read). A late
    // answer is a safety net: it ends a box that nobody else answered.
    explicit CBoxInspector(DWORD answerAfterMs = 0);
    ~CBoxInspector();
    CBoxInspector(const CBoxInspector&) = delete;
    CBoxInspector& operator=(const CBoxInspector&) = delete;

    // The boxes answered so far, in order; Take also forgets them.
    std::vector<InspectedBox> Boxes();
    std::vector<InspectedBox> Take();

private:
    void Run();
    void Poll();

    const DWORD answerAfterMs_;
    std::mutex mutex_;
    std::vector<InspectedBox> answered_;
    std::map<HWND, DWORD> open_; // box -> when it was first seen
    std::atomic<bool> stop_;
    std::thread thread_;
};

// The box texts, in order.
std::vector<std::string> TextsOf(const std::vector<InspectedBox>& boxes);
