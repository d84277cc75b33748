#pragma once
// What the suites that run real services share: the test's own table in the manager's data
// folder, records made as the manager makes them, and the clean-up of every service, test child
// and log a test leaves behind; and the suite's util, serviceAction and missedBoxes.

#include "DialogWatcher.h"
#include "ManagerTable.h"
#include "ManagerUtil.h"
#include "ServiceAction.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

// Answers, late, any box that nobody else answered; a test that leaves one fails.
extern CDialogWatcher missedBoxes;

// The slot's log as "TYPE: message" lines, oldest first.
std::vector<std::string> LogOf(int slot);
// The record in the slot of the table file as it is on disk.
RecordFields OnDisk(int slot);
// The service's SCM state (SERVICE_RUNNING, ...), 0 when it cannot be queried.
DWORD CurrentState(const char* serviceName);
// The process of a running service, 0 without one.
DWORD ServiceProcessId(const char* serviceName);
// Whether a service of the name is known to the SCM.
bool ServiceExists(const char* serviceName);
// When the file was last written, on the same clock; 0 when it cannot be read.
uint64_t LastWriteMs(const std::string& path);
// Sets the service to disabled, so that the SCM refuses to start it.
void DisableService(const char* name);

// Another process holds the file open without delete sharing, as backup and antivirus tools
// do, until Release or the end of the holder object.
class CHeldFile {
public:
    explicit CHeldFile(const std::string& path);
    ~CHeldFile() { Release(); }
    CHeldFile(const CHeldFile&) = delete;
    CHeldFile& operator=(const CHeldFile&) = delete;
    bool Held() const { return held_; }
    // Lets go and waits until the holder has ended.
    bool Release();

private:
    CHandle ready_;
    CHandle release_;
    CTestProcess holder_;
    bool held_ = false;
};

class CServiceTestBase : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A record as the manager creates it, saved; the service name is remembered for teardown.
    void Put(int slot, const char* name, const std::string& params = "",
             const std::string& appPath = DefaultApp());
    // A service name that teardown stops and deletes when it exists.
    void Track(const char* displayName);
    uint32_t RunRequestedOnDisk(int slot);
    static std::string DefaultApp();

    CManagerTable table{util};
    std::string workDir;
    std::vector<std::string> services;
    char savedInstallPath[sizeof(util.installPath)];
};
