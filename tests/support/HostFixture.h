#pragma once
// A data folder named in the registry, a service table, and a host started for one of its slots.

#include "EventLog.h"
#include "SettingsSnapshot.h"
#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// How long the tests wait. The host polls every 2 s and revives 10 s after an end-of-session
// query; under Wine, with other suites sharing two cores, a timer tick or a process start can be
// seconds late, so every upper bound carries a wide margin. Waits end as soon as the state is
// reached, so the margins cost nothing when the machine is idle.
namespace host_times {
const DWORD kPollPeriodMs = 2000;
const DWORD kReviveDelayMs = 10000;
// A host or an application starting, up to its first log lines or its child record.
const DWORD kStartMs = 15000;
// A stop request seen "within one poll": the next tick, late by up to a couple of periods.
const DWORD kPollMs = 3 * kPollPeriodMs + 1000;
// The revive timer may tick a little early; it never comes a whole poll period early.
const DWORD kReviveEarliestMs = kReviveDelayMs - 500;
const DWORD kReviveLatestMs = kReviveDelayMs + 6000;
// A deliberate window in which nothing may happen: four polls, and one for the timer's slack.
const DWORD kQuietPollsMs = 5 * kPollPeriodMs;
// Past the point where a second revive would come, had the revive timer repeated.
const DWORD kQuietReviveMs = kReviveDelayMs + 3000;
} // namespace host_times

// Process-wide state that a test changes and must give back: the settings values, the
// children's record folder variable and the current directory.
class CProcessStateGuard {
public:
    CProcessStateGuard();
    ~CProcessStateGuard();
    CProcessStateGuard(const CProcessStateGuard&) = delete;
    CProcessStateGuard& operator=(const CProcessStateGuard&) = delete;

private:
    CSettingsSnapshot settings_;
    bool variableSet_ = false;
    std::string variable_;
    std::string currentDir_;
};

class HostTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes a table with one used record in the slot, running the test child.
    void PutRecord(int slot, const std::string& appParams, uint32_t revive = 1,
                   uint32_t runRequested = 1, const std::string& appPath = std::string());
    // Changes one record of the table on disk the way the manager does: load, change, save.
    void EditRecord(int slot, const std::function<void(TestRecord&)>& change);
    // Replaces the table file in one step while a host may be reading or saving it.
    void ReplaceTableBytes(const std::string& bytes);
    RecordFields RecordOnDisk(int slot);

    // Starts Halyard.exe with the argument text.
    void StartHost(const std::string& argument);
    // Starts the host for slot 7 and waits for its first launch and the launch's two log lines;
    // returns the application's process id, or 0 (and the test fails) when they do not come.
    DWORD StartHostAndAwaitLaunch();
    // Waits until at least count test children have recorded themselves; returns them all.
    std::vector<ChildRecord> WaitChildren(size_t count, DWORD timeoutMs = host_times::kStartMs);
    ChildRecord ChildOtherThan(const std::vector<ChildRecord>& children, DWORD pid);

    std::vector<LogEntry> Log(const std::string& fileName = "07.log");
    std::vector<std::string> LogMessages(const std::string& fileName = "07.log");
    // Waits until the log holds at least count lines.
    bool WaitLogLines(size_t count, DWORD timeoutMs, const std::string& fileName = "07.log");
    HWND HostWindow(int slot = 7);

    std::string dataDir;
    std::string childDir;
    std::string workDir;
    std::string tablePath;
    CProcessStateGuard processState; // given back last, after the host has gone
    CTestProcess host;
};

// A process identifier or code as the host prints it: a signed decimal number.
std::string Num(DWORD value);

// Where two byte strings first differ, as "record N, offset M" of the table; empty when equal.
std::string FirstTableDifference(const std::string& expected, const std::string& actual);
