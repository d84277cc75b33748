// Service registration and control against Wine's real SCM and registry, with the real service
// host, application host and test child.

#include "DialogWatcher.h"
#include "ManagerTable.h"
#include "ManagerUtil.h"
#include "ServiceAction.h"
#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <atomic>
#include <cstring>
#include <thread>

CUtil util;
CServiceAction serviceAction;

using ::testing::ElementsAre;

namespace {

std::vector<std::string> LogOf(int slot)
{
    char path[256];
    std::snprintf(path, sizeof(path), "%s\\%02d.log", util.dataPath, slot);
    std::vector<std::string> messages;
    for (const LogEntry& entry : ReadLogFile(path))
        messages.push_back(std::string(entry.type) + ": " + entry.message);
    return messages;
}

DWORD CurrentState(const char* serviceName)
{
    CScHandle scm(::OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT));
    CScHandle service(::OpenServiceA(scm.Get(), serviceName, SERVICE_QUERY_STATUS));
    SERVICE_STATUS status = {};
    if (!service || !::QueryServiceStatus(service.Get(), &status))
        return 0;
    return status.dwCurrentState;
}

std::string RegistryText(const std::string& key, const char* value, DWORD* type, DWORD* size)
{
    HKEY opened;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return "<no key>";
    char data[512] = "";
    *size = sizeof(data);
    LONG result = ::RegQueryValueExA(opened, value, NULL, type, reinterpret_cast<BYTE*>(data), size);
    ::RegCloseKey(opened);
    return result == ERROR_SUCCESS ? data : "<no value>";
}

LONG WINAPI RefuseWrite(HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD)
{
    return ERROR_ACCESS_DENIED;
}

class ServiceActionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(1, table.InitProperties());
        std::snprintf(util.installPath, sizeof(util.installPath), "%s", BinDir().c_str());
        workDir = MakeScratchDir("work dir");
        ::DeleteFileA(util.propertiesPath);
    }

    void TearDown() override
    {
        CScHandle scm(::OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS));
        for (const std::string& name : services) {
            CScHandle service(::OpenServiceA(scm.Get(), name.c_str(), SERVICE_ALL_ACCESS));
            if (!service)
                continue;
            SERVICE_STATUS status;
            ::ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);
            ::DeleteService(service.Get());
        }
        for (const ChildRecord& child : ReadChildRecords(kServiceChildRecords)) {
            KillProcess(child.pid);
            ::DeleteFileA((std::string(kServiceChildRecords) + "\\child-" +
                           std::to_string(child.pid) + ".txt")
                              .c_str());
        }
        for (int slot = 0; slot < table_layout::kSlots; ++slot)
            util.DeleteLog(slot);
        serviceAction.regSetValue = ::RegSetValueExA;
    }

    // A record as the manager creates it, saved; the service name is remembered for teardown.
    void Put(int slot, const char* name, const std::string& params = "")
    {
        FillRecord(TestRecord(reinterpret_cast<char*>(&table.Record(slot))), slot, name, BinPath("TestChild.exe"), workDir, params, 0);
        ASSERT_EQ(1, table.SaveProperties());
        char serviceName[81];
        CUtil::MakeServiceName(name, serviceName, sizeof(serviceName));
        services.push_back(serviceName);
    }

    uint32_t RunRequestedOnDisk(int slot)
    {
        TableImage image;
        EXPECT_TRUE(ReadTable(util.propertiesPath, image));
        return image.Fields(slot).runRequested;
    }

    CManagerTable table{util};
    std::string workDir;
    std::vector<std::string> services;
};

} // namespace

TEST_F(ServiceActionTest, InstallRegistersTheServiceAndItsParameters)
{
    Put(3, "My Service");
    CDialogWatcher watcher;
    ASSERT_EQ(1, serviceAction.Install(3));

    CScHandle scm(::OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT));
    CScHandle service(::OpenServiceA(scm.Get(), "My-Service", SERVICE_QUERY_CONFIG));
    ASSERT_TRUE(service);
    std::vector<char> buffer(8192);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    DWORD needed = 0;
    ASSERT_TRUE(::QueryServiceConfigA(service.Get(), config, buffer.size(), &needed));
    EXPECT_EQ(0x110u, config->dwServiceType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), config->dwStartType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_ERROR_NORMAL), config->dwErrorControl);
    EXPECT_EQ("\"" + BinDir() + "\\Ravelin.exe\"", std::string(config->lpBinaryPathName));
    EXPECT_STREQ("My Service", config->lpDisplayName);
    EXPECT_STREQ("LocalSystem", config->lpServiceStartName);

    std::string key = "SYSTEM\\CurrentControlSet\\Services\\My-Service\\Parameters";
    DWORD type = 0;
    DWORD size = 0;
    std::string application = "\"" + BinDir() + "\\Halyard.exe\"";
    EXPECT_EQ(application, RegistryText(key, "Application", &type, &size));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(application.size() + 1, size);
    EXPECT_EQ("03", RegistryText(key, "AppParameters", &type, &size));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(3u, size);

    EXPECT_THAT(watcher.DialogCaptions(), ElementsAre("Installing..."));
    EXPECT_TRUE(watcher.MessageBoxTexts().empty());
    EXPECT_THAT(LogOf(3), ElementsAre("EVENT: Service installed."));
    EXPECT_EQ(Stopped, serviceAction.QueryStatus(3));
    service.Reset();

    ASSERT_EQ(1, serviceAction.Uninstall(3));
    EXPECT_THAT(watcher.DialogCaptions(), ElementsAre("Installing...", "Uninstalling..."));
    EXPECT_THAT(LogOf(3), ElementsAre("EVENT: Service installed.", "EVENT: Service uninstalled."));
    EXPECT_TRUE(WaitUntil([] { return serviceAction.QueryStatus(3) == Ready; }, 3000));
}

TEST_F(ServiceActionTest, NoInstallationFolderGivesDotPaths)
{
    Put(4, "Dot Service");
    std::snprintf(util.installPath, sizeof(util.installPath), ".");
    CDialogWatcher watcher;
    ASSERT_EQ(1, serviceAction.Install(4));
    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ("\".\\Halyard.exe\"",
              RegistryText("SYSTEM\\CurrentControlSet\\Services\\Dot-Service\\Parameters",
                           "Application", &type, &size));
    EXPECT_EQ("\".\\Ravelin.exe\"",
              RegistryText("SYSTEM\\CurrentControlSet\\Services\\Dot-Service", "ImagePath",
                           &type, &size));
}

TEST_F(ServiceActionTest, StartRunsTheChainAndTheStopHandshakeEndsTheApplicationFirst)
{
    Put(7, "Chain Service", "--spawn");
    CDialogWatcher watcher;
    ASSERT_EQ(1, serviceAction.Install(7));

    // The child records itself as soon as it runs; a thread notes when, while the progress
    // dialog still holds the start.
    std::vector<ChildRecord> children;
    std::atomic<DWORD> childRunning(0);
    DWORD startRequested = ::GetTickCount();
    std::thread starter([&] {
        WaitUntil(
            [&] {
                children = ReadChildRecords(kServiceChildRecords);
                return !children.empty();
            },
            10000);
        childRunning = ::GetTickCount();
    });
    int started = serviceAction.StartWithHandshake(7, table);
    starter.join();
    ASSERT_EQ(1, started);
    ASSERT_FALSE(children.empty());
    EXPECT_EQ(1u, RunRequestedOnDisk(7));
    EXPECT_EQ(" --spawn", children[0].commandLine);
    EXPECT_EQ(Started, serviceAction.QueryStatus(7));
    std::printf("[ measured ] start request to the test child running: %lu ms\n",
                childRunning - startRequested);

    // Watch, from another thread, when the application ends and when the service leaves RUNNING.
    DWORD child = children[0].pid;
    std::atomic<DWORD> childEnded(0);
    std::atomic<DWORD> stopArrived(0);
    std::atomic<bool> watching(true);
    std::thread monitor([&] {
        while (watching && (!childEnded || !stopArrived)) {
            DWORD now = ::GetTickCount();
            if (!childEnded && !IsProcessAlive(child))
                childEnded = now;
            if (!stopArrived && CurrentState("Chain-Service") != SERVICE_RUNNING)
                stopArrived = now;
            ::Sleep(10);
        }
    });
    DWORD saved = ::GetTickCount();
    int stopped = serviceAction.StopWithHandshake(7, table);
    ASSERT_TRUE(WaitUntil([&] { return childEnded && stopArrived; }, 10000));
    watching = false;
    monitor.join();

    EXPECT_EQ(1, stopped);
    EXPECT_EQ(0u, RunRequestedOnDisk(7));
    EXPECT_LT(childEnded.load(), stopArrived.load());
    EXPECT_LE(childEnded - saved, 2000u + 1000u);
    EXPECT_GE(stopArrived - saved, 5000u);
    std::printf("[ measured ] stop save to the application's termination: %lu ms; to the stop "
                "control: %lu ms\n",
                childEnded - saved, stopArrived - saved);
    EXPECT_TRUE(WaitUntil([] { return serviceAction.QueryStatus(7) == Stopped; }, 5000));
    EXPECT_TRUE(IsProcessAlive(children[0].spawned)); // the application's own child stays

    std::vector<std::string> log = LogOf(7);
    EXPECT_THAT(log, ::testing::Contains("EVENT: Application terminated by Halyard by request of "
                                         "Ravelin manager."));
    ASSERT_GE(log.size(), 6u);
    EXPECT_EQ("EVENT: Service installed.", log[0]);
    EXPECT_EQ("EVENT: Service stopped.", log.back());
    EXPECT_THAT(watcher.DialogCaptions(), ElementsAre("Installing...", "Starting...", "Stopping..."));
    EXPECT_TRUE(watcher.MessageBoxTexts().empty());
}

TEST_F(ServiceActionTest, ClosingStoppingEarlySendsTheStopAtOnce)
{
    Put(8, "Early Stop");
    CDialogWatcher watcher;
    watcher.CloseAtOnce("Stopping...");
    ASSERT_EQ(1, serviceAction.Install(8));
    ASSERT_EQ(1, serviceAction.StartWithHandshake(8, table));
    ASSERT_TRUE(WaitUntil([] { return CurrentState("Early-Stop") == SERVICE_RUNNING; }, 5000));
    DWORD begun = ::GetTickCount();
    EXPECT_EQ(1, serviceAction.StopWithHandshake(8, table));
    EXPECT_LT(::GetTickCount() - begun, 2500u);
}

TEST_F(ServiceActionTest, SecondNameMappingToTheSameServiceFails)
{
    Put(0, "My App");
    Put(1, "My-App");
    CDialogWatcher watcher;
    ASSERT_EQ(1, serviceAction.Install(0));
    EXPECT_EQ(0, serviceAction.Install(1));
    EXPECT_THAT(watcher.MessageBoxTexts(),
                ElementsAre("The specified service already exists in this database."));
    EXPECT_THAT(LogOf(1), ElementsAre("ERROR: Service install failed."));
}

TEST_F(ServiceActionTest, NameWithABackslashIsRefused)
{
    Put(2, "Back\\slash");
    CDialogWatcher watcher;
    EXPECT_EQ(0, serviceAction.Install(2));
    EXPECT_THAT(watcher.MessageBoxTexts(), ElementsAre("The specified service name is invalid."));
    EXPECT_THAT(LogOf(2), ElementsAre("ERROR: Service install failed."));
    EXPECT_EQ(Ready, serviceAction.QueryStatus(2));
}

TEST_F(ServiceActionTest, UninstallOfAServiceMarkedForDeletionFails)
{
    Put(5, "Marked");
    CDialogWatcher watcher;
    ASSERT_EQ(1, serviceAction.Install(5));
    // An open handle keeps the deleted service in the database, marked for deletion.
    CScHandle scm(::OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT));
    CScHandle held(::OpenServiceA(scm.Get(), "Marked", SERVICE_QUERY_STATUS));
    ASSERT_TRUE(held);
    ASSERT_EQ(1, serviceAction.Uninstall(5));
    EXPECT_EQ(0, serviceAction.Uninstall(5));
    EXPECT_THAT(watcher.MessageBoxTexts(), ElementsAre("Service uninstall failed."));
    EXPECT_THAT(LogOf(5), ElementsAre("EVENT: Service installed.", "EVENT: Service uninstalled.",
                                      "ERROR: Service uninstall failed."));
}

TEST_F(ServiceActionTest, RefusedStartAndStopRestoreTheRunRequest)
{
    Put(6, "Refused");
    CDialogWatcher watcher;
    watcher.CloseAtOnce("Stopping...");
    ASSERT_EQ(1, serviceAction.Install(6));
    {
        CScHandle scm(::OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT));
        CScHandle service(::OpenServiceA(scm.Get(), "Refused", SERVICE_CHANGE_CONFIG));
        ASSERT_TRUE(::ChangeServiceConfigA(service.Get(), SERVICE_NO_CHANGE, SERVICE_DISABLED,
                                           SERVICE_NO_CHANGE, NULL, NULL, NULL, NULL, NULL, NULL,
                                           NULL));
    }
    EXPECT_EQ(0, serviceAction.StartWithHandshake(6, table));
    EXPECT_EQ(0u, table.Record(6).runRequested);
    EXPECT_EQ(0u, RunRequestedOnDisk(6));

    // Not running: the stop control is refused.
    EXPECT_EQ(0, serviceAction.StopWithHandshake(6, table));
    EXPECT_EQ(1u, table.Record(6).runRequested);
    EXPECT_EQ(1u, RunRequestedOnDisk(6));

    EXPECT_THAT(watcher.MessageBoxTexts(),
                ElementsAre("Service start failed.", "Service stop failed."));
    EXPECT_THAT(LogOf(6), ElementsAre("EVENT: Service installed.", "ERROR: Service start failed.",
                                      "ERROR: Application couldn't terminated.",
                                      "ERROR: Service stop failed."));
}

TEST_F(ServiceActionTest, RegistryFailureAfterCreationRollsTheServiceBack)
{
    Put(9, "Rolled Back");
    serviceAction.regSetValue = RefuseWrite;
    CDialogWatcher watcher;
    EXPECT_EQ(0, serviceAction.Install(9));
    EXPECT_THAT(watcher.MessageBoxTexts(),
                ElementsAre("Service install failed. Registry manipulation failed."));
    EXPECT_THAT(watcher.DialogCaptions(), ElementsAre("Uninstalling..."));
    EXPECT_THAT(LogOf(9),
                ElementsAre("ERROR: Service install failed. Registry manipulation failed.",
                            "EVENT: Service uninstalled."));
    EXPECT_TRUE(WaitUntil([] { return serviceAction.QueryStatus(9) == Ready; }, 3000));
}

TEST_F(ServiceActionTest, WithoutTheScmEverythingFailsAndStatusIsUnknown)
{
    Put(10, "No Scm");
    CServiceAction cut;
    cut.scmHandle.Reset();
    CDialogWatcher watcher;
    EXPECT_EQ(0, cut.Install(10));
    EXPECT_EQ(0, cut.Uninstall(10));
    EXPECT_EQ(0, cut.Start(10));
    EXPECT_EQ(0, cut.Stop(10));
    EXPECT_EQ(Unknown, cut.QueryStatus(10));
    std::vector<std::string> boxes = watcher.MessageBoxTexts();
    ASSERT_EQ(4u, boxes.size());
    EXPECT_EQ("Service uninstall failed.", boxes[1]);
    EXPECT_EQ("Service start failed.", boxes[2]);
    EXPECT_EQ("Service stop failed.", boxes[3]);
    EXPECT_THAT(LogOf(10), ElementsAre("ERROR: Service install failed.",
                                       "ERROR: Service uninstall failed.",
                                       "ERROR: Service start failed.",
                                       "ERROR: Service stop failed."));
}

TEST_F(ServiceActionTest, EmptyNameFailsEveryOperation)
{
    CDialogWatcher watcher;
    EXPECT_EQ(0, serviceAction.Install(11));
    EXPECT_EQ(0, serviceAction.Start(11));
    EXPECT_EQ(2u, watcher.MessageBoxTexts().size());
    EXPECT_EQ("Service start failed.", watcher.MessageBoxTexts()[1]);
}

TEST(ServiceStatusTest, StatesMapToTheFourStatuses)
{
    EXPECT_EQ(Stopped, StatusOfState(SERVICE_STOPPED));
    EXPECT_EQ(Started, StatusOfState(SERVICE_START_PENDING));
    EXPECT_EQ(Stopped, StatusOfState(SERVICE_STOP_PENDING));
    EXPECT_EQ(Started, StatusOfState(SERVICE_RUNNING));
    EXPECT_EQ(Started, StatusOfState(SERVICE_CONTINUE_PENDING));
    EXPECT_EQ(Started, StatusOfState(SERVICE_PAUSE_PENDING));
    EXPECT_EQ(Started, StatusOfState(SERVICE_PAUSED));
    EXPECT_EQ(Unknown, StatusOfState(0));
    EXPECT_EQ(Unknown, StatusOfState(8));
}
