// The installed manager, started from the installation folder with the installer's settings,
// runs one service end to end through its window: New with Install and Start, Stop, Uninstall,
// Delete. Driven with the manager end-to-end tests' harness and dialog driver.

#include "DialogDriver.h"
#include "EventLog.h"
#include "InstallerSession.h"
#include "ManagerChecks.h"
#include "ManagerHarness.h"
#include "TestService.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <vector>

using ::testing::ElementsAre;

namespace {

using namespace control;

std::string ServiceImage(const char* name)
{
    CScHandle scm(::OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT));
    CScHandle service(::OpenServiceA(scm.Get(), name, SERVICE_QUERY_CONFIG));
    DWORD needed = 0;
    ::QueryServiceConfigA(service.Get(), NULL, 0, &needed);
    if (!service || needed == 0)
        return std::string();
    std::vector<char> buffer(needed);
    QUERY_SERVICE_CONFIGA* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    if (!::QueryServiceConfigA(service.Get(), config, needed, &needed))
        return std::string();
    return config->lpBinaryPathName;
}

DWORD LiveChildWith(const std::string& commandLine)
{
    for (const ChildRecord& child : LiveServiceChildren())
        if (child.commandLine == commandLine)
            return child.pid;
    return 0;
}

TEST(InstalledManagerTest, RunsOneServiceFromCreationToDeletion)
{
    CInstallerSession session;
    ASSERT_EQ(0, session.RunSetup("/S"));
    std::string dir = DefaultInstallDir();
    std::string data = DefaultDataDir();
    std::string workDir = MakeScratchDir("installed work");

    // The harness names folders of its own in the settings; the manager runs with the
    // installer's instead (the harness puts them back at the end).
    std::string installedPath = ReadMachineText(kSettingsKeyName, "path");
    std::string installedData = ReadMachineText(kSettingsKeyName, "dataPath");
    CManagerHarness manager;
    SetSetting("path", installedPath);
    SetSetting("dataPath", installedData);
    ASSERT_TRUE(manager.Process().Start(dir + "\\RavelinManager.exe", "RavelinManager.exe", dir));
    ASSERT_TRUE(manager.Attach());
    CDialogDriver dialogs(manager);
    CTestService service("Installed-Probe", "Installed Probe", 0);
    service.Adopt();

    // New, with both next actions: the service's image is the installation's Ravelin.exe.
    HWND dialog = dialogs.OpenByCommand(command::kNew, kNewEditCaption);
    ASSERT_NE(nullptr, dialog);
    SetText(dialog, kName, "Installed Probe");
    SetText(dialog, kPath, BinPath("TestChild.exe"));
    SetText(dialog, kWorkDir, workDir);
    SetText(dialog, kParams, "--installed");
    ASSERT_EQ("", dialogs.PressAndRead(dialog, IDOK));
    HWND next = dialogs.WaitTopLevel(kNextActionsCaption);
    ASSERT_NE(nullptr, next);
    SetChecked(next, kInstallBox, true);
    SetChecked(next, kStartBox, true);
    Click(next, IDOK);
    ASSERT_TRUE(service.WaitState(SERVICE_RUNNING, 30000));
    EXPECT_EQ("\"" + dir + "\\Ravelin.exe\"", ServiceImage("Installed-Probe"));
    ASSERT_TRUE(WaitUntil([] { return LiveChildWith(" --installed") != 0; }, 20000));
    DWORD child = LiveChildWith(" --installed");
    ASSERT_TRUE(WaitUntil([&] { return manager.RowCount() == 1; }, 10000));
    EXPECT_TRUE(manager.WaitCell(0, 1, "Started", 8000)) << manager.Cell(0, 1);

    // Stop: the application ends, then the service.
    ASSERT_TRUE(manager.SelectRow(0));
    ::PostMessageA(manager.Frame(), WM_COMMAND, command::kStop, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsProcessAlive(child); }, 15000));
    ASSERT_TRUE(service.WaitState(SERVICE_STOPPED, 30000));
    EXPECT_TRUE(manager.WaitCell(0, 1, "Stopped", 10000)) << manager.Cell(0, 1);

    // Uninstall, then Delete.
    ASSERT_TRUE(manager.Flush());
    ::PostMessageA(manager.Frame(), WM_COMMAND, command::kUninstall, 0);
    EXPECT_TRUE(service.WaitState(0, 15000));
    EXPECT_TRUE(manager.WaitCell(0, 1, "Ready", 15000)) << manager.Cell(0, 1);
    // The row can turn "Ready" at a status refresh while "Uninstalling..." is still shown; the
    // log line follows the progress dialog.
    std::vector<std::string> messages;
    WaitUntil(
        [&] {
            messages.clear();
            for (const LogEntry& entry : ReadLogFile((data + "\\00.log").c_str()))
                if (std::string(entry.message).compare(0, 8, "Service ") == 0)
                    messages.push_back(entry.message);
            return messages.size() >= 5;
        },
        10000);
    EXPECT_THAT(messages, ElementsAre("Service created.", "Service installed.", "Service started.",
                                      "Service stopped.", "Service uninstalled."));
    ASSERT_TRUE(manager.Flush());
    ::PostMessageA(manager.Frame(), WM_COMMAND, command::kDelete, 0);
    EXPECT_EQ("Are you sure you want to delete the selected service ?",
              dialogs.AnswerBox(kQuestionCaption, IDYES));
    EXPECT_TRUE(WaitUntil([&] { return manager.RowCount() == 0; }, 10000));
    TableImage table;
    ASSERT_TRUE(ReadTable(data + "\\Properties.dat", table));
    EXPECT_EQ("", table.Fields(0).displayName);
    EXPECT_FALSE(FileExists(data + "\\00.log"));
}

} // namespace
