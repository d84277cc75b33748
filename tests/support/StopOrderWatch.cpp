#include "StopOrderWatch.h"

#include "TestSupport.h"

uint64_t SystemMs()
{
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    return ((static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime) / 10000;
}

CStopOrderWatch::CStopOrderWatch(DWORD application, std::function<bool()> serviceRunning)
    : thread_([this, application, serviceRunning] {
          while (watching_ && (!applicationEnded_ || !serviceLeft_)) {
              uint64_t now = SystemMs();
              if (!applicationEnded_ && !IsProcessAlive(application))
                  applicationEnded_ = now;
              if (!serviceLeft_ && !serviceRunning())
                  serviceLeft_ = now;
              ::Sleep(10);
          }
      })
{
}

CStopOrderWatch::~CStopOrderWatch()
{
    watching_ = false;
    thread_.join();
}

bool CStopOrderWatch::WaitBoth(DWORD timeoutMs)
{
    return WaitUntil([this] { return applicationEnded_ && serviceLeft_; }, timeoutMs);
}
