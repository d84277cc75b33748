#include "TestMain.h"

#include "WindowList.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// Watches the running test from a thread of its own.
class CDeadlineWatch : public ::testing::EmptyTestEventListener {
public:
    explicit CDeadlineWatch(DWORD deadlineMs)
        : deadlineMs_(deadlineMs), stop_(false), thread_(&CDeadlineWatch::Run, this)
    {
    }
    ~CDeadlineWatch() override
    {
        stop_ = true;
        thread_.join();
    }

    void OnTestStart(const ::testing::TestInfo& test) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        name_ = std::string(test.test_suite_name()) + "." + test.name();
        startedAt_ = ::GetTickCount();
        running_ = true;
    }
    void OnTestEnd(const ::testing::TestInfo&) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        running_ = false;
    }

private:
    void Run()
    {
        while (!stop_) {
            ::Sleep(250);
            std::lock_guard<std::mutex> lock(mutex_);
            if (running_ && ::GetTickCount() - startedAt_ > deadlineMs_) {
                std::fprintf(stderr,
                             "\n[ DEADLINE ] %s still runs after %lu s; open windows: %s\n"
                             "[  FAILED  ] %s (ended by its deadline)\n",
                             name_.c_str(), deadlineMs_ / 1000, DescribeOpenWindows().c_str(),
                             name_.c_str());
                std::fflush(stderr);
                std::fflush(stdout);
                ::TerminateProcess(::GetCurrentProcess(), 3);
            }
        }
    }

    const DWORD deadlineMs_;
    std::atomic<bool> stop_;
    std::mutex mutex_;
    std::string name_;
    DWORD startedAt_ = 0;
    bool running_ = false;
    std::thread thread_;
};

DWORD DeadlineMs()
{
    const char* text = std::getenv("RAVELIN_TEST_DEADLINE_S");
    long seconds = text ? std::strtol(text, nullptr, 10) : 0;
    return static_cast<DWORD>(seconds > 0 ? seconds : 120) * 1000;
}

} // namespace

std::string DescribeOpenWindows()
{
    std::string text;
    for (HWND window : VisibleWindowsOfThisProcess())
        text += (text.empty() ? "" : ", ") + ClassOf(window) + " \"" + CaptionOf(window) + "\"";
    return text.empty() ? "none" : text;
}

int CloseOpenDialogs()
{
    int closed = 0;
    for (HWND window : VisibleWindowsOfThisProcess()) {
        if (!IsVisibleDialog(window))
            continue;
        ::PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        ::PostMessageA(window, WM_CLOSE, 0, 0);
        ++closed;
    }
    return closed;
}

int RunTestsWithDeadline(int argc, char** argv)
{
    ::testing::InitGoogleMock(&argc, argv);
    // The listener list owns the watch and deletes it when the program ends.
    ::testing::UnitTest::GetInstance()->listeners().Append(new CDeadlineWatch(DeadlineMs()));
    return RUN_ALL_TESTS();
}
