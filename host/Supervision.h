#pragma once
// When an application that ended by itself is launched again: the policy, the growing wait and
// the limit. Pure bookkeeping on tick counts, so that it can be driven without a window.

#include <windows.h>
#include <cstdint>
#include <vector>

// A run at least this long counts as stable: the next wait starts again at the restart delay
// and the relaunches before it no longer count against the limit.
const DWORD kStableRunMs = 10000;
// The wait before a relaunch never grows beyond this.
const DWORD kMaxRestartWaitMs = 60000;
// The limit counts relaunches within this span.
const DWORD kRestartWindowMs = 10 * 60 * 1000;
const int kRestartWindowMinutes = 10;

// The restart options of one launch, as they were read when it was made.
struct RestartSettings {
    uint32_t restart = 0;        // RestartPolicy
    uint32_t restartDelayMs = 0;
    uint32_t maxRestarts = 0;    // 0 = never give up
};

enum RestartAction { kNoRestart, kRestartLater, kGiveUp };

struct RestartDecision {
    RestartAction action = kNoRestart;
    DWORD waitMs = 0;     // kRestartLater: the wait before the relaunch
    uint32_t attempt = 0; // kRestartLater: the relaunch's number within the limit's span
};

// True when the policy launches again after this exit code.
bool PolicyRestarts(uint32_t policy, DWORD exitCode);

class CRestartSupervisor {
public:
    // An exit the application made by itself, runMs after its launch; now is the tick count.
    // A restart counts at once toward the limit.
    RestartDecision OnExit(const RestartSettings& settings, DWORD exitCode, DWORD runMs,
                           DWORD now);
    // The relaunches counted within the span ending at now.
    uint32_t CountedRelaunches(DWORD now);

private:
    uint32_t shortRuns_ = 0; // short runs since the last stable one, each doubling the wait
    std::vector<DWORD> relaunches_; // tick counts of the counted relaunches, oldest first
};
