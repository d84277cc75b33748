#pragma once
// Runs the test application on a user-interface thread of its own, the way the framework's
// WinMain would, so that a test on the main thread can drive its windows through messages.

#include "TestAppParts.h"
#include "WindowProbe.h"

#include <windows.h>

class CAppThread {
public:
    CAppThread() = default;
    ~CAppThread();
    CAppThread(const CAppThread&) = delete;
    CAppThread& operator=(const CAppThread&) = delete;

    // Starts the thread and waits until InitInstance has returned; true when it succeeded
    // with a main window.
    bool Start();
    // Waits for the thread to end on its own (after the test closed the window).
    bool WaitEnd(DWORD timeoutMs);
    // Closes the main window if it is still there, then waits for the end.
    bool Stop(DWORD timeoutMs = 5000);
    int ExitCode() const { return exitCode_; }

    CTestApp* App() const { return app_; }
    CTestFrame* Frame() const { return frame_; }
    CTestView* View() const { return view_; }
    HWND FrameHwnd() const { return frameHwnd_; }
    HWND ViewHwnd() const { return viewHwnd_; }

private:
    static DWORD WINAPI ThreadMain(void* self);

    HANDLE thread_ = NULL;
    HANDLE initialised_ = NULL;
    CTestApp* app_ = nullptr;
    CTestFrame* frame_ = nullptr;
    CTestView* view_ = nullptr;
    HWND frameHwnd_ = NULL;
    HWND viewHwnd_ = NULL;
    bool initOk_ = false;
    int exitCode_ = -1;
};
