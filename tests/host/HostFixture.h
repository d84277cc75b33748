#pragma once
// A data folder named in the registry, a service table, and a host started for one of its slots.

#include "EventLog.h"
#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

class HostTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes a table with one used record in the slot, running the test child.
    void PutRecord(int slot, const std::string& appParams, uint32_t revive = 1,
                   uint32_t runRequested = 1, const std::string& appPath = std::string());
    // Changes one record of the table on disk the way the manager does: load, change, save.
    void EditRecord(int slot, const std::function<void(TestRecord&)>& change);
    RecordFields RecordOnDisk(int slot);

    // Starts Halyard.exe with the argument text.
    void StartHost(const std::string& argument);
    // Waits until at least count test children have recorded themselves; returns them all.
    std::vector<ChildRecord> WaitChildren(size_t count, DWORD timeoutMs = 10000);
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
    CTestProcess host;
};
