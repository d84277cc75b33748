#include "AppThread.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

CAppThread::~CAppThread()
{
    Stop();
    if (initialised_ != NULL)
        ::CloseHandle(initialised_);
}

bool CAppThread::Start()
{
    initialised_ = ::CreateEventA(NULL, TRUE, FALSE, NULL);
    thread_ = ::CreateThread(NULL, 0, &CAppThread::ThreadMain, this, 0, NULL);
    if (thread_ == NULL)
        return false;
    HANDLE both[2] = {initialised_, thread_};
    ::WaitForMultipleObjects(2, both, FALSE, 15000);
    return initOk_;
}

DWORD WINAPI CAppThread::ThreadMain(void* param)
{
    CAppThread* self = static_cast<CAppThread*>(param);
    CTestApp* app = new CTestApp;
    self->app_ = app;
    bool ok = app->InitInstance() && app->GetMainWnd() != nullptr;
    if (ok) {
        self->frame_ = static_cast<CTestFrame*>(app->GetMainWnd());
        self->frameHwnd_ = self->frame_->GetSafeHwnd();
        self->view_ = static_cast<CTestView*>(self->frame_->GetActiveView());
        self->viewHwnd_ = self->view_ != nullptr ? self->view_->GetSafeHwnd() : NULL;
    }
    self->initOk_ = ok;
    ::SetEvent(self->initialised_);
    int code = ok ? app->Run() : app->ExitInstance();
    self->app_ = nullptr;
    delete app;
    self->exitCode_ = code;
    return 0;
}

bool CAppThread::WaitEnd(DWORD timeoutMs)
{
    if (thread_ == NULL)
        return true;
    if (::WaitForSingleObject(thread_, timeoutMs) != WAIT_OBJECT_0)
        return false;
    ::CloseHandle(thread_);
    thread_ = NULL;
    return true;
}

bool CAppThread::Stop(DWORD timeoutMs)
{
    if (thread_ == NULL)
        return true;
    if (::IsWindow(frameHwnd_))
        ::PostMessageA(frameHwnd_, WM_CLOSE, 0, 0);
    if (WaitEnd(timeoutMs))
        return true;
    // A thread stuck in a modal loop would hang the suite: it goes, and the test fails.
    ADD_FAILURE() << "the application thread did not end";
    ::TerminateThread(thread_, 1);
    ::CloseHandle(thread_);
    thread_ = NULL;
    return false;
}
