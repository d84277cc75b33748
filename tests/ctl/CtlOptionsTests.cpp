// The service options through RavelinCtl.exe against Wine's real SCM, table file and logs, with
// the real service host, application host and test child: add and edit write them into the
// record's reserved2 area (read back from the file on disk), an edit of options alone leaves the
// running service and the rest of the table alone, show and export give them, import reads
// versions 1 and 2.

#include "BoundedText.h"
#include "CtlTestBase.h"
#include "ServiceOptions.h"
#include "TableBytes.h"
#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstring>

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

const size_t kReserved2Offset = table_layout::kReserved2.offset;

// The slot's raw record as the file on disk holds it.
std::string RecordBytes(const std::string& tablePath, int slot)
{
    TableImage image;
    EXPECT_TRUE(ReadTable(tablePath, image));
    return image.Record(slot);
}

// The slot's options as the file on disk holds them; valid tells whether the area passed the
// checks (false: never written or damaged, every option off).
ServiceOptions OptionsOnDisk(const std::string& tablePath, int slot, bool* valid = nullptr)
{
    std::string bytes = RecordBytes(tablePath, slot);
    ServiceRecord record = {};
    std::memcpy(&record, bytes.data(), std::min(bytes.size(), sizeof(record)));
    ServiceOptions options;
    bool read = ReadServiceOptions(record, options);
    if (valid)
        *valid = read;
    return options;
}

class CtlOptionsTest : public CCtlTestBase {
protected:
    void SetUp() override
    {
        CCtlTestBase::SetUp();
        folder = MakeScratchDir("options");
    }

    std::string folder;
};

} // namespace

TEST_F(CtlOptionsTest, AddStoresThemAndAnEditOfOptionsAloneLeavesTheRunningServiceAlone)
{
    Track("Opt Service");
    std::string out = folder + "\\out.log";
    CtlResult added = Ctl({"add", "Opt Service", DefaultApp(), "--install", "--start",
                           "--stop-method", "graceful", "--stop-timeout", "1500", "--restart",
                           "on-failure", "--kill-tree", "on", "--stdout", out, "--stderr", out,
                           "--env", "APP_MODE=test", "--env", "EXTRA=a b"});
    EXPECT_EQ(0u, added.exitCode) << added.err;
    // As without options: the next actions, then one row.
    EXPECT_EQ("Installing...\nStarting...\n00  Started  Opt Service\n", added.out);
    bool valid = false;
    ServiceOptions stored = OptionsOnDisk(util.propertiesPath, 0, &valid);
    ASSERT_TRUE(valid);
    EXPECT_EQ(kStopGraceful, stored.stopMethod);
    EXPECT_EQ(1500u, stored.stopTimeoutMs);
    EXPECT_EQ(kRestartOnFailure, stored.restart);
    EXPECT_EQ(kDefaultRestartDelayMs, stored.restartDelayMs);
    EXPECT_TRUE(stored.killTree);
    EXPECT_EQ(out, stored.stdoutPath);
    EXPECT_EQ(out, stored.stderrPath);
    EXPECT_STREQ("APP_MODE=test", FirstEnvironmentEntry(stored));
    EXPECT_EQ(1u, OnDisk(0).runRequested);
    EXPECT_TRUE(WaitUntil([] { return CurrentState("Opt-Service") == SERVICE_RUNNING; }, 15000));
    std::vector<ChildRecord> children = WaitChildRecords(kServiceChildRecords, 1, 20000);
    ASSERT_FALSE(children.empty());
    DWORD child = children[0].pid;
    DWORD serviceProcess = ServiceProcessId("Opt-Service");
    // The host has published its fields: from now on nothing but RavelinCtl writes the record.
    ASSERT_TRUE(WaitUntil(
        [child] {
            RecordFields record = OnDisk(0);
            return record.appProcessId == child && record.hostWindow != 0;
        },
        15000));

    std::string before = RecordBytes(util.propertiesPath, 0);
    CtlResult edited = Ctl({"edit", "Opt Service", "--restart", "always", "--unset-env",
                            "app_mode", "--stdout", ""});
    EXPECT_EQ(0u, edited.exitCode) << edited.err;
    EXPECT_EQ("00  Started  Opt Service\n", edited.out);
    EXPECT_EQ("", edited.err);
    // Neither the service nor its application was restarted.
    EXPECT_TRUE(IsProcessAlive(child));
    EXPECT_EQ(serviceProcess, ServiceProcessId("Opt-Service"));
    EXPECT_EQ(1u, ReadChildRecords(kServiceChildRecords).size());
    std::string after = RecordBytes(util.propertiesPath, 0);
    EXPECT_TRUE(before.compare(0, kReserved2Offset, after, 0, kReserved2Offset) == 0)
        << "more than the options changed";
    stored = OptionsOnDisk(util.propertiesPath, 0);
    EXPECT_EQ(kRestartAlways, stored.restart);
    EXPECT_EQ(kStopGraceful, stored.stopMethod);
    EXPECT_EQ(1500u, stored.stopTimeoutMs);
    EXPECT_STREQ("", stored.stdoutPath);
    EXPECT_EQ(out, stored.stderrPath);
    EXPECT_STREQ("EXTRA=a b", FirstEnvironmentEntry(stored));
    EXPECT_EQ(nullptr, NextEnvironmentEntry(stored, FirstEnvironmentEntry(stored)));
    const std::vector<std::string> expected = {"EVENT: Service created.",
                                               "EVENT: Service installed.",
                                               "EVENT: Service started.",
                                               "EVENT: Service options changed."};
    EXPECT_EQ(expected, ManagerLines(0));

    // The same values again: nothing to save, nothing logged.
    uint64_t written = LastWriteMs(util.propertiesPath);
    EXPECT_EQ(0u, Ctl({"edit", "00", "--restart", "always"}).exitCode);
    EXPECT_EQ(written, LastWriteMs(util.propertiesPath));
    EXPECT_EQ(expected, ManagerLines(0));

    nlohmann::json shown = nlohmann::json::parse(Ctl({"show", "Opt Service", "--json"}).out);
    EXPECT_EQ("graceful", shown["stopMethod"]);
    EXPECT_EQ(1500, shown["stopTimeoutMs"]);
    EXPECT_EQ("always", shown["restart"]);
    EXPECT_EQ(true, shown["killTree"]);
    EXPECT_EQ("", shown["stdout"]);
    EXPECT_EQ(out, shown["stderr"]);
    EXPECT_EQ(nlohmann::json({{"EXTRA", "a b"}}), shown["environment"]);
    CtlResult text = Ctl({"show", "Opt Service"});
    EXPECT_THAT(text.out, HasSubstr("\nStop method:     graceful\nStop timeout:    1500 ms\n"
                                    "Restart:         always\n"));
    EXPECT_THAT(text.out, HasSubstr("\nKill tree:       on\n"));
    EXPECT_THAT(text.out, HasSubstr("\nEnvironment:     EXTRA=a b\n"));
}

TEST_F(CtlOptionsTest, RefusedValuesExitWith5AndWriteNothing)
{
    Put(0, "Target");
    std::string before = ReadFileBytes(util.propertiesPath);
    struct Case {
        std::vector<std::string> arguments;
        const char* error;
    };
    const Case cases[] = {
        {{"edit", "Target", "--stop-timeout", "60001"},
         "edit: --stop-timeout \"60001\": The stop timeout must be between 0 and 60000 ms.\n"},
        {{"edit", "Target", "--kill-tree", "on", "--max-restarts", "-3"},
         "edit: --max-restarts \"-3\": The maximum number of restarts must be between 0 and "
         "1000.\n"},
        {{"add", "New", DefaultApp(), "--restart", "often"},
         "add: --restart \"often\": The restart policy must be never, on-failure or always.\n"},
        // Values refused by the New/Edit checks save no option either.
        {{"edit", "Target", "--name", "", "--restart", "always"},
         "Please enter the service name.\n"},
    };
    for (const Case& c : cases) {
        CtlResult result = Ctl(c.arguments);
        EXPECT_EQ(5u, result.exitCode) << c.error;
        EXPECT_EQ(c.error, result.err);
        EXPECT_EQ("", result.out);
    }
    EXPECT_TRUE(before == ReadFileBytes(util.propertiesPath)) << "the table file changed";
    EXPECT_TRUE(LogOf(0).empty());

    // With other values, the options are saved first and Edit follows with its own line.
    CtlResult both = Ctl({"edit", "Target", "--params", "--new", "--rotate-keep", "9"});
    EXPECT_EQ(0u, both.exitCode) << both.err;
    EXPECT_EQ("--new", OnDisk(0).appParams);
    EXPECT_EQ(9u, OptionsOnDisk(util.propertiesPath, 0).rotateKeep);
    EXPECT_THAT(LogOf(0),
                ElementsAre("EVENT: Service options changed.", "EVENT: Service changed."));
}

TEST_F(CtlOptionsTest, ADamagedAreaShowsAsOffAndAnEditWritesItAfresh)
{
    Put(0, "Damaged");
    ServiceOptions options;
    options.restart = kRestartAlways;
    ASSERT_TRUE(WriteServiceOptions(options, table.Record(0)));
    // One byte of the environment changed behind the checksum's back.
    table.Record(0).reserved2[600] = 'x';
    ASSERT_EQ(1, table.SaveProperties());

    CtlResult text = Ctl({"show", "Damaged"});
    EXPECT_THAT(text.out, HasSubstr("\nOptions:         unreadable, so every option is off\n"
                                    "Stop method:     terminate\n"));
    EXPECT_THAT(text.out, HasSubstr("\nRestart:         never\n"));
    EXPECT_EQ("never", nlohmann::json::parse(Ctl({"show", "Damaged", "--json"}).out)["restart"]);

    EXPECT_EQ(0u, Ctl({"edit", "Damaged", "--kill-tree", "on"}).exitCode);
    bool valid = false;
    ServiceOptions stored = OptionsOnDisk(util.propertiesPath, 0, &valid);
    EXPECT_TRUE(valid);
    EXPECT_TRUE(stored.killTree);
    EXPECT_EQ(kRestartNever, stored.restart);
    // Back to every default: the area is all zero again, as in a record that never had options.
    EXPECT_EQ(0u, Ctl({"edit", "Damaged", "--kill-tree", "off"}).exitCode);
    EXPECT_EQ(std::string(table_layout::kReserved2.size, '\0'),
              RecordBytes(util.propertiesPath, 0).substr(kReserved2Offset));
    EXPECT_THAT(LogOf(0), ElementsAre("EVENT: Service options changed.",
                                      "EVENT: Service options changed."));
}

TEST_F(CtlOptionsTest, ExportAndImportCarryTheOptionsAndVersion1FilesImportWithThemOff)
{
    Put(0, "Plain");
    Put(1, "Supervised", "", "C:\\Apps\\supervised.exe");
    ServiceOptions options;
    options.stopMethod = kStopGraceful;
    options.restart = kRestartOnFailure;
    options.restartDelayMs = 250;
    options.maxRestarts = 0;
    options.rotateBytes = 1048576;
    options.rotateKeep = 3;
    CopyText(options.stdoutPath, "C:\\Logs\\s.log");
    ASSERT_TRUE(SetEnvironmentEntry(options, "PORT", "8080"));
    ASSERT_TRUE(WriteServiceOptions(options, table.Record(1)));
    ASSERT_EQ(1, table.SaveProperties());
    std::string file = folder + "\\services.json";
    ASSERT_EQ(0u, Ctl({"export", file}).exitCode);
    nlohmann::json document = nlohmann::json::parse(ReadFileBytes(file));
    EXPECT_EQ(2, document["version"]);
    EXPECT_EQ("on-failure", document["services"][1]["restart"]);

    std::string fresh = MakeScratchDir("fresh data");
    std::string freshTable = fresh + "\\Properties.dat";
    SetSetting("dataPath", fresh);
    CtlResult imported = Ctl({"import", file});
    // A version 1 file, as exported before the options: every option off.
    std::string version1 = folder + "\\v1.json";
    WriteFileBytes(version1, "{\"format\": \"Ravelin services\", \"version\": 1, \"services\": "
                             "[{\"name\": \"Old\", \"application\": \"C:\\\\Apps\\\\old.exe\"}]}");
    CtlResult old = Ctl({"import", version1});
    SetSetting("dataPath", util.dataPath);

    EXPECT_EQ(0u, imported.exitCode) << imported.err;
    EXPECT_EQ("00  Ready  Plain\n01  Ready  Supervised\n", imported.out);
    std::string original = RecordBytes(util.propertiesPath, 1);
    std::string copy = RecordBytes(freshTable, 1);
    EXPECT_TRUE(original.compare(kReserved2Offset, std::string::npos, copy, kReserved2Offset,
                                 std::string::npos) == 0)
        << "the imported options differ";
    EXPECT_EQ(std::string(table_layout::kReserved2.size, '\0'),
              RecordBytes(freshTable, 0).substr(kReserved2Offset));

    EXPECT_EQ(0u, old.exitCode) << old.err;
    EXPECT_EQ(std::string(table_layout::kReserved2.size, '\0'),
              RecordBytes(freshTable, 2).substr(kReserved2Offset));
}
