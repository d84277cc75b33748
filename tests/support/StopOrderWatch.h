#pragma once
// When an application ends and when its service leaves RUNNING, noted from a thread of its own
// on the system clock (the clock of file times), to check the order of a stop.

#include <windows.h>
#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

// Milliseconds on the system clock.
uint64_t SystemMs();

class CStopOrderWatch {
public:
    // serviceRunning: whether the service is still RUNNING, asked every 10 ms.
    CStopOrderWatch(DWORD application, std::function<bool()> serviceRunning);
    ~CStopOrderWatch();
    CStopOrderWatch(const CStopOrderWatch&) = delete;
    CStopOrderWatch& operator=(const CStopOrderWatch&) = delete;

    // Waits until both have happened; false at the deadline.
    bool WaitBoth(DWORD timeoutMs);
    uint64_t ApplicationEnded() const { return applicationEnded_; }
    uint64_t ServiceLeft() const { return serviceLeft_; }

private:
    std::atomic<bool> watching_{true};
    std::atomic<uint64_t> applicationEnded_{0};
    std::atomic<uint64_t> serviceLeft_{0};
    std::thread thread_;
};
