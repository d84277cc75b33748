// A service's options in its record's reserved2 area: written, read back, and never trusted
// when the area was not written by us.

#include "ServiceOptions.h"

#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>

namespace {

ServiceOptions EveryOptionSet()
{
    ServiceOptions options;
    options.stopMethod = kStopGraceful;
    options.stopTimeoutMs = 60000;
    options.restart = kRestartOnFailure;
    options.restartDelayMs = 0;
    options.maxRestarts = 0;
    options.killTree = true;
    options.rotateBytes = kMaxRotateBytes;
    options.rotateKeep = 100;
    std::strcpy(options.stdoutPath, "C:\\logs\\out.log");
    std::strcpy(options.stderrPath, "C:\\logs\\out.log");
    EXPECT_TRUE(SetEnvironmentEntry(options, "MODE", "service"));
    EXPECT_TRUE(SetEnvironmentEntry(options, "PATH", "C:\\tools;C:\\bin"));
    return options;
}

std::vector<std::string> Entries(const ServiceOptions& options)
{
    std::vector<std::string> entries;
    for (const char* entry = FirstEnvironmentEntry(options); entry;
         entry = NextEnvironmentEntry(options, entry))
        entries.push_back(entry);
    return entries;
}

ServiceOptionsArea AreaOf(const ServiceRecord& record)
{
    ServiceOptionsArea area;
    std::memcpy(&area, record.reserved2, sizeof(area));
    return area;
}

void PutArea(const ServiceOptionsArea& area, ServiceRecord& record, bool sign = true)
{
    ServiceOptionsArea copy = area;
    if (sign)
        copy.checksum = OptionsAreaChecksum(copy);
    std::memcpy(record.reserved2, &copy, sizeof(copy));
}

} // namespace

TEST(ServiceOptions, ZeroAreaReadsAsEveryOptionOffAndDefaultsWriteZeros)
{
    ServiceRecord record = {};
    ServiceOptions options = EveryOptionSet();
    EXPECT_FALSE(ReadServiceOptions(record, options));
    EXPECT_TRUE(ServiceOptionsAreDefault(options));
    EXPECT_EQ(kDefaultStopTimeoutMs, options.stopTimeoutMs);
    EXPECT_EQ(kDefaultRestartDelayMs, options.restartDelayMs);
    EXPECT_EQ(kDefaultMaxRestarts, options.maxRestarts);
    EXPECT_EQ(kDefaultRotateKeep, options.rotateKeep);

    std::memset(record.reserved2, 0xAB, sizeof(record.reserved2));
    ASSERT_TRUE(WriteServiceOptions(ServiceOptions(), record));
    for (uint8_t byte : record.reserved2)
        ASSERT_EQ(0, byte);
}

TEST(ServiceOptions, EveryOptionRoundTripsAtItsOffsetsAndNothingElseOfTheRecordChanges)
{
    ServiceRecord record = {};
    std::strcpy(record.displayName, "Clock");
    record.runRequested = 1;
    ServiceRecord before = record;
    ASSERT_TRUE(WriteServiceOptions(EveryOptionSet(), record));
    EXPECT_EQ(0, std::memcmp(&before, &record, offsetof(ServiceRecord, reserved2)));

    const uint8_t* area = record.reserved2;
    EXPECT_EQ(0, std::memcmp(area, "RVOP", 4));
    EXPECT_EQ(1u, area[4]);
    EXPECT_EQ(kStopGraceful, area[12]);
    EXPECT_EQ(60000u, area[16] | area[17] << 8 | area[18] << 16);
    EXPECT_EQ(1u, area[32]);
    EXPECT_EQ(1u, area[45]); // 2^40: bit 8 of byte 5 of the 64-bit number at 40
    EXPECT_STREQ("C:\\logs\\out.log", reinterpret_cast<const char*>(area + 48));
    EXPECT_STREQ("MODE=service", reinterpret_cast<const char*>(area + 568));

    ServiceOptions read;
    ASSERT_TRUE(ReadServiceOptions(record, read));
    ServiceOptions expected = EveryOptionSet();
    EXPECT_EQ(expected.stopMethod, read.stopMethod);
    EXPECT_EQ(expected.stopTimeoutMs, read.stopTimeoutMs);
    EXPECT_EQ(expected.restart, read.restart);
    EXPECT_EQ(expected.restartDelayMs, read.restartDelayMs);
    EXPECT_EQ(expected.maxRestarts, read.maxRestarts);
    EXPECT_EQ(expected.killTree, read.killTree);
    EXPECT_EQ(expected.rotateBytes, read.rotateBytes);
    EXPECT_EQ(expected.rotateKeep, read.rotateKeep);
    EXPECT_STREQ(expected.stdoutPath, read.stdoutPath);
    EXPECT_STREQ(expected.stderrPath, read.stderrPath);
    EXPECT_EQ(std::vector<std::string>({"MODE=service", "PATH=C:\\tools;C:\\bin"}),
              Entries(read));
}

TEST(ServiceOptions, AnAreaThatFailsAnyCheckReadsAsOff)
{
    ServiceRecord written = {};
    ASSERT_TRUE(WriteServiceOptions(EveryOptionSet(), written));
    const ServiceOptionsArea good = AreaOf(written);

    std::vector<std::pair<const char*, ServiceOptionsArea>> damaged;
    auto add = [&](const char* what, void (*damage)(ServiceOptionsArea&)) {
        ServiceOptionsArea area = good;
        damage(area);
        damaged.push_back({what, area});
    };
    add("mark", [](ServiceOptionsArea& a) { a.mark[0] = 'X'; });
    add("version", [](ServiceOptionsArea& a) { a.version = 2; });
    add("stop method", [](ServiceOptionsArea& a) { a.stopMethod = 2; });
    add("stop timeout", [](ServiceOptionsArea& a) { a.stopTimeoutMs = 60001; });
    add("restart", [](ServiceOptionsArea& a) { a.restart = 3; });
    add("restart delay", [](ServiceOptionsArea& a) { a.restartDelayMs = 0xFFFFFFFF; });
    add("max restarts", [](ServiceOptionsArea& a) { a.maxRestarts = 1001; });
    add("kill tree", [](ServiceOptionsArea& a) { a.killTree = 7; });
    add("rotate keep", [](ServiceOptionsArea& a) { a.rotateKeep = 0; });
    add("rotate bytes", [](ServiceOptionsArea& a) { a.rotateBytes = kMaxRotateBytes + 1; });
    add("stdout unterminated", [](ServiceOptionsArea& a) { std::memset(a.stdoutPath, 'x', 260); });
    add("environment unterminated",
        [](ServiceOptionsArea& a) { std::memset(a.environment, 'x', sizeof(a.environment)); });
    add("entry without a name", [](ServiceOptionsArea& a) { a.environment[0] = '='; });
    add("bytes after the list", [](ServiceOptionsArea& a) { a.environment[6000] = 'x'; });
    add("unused bytes", [](ServiceOptionsArea& a) { a.unused[0] = 1; });

    for (const auto& item : damaged) {
        ServiceRecord record = {};
        PutArea(item.second, record);
        ServiceOptions read;
        EXPECT_FALSE(ReadServiceOptions(record, read)) << item.first;
        EXPECT_TRUE(ServiceOptionsAreDefault(read)) << item.first;
    }
    // A good area under a wrong checksum.
    ServiceRecord record = {};
    ServiceOptionsArea area = good;
    area.maxRestarts = 3;
    PutArea(area, record, false);
    ServiceOptions read;
    EXPECT_FALSE(ReadServiceOptions(record, read));
}

TEST(ServiceOptions, OutOfRangeValuesAreRefusedWithAMessageNamingTheOptionAndItsRange)
{
    struct Case {
        void (*set)(ServiceOptions&);
        const char* message;
    } cases[] = {
        {[](ServiceOptions& o) { o.stopMethod = 5; }, "The stop method must be terminate or graceful."},
        {[](ServiceOptions& o) { o.stopTimeoutMs = 60001; },
         "The stop timeout must be between 0 and 60000 ms."},
        {[](ServiceOptions& o) { o.restartDelayMs = 60001; },
         "The restart delay must be between 0 and 60000 ms."},
        {[](ServiceOptions& o) { o.maxRestarts = 1001; },
         "The maximum number of restarts must be between 0 and 1000."},
        {[](ServiceOptions& o) { o.rotateKeep = 101; },
         "The number of files to keep must be between 1 and 100."},
    };
    for (const Case& c : cases) {
        ServiceOptions options;
        c.set(options);
        char message[200] = "";
        EXPECT_FALSE(CheckServiceOptions(options, message, sizeof(message)));
        EXPECT_STREQ(c.message, message);
        ServiceRecord record = {};
        record.reserved2[100] = 9;
        EXPECT_FALSE(WriteServiceOptions(options, record));
        EXPECT_EQ(9, record.reserved2[100]) << "a refused write leaves the record alone";
    }
}

TEST(ServiceOptions, EnvironmentEntriesAreAddedReplacedWithoutCaseRemovedAndBounded)
{
    ServiceOptions options;
    EXPECT_EQ(nullptr, FirstEnvironmentEntry(options));
    EXPECT_TRUE(SetEnvironmentEntry(options, "A", "1"));
    EXPECT_TRUE(SetEnvironmentEntry(options, "B", ""));
    EXPECT_TRUE(SetEnvironmentEntry(options, "a", "x=y"));
    EXPECT_EQ(std::vector<std::string>({"B=", "a=x=y"}), Entries(options));
    EXPECT_TRUE(UnsetEnvironmentEntry(options, "b"));
    EXPECT_FALSE(UnsetEnvironmentEntry(options, "B"));
    EXPECT_EQ(std::vector<std::string>({"a=x=y"}), Entries(options));

    const std::string tooLong(260, 'n');
    for (const char* bad : {"", "A=B", "tab\there", tooLong.c_str()})
        EXPECT_FALSE(SetEnvironmentEntry(options, bad, "v")) << bad;
    EXPECT_TRUE(CheckServiceOptions(options, NULL, 0));

    // Fill the list: the entry that does not fit is refused whole and the list stays valid.
    std::string value(1000, 'v');
    int added = 0;
    while (SetEnvironmentEntry(options, ("N" + std::to_string(added)).c_str(), value.c_str()))
        ++added;
    EXPECT_EQ(6, added); // 6 entries of 1,004 bytes beside "a=x=y" in 6,144
    EXPECT_TRUE(CheckServiceOptions(options, NULL, 0));
    ServiceRecord record = {};
    ASSERT_TRUE(WriteServiceOptions(options, record));
    ServiceOptions read;
    ASSERT_TRUE(ReadServiceOptions(record, read));
    EXPECT_EQ(Entries(options), Entries(read));
    ClearEnvironment(options);
    EXPECT_EQ(nullptr, FirstEnvironmentEntry(options));
}

TEST(ServiceOptions, WordsOfTheCommandLineParseWithoutCaseAndNameEveryValue)
{
    uint32_t value = 99;
    EXPECT_TRUE(ParseStopMethod("Graceful", value));
    EXPECT_EQ(kStopGraceful, value);
    EXPECT_STREQ("graceful", StopMethodName(value));
    EXPECT_TRUE(ParseRestartPolicy("ON-FAILURE", value));
    EXPECT_STREQ("on-failure", RestartPolicyName(value));
    EXPECT_TRUE(ParseRestartPolicy("always", value));
    EXPECT_STREQ("always", RestartPolicyName(value));
    EXPECT_FALSE(ParseRestartPolicy("sometimes", value));
    EXPECT_FALSE(ParseStopMethod("kill", value));
    EXPECT_STREQ("never", RestartPolicyName(kRestartNever));
    EXPECT_STREQ("terminate", StopMethodName(kStopTerminate));
}
