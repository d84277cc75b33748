#pragma once
// The lock that every writer of the service table file holds while it replaces the file: the
// manager around its whole-table saves, each host around reading the file and writing back its
// own record's fields. With it no write can fall between another writer's read and its write.

#include "HandleT.h"

#include <windows.h>

// Each holder keeps it for one read and one replacement of the 443400-byte file; with fifty hosts
// and the manager saving at once (as when every service starts at boot) a writer may queue for
// many seconds on a busy machine.
const DWORD kTableLockWaitMs = 30000;

class CTableLock {
public:
    // Waits up to timeoutMs for the lock. A lock left by a process that ended while holding it
    // is taken over: the file itself is only ever replaced whole.
    explicit CTableLock(DWORD timeoutMs = kTableLockWaitMs);
    ~CTableLock();
    CTableLock(const CTableLock&) = delete;
    CTableLock& operator=(const CTableLock&) = delete;

    bool IsHeld() const { return held_; }

private:
    CHandle mutex_;
    bool held_ = false;
};

// The lock's name, for tests that hold it from outside.
extern const char kTableLockName[];
