// The service options in RavelinCtl without a service: the command line's options and their
// refusals, show --json's members, and the services file's versions 1 and 2 read back.

#include "BoundedText.h"
#include "CommandLine.h"
#include "ConsoleCommandUi.h"
#include "Json.h"
#include "ManagerUtil.h"
#include "OptionArguments.h"
#include "ServiceFile.h"
#include "ServiceOptionItems.h"
#include "ServiceOptions.h"
#include "TableBytes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstring>
#include <memory>

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Pair;

namespace {

// The options a command line sets over start; error receives the refusal.
bool Apply(std::vector<std::string> words, ServiceOptions& options, std::string& error)
{
    words.insert(words.begin(), "RavelinCtl.exe");
    CCommandLine line;
    if (!line.Parse(words, error))
        return false;
    return ApplyServiceOptions(line, options, error);
}

std::string Refusal(const std::vector<std::string>& words)
{
    ServiceOptions options;
    std::string error;
    EXPECT_FALSE(Apply(words, options, error)) << words[2];
    EXPECT_TRUE(ServiceOptionsAreDefault(options)) << "a refusal changed the options";
    return error;
}

} // namespace

TEST(CtlOptionArguments, EachOptionSetsItsValueAndEditKeepsTheOthers)
{
    ServiceOptions options;
    std::string error;
    ASSERT_TRUE(Apply({"add", "N", "C:\\a.exe", "--stop-method", "graceful", "--stop-timeout",
                       "60000", "--restart", "on-failure", "--restart-delay", "0",
                       "--max-restarts", "1000", "--kill-tree", "on", "--stdout",
                       "C:\\Logs\\out.log", "--stderr", "C:\\Logs\\out.log", "--rotate-bytes",
                       "1099511627776", "--rotate-keep", "1", "--env", "A=1", "--env",
                       "B=x=y", "--env", "EMPTY="},
                      options, error))
        << error;
    EXPECT_EQ(kStopGraceful, options.stopMethod);
    EXPECT_EQ(60000u, options.stopTimeoutMs);
    EXPECT_EQ(kRestartOnFailure, options.restart);
    EXPECT_EQ(0u, options.restartDelayMs);
    EXPECT_EQ(1000u, options.maxRestarts);
    EXPECT_TRUE(options.killTree);
    EXPECT_STREQ("C:\\Logs\\out.log", options.stdoutPath);
    EXPECT_STREQ("C:\\Logs\\out.log", options.stderrPath);
    EXPECT_EQ(1ULL << 40, options.rotateBytes);
    EXPECT_EQ(1u, options.rotateKeep);
    EXPECT_THAT(EnvironmentVariables(options),
                ElementsAre(Pair("A", "1"), Pair("B", "x=y"), Pair("EMPTY", "")));

    // An edit changes what it is given; the environment is cleared, then names removed, then
    // variables set, whatever the order on the line.
    ASSERT_TRUE(Apply({"edit", "N", "--env", "c=3", "--unset-env", "b", "--stdout", "",
                       "--restart", "Always", "--clear-env", "--env", "a=2", "--kill-tree",
                       "off"},
                      options, error))
        << error;
    EXPECT_EQ(kStopGraceful, options.stopMethod);
    EXPECT_EQ(kRestartAlways, options.restart);
    EXPECT_FALSE(options.killTree);
    EXPECT_STREQ("", options.stdoutPath);
    EXPECT_STREQ("C:\\Logs\\out.log", options.stderrPath);
    EXPECT_THAT(EnvironmentVariables(options), ElementsAre(Pair("c", "3"), Pair("a", "2")));
    ASSERT_TRUE(Apply({"edit", "N", "--unset-env", "C", "--env", "A=again"}, options, error));
    EXPECT_THAT(EnvironmentVariables(options), ElementsAre(Pair("A", "again")));

    // A relative path is made full, as the application's is.
    ASSERT_TRUE(Apply({"edit", "N", "--stderr", "err.log"}, options, error));
    char full[MAX_PATH];
    ::GetFullPathNameA("err.log", sizeof(full), full, NULL);
    EXPECT_STREQ(full, options.stderrPath);
}

TEST(CtlOptionArguments, RefusalsNameTheOptionAndItsRange)
{
    const char kTimeout[] = "The stop timeout must be between 0 and 60000 ms.";
    EXPECT_EQ(std::string("--stop-timeout \"60001\": ") + kTimeout,
              Refusal({"add", "N", "A", "--stop-timeout", "60001"}));
    // No sign, no blank, no junk, no overflow, no empty text.
    for (const char* bad : {"-1", "+5", " 5", "5 ", "5ms", "0x10", "", "4294967296",
                            "18446744073709551616", "99999999999999999999999"})
        EXPECT_EQ(std::string("--stop-timeout \"") + bad + "\": " + kTimeout,
                  Refusal({"add", "N", "A", "--stop-timeout", bad}));
    EXPECT_EQ("--restart-delay \"60001\": The restart delay must be between 0 and 60000 ms.",
              Refusal({"add", "N", "A", "--restart-delay", "60001"}));
    EXPECT_EQ("--max-restarts \"-1\": The maximum number of restarts must be between 0 and "
              "1000.",
              Refusal({"add", "N", "A", "--max-restarts", "-1"}));
    EXPECT_EQ("--rotate-bytes \"1099511627777\": The rotation size must be between 0 and "
              "1099511627776 bytes.",
              Refusal({"add", "N", "A", "--rotate-bytes", "1099511627777"}));
    EXPECT_EQ("--rotate-keep \"0\": The number of files to keep must be between 1 and 100.",
              Refusal({"add", "N", "A", "--rotate-keep", "0"}));
    EXPECT_EQ("--stop-method \"kill\": The stop method must be terminate or graceful.",
              Refusal({"add", "N", "A", "--stop-method", "kill"}));
    EXPECT_EQ("--restart \"sometimes\": The restart policy must be never, on-failure or always.",
              Refusal({"add", "N", "A", "--restart", "sometimes"}));
    EXPECT_EQ("--kill-tree \"yes\": The kill tree option must be on or off.",
              Refusal({"add", "N", "A", "--kill-tree", "yes"}));
    std::string longPath = "C:\\" + std::string(257, 'p');
    EXPECT_EQ("--stdout \"" + longPath + "\": The stdout path must be at most 259 characters.",
              Refusal({"add", "N", "A", "--stdout", longPath}));
    const char kEntry[] = "The environment must hold NAME=VALUE entries with names of 1 to 259 "
                          "characters without '='.";
    EXPECT_EQ(std::string("--env \"NOVALUE\": ") + kEntry,
              Refusal({"add", "N", "A", "--env", "NOVALUE"}));
    EXPECT_EQ(std::string("--env \"=x\": ") + kEntry, Refusal({"add", "N", "A", "--env", "=x"}));
    std::string huge = "BIG=" + std::string(kEnvironmentSize, 'v');
    EXPECT_EQ("--env \"" + huge + "\": The environment must fit in 6144 bytes of NAME=VALUE "
              "texts.",
              Refusal({"add", "N", "A", "--env", huge}));
    // The first refused option is named, and nothing of the line is kept.
    EXPECT_THAT(Refusal({"edit", "N", "--kill-tree", "on", "--rotate-keep", "101"}),
                ::testing::StartsWith("--rotate-keep \"101\""));
}

TEST(CtlOptionArguments, TheCommandLineTakesThemOnAddAndEditOnly)
{
    CCommandLine line;
    std::string error;
    std::vector<std::string> words = {"RavelinCtl.exe", "edit", "N", "--env", "A=1",
                                      "--env", "B=2", "--unset-env", "C", "--unset-env", "D"};
    ASSERT_TRUE(line.Parse(words, error)) << error;
    EXPECT_THAT(line.Values("--env"), ElementsAre("A=1", "B=2"));
    EXPECT_TRUE(HasServiceOptions(line));
    CCommandLine twice;
    EXPECT_FALSE(twice.Parse({"RavelinCtl.exe", "edit", "N", "--restart", "always",
                              "--restart", "never"},
                             error));
    EXPECT_EQ("edit: option --restart given twice.", error);
    CCommandLine other;
    EXPECT_FALSE(other.Parse({"RavelinCtl.exe", "import", "f", "--restart", "always"}, error));
    EXPECT_EQ("import: unknown option --restart.", error);
    CCommandLine plain;
    ASSERT_TRUE(plain.Parse({"RavelinCtl.exe", "edit", "N", "--params", "--env"}, error));
    EXPECT_FALSE(HasServiceOptions(plain));

    EXPECT_THAT(HelpText(FindCommandSpec("edit")), HasSubstr("  --stop-timeout MS "));
    EXPECT_THAT(HelpText(nullptr), HasSubstr("  --env NAME=VALUE "));
    EXPECT_THAT(HelpText(FindCommandSpec("list")), ::testing::Not(HasSubstr("--env")));
}

class CtlOptionsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::memset(table.get(), 0, sizeof(ServiceTable));
        util.serviceTable = table.get();
    }
    void TearDown() override { util.serviceTable = nullptr; }

    static std::string Document(int version, const std::string& members)
    {
        return "{\"format\": \"Ravelin services\", \"version\": " + std::to_string(version) +
               ", \"services\": [{\"name\": \"N\", \"application\": \"C:\\\\a.exe\"" + members +
               "}]}";
    }

    std::unique_ptr<ServiceTable> table{new ServiceTable};
};

TEST_F(CtlOptionsFile, Version2CarriesEveryOptionAndReadsBackTheSame)
{
    FillRecord(TestRecord(reinterpret_cast<char*>(&table->records[0])), 0, "Plain", "C:\\p.exe",
               "C:\\", "", 1);
    FillRecord(TestRecord(reinterpret_cast<char*>(&table->records[3])), 3, "Set", "C:\\s.exe",
               "C:\\", "", 1);
    ServiceOptions set;
    set.stopMethod = kStopGraceful;
    set.stopTimeoutMs = 1500;
    set.restart = kRestartAlways;
    set.maxRestarts = 0;
    set.killTree = true;
    set.rotateBytes = 1ULL << 40;
    set.rotateKeep = 100;
    CopyText(set.stdoutPath, "C:\\Logs\\caf\xE9.log");
    ASSERT_TRUE(SetEnvironmentEntry(set, "PATH", "C:\\bin;C:\\x"));
    ASSERT_TRUE(SetEnvironmentEntry(set, "MODE", "caf\xE9 \"quoted\""));
    ASSERT_TRUE(WriteServiceOptions(set, table->records[3]));

    std::string text = ServiceFileText(util);
    nlohmann::json parsed = nlohmann::json::parse(text);
    const nlohmann::json& plain = parsed["services"][0];
    const nlohmann::json& written = parsed["services"][1];
    // Every member, with its default where nothing was set, of the kind show --json gives.
    EXPECT_EQ("terminate", plain["stopMethod"]);
    EXPECT_EQ(5000, plain["stopTimeoutMs"]);
    EXPECT_EQ("never", plain["restart"]);
    EXPECT_EQ(2000, plain["restartDelayMs"]);
    EXPECT_EQ(5, plain["maxRestarts"]);
    EXPECT_EQ(false, plain["killTree"]);
    EXPECT_EQ("", plain["stdout"]);
    EXPECT_EQ("", plain["stderr"]);
    EXPECT_EQ(0, plain["rotateBytes"]);
    EXPECT_EQ(5, plain["rotateKeep"]);
    EXPECT_EQ(nlohmann::json::object(), plain["environment"]);
    EXPECT_EQ("graceful", written["stopMethod"]);
    EXPECT_EQ(true, written["killTree"]);
    EXPECT_EQ(1099511627776ULL, written["rotateBytes"]);
    EXPECT_EQ("C:\\Logs\\caf\xC3\xA9.log", written["stdout"]);
    EXPECT_EQ("caf\xC3\xA9 \"quoted\"", written["environment"]["MODE"]);

    std::vector<EntryChanges> entries;
    std::string error;
    ASSERT_TRUE(ReadServiceFile(text, entries, error)) << error;
    ASSERT_EQ(2u, entries.size());
    ASSERT_TRUE(entries[0].options && entries[1].options);
    EXPECT_TRUE(ServiceOptionsAreDefault(*entries[0].options));
    // Written into a record, the read-back options give the very same bytes.
    ServiceRecord copy = {};
    ASSERT_TRUE(WriteServiceOptions(*entries[1].options, copy));
    EXPECT_EQ(0, std::memcmp(copy.reserved2, table->records[3].reserved2, sizeof(copy.reserved2)));
}

TEST_F(CtlOptionsFile, Version1ImportsWithEveryOptionOffAndRefusesTheirMembers)
{
    std::vector<EntryChanges> entries;
    std::string error;
    ASSERT_TRUE(ReadServiceFile(Document(1, ""), entries, error)) << error;
    ASSERT_TRUE(entries[0].options);
    EXPECT_TRUE(ServiceOptionsAreDefault(*entries[0].options));
    EXPECT_FALSE(ReadServiceFile(Document(1, ", \"restart\": \"always\""), entries, error));
    EXPECT_EQ("line 1, column 112: services[0]: unknown member \"restart\"", error);

    // Version 2: members may be left out (their defaults); the others are read.
    ASSERT_TRUE(ReadServiceFile(Document(2, ", \"restart\": \"on-failure\", \"environment\": "
                                            "{\"A\": \"1\"}"),
                                entries, error))
        << error;
    EXPECT_EQ(kRestartOnFailure, entries[0].options->restart);
    EXPECT_EQ(kDefaultRestartDelayMs, entries[0].options->restartDelayMs);
    EXPECT_THAT(EnvironmentVariables(*entries[0].options), ElementsAre(Pair("A", "1")));
}

TEST_F(CtlOptionsFile, Version2RefusesValuesOfTheWrongKindOrOutOfRangeWithTheirPlace)
{
    // The members follow the entry's first 98 characters; the place is where the value begins.
    struct Case {
        std::string members;
        int column;
        std::string error;
    };
    const Case cases[] = {
        {", \"stopTimeoutMs\": 60001", 118,
         "\"stopTimeoutMs\": The stop timeout must be between 0 and 60000 ms."},
        {", \"stopTimeoutMs\": -1", 118, "\"stopTimeoutMs\" must be a whole number: The stop "
                                         "timeout must be between 0 and 60000 ms."},
        {", \"maxRestarts\": 2.5", 116, "\"maxRestarts\" must be a whole number: The maximum "
                                        "number of restarts must be between 0 and 1000."},
        {", \"rotateKeep\": \"5\"", 115, "\"rotateKeep\" must be a whole number: The number of "
                                         "files to keep must be between 1 and 100."},
        {", \"rotateBytes\": 18446744073709551615", 116,
         "\"rotateBytes\": The rotation size must be between 0 and 1099511627776 bytes."},
        {", \"restart\": \"sometimes\"", 112,
         "\"restart\": The restart policy must be never, on-failure or always."},
        {", \"stopMethod\": 1", 115,
         "\"stopMethod\" must be a text: The stop method must be terminate or graceful."},
        {", \"killTree\": \"on\"", 113, "\"killTree\" must be true or false"},
        {", \"stderr\": \"" + std::string(260, 'e') + "\"", 111,
         "\"stderr\": The stderr path must be at most 259 characters."},
        {", \"environment\": [\"A=1\"]", 116,
         "\"environment\" must be an object of names and their values"},
        {", \"environment\": {\"A\": 1}", 122,
         "\"environment\": the value of \"A\" must be a text"},
        {",\n \"environment\": {\"B\": \"\", \"\": \"x\"}", 31,
         "\"environment\": \"\": The environment must hold NAME=VALUE entries with names of 1 "
         "to 259 characters without '='."},
    };
    for (const Case& c : cases) {
        std::vector<EntryChanges> entries;
        std::string error;
        EXPECT_FALSE(ReadServiceFile(Document(2, c.members), entries, error)) << c.members;
        int line = c.members[1] == '\n' ? 2 : 1;
        EXPECT_EQ("line " + std::to_string(line) + ", column " + std::to_string(c.column) +
                      ": services[0]: " + c.error,
                  error)
            << c.members;
        EXPECT_TRUE(entries.empty());
    }
}

TEST_F(CtlOptionsFile, AFaultInAnEditedExportIsNamedWhereItStands)
{
    FillRecord(TestRecord(reinterpret_cast<char*>(&table->records[0])), 0, "One", "C:\\1.exe",
               "C:\\", "", 1);
    FillRecord(TestRecord(reinterpret_cast<char*>(&table->records[1])), 1, "Two", "C:\\2.exe",
               "C:\\", "", 1);
    std::string text = ServiceFileText(util);
    // The second service's "rotateKeep" changed by hand to a value out of its range.
    size_t at = text.find("\"rotateKeep\": 5", text.find("\"Two\""));
    ASSERT_NE(std::string::npos, at);
    text.replace(at, 15, "\"rotateKeep\": 500");
    size_t lineStart = text.rfind('\n', at) + 1;
    size_t line = static_cast<size_t>(std::count(text.begin(), text.begin() + at, '\n')) + 1;
    size_t column = at - lineStart + std::strlen("\"rotateKeep\": ") + 1;

    std::vector<EntryChanges> entries;
    std::string error;
    EXPECT_FALSE(ReadServiceFile(text, entries, error));
    EXPECT_EQ("line " + std::to_string(line) + ", column " + std::to_string(column) +
                  ": services[1]: \"rotateKeep\": The number of files to keep must be between 1 "
                  "and 100.",
              error);
    // The same file as Windows PowerShell's Out-File writes it, UTF-16 with its mark: the same
    // place.
    std::wstring wide = Utf16OfUtf8(text);
    std::string utf16 = "\xFF\xFE";
    for (wchar_t c : wide) {
        utf16 += static_cast<char>(c & 0xFF);
        utf16 += static_cast<char>(c >> 8);
    }
    std::string fromUtf16;
    EXPECT_FALSE(ReadServiceFile(utf16, entries, fromUtf16));
    EXPECT_EQ(error, fromUtf16);
}
