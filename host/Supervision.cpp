#include "Supervision.h"

#include "ServiceOptions.h"

bool PolicyRestarts(uint32_t policy, DWORD exitCode)
{
    switch (policy) {
    case kRestartAlways:
        return true;
    case kRestartOnFailure:
        return exitCode != 0;
    default:
        return false;
    }
}

uint32_t CRestartSupervisor::CountedRelaunches(DWORD now)
{
    // Tick differences stay right across the counter's wrap.
    size_t expired = 0;
    while (expired < relaunches_.size() && now - relaunches_[expired] >= kRestartWindowMs)
        ++expired;
    relaunches_.erase(relaunches_.begin(), relaunches_.begin() + expired);
    return static_cast<uint32_t>(relaunches_.size());
}

RestartDecision CRestartSupervisor::OnExit(const RestartSettings& settings, DWORD exitCode,
                                           DWORD runMs, DWORD now)
{
    RestartDecision decision;
    if (!PolicyRestarts(settings.restart, exitCode))
        return decision;
    if (runMs >= kStableRunMs) {
        shortRuns_ = 0;
        relaunches_.clear();
    }
    uint32_t counted = CountedRelaunches(now);
    if (settings.maxRestarts != 0 && counted >= settings.maxRestarts) {
        decision.action = kGiveUp;
        return decision;
    }
    DWORD wait = settings.restartDelayMs < kMaxRestartWaitMs ? settings.restartDelayMs
                                                             : kMaxRestartWaitMs;
    for (uint32_t i = 0; i < shortRuns_ && wait < kMaxRestartWaitMs; ++i)
        wait = wait > kMaxRestartWaitMs / 2 ? kMaxRestartWaitMs : wait * 2;
    // 2^16 times the smallest wait is past the cap: the count stops growing there.
    if (runMs < kStableRunMs && wait < kMaxRestartWaitMs && shortRuns_ < 16)
        ++shortRuns_;
    decision.action = kRestartLater;
    decision.waitMs = wait;
    decision.attempt = counted + 1;
    relaunches_.push_back(now);
    return decision;
}
