// Installing over and uninstalling an installation whose services run: each application ends
// through the run request before its service stops, the data stays, the services come back (over)
// or are gone (uninstall).

#include "EventLog.h"
#include "InstallerSession.h"
#include "TestService.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>

namespace {

const char kManagerTitle[] = "Ravelin - Morvane";
const char kTerminatedLine[] = "Application terminated by Halyard by request of Ravelin manager.";
const char kExecutedLine[] = "Application executed by Halyard.";

std::vector<std::string> LogMessages(const std::string& path)
{
    std::vector<std::string> messages;
    for (const LogEntry& entry : ReadLogFile(path.c_str()))
        messages.push_back(entry.message);
    return messages;
}

// True when the messages hold the expected ones in this order, others between them allowed.
bool HoldsInOrder(const std::vector<std::string>& messages, const std::vector<std::string>& expected)
{
    auto at = messages.begin();
    for (const std::string& text : expected) {
        at = std::find(at, messages.end(), text);
        if (at == messages.end())
            return false;
        ++at;
    }
    return true;
}

std::string Joined(const std::vector<std::string>& messages)
{
    std::string text;
    for (const std::string& message : messages)
        text += message + "\n";
    return text;
}

class RunningInstallationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(0, session.RunSetup("/S"));
        dir = DefaultInstallDir();
        data = DefaultDataDir();
    }

    // The service of slot 0 started with its application; the application's record.
    void StartChildService(CTestService& service, ChildRecord* child)
    {
        ASSERT_TRUE(InstallRavelinService("Installer-Probe", dir, 0));
        service.Adopt();
        ASSERT_TRUE(service.Start());
        ASSERT_TRUE(service.WaitState(SERVICE_RUNNING, 20000));
        std::vector<ChildRecord> children;
        ASSERT_TRUE(WaitUntil([&] { return (children = LiveServiceChildren()).size() == 1; }, 20000));
        *child = children[0];
        // The host has published its window in the table.
        ASSERT_TRUE(WaitUntil(
            [&] {
                TableImage table;
                return ReadTable(data + "\\Properties.dat", table) && table.Fields(0).hostWindow != 0;
            },
            10000));
    }

    CInstallerSession session;
    std::string dir;
    std::string data;
};

TEST_F(RunningInstallationTest, InstallOverItKeepsTableAndLogAndRunsTheServiceAgain)
{
    WriteChildService(data, 0, "Installer Probe");
    std::string oldLog = "2011/02/23 [12:07:47]*EVENT**Service created.\r\n";
    WriteFileBytes(data + "\\00.log", oldLog);
    CTestService service("Installer-Probe", "Installer-Probe", 0);
    ChildRecord child;
    ASSERT_NO_FATAL_FAILURE(StartChildService(service, &child));
    CTestProcess manager;
    ASSERT_TRUE(manager.Start(dir + "\\RavelinManager.exe", "RavelinManager.exe", dir));
    ASSERT_TRUE(WaitUntil([&] { return ::FindWindowA(NULL, kManagerTitle) != NULL; }, 30000));
    TableImage before;
    ASSERT_TRUE(ReadTable(data + "\\Properties.dat", before));

    DWORD elapsed = 0;
    ASSERT_EQ(0, session.RunSetup("/S", &elapsed));
    std::printf("Silent install over a running installation: %lu ms\n", elapsed);

    // The manager was closed; the old application ended; the service runs a new one.
    EXPECT_TRUE(manager.WaitExit(0));
    EXPECT_FALSE(IsProcessAlive(child.pid));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), service.State());
    std::vector<ChildRecord> children;
    EXPECT_TRUE(WaitUntil(
        [&] {
            children = LiveServiceChildren();
            return children.size() == 1 && children[0].pid != child.pid;
        },
        20000));

    // The table is the same but for the run request and what the new host published.
    TableImage after;
    ASSERT_TRUE(ReadTable(data + "\\Properties.dat", after));
    for (int slot = 1; slot < table_layout::kSlots; ++slot)
        EXPECT_EQ(before.Record(slot), after.Record(slot)) << "slot " << slot;
    RecordFields was = before.Fields(0);
    RecordFields is = after.Fields(0);
    EXPECT_EQ(was.displayName, is.displayName);
    EXPECT_EQ(was.appPath, is.appPath);
    EXPECT_EQ(was.workDir, is.workDir);
    EXPECT_EQ(was.slotId, is.slotId);
    EXPECT_EQ(1u, is.runRequested);

    // The log kept its lines and tells the story: terminated, stopped, started, executed again.
    std::string logPath = data + "\\00.log";
    EXPECT_TRUE(WaitUntil(
        [&] {
            std::vector<std::string> messages = LogMessages(logPath);
            return std::count(messages.begin(), messages.end(), kExecutedLine) == 2;
        },
        10000));
    std::string log = ReadFileBytes(logPath);
    EXPECT_EQ(oldLog, log.substr(0, oldLog.size()));
    std::vector<std::string> messages = LogMessages(logPath);
    EXPECT_TRUE(HoldsInOrder(messages, {"Service created.", kExecutedLine, kTerminatedLine,
                                        "Service stopped.", "Service started.", kExecutedLine}))
        << Joined(messages);
}

TEST_F(RunningInstallationTest, SilentUninstallRemovesItsServicesAndApplicationsAndKeepsTheData)
{
    WriteChildService(data, 0, "Installer Probe");
    CTestService running("Installer-Probe", "Installer-Probe", 0);
    ChildRecord child;
    ASSERT_NO_FATAL_FAILURE(StartChildService(running, &child));
    TableImage table;
    ASSERT_TRUE(ReadTable(data + "\\Properties.dat", table));
    HWND host = reinterpret_cast<HWND>(static_cast<uintptr_t>(table.Fields(0).hostWindow));
    ASSERT_TRUE(::IsWindow(host));
    // A service of the installation that cannot start: Ravelin.exe reports it to the event log
    // under its own source, whose key the uninstaller removes.
    CTestService broken("Uninstall-Broken", "Uninstall-Broken", 1);
    ASSERT_TRUE(InstallRavelinService("Uninstall-Broken", dir, 1, false));
    broken.Adopt();
    broken.Start();
    ASSERT_TRUE(WaitUntil([&] { return MachineKeyExists(kEventSourceKeyName); }, 20000));
    ASSERT_TRUE(broken.WaitState(SERVICE_STOPPED, 20000));
    // A service of the same name pattern whose image lies elsewhere is not the installation's.
    CTestService foreign("Uninstall-Foreign", "Uninstall-Foreign", 2);
    ASSERT_TRUE(InstallRavelinService("Uninstall-Foreign", BinDir(), 2));
    foreign.Adopt();

    DWORD elapsed = 0;
    ASSERT_TRUE(session.RunUninstall(dir, &elapsed));
    std::printf("Silent uninstall with a started service: %lu ms\n", elapsed);

    EXPECT_EQ(0u, running.State());
    EXPECT_EQ(0u, broken.State());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), foreign.State());
    EXPECT_FALSE(IsProcessAlive(child.pid));
    EXPECT_FALSE(::IsWindow(host));

    EXPECT_FALSE(FileExists(dir));
    EXPECT_FALSE(FileExists(ProgramFilesDir() + "\\Morvane"));
    EXPECT_FALSE(FileExists(StartMenuFolder()));
    EXPECT_FALSE(MachineKeyExists(kSettingsKeyName));
    EXPECT_FALSE(MachineKeyExists("SOFTWARE\\Morvane"));
    EXPECT_FALSE(MachineKeyExists(kUninstallKeyName));
    EXPECT_FALSE(MachineKeyExists(kEventSourceKeyName));

    EXPECT_TRUE(FileExists(data + "\\Properties.dat"));
    std::vector<std::string> messages = LogMessages(data + "\\00.log");
    EXPECT_TRUE(HoldsInOrder(messages, {kExecutedLine, kTerminatedLine, "Service stopped.",
                                        "Service uninstalled."}))
        << Joined(messages);
}

} // namespace
