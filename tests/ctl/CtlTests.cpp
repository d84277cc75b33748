// RavelinCtl.exe as scripts run it, against Wine's real SCM, registry, table file and logs, with
// the real service host, application host and test child: every command, its refusals with their
// exit codes and texts, its JSON read by another reader, export and import, and the refusal while
// the manager runs.

#include "CtlTestBase.h"
#include "HandleT.h"
#include "ServiceTestBase.h"
#include "StopOrderWatch.h"
#include "SystemMessage.h"
#include "TableBytes.h"
#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

class CtlTest : public CCtlTestBase {
protected:
    ChildRecord RunningChild()
    {
        std::vector<ChildRecord> children = WaitChildRecords(kServiceChildRecords, 1, 20000);
        return children.empty() ? ChildRecord() : children[0];
    }
};

} // namespace

TEST_F(CtlTest, AddInstallStartRunsTheChildAndStopGoesThroughTheHandshake)
{
    Track("Web Cache");
    CtlResult added = Ctl({"add", "Web Cache", DefaultApp(), "--dir", workDir, "--params",
                           "--port \"80 80\"", "--install", "--start"});
    EXPECT_EQ(0u, added.exitCode) << added.err;
    EXPECT_EQ("Installing...\nStarting...\n00  Started  Web Cache\n", added.out);
    EXPECT_EQ("", added.err);
    ChildRecord child = RunningChild();
    ASSERT_NE(0u, child.pid);
    EXPECT_EQ(" --port \"80 80\"", child.commandLine);
    EXPECT_EQ(workDir, child.workDir);
    RecordFields record = OnDisk(0);
    EXPECT_EQ("00", record.slotId);
    EXPECT_EQ(DefaultApp(), record.appPath);
    EXPECT_EQ(1u, record.reviveOnSessionEnd);
    EXPECT_EQ(1u, record.runRequested);

    // Where the manager would do nothing, the tool says why.
    CtlResult again = Ctl({"start", "Web Cache"});
    EXPECT_EQ(4u, again.exitCode);
    EXPECT_EQ("Cannot start \"Web Cache\": its status is Started; start needs Stopped.\n",
              again.err);

    // The stop: runRequested 0 saved, the host ends the child, and only then, at least 5 s after
    // the save, the stop control reaches the service.
    CStopOrderWatch watch(child.pid, [] { return CurrentState("Web-Cache") == SERVICE_RUNNING; });
    CtlResult stopped = Ctl({"stop", "00"});
    EXPECT_TRUE(watch.WaitBoth(30000));
    EXPECT_EQ(0u, stopped.exitCode) << stopped.err;
    EXPECT_EQ("Stopping...\n00  Stopped  Web Cache\n", stopped.out);
    EXPECT_EQ(0u, OnDisk(0).runRequested);
    EXPECT_LT(watch.ApplicationEnded(), watch.ServiceLeft());
    EXPECT_GE(watch.ServiceLeft() - LastWriteMs(util.propertiesPath), 5000u);

    CtlResult status = Ctl({"status", "Web Cache"});
    EXPECT_EQ(13u, status.exitCode);
    EXPECT_EQ("Stopped\n", status.out);
    CtlResult removed = Ctl({"uninstall", "Web Cache"});
    EXPECT_EQ(0u, removed.exitCode) << removed.err;
    EXPECT_TRUE(WaitUntil([] { return !ServiceExists("Web-Cache"); }, 15000));
    EXPECT_EQ(11u, Ctl({"status", "Web Cache"}).exitCode);
    CtlResult refused = Ctl({"stop", "Web Cache"});
    EXPECT_EQ(4u, refused.exitCode);
    EXPECT_EQ("Cannot stop \"Web Cache\": its status is Ready; stop needs Started.\n", refused.err);

    EXPECT_THAT(ManagerLines(0),
                ElementsAre("EVENT: Service created.", "EVENT: Service installed.",
                            "EVENT: Service started.", "EVENT: Service stopped.",
                            "EVENT: Service uninstalled."));
    EXPECT_EQ("EVENT: Application terminated by Halyard by request of Ravelin manager.",
              LogOf(0)[LogOf(0).size() - 3]);
}

TEST_F(CtlTest, EditRenamesARunningServiceThroughUninstallAndInstall)
{
    Track("Old Name");
    Track("New Name");
    ASSERT_EQ(0u, Ctl({"add", "Old Name", DefaultApp(), "--params", "--first", "--install",
                       "--start"})
                      .exitCode);
    ChildRecord first = RunningChild();
    ASSERT_NE(0u, first.pid);
    size_t linesBefore = ManagerLines(0).size();

    CtlResult edited = Ctl({"edit", "Old Name", "--name", "New Name", "--params", "--second",
                            "--revive", "off"});
    EXPECT_EQ(0u, edited.exitCode) << edited.err;
    EXPECT_EQ("Stopping...\nUninstalling...\nInstalling...\nStarting...\n00  Started  New Name\n",
              edited.out);
    EXPECT_FALSE(IsProcessAlive(first.pid));
    EXPECT_FALSE(ServiceExists("Old-Name"));
    EXPECT_TRUE(WaitUntil([] { return CurrentState("New-Name") == SERVICE_RUNNING; }, 15000));
    EXPECT_TRUE(WaitUntil(
        [] {
            for (const ChildRecord& child : ReadChildRecords(kServiceChildRecords)) {
                if (child.commandLine == " --second")
                    return true;
            }
            return false;
        },
        20000));
    RecordFields record = OnDisk(0);
    EXPECT_EQ("New Name", record.displayName);
    EXPECT_EQ(0u, record.reviveOnSessionEnd);
    EXPECT_EQ(1u, record.runRequested);
    std::vector<std::string> lines = ManagerLines(0);
    EXPECT_THAT(std::vector<std::string>(lines.begin() + static_cast<long>(linesBefore),
                                         lines.end()),
                ElementsAre("EVENT: Service stopped.", "EVENT: Service uninstalled.",
                            "EVENT: Service installed.", "EVENT: Service started.",
                            "EVENT: Service changed."));
}

TEST_F(CtlTest, ReadOnlyCommandsInTextAndJson)
{
    Put(0, "Alpha", "--a");
    Put(3, "Beta \"B\"", "", "C:\\Apps\\beta.exe");
    table.Record(3).reviveOnSessionEnd = 0;
    table.Record(3).appProcessId = 4242;
    ASSERT_EQ(1, table.SaveProperties());
    util.WriteLog(3, 1, "Service created.");
    util.WriteLog(3, 2, "a *message* with ** pairs and \\ \"quotes\"");
    util.WriteLog(3, 1, "third");

    CtlResult list = Ctl({"list"});
    EXPECT_EQ(0u, list.exitCode);
    EXPECT_EQ("Slot  Status   Name      Application\n"
              "00    Ready    Alpha     " + DefaultApp() + "\n"
              "03    Ready    Beta \"B\"  C:\\Apps\\beta.exe\n",
              list.out);

    nlohmann::json rows = nlohmann::json::parse(Ctl({"list", "--json"}).out);
    ASSERT_EQ(2u, rows.size());
    EXPECT_EQ("00", rows[0]["slot"]);
    EXPECT_EQ("Alpha", rows[0]["name"]);
    EXPECT_EQ("Ready", rows[0]["status"]);
    EXPECT_EQ("Beta \"B\"", rows[1]["name"]);
    EXPECT_EQ("C:\\Apps\\beta.exe", rows[1]["application"]);

    // NAME may be the two-digit slot.
    CtlResult show = Ctl({"show", "03", "--json"});
    EXPECT_EQ(0u, show.exitCode);
    nlohmann::json one = nlohmann::json::parse(show.out);
    EXPECT_EQ("Beta \"B\"", one["name"]);
    EXPECT_EQ("Beta-\"B\"", one["serviceName"]);
    EXPECT_EQ("Ready", one["status"]);
    EXPECT_EQ(workDir, one["directory"]);
    EXPECT_EQ("", one["parameters"]);
    EXPECT_EQ(false, one["revive"]);
    EXPECT_EQ(4242, one["appProcessId"]);
    EXPECT_EQ(0, one["runRequested"]);
    CtlResult showText = Ctl({"show", "Alpha"});
    EXPECT_THAT(showText.out, HasSubstr("Parameters:      --a\n"));
    EXPECT_THAT(showText.out, HasSubstr("Status:          Ready\n"));

    CtlResult status = Ctl({"status", "Alpha", "--json"});
    EXPECT_EQ(11u, status.exitCode);
    EXPECT_EQ("Ready", nlohmann::json::parse(status.out)["status"]);

    nlohmann::json log = nlohmann::json::parse(Ctl({"log", "03", "--json"}).out);
    ASSERT_EQ(3u, log.size());
    EXPECT_EQ("Service created.", log[0]["message"]);
    EXPECT_EQ("ERROR", log[1]["type"]);
    EXPECT_EQ("a *message* with ** pairs and \\ \"quotes\"", log[1]["message"]);
    EXPECT_EQ(std::string(log[0]["time"]).size(), 21u);
    nlohmann::json newest = nlohmann::json::parse(
        Ctl({"log", "03", "--json", "--newest-first", "--lines", "2"}).out);
    ASSERT_EQ(2u, newest.size());
    EXPECT_EQ("third", newest[0]["message"]);
    EXPECT_EQ("ERROR", newest[1]["type"]);
    CtlResult text = Ctl({"log", "Beta \"B\"", "--lines", "1"});
    EXPECT_THAT(text.out, ::testing::EndsWith("  EVENT    third\n"));
    EXPECT_EQ(2u, Ctl({"log", "03", "--lines", "0"}).exitCode);

    CtlResult missing = Ctl({"show", "alpha"});
    EXPECT_EQ(3u, missing.exitCode);
    EXPECT_EQ("No service is named \"alpha\".\n", missing.err);
    EXPECT_EQ(3u, Ctl({"status", "07"}).exitCode);
    EXPECT_EQ(2u, Ctl({"show"}).exitCode);
}

TEST_F(CtlTest, AddAndEditRefuseWithTheDialogsTextsAndWriteNothing)
{
    Put(0, "Taken", "", "C:\\Apps\\taken.exe");
    std::string before = ReadFileBytes(util.propertiesPath);
    struct Case {
        std::vector<std::string> arguments;
        DWORD exitCode;
        const char* error;
    };
    const Case cases[] = {
        {{"add", "", "C:\\Apps\\new.exe"}, 5, "Please enter the service name.\n"},
        {{"add", "Taken", "C:\\Apps\\new.exe"}, 5, "The service name is already exist.\n"},
        {{"add", "TAKEN", "C:\\Apps\\new.exe"}, 5, "The service name is already exist.\n"},
        {{"add", "Other", "C:\\Apps\\taken.exe"}, 5,
         "The application is already registered by name of:\n\nTaken\n"},
        {{"add", std::string(81, 'n'), "C:\\Apps\\taken.exe"}, 5,
         "The service name is longer than 80 characters.\n"},
        {{"add", "x", "C:\\Apps\\x.exe", "--start"}, 2,
         "add: --start needs --install (a service starts only once it is installed).\n"},
        {{"add", "x", "C:\\Apps\\x.exe", "--force"}, 2, "add: unknown option --force.\n"},
        {{"edit", "Taken", "--revive", "maybe"}, 2, "edit: --revive takes on or off.\n"},
        {{"edit", "Taken", "--name", ""}, 5, "Please enter the service name.\n"},
        {{"edit", "Nobody", "--name", "x"}, 3, "No service is named \"Nobody\".\n"},
    };
    for (const Case& c : cases) {
        CtlResult result = Ctl(c.arguments);
        EXPECT_EQ(c.exitCode, result.exitCode) << c.error;
        // The missing application's warning may come first.
        EXPECT_THAT(result.err, ::testing::EndsWith(c.error));
        EXPECT_EQ("", result.out);
    }
    EXPECT_TRUE(before == ReadFileBytes(util.propertiesPath)) << "the table file changed";
    EXPECT_THAT(LogOf(0), IsEmpty());

    for (int slot = 1; slot < kSlotCount; ++slot)
        Put(slot, ("Full " + std::to_string(slot)).c_str(), "", "C:\\f" + std::to_string(slot));
    before = ReadFileBytes(util.propertiesPath);
    CtlResult full = Ctl({"add", "One Too Many", DefaultApp()});
    EXPECT_EQ(5u, full.exitCode);
    EXPECT_EQ("Ravelin capacity full.\n", full.err);
    EXPECT_TRUE(before == ReadFileBytes(util.propertiesPath)) << "the table file changed";
}

TEST_F(CtlTest, AnExistingPairOfOneScmNameListsAsItIsAndNoThirdIsAdded)
{
    Put(0, "Web Cache", "", "C:\\Apps\\one.exe");
    Put(1, "web-cache", "", "C:\\Apps\\two.exe");
    std::string before = ReadFileBytes(util.propertiesPath);
    CtlResult list = Ctl({"list"});
    EXPECT_EQ(0u, list.exitCode);
    EXPECT_THAT(list.out, HasSubstr("00    Ready    Web Cache  C:\\Apps\\one.exe\n"));
    EXPECT_THAT(list.out, HasSubstr("01    Ready    web-cache  C:\\Apps\\two.exe\n"));

    CtlResult add = Ctl({"add", "WEB CACHE", "C:\\Apps\\three.exe"});
    EXPECT_EQ(5u, add.exitCode);
    EXPECT_THAT(add.err, ::testing::EndsWith("The service name is already exist.\n"));
    // Unchanged, one of the pair meets the other.
    CtlResult edit = Ctl({"edit", "Web Cache", "--params", "-x"});
    EXPECT_EQ(5u, edit.exitCode);
    EXPECT_THAT(edit.err, ::testing::EndsWith("The service name is already exist.\n"));
    EXPECT_TRUE(before == ReadFileBytes(util.propertiesPath)) << "the table file changed";

    // Renamed apart (in capitals, a letter case of its own), it is accepted.
    CtlResult rename = Ctl({"edit", "web-cache", "--name", "WEB-CACHE-2"});
    EXPECT_EQ(0u, rename.exitCode) << rename.err;
    EXPECT_THAT(Ctl({"list"}).out, HasSubstr("01    Ready    WEB-CACHE-2  C:\\Apps\\two.exe\n"));
}

TEST_F(CtlTest, MessagesOfTheServiceActionsGoToTheConsole)
{
    // The SCM refuses a name with a backslash: RavelinCtl names the action and gives the
    // system's text on stderr, and ends by itself (a message box would have kept it waiting).
    Track("Bad\\Name");
    CtlResult result = Ctl({"add", "Bad\\Name", DefaultApp(), "--install", "--start"});
    EXPECT_EQ(1u, result.exitCode);
    char reason[320];
    FormatSystemError(ERROR_INVALID_NAME, reason, sizeof(reason));
    EXPECT_EQ(std::string("Cannot install the service \"Bad\\Name\": ") + reason + ".\n",
              result.err);
    EXPECT_EQ("00  Ready  Bad\\Name\n", result.out);
    EXPECT_EQ(0u, OnDisk(0).runRequested);
    EXPECT_THAT(LogOf(0), ElementsAre("EVENT: Service created.", "ERROR: Service install failed."));
}

TEST_F(CtlTest, AStartTheSystemRefusesIsToldWithItsReasonAndWithdrawn)
{
    Track("Broken Start");
    ASSERT_EQ(0u, Ctl({"add", "Broken Start", DefaultApp(), "--install"}).exitCode);
    {
        // The service's image moved away behind RavelinCtl's back: the SCM cannot start it.
        CScHandle scm(::OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT));
        CScHandle service(::OpenServiceA(scm.Get(), "Broken-Start", SERVICE_CHANGE_CONFIG));
        ASSERT_TRUE(service);
        ASSERT_TRUE(::ChangeServiceConfigA(service.Get(), SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                           SERVICE_NO_CHANGE, "C:\\Nowhere\\Ravelin.exe", NULL,
                                           NULL, NULL, NULL, NULL, NULL));
    }
    CtlResult started = Ctl({"start", "Broken Start"});
    EXPECT_EQ(1u, started.exitCode);
    EXPECT_EQ("00  Stopped  Broken Start\n", started.out);
    EXPECT_THAT(started.err, ::testing::StartsWith("Cannot start the service \"Broken Start\": "));
    EXPECT_THAT(started.err, HasSubstr(" (error "));
    EXPECT_THAT(started.err, ::testing::EndsWith(").\n"));
    // The run request saved before the start is withdrawn again.
    EXPECT_EQ(0u, OnDisk(0).runRequested);
    EXPECT_THAT(LogOf(0), ElementsAre("EVENT: Service created.", "EVENT: Service installed.",
                                      "ERROR: Service start failed."));
}

TEST_F(CtlTest, DeleteAndClearLogAskUnlessTold)
{
    Put(2, "Doomed");
    util.WriteLog(2, 1, "Service created.");
    std::string before = ReadFileBytes(util.propertiesPath);
    for (const char* command : {"delete", "clear-log"}) {
        CtlResult unasked = Ctl({command, "Doomed"});
        EXPECT_EQ(2u, unasked.exitCode) << command;
        EXPECT_EQ("Input is not a terminal, so the question cannot be asked; add --yes to "
                  "confirm on the command line.\n",
                  unasked.err);
    }
    EXPECT_TRUE(before == ReadFileBytes(util.propertiesPath)) << "the table file changed";
    EXPECT_THAT(LogOf(2), ElementsAre("EVENT: Service created."));

    EXPECT_EQ(0u, Ctl({"clear-log", "Doomed", "--yes"}).exitCode);
    EXPECT_THAT(LogOf(2), IsEmpty());
    util.WriteLog(2, 1, "Service created.");
    CtlResult deleted = Ctl({"delete", "Doomed", "--yes"});
    EXPECT_EQ(0u, deleted.exitCode) << deleted.err;
    EXPECT_EQ("02  deleted  Doomed\n", deleted.out);
    TableImage image;
    ASSERT_TRUE(ReadTable(util.propertiesPath, image));
    EXPECT_EQ(std::string(8868, '\0'), image.Record(2));
    EXPECT_THAT(LogOf(2), IsEmpty());
    EXPECT_EQ(3u, Ctl({"delete", "Doomed", "--yes"}).exitCode);
}

TEST_F(CtlTest, ExportThenImportIntoAFreshDataFolderReproducesTheServices)
{
    Put(0, "Plain", "", "C:\\Apps\\plain.exe");
    Put(2, "Caf\xE9 \"quoted\"", "-x \"a b\" \\\\server\\share", "C:\\Apps\\caf\xE9.exe");
    Put(5, "Installed", "", DefaultApp());
    table.Record(2).reviveOnSessionEnd = 0;
    ASSERT_EQ(1, table.SaveProperties());
    ASSERT_EQ(0u, Ctl({"install", "Installed"}).exitCode);
    std::string file = MakeScratchDir("export") + "\\services.json";
    CtlResult exported = Ctl({"export", file});
    ASSERT_EQ(0u, exported.exitCode) << exported.err;
    nlohmann::json document = nlohmann::json::parse(ReadFileBytes(file));
    EXPECT_EQ("Ravelin services", document["format"]);
    ASSERT_EQ(3u, document["services"].size());
    EXPECT_EQ("Caf\xC3\xA9 \"quoted\"", document["services"][1]["name"]);
    EXPECT_EQ(Ctl({"export"}).out, ReadFileBytes(file));

    // Another machine: an empty data folder of its own.
    std::string fresh = MakeScratchDir("fresh data");
    SetSetting("dataPath", fresh);
    CtlResult imported = Ctl({"import", file});
    std::string freshTable = fresh + "\\Properties.dat";
    SetSetting("dataPath", util.dataPath);
    EXPECT_EQ(0u, imported.exitCode) << imported.err;
    EXPECT_EQ("00  Ready  Plain\n01  Ready  Caf\xE9 \"quoted\"\n02  Stopped  Installed\n",
              imported.out);
    TableImage original;
    TableImage copy;
    ASSERT_TRUE(ReadTable(util.propertiesPath, original));
    ASSERT_TRUE(ReadTable(freshTable, copy));
    const int slots[][2] = {{0, 0}, {2, 1}, {5, 2}};
    for (const auto& pair : slots) {
        RecordFields a = original.Fields(pair[0]);
        RecordFields b = copy.Fields(pair[1]);
        EXPECT_EQ(a.displayName, b.displayName);
        EXPECT_EQ(a.appPath, b.appPath);
        EXPECT_EQ(a.workDir, b.workDir);
        EXPECT_EQ(a.appParams, b.appParams);
        EXPECT_EQ(a.reviveOnSessionEnd, b.reviveOnSessionEnd);
        char slotId[3];
        std::snprintf(slotId, sizeof(slotId), "%02d", pair[1]);
        EXPECT_EQ(slotId, b.slotId);
    }
    char freshLog[256];
    std::snprintf(freshLog, sizeof(freshLog), "%s\\01.log", fresh.c_str());
    ASSERT_EQ(1u, ReadLogFile(freshLog).size());
    EXPECT_STREQ("Service created.", ReadLogFile(freshLog)[0].message);
}

TEST_F(CtlTest, ImportWithOneBadEntryChangesNothing)
{
    Put(0, "Existing", "", "C:\\Apps\\existing.exe");
    std::string before = ReadFileBytes(util.propertiesPath);
    std::string folder = MakeScratchDir("import");
    auto entry = [](const char* name, const char* app) {
        return std::string("{\"name\": \"") + name + "\", \"application\": \"" + app + "\"}";
    };
    auto document = [](const std::string& services) {
        return "{\"format\": \"Ravelin services\", \"version\": 1, \"services\": [" + services +
               "]}";
    };
    struct Case {
        std::string content;
        DWORD exitCode;
        std::string error;
    };
    const Case cases[] = {
        {document(entry("New One", "C:\\\\a.exe") + "," + entry("Existing", "C:\\\\b.exe")), 5,
         "Entry 2 (\"Existing\"): The service name is already exist.\nNothing was imported.\n"},
        {document(entry("existing", "C:\\\\b.exe")), 5,
         "Entry 1 (\"existing\"): The service name is already exist.\nNothing was imported.\n"},
        {document(entry("Web Cache", "C:\\\\a.exe") + "," + entry("web-cache", "C:\\\\b.exe")),
         5,
         "Entry 2 (\"web-cache\"): The service name is already exist.\nNothing was imported.\n"},
        {document(entry("New One", "C:\\\\a.exe") + "," + entry("New Two", "C:\\\\a.exe")), 5,
         "Entry 2 (\"New Two\"): The application is already registered by name of:\n\nNew One\n"
         "Nothing was imported.\n"},
        {document(entry("New One", "C:\\\\a.exe") + "," + entry("", "C:\\\\c.exe")), 5,
         "Entry 2 (\"\"): Please enter the service name.\nNothing was imported.\n"},
        {document(entry("New One", "C:\\\\a.exe") + ","), 5, "line 1, column 107: unexpected "
                                                              "character\nNothing was imported.\n"},
        {document(entry("A", "C:\\\\a.exe") + ",{\"name\": \"B\"}"), 5,
         "services[1]: \"application\" is missing\nNothing was imported.\n"},
    };
    int index = 0;
    for (const Case& c : cases) {
        std::string file = folder + "\\bad" + std::to_string(++index) + ".json";
        WriteFileBytes(file, c.content);
        CtlResult result = Ctl({"import", file});
        EXPECT_EQ(c.exitCode, result.exitCode) << c.content;
        // A fault in the file names the file first.
        EXPECT_THAT(result.err, ::testing::EndsWith(c.error));
        EXPECT_EQ("", result.out);
    }
    EXPECT_TRUE(before == ReadFileBytes(util.propertiesPath)) << "the table file changed";
    for (int slot = 1; slot < 3; ++slot)
        EXPECT_THAT(LogOf(slot), IsEmpty());
    CtlResult missing = Ctl({"import", folder + "\\none.json"});
    EXPECT_EQ(3u, missing.exitCode);
    EXPECT_THAT(missing.err, HasSubstr("none.json"));
}

TEST_F(CtlTest, ImportInstallsWhatItAddsWhenAsked)
{
    Track("Imported Service");
    std::string file = MakeScratchDir("import") + "\\one.json";
    // Written by another writer, as a deployment tool would.
    nlohmann::json document = {
        {"format", "Ravelin services"},
        {"version", 1},
        {"services",
         {{{"name", "Imported Service"}, {"application", DefaultApp()}, {"revive", false}}}}};
    WriteFileBytes(file, document.dump(2));
    CtlResult unordered = Ctl({"import", file, "--start"});
    EXPECT_EQ(2u, unordered.exitCode);
    EXPECT_FALSE(FileExists(util.propertiesPath));

    CtlResult imported = Ctl({"import", file, "--install"});
    EXPECT_EQ(0u, imported.exitCode) << imported.err;
    EXPECT_EQ("Installing...\n00  Stopped  Imported Service\n", imported.out);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), CurrentState("Imported-Service"));
    RecordFields record = OnDisk(0);
    EXPECT_EQ(0u, record.reviveOnSessionEnd);
    EXPECT_EQ(BinDir(), record.workDir);
    EXPECT_THAT(LogOf(0), ElementsAre("EVENT: Service created.", "EVENT: Service installed."));
}

TEST_F(CtlTest, ChangingCommandsRefuseWhileTheManagerRuns)
{
    Put(1, "Shared");
    CTestProcess manager;
    ASSERT_TRUE(manager.Start(BinPath("RavelinManager.exe"), "RavelinManager.exe", BinDir()));
    ASSERT_TRUE(WaitUntil([] { return CUtil::FindWindowByTitle("Ravelin - Morvane") != NULL; },
                          30000));
    std::string before = ReadFileBytes(util.propertiesPath);
    const char kRefusal[] = "RavelinManager is running. It keeps its own copy of the service "
                            "table and would overwrite this change when it next saves; close it "
                            "first.\n";
    const std::vector<std::vector<std::string>> changing = {
        {"add", "Another", DefaultApp()}, {"edit", "Shared", "--params", "x"},
        {"delete", "Shared", "--yes"},    {"start", "Shared"},
        {"stop", "Shared"},               {"import", "C:\\any.json"},
    };
    for (const auto& arguments : changing) {
        CtlResult result = Ctl(arguments);
        EXPECT_EQ(6u, result.exitCode) << arguments[0];
        EXPECT_EQ(kRefusal, result.err) << arguments[0];
    }
    // Reading works all the same.
    CtlResult list = Ctl({"list"});
    EXPECT_EQ(0u, list.exitCode);
    EXPECT_THAT(list.out, HasSubstr("Shared"));
    EXPECT_TRUE(before == ReadFileBytes(util.propertiesPath)) << "the table file changed";
    ::TerminateProcess(manager.Handle(), 0);
    EXPECT_TRUE(manager.WaitExit(10000));
}

TEST_F(CtlTest, HelpAndVersion)
{
    CtlResult help = Ctl({"--help"});
    EXPECT_EQ(0u, help.exitCode);
    EXPECT_THAT(help.out, HasSubstr("  import FILE [--install] [--start]\n"));
    CtlResult commandHelp = Ctl({"log", "--help"});
    EXPECT_EQ(0u, commandHelp.exitCode);
    EXPECT_THAT(commandHelp.out,
                ::testing::StartsWith("usage: RavelinCtl log NAME [--newest-first] [--lines N]"));
    CtlResult version = Ctl({"--version"});
    EXPECT_EQ(0u, version.exitCode);
    EXPECT_EQ("RavelinCtl 1.0.0\n", version.out);
    CtlResult none = Ctl({});
    EXPECT_EQ(2u, none.exitCode);
    EXPECT_EQ("No command given. Try RavelinCtl --help.\n", none.err);
}

namespace {

// The DLLs a program imports, read from its file's import directory.
std::vector<std::string> ImportedDlls(const std::string& path)
{
    std::string bytes = ReadFileBytes(path);
    std::vector<std::string> names;
    auto at = [&bytes](size_t offset) { return bytes.data() + offset; };
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(at(0));
    const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(at(dos->e_lfanew));
    const IMAGE_SECTION_HEADER* sections = IMAGE_FIRST_SECTION(nt);
    auto fileOffset = [&](DWORD rva) -> size_t {
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i)
            if (rva >= sections[i].VirtualAddress &&
                rva < sections[i].VirtualAddress + sections[i].SizeOfRawData)
                return rva - sections[i].VirtualAddress + sections[i].PointerToRawData;
        return 0;
    };
    DWORD importRva =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (const IMAGE_IMPORT_DESCRIPTOR* entry =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(at(fileOffset(importRva)));
         entry->Name != 0; ++entry) {
        std::string name = at(fileOffset(entry->Name));
        for (char& c : name)
            c = static_cast<char>(::tolower(static_cast<unsigned char>(c)));
        names.push_back(name);
    }
    return names;
}

BOOL CALLBACK NoteResource(HMODULE, LPCSTR, LPSTR, LONG_PTR found)
{
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
}

} // namespace

TEST(CtlProgram, LinksNoWindowCodeAndNoDialogResources)
{
    std::vector<std::string> dlls = ImportedDlls(BinPath("RavelinCtl.exe"));
    EXPECT_THAT(dlls, ::testing::Contains("advapi32.dll"));
    for (const char* windowDll : {"comctl32.dll", "comdlg32.dll", "gdi32.dll"})
        EXPECT_THAT(dlls, ::testing::Not(::testing::Contains(windowDll)));
    // The manager's dialogs are none of its resources.
    HMODULE program = ::LoadLibraryExA(BinPath("RavelinCtl.exe").c_str(), NULL,
                                       LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, program);
    bool anyDialog = false;
    ::EnumResourceNamesA(program, RT_DIALOG, NoteResource, reinterpret_cast<LONG_PTR>(&anyDialog));
    EXPECT_FALSE(anyDialog);
    // The manager itself, built from the window framework, does import them: the check sees them.
    EXPECT_THAT(ImportedDlls(BinPath("RavelinManager.exe")), ::testing::Contains("comctl32.dll"));
    ::FreeLibrary(program);
}
