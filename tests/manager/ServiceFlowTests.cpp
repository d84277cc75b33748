// The service commands' flows against Wine's real SCM, registry, table file and logs, with the
// real service host, application host and test child. The flows' dialogs and questions are
// answered by the test; the progress dialogs and the failure boxes of the service actions are
// the real ones.

#include "DialogWatcher.h"
#include "ServiceCommandFlows.h"
#include "ServiceTestBase.h"
#include "StopOrderWatch.h"
#include "TableBytes.h"
#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <atomic>
#include <cstring>
#include <deque>
#include <thread>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const char kCannotSave[] = "Internal error:\n\nCannot save the service data.";

// Answers the flows as a user would, from a script, and records what was asked and shown.
class CScriptedUi : public IServiceCommandUi {
public:
    // What the New/Edit dialog returns, one entry per opening; an empty script cancels.
    std::deque<ServiceEntry> entries;
    bool nextActionsConfirmed = true;
    bool installChosen = true;
    bool startChosen = true;
    bool answerYes = true;

    // "values new", "values edit 3 <name shown>", "next actions", "ask <text>", "log 3",
    // "info <text>", "error <text>", "row 3 new <status>", "row 3 <status>", "remove 3".
    std::vector<std::string> calls;

    bool EnterServiceValues(int editSlot, ServiceEntry& entry) override
    {
        if (editSlot < 0) {
            calls.push_back("values new");
        } else {
            char name[kDisplayNameSize + 1] = "";
            std::memcpy(name, util.serviceTable->records[editSlot].displayName,
                        kDisplayNameSize);
            calls.push_back("values edit " + std::to_string(editSlot) + " " + name);
        }
        if (entries.empty())
            return false;
        entry = entries.front();
        entries.pop_front();
        return true;
    }
    bool ChooseNextActions(bool& install, bool& start) override
    {
        calls.push_back("next actions");
        install = installChosen;
        start = startChosen;
        return nextActionsConfirmed;
    }
    bool AskYesNo(const char* question) override
    {
        calls.push_back(std::string("ask ") + question);
        return answerYes;
    }
    void ShowLog(int slot) override { calls.push_back("log " + std::to_string(slot)); }
    void Inform(const char* text) override { calls.push_back(std::string("info ") + text); }
    void ReportError(const char* text) override { calls.push_back(std::string("error ") + text); }
    void ShowServiceRow(int slot, bool asNewRow) override
    {
        // The status the row would show at this moment.
        static const char* const kTexts[] = {"Unknown", "Ready", "Started", "Stopped"};
        calls.push_back("row " + std::to_string(slot) + (asNewRow ? " new " : " ") +
                        kTexts[serviceAction.QueryStatus(slot)]);
    }
    void RemoveServiceRow(int slot) override
    {
        // The record still names its row when the row goes.
        calls.push_back("remove " + std::to_string(slot) +
                        (IsSlotFree(util.serviceTable->records[slot]) ? " (record gone)" : ""));
    }
};

ServiceEntry Entry(const char* name, const std::string& appPath, const std::string& workDir,
                   const std::string& params = "", uint32_t revive = 1)
{
    ServiceEntry entry;
    entry.displayName = name;
    entry.appPath = appPath;
    entry.workDir = workDir;
    entry.appParams = params;
    entry.reviveOnSessionEnd = revive;
    return entry;
}

class ServiceFlowTest : public CServiceTestBase {
protected:
    void SetUp() override
    {
        CServiceTestBase::SetUp();
        watcher.reset(new CDialogWatcher);
    }
    void TearDown() override
    {
        watcher.reset();
        CServiceTestBase::TearDown();
    }

    // A new service through the New flow with the next actions as given.
    int Create(const char* name, const std::string& params, bool install, bool start)
    {
        Track(name);
        ui.entries.push_back(Entry(name, DefaultApp(), workDir, params));
        ui.installChosen = install;
        ui.startChosen = start;
        int slot = -1;
        flows.NewService(&slot);
        ui.calls.clear();
        return slot;
    }

    // Waits for the test child of a started service and returns it.
    ChildRecord RunningChild()
    {
        std::vector<ChildRecord> children = WaitChildRecords(kServiceChildRecords, 1, 20000);
        return children.empty() ? ChildRecord() : children[0];
    }

    static bool LogFileExists(int slot)
    {
        char path[256];
        return util.MakeLogPath(static_cast<uint32_t>(slot), path, sizeof(path)) &&
               FileExists(path);
    }

    CScriptedUi ui;
    CServiceCommandFlows flows{util, table, serviceAction, ui};
    std::unique_ptr<CDialogWatcher> watcher;
};

} // namespace

TEST_F(ServiceFlowTest, NewWithAFullTableSaysSoAndOpensNoDialog)
{
    for (int slot = 0; slot < kSlotCount; ++slot)
        Put(slot, ("Full " + std::to_string(slot)).c_str());
    std::string before = ReadFileBytes(util.propertiesPath);
    EXPECT_EQ(FlowOutcome::NotAllowed, flows.NewService());
    EXPECT_THAT(ui.calls, ElementsAre("info Ravelin capacity full."));
    EXPECT_EQ(before, ReadFileBytes(util.propertiesPath));
}

TEST_F(ServiceFlowTest, NewCancelledTakesNoSlotAndWritesNothing)
{
    EXPECT_EQ(FlowOutcome::Cancelled, flows.NewService());
    EXPECT_THAT(ui.calls, ElementsAre("values new"));
    EXPECT_FALSE(FileExists(util.propertiesPath));
    EXPECT_FALSE(LogFileExists(0));
}

TEST_F(ServiceFlowTest, NewFillsTheLowestFreeSlotAndLogsItsCreation)
{
    Put(0, "First");
    Put(2, "Third");
    ui.entries.push_back(Entry("Second One", "C:\\Apps\\second.exe", "C:\\Apps", "-a b", 0));
    ui.nextActionsConfirmed = false;
    int slot = -1;
    EXPECT_EQ(FlowOutcome::Done, flows.NewService(&slot));
    EXPECT_EQ(1, slot);
    EXPECT_THAT(ui.calls, ElementsAre("values new", "next actions", "row 1 new Ready"));

    RecordFields record = OnDisk(1);
    EXPECT_EQ("01", record.slotId);
    EXPECT_EQ("Second One", record.displayName);
    EXPECT_EQ("C:\\Apps\\second.exe", record.appPath);
    EXPECT_EQ("C:\\Apps", record.workDir);
    EXPECT_EQ("-a b", record.appParams);
    EXPECT_EQ(0u, record.reviveOnSessionEnd);
    EXPECT_EQ(0u, record.runRequested);
    EXPECT_EQ(0u, record.hostWindow);
    // Nothing of an earlier occupant of the slot survives: the record was zero-filled.
    TableImage image;
    ASSERT_TRUE(ReadTable(util.propertiesPath, image));
    EXPECT_EQ(std::string(8868 - 872, '\0'), image.Record(1).substr(872));
    EXPECT_EQ("First", OnDisk(0).displayName);
    EXPECT_EQ("Third", OnDisk(2).displayName);
    EXPECT_THAT(LogOf(1), ElementsAre("EVENT: Service created."));
    EXPECT_THAT(watcher->DialogCaptions(), IsEmpty());
}

TEST_F(ServiceFlowTest, NewWithInstallAndStartRunsTheApplication)
{
    Track("Flow Started");
    ui.entries.push_back(Entry("Flow Started", DefaultApp(), workDir, "--flag two"));
    int slot = -1;
    // The table as it is when the SCM receives the start: the start handshake saved 1 first.
    std::atomic<uint32_t> runRequestedAtStart(99);
    std::atomic<bool> watching(true);
    std::thread monitor([&] {
        while (watching && runRequestedAtStart == 99) {
            if (CurrentState("Flow-Started") == SERVICE_START_PENDING ||
                CurrentState("Flow-Started") == SERVICE_RUNNING)
                runRequestedAtStart = OnDisk(0).runRequested;
            ::Sleep(5);
        }
    });
    EXPECT_EQ(FlowOutcome::Done, flows.NewService(&slot));
    watching = false;
    monitor.join();
    ASSERT_EQ(0, slot);
    EXPECT_EQ(1u, runRequestedAtStart.load());
    EXPECT_THAT(ui.calls, ElementsAre("values new", "next actions", "row 0 new Started"));

    ChildRecord child = RunningChild();
    EXPECT_EQ(" --flag two", child.commandLine);
    EXPECT_EQ(workDir, child.workDir);
    EXPECT_EQ(1u, OnDisk(0).runRequested);
    std::vector<std::string> log = LogOf(0);
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ("EVENT: Service created.", log[0]);
    EXPECT_EQ("EVENT: Service installed.", log[1]);
    EXPECT_THAT(watcher->DialogCaptions(), ElementsAre("Installing...", "Starting..."));
    EXPECT_THAT(watcher->MessageBoxTexts(), IsEmpty());
}

TEST_F(ServiceFlowTest, NewWhoseInstallFailsStartsNothing)
{
    // The SCM refuses a service name with a backslash.
    Track("Bad\\Name");
    ui.entries.push_back(Entry("Bad\\Name", DefaultApp(), workDir));
    int slot = -1;
    EXPECT_EQ(FlowOutcome::Failed, flows.NewService(&slot));
    ASSERT_EQ(0, slot);
    EXPECT_THAT(ui.calls, ElementsAre("values new", "next actions", "row 0 new Ready"));
    EXPECT_EQ(0u, OnDisk(0).runRequested);
    EXPECT_EQ("Bad\\Name", OnDisk(0).displayName);
    EXPECT_THAT(LogOf(0), ElementsAre("EVENT: Service created.", "ERROR: Service install failed."));
    EXPECT_EQ(1u, watcher->MessageBoxTexts().size());
    EXPECT_THAT(watcher->DialogCaptions(), IsEmpty());
}

TEST_F(ServiceFlowTest, NewWithInstallOnlyLeavesTheServiceStopped)
{
    int slot = Create("Install Only", "", true, false);
    ASSERT_EQ(0, slot);
    EXPECT_EQ(Stopped, serviceAction.QueryStatus(0));
    EXPECT_EQ(0u, OnDisk(0).runRequested);
    EXPECT_THAT(LogOf(0), ElementsAre("EVENT: Service created.", "EVENT: Service installed."));
    EXPECT_THAT(watcher->DialogCaptions(), ElementsAre("Installing..."));
}

TEST_F(ServiceFlowTest, FailedSavesAreReportedAndTheFlowGoesOn)
{
    Put(0, "Present");
    CHeldFile held(util.propertiesPath);
    ASSERT_TRUE(held.Held());
    Track("Unsaved");
    ui.entries.push_back(Entry("Unsaved", DefaultApp(), workDir));
    ui.startChosen = false;
    EXPECT_EQ(FlowOutcome::Done, flows.NewService());
    // The save after the creation failed; the install went on under the record in memory.
    EXPECT_THAT(ui.calls, ElementsAre("values new", std::string("error ") + kCannotSave,
                                      "next actions", "row 1 new Stopped"));
    EXPECT_EQ("Unsaved", std::string(table.Record(1).displayName));
    ASSERT_TRUE(held.Release());
    EXPECT_EQ("", OnDisk(1).displayName);
}

TEST_F(ServiceFlowTest, EditOfAServiceNotInstalledStoresTheValuesAndOffersTheNextActions)
{
    Put(4, "Plain");
    // Another program changed the file since the manager loaded it: Edit works on the reload.
    TableImage image;
    ASSERT_TRUE(ReadTable(util.propertiesPath, image));
    FillRecord(image[4], 4, "Plain Reloaded", DefaultApp(), workDir, "", 0);
    WriteTable(util.propertiesPath, image);

    Track("Plain Edited");
    ui.entries.push_back(Entry("Plain Edited", DefaultApp(), workDir, "--new"));
    ui.startChosen = false;
    EXPECT_EQ(FlowOutcome::Done, flows.EditService(4));
    EXPECT_THAT(ui.calls,
                ElementsAre("values edit 4 Plain Reloaded", "next actions", "row 4 Stopped"));
    EXPECT_EQ("Plain Edited", OnDisk(4).displayName);
    EXPECT_EQ("--new", OnDisk(4).appParams);
    EXPECT_EQ(1u, OnDisk(4).reviveOnSessionEnd);
    EXPECT_TRUE(ServiceExists("Plain-Edited"));
    EXPECT_THAT(LogOf(4), ElementsAre("EVENT: Service installed.", "EVENT: Service changed."));
}

TEST_F(ServiceFlowTest, EditCancelledChangesAndLogsNothing)
{
    Put(5, "Untouched");
    std::string before = ReadFileBytes(util.propertiesPath);
    EXPECT_EQ(FlowOutcome::Cancelled, flows.EditService(5));
    EXPECT_THAT(ui.calls, ElementsAre("values edit 5 Untouched"));
    EXPECT_EQ(before, ReadFileBytes(util.propertiesPath));
    EXPECT_FALSE(LogFileExists(5));
}

TEST_F(ServiceFlowTest, EditRenamingARunningServiceMovesItToTheNewName)
{
    int slot = Create("Old Name", "--first", true, true);
    ASSERT_EQ(0, slot);
    ChildRecord first = RunningChild();
    ASSERT_NE(0u, first.pid);
    size_t linesBefore = LogOf(0).size();

    Track("New Name");
    ui.entries.push_back(Entry("New Name", DefaultApp(), workDir, "--second"));
    watcher->Clear();
    EXPECT_EQ(FlowOutcome::Done, flows.EditService(0));
    EXPECT_THAT(ui.calls, ElementsAre("values edit 0 Old Name", "row 0 Started"));
    EXPECT_THAT(watcher->DialogCaptions(),
                ElementsAre("Stopping...", "Uninstalling...", "Installing...", "Starting..."));
    EXPECT_THAT(watcher->MessageBoxTexts(), IsEmpty());

    // The first application was ended by its host; the new service runs a child of its own.
    EXPECT_FALSE(IsProcessAlive(first.pid));
    EXPECT_FALSE(ServiceExists("Old-Name"));
    EXPECT_TRUE(WaitUntil([] { return CurrentState("New-Name") == SERVICE_RUNNING; }, 15000));
    std::vector<ChildRecord> children;
    EXPECT_TRUE(WaitUntil(
        [&] {
            children = ReadChildRecords(kServiceChildRecords);
            for (const ChildRecord& child : children) {
                if (child.commandLine == " --second")
                    return true;
            }
            return false;
        },
        20000));
    EXPECT_EQ("New Name", OnDisk(0).displayName);
    EXPECT_EQ(1u, OnDisk(0).runRequested);

    // Of the lines the manager wrote for this edit, "Service changed." is the last.
    std::vector<std::string> log = LogOf(0);
    std::vector<std::string> managerLines;
    for (size_t i = linesBefore; i < log.size(); ++i) {
        if (log[i].find("Halyard") == std::string::npos &&
            log[i].find("Application") == std::string::npos)
            managerLines.push_back(log[i]);
    }
    EXPECT_THAT(managerLines, ElementsAre("EVENT: Service stopped.", "EVENT: Service uninstalled.",
                                          "EVENT: Service installed.", "EVENT: Service started.",
                                          "EVENT: Service changed."));
}

TEST_F(ServiceFlowTest, EditOfARunningServiceWithoutChangesStillReinstallsAndRestartsIt)
{
    int slot = Create("Same Name", "", true, true);
    ASSERT_EQ(0, slot);
    ChildRecord first = RunningChild();
    watcher->CloseAtOnce("Stopping...");
    watcher->Clear();
    ui.entries.push_back(Entry("Same Name", DefaultApp(), workDir));
    EXPECT_EQ(FlowOutcome::Done, flows.EditService(0));
    EXPECT_THAT(watcher->DialogCaptions(),
                ElementsAre("Stopping...", "Uninstalling...", "Installing...", "Starting..."));
    EXPECT_THAT(watcher->MessageBoxTexts(), IsEmpty());
    EXPECT_TRUE(WaitUntil([] { return CurrentState("Same-Name") == SERVICE_RUNNING; }, 15000));
    EXPECT_EQ("EVENT: Service changed.", LogOf(0).back());
    EXPECT_THAT(ui.calls, ElementsAre("values edit 0 Same Name", "row 0 Started"));
    EXPECT_NE(first.pid, 0u);
}

TEST_F(ServiceFlowTest, EditOfAStoppedServiceReinstallsItAndLeavesItStopped)
{
    int slot = Create("Stopped Edit", "", true, false);
    ASSERT_EQ(0, slot);
    Track("Stopped Renamed");
    ui.entries.push_back(Entry("Stopped Renamed", DefaultApp(), workDir, "", 0));
    watcher->Clear();
    EXPECT_EQ(FlowOutcome::Done, flows.EditService(0));
    EXPECT_THAT(watcher->DialogCaptions(), ElementsAre("Uninstalling...", "Installing..."));
    EXPECT_FALSE(ServiceExists("Stopped-Edit"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), CurrentState("Stopped-Renamed"));
    EXPECT_THAT(ui.calls, ElementsAre("values edit 0 Stopped Edit", "row 0 Stopped"));
    EXPECT_EQ(0u, OnDisk(0).reviveOnSessionEnd);
    EXPECT_THAT(LogOf(0), ElementsAre("EVENT: Service created.", "EVENT: Service installed.",
                                      "EVENT: Service uninstalled.", "EVENT: Service installed.",
                                      "EVENT: Service changed."));
}

TEST_F(ServiceFlowTest, EditWhoseUninstallFailsStoresNothingAndLogsNoChange)
{
    int slot = Create("Held Service", "", true, false);
    ASSERT_EQ(0, slot);
    // Deleted while a handle is open: the service stays, marked for deletion, and reads as
    // stopped; every further removal fails.
    CScHandle scm(::OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT));
    CScHandle held(::OpenServiceA(scm.Get(), "Held-Service", SERVICE_QUERY_STATUS));
    ASSERT_TRUE(held);
    ASSERT_EQ(1, serviceAction.Uninstall(0));
    ASSERT_EQ(Stopped, serviceAction.QueryStatus(0));
    watcher->Clear();

    ui.entries.push_back(Entry("Held Renamed", DefaultApp(), workDir));
    EXPECT_EQ(FlowOutcome::Failed, flows.EditService(0));
    EXPECT_THAT(watcher->MessageBoxTexts(), ElementsAre("Service uninstall failed."));
    EXPECT_EQ("Held Service", OnDisk(0).displayName);
    EXPECT_EQ("ERROR: Service uninstall failed.", LogOf(0).back());
    EXPECT_THAT(ui.calls, ElementsAre("values edit 0 Held Service", "row 0 Stopped"));
}

TEST_F(ServiceFlowTest, EditWithoutTheScmTellsTheUserAndStoresNothing)
{
    Put(6, "No Scm Edit");
    CServiceAction withoutScm;
    withoutScm.control.Disconnect();
    CServiceCommandFlows cut(util, table, withoutScm, ui);
    std::string before = ReadFileBytes(util.propertiesPath);
    ui.entries.push_back(Entry("Dropped", DefaultApp(), workDir));
    EXPECT_EQ(FlowOutcome::NotAllowed, cut.EditService(6));
    ASSERT_EQ(3u, ui.calls.size());
    EXPECT_EQ("values edit 6 No Scm Edit", ui.calls[0]);
    EXPECT_EQ("info The changes have not been applied.\n\nThe state of the service is unknown, "
              "so it cannot be changed at this time.\nPlease log on as an administrator and try "
              "again.",
              ui.calls[1]);
    EXPECT_EQ("row 6 Ready", ui.calls[2]);
    EXPECT_EQ(before, ReadFileBytes(util.propertiesPath));
    EXPECT_EQ("No Scm Edit", std::string(table.Record(6).displayName));
    EXPECT_FALSE(LogFileExists(6));
}

TEST_F(ServiceFlowTest, DeleteAnsweredNoChangesNothing)
{
    Put(3, "Kept");
    util.WriteLog(3, 1, "Service created.");
    std::string before = ReadFileBytes(util.propertiesPath);
    ui.answerYes = false;
    EXPECT_EQ(FlowOutcome::Cancelled, flows.DeleteService(3));
    EXPECT_THAT(ui.calls,
                ElementsAre("ask Are you sure you want to delete the selected service ?"));
    EXPECT_EQ(before, ReadFileBytes(util.propertiesPath));
    EXPECT_THAT(LogOf(3), ElementsAre("EVENT: Service created."));
}

TEST_F(ServiceFlowTest, DeleteOfAServiceNotInstalledFreesTheSlotAndItsLog)
{
    Put(3, "Gone");
    Put(4, "Neighbour");
    util.WriteLog(3, 1, "Service created.");
    EXPECT_EQ(FlowOutcome::Done, flows.DeleteService(3));
    EXPECT_THAT(ui.calls, ElementsAre("ask Are you sure you want to delete the selected service ?",
                                      "remove 3"));
    TableImage image;
    ASSERT_TRUE(ReadTable(util.propertiesPath, image));
    EXPECT_EQ(std::string(8868, '\0'), image.Record(3));
    EXPECT_EQ("Neighbour", OnDisk(4).displayName);
    EXPECT_FALSE(LogFileExists(3));
    EXPECT_THAT(watcher->DialogCaptions(), IsEmpty());
}

TEST_F(ServiceFlowTest, DeleteOfARunningServiceStopsAndRemovesItFirst)
{
    int slot = Create("Running Gone", "", true, true);
    ASSERT_EQ(0, slot);
    ChildRecord child = RunningChild();
    ASSERT_NE(0u, child.pid);
    watcher->Clear();
    EXPECT_EQ(FlowOutcome::Done, flows.DeleteService(0));
    EXPECT_THAT(watcher->DialogCaptions(), ElementsAre("Stopping...", "Uninstalling..."));
    EXPECT_FALSE(IsProcessAlive(child.pid));
    EXPECT_TRUE(WaitUntil([] { return !ServiceExists("Running-Gone"); }, 15000));
    EXPECT_EQ("", OnDisk(0).displayName);
    EXPECT_FALSE(LogFileExists(0));
}

TEST_F(ServiceFlowTest, DeleteWhoseUninstallFailsKeepsRecordRowAndLog)
{
    int slot = Create("Stuck", "", true, false);
    ASSERT_EQ(0, slot);
    CScHandle scm(::OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT));
    CScHandle held(::OpenServiceA(scm.Get(), "Stuck", SERVICE_QUERY_STATUS));
    ASSERT_TRUE(held);
    ASSERT_EQ(1, serviceAction.Uninstall(0));
    watcher->Clear();
    EXPECT_EQ(FlowOutcome::Failed, flows.DeleteService(0));
    // The uninstall's own box comes first, then the flow's.
    EXPECT_THAT(watcher->MessageBoxTexts(), ElementsAre("Service uninstall failed."));
    EXPECT_THAT(ui.calls, ElementsAre("ask Are you sure you want to delete the selected service ?",
                                      "info Service uninstall failed."));
    EXPECT_EQ("Stuck", OnDisk(0).displayName);
    EXPECT_TRUE(LogFileExists(0));
}

TEST_F(ServiceFlowTest, ControlActsOnlyInItsStatusAndSilently)
{
    Put(8, "Gated");
    // Ready: only Install may act.
    EXPECT_EQ(FlowOutcome::NotAllowed, flows.ControlService(8, ServiceControl::Uninstall));
    EXPECT_EQ(FlowOutcome::NotAllowed, flows.ControlService(8, ServiceControl::Start));
    EXPECT_EQ(FlowOutcome::NotAllowed, flows.ControlService(8, ServiceControl::Stop));
    EXPECT_FALSE(ServiceExists("Gated"));
    EXPECT_EQ(FlowOutcome::Done, flows.ControlService(8, ServiceControl::Install));
    EXPECT_THAT(ui.calls, ElementsAre("row 8 Stopped"));
    ui.calls.clear();
    // Stopped: Install and Stop do nothing.
    EXPECT_EQ(FlowOutcome::NotAllowed, flows.ControlService(8, ServiceControl::Install));
    EXPECT_EQ(FlowOutcome::NotAllowed, flows.ControlService(8, ServiceControl::Stop));
    EXPECT_THAT(ui.calls, IsEmpty());
    EXPECT_THAT(watcher->MessageBoxTexts(), IsEmpty());
    EXPECT_THAT(LogOf(8), ElementsAre("EVENT: Service installed."));
}

TEST_F(ServiceFlowTest, ControlRunsTheWholeCycleWithTheHandshakes)
{
    Put(9, "Cycle", "--cycle");
    ASSERT_EQ(FlowOutcome::Done, flows.ControlService(9, ServiceControl::Install));
    // Another program changed the record on disk: the control works on the reloaded table.
    TableImage image;
    ASSERT_TRUE(ReadTable(util.propertiesPath, image));
    FillRecord(image[9], 9, "Cycle", DefaultApp(), workDir, "--reloaded", 0);
    WriteTable(util.propertiesPath, image);

    ASSERT_EQ(FlowOutcome::Done, flows.ControlService(9, ServiceControl::Start));
    EXPECT_EQ("--reloaded", std::string(table.Record(9).appParams));
    EXPECT_EQ(1u, OnDisk(9).runRequested);
    ChildRecord child = RunningChild();
    ASSERT_NE(0u, child.pid);
    EXPECT_EQ(FlowOutcome::NotAllowed, flows.ControlService(9, ServiceControl::Start));

    // The stop: the run request is withdrawn on disk, the host ends the application, and only
    // then, at least 5 s after the save, the stop control arrives.
    CStopOrderWatch watch(child.pid, [] { return CurrentState("Cycle") == SERVICE_RUNNING; });
    ASSERT_EQ(FlowOutcome::Done, flows.ControlService(9, ServiceControl::Stop));
    EXPECT_TRUE(watch.WaitBoth(30000));
    uint64_t saved = LastWriteMs(util.propertiesPath);
    EXPECT_EQ(0u, OnDisk(9).runRequested);
    EXPECT_LT(watch.ApplicationEnded(), watch.ServiceLeft());
    EXPECT_GE(watch.ServiceLeft() - saved, 5000u);

    ASSERT_EQ(FlowOutcome::Done, flows.ControlService(9, ServiceControl::Uninstall));
    EXPECT_TRUE(WaitUntil([] { return serviceAction.QueryStatus(9) == Ready; }, 15000));
    EXPECT_THAT(ui.calls, ElementsAre("row 9 Stopped", "row 9 Started", "row 9 Stopped",
                                      "row 9 Ready"));
    EXPECT_THAT(watcher->MessageBoxTexts(), IsEmpty());
}

TEST_F(ServiceFlowTest, RefusedStartLeavesNoRunRequest)
{
    Put(10, "Refused Start");
    ASSERT_EQ(FlowOutcome::Done, flows.ControlService(10, ServiceControl::Install));
    DisableService("Refused-Start");
    EXPECT_EQ(FlowOutcome::Failed, flows.ControlService(10, ServiceControl::Start));
    EXPECT_EQ(0u, OnDisk(10).runRequested);
    EXPECT_THAT(watcher->MessageBoxTexts(), ElementsAre("Service start failed."));
    EXPECT_THAT(ui.calls, ElementsAre("row 10 Stopped", "row 10 Stopped"));
}

TEST_F(ServiceFlowTest, LogOpensOnlyForASlotOfTheLogRange)
{
    EXPECT_EQ(FlowOutcome::NotAllowed, flows.ShowLog(-1));
    EXPECT_EQ(FlowOutcome::NotAllowed, flows.ShowLog(100));
    EXPECT_THAT(ui.calls, IsEmpty());
    EXPECT_EQ(FlowOutcome::Done, flows.ShowLog(7));
    EXPECT_EQ(7, util.logSlot);
    EXPECT_THAT(ui.calls, ElementsAre("log 7"));
}
