// RavelinCtl's pieces that need no service: the command line, the JSON writer and reader, and the
// services file of export and import. The JSON the writer makes is read back with nlohmann/json,
// a reader of its own, so that an escaping fault cannot hide behind the same fault in our reader.

#include "CommandLine.h"
#include "ConsoleCommandUi.h"
#include "Json.h"
#include "ManagerUtil.h"
#include "ServiceFile.h"
#include "TableBytes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstring>
#include <memory>

CUtil util;

namespace {

bool ParseWords(CCommandLine& line, std::vector<std::string> words, std::string& error)
{
    words.insert(words.begin(), "RavelinCtl.exe");
    return line.Parse(words, error);
}

// The UTF-8 bytes nlohmann reads back for an ANSI (code page 1252) text.
std::string Utf8(const std::string& ansi)
{
    std::wstring wide(ansi.size(), L'\0');
    int length = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                                       &wide[0], static_cast<int>(wide.size()));
    wide.resize(static_cast<size_t>(length));
    std::string utf8(wide.size() * 4, '\0');
    length = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                   &utf8[0], static_cast<int>(utf8.size()), NULL, NULL);
    utf8.resize(static_cast<size_t>(length));
    return utf8;
}

} // namespace

TEST(CtlCommandLine, TakesACommandItsArgumentsAndItsOptions)
{
    CCommandLine line;
    std::string error;
    ASSERT_TRUE(ParseWords(line, {"add", "My App", "C:\\a.exe", "--params", "--x y", "--install",
                                  "--dir", "C:\\w"},
                           error))
        << error;
    EXPECT_EQ("add", line.Command());
    EXPECT_THAT(line.Arguments(), ::testing::ElementsAre("My App", "C:\\a.exe"));
    // A value that looks like an option is still the value of the option before it.
    EXPECT_EQ("--x y", line.Value("--params"));
    EXPECT_EQ("C:\\w", line.Value("--dir"));
    EXPECT_TRUE(line.Has("--install"));
    EXPECT_FALSE(line.Has("--start"));
    EXPECT_EQ("fallback", line.Value("--start", "fallback"));
}

TEST(CtlCommandLine, RefusesWhatTheCommandDoesNotTake)
{
    struct Case {
        std::vector<std::string> words;
        const char* error;
    };
    const Case cases[] = {
        {{}, "No command given. Try RavelinCtl --help."},
        {{"frobnicate"}, "Unknown command \"frobnicate\". Try RavelinCtl --help."},
        {{"list", "--yes"}, "list: unknown option --yes."},
        {{"show"}, "usage: RavelinCtl show NAME [--json]"},
        {{"show", "a", "b"}, "usage: RavelinCtl show NAME [--json]"},
        {{"add", "a", "b", "--dir"}, "add: option --dir needs a value."},
        {{"delete", "a", "--yes", "--yes"}, "delete: option --yes given twice."},
        {{"export", "a", "b"}, "usage: RavelinCtl export [FILE]"},
    };
    for (const Case& c : cases) {
        CCommandLine line;
        std::string error;
        EXPECT_FALSE(ParseWords(line, c.words, error)) << c.error;
        EXPECT_EQ(c.error, error);
    }
}

TEST(CtlCommandLine, HelpAndVersionNeedNothingElse)
{
    CCommandLine line;
    std::string error;
    ASSERT_TRUE(ParseWords(line, {"--version"}, error));
    EXPECT_TRUE(line.VersionAsked());
    CCommandLine help;
    ASSERT_TRUE(ParseWords(help, {"stop", "--help"}, error));
    EXPECT_TRUE(help.HelpAsked());
    ASSERT_NE(nullptr, help.Spec());
    EXPECT_EQ(0, std::strncmp("usage: RavelinCtl stop NAME", HelpText(help.Spec()).c_str(), 27));
    // The whole help names every command and the exit codes.
    std::string all = HelpText(nullptr);
    for (const CommandSpec& spec : CommandSpecs())
        EXPECT_NE(std::string::npos, all.find(std::string("  ") + spec.name + " ")) << spec.name;
    EXPECT_NE(std::string::npos, all.find("status: 10 Unknown, 11 Ready, 12 Started, 13 Stopped"));
}

TEST(CtlJson, WriterEscapesEveryTextSoThatAnotherReaderGetsItBack)
{
    const std::string texts[] = {
        "plain", "", "quote \" and backslash \\ and slash /", "C:\\Program Files\\A B\\a.exe",
        "tab\tnew line\ncarriage\rbell\x07", "caf\xE9 \x80 na\xEFve", "***pairs** of * stars",
    };
    Json document = Json::object();
    Json list = Json::array();
    for (const std::string& text : texts)
        list.push_back(JsonOfAnsi(text));
    document["texts"] = list;
    document["n"] = -42;
    document["yes"] = true;
    document["empty"] = Json::object();
    const std::string out = JsonText(document);
    // Only printable ASCII leaves the writer.
    for (char c : out)
        EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << static_cast<int>(c);

    nlohmann::json parsed = nlohmann::json::parse(out);
    ASSERT_EQ(std::size(texts), parsed["texts"].size());
    for (size_t i = 0; i < std::size(texts); ++i)
        EXPECT_EQ(Utf8(texts[i]), parsed["texts"][i].get<std::string>()) << i;
    EXPECT_EQ(-42, parsed["n"].get<int>());
    EXPECT_TRUE(parsed["yes"].get<bool>());
    EXPECT_TRUE(parsed["empty"].is_object());

    // And our own reader gives the ANSI texts back.
    Json value;
    std::string error;
    ASSERT_TRUE(ParseJson(out, value, error)) << error;
    ASSERT_TRUE(value["texts"].is_array());
    ASSERT_EQ(std::size(texts), value["texts"].size());
    for (size_t i = 0; i < std::size(texts); ++i)
        EXPECT_EQ(texts[i], AnsiOfJson(value["texts"][i])) << i;
}

TEST(CtlJson, ReaderTakesUtf8AndUtf16AsPowerShellWritesThem)
{
    Json value;
    std::string error;
    // UTF-8 with its byte order mark; "caf\u00e9" escaped and raw.
    ASSERT_TRUE(ParseJson("\xEF\xBB\xBF{\"a\": \"caf\\u00e9\", \"b\": \"caf\xC3\xA9\"}", value,
                          error))
        << error;
    EXPECT_EQ("caf\xE9", AnsiOfJson(value["a"]));
    EXPECT_EQ("caf\xE9", AnsiOfJson(value["b"]));
    // UTF-16LE with its mark, as Windows PowerShell's Out-File writes.
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("{\"x\": [1, 2.5e1, true, null]}")) {
        utf16 += c;
        utf16 += '\0';
    }
    ASSERT_TRUE(ParseJson(utf16, value, error)) << error;
    const Json& list = value["x"];
    ASSERT_TRUE(list.is_array());
    ASSERT_EQ(4u, list.size());
    EXPECT_EQ(1.0, list[0].get<double>());
    EXPECT_EQ(25.0, list[1].get<double>());
    EXPECT_TRUE(list[2].get<bool>());
    EXPECT_TRUE(list[3].is_null());
}

TEST(CtlJson, ReaderRefusesAnythingElseWithItsPlace)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", "line 1, column 1: a value is missing"},
        {"{", "line 1, column 2: a member name in quotes was expected"},
        {"[1,]", "line 1, column 4: unexpected character"},
        {"{\"a\":1,}", "line 1, column 8: a member name in quotes was expected"},
        {"{\"a\":1 \"b\":2}", "line 1, column 8: ',' or '}' was expected"},
        {"\n\n  \"open", "line 3, column 8: a text without its closing quote"},
        {"tru", "line 1, column 1: unexpected text"},
        {"01", "line 1, column 2: text after the end of the document"},
        {"1.", "line 1, column 3: a bad number"},
        {"-", "line 1, column 2: a bad number"},
        {"1e", "line 1, column 3: a bad number"},
        {"1.5e+", "line 1, column 6: a bad number"},
        {"{\"a\":1,\"a\":2}", "line 1, column 11: a member name appears twice"},
        {"\"a\\qb\"", "line 1, column 3: an unknown escape"},
        {"\"a\\u12G4\"", "line 1, column 7: a bad \\u escape"},
        {"\"tab\there\"", "line 1, column 5: a control character inside a text"},
        {"\"\\u0000\"", "line 1, column 1: a text with a NUL character"},
        {"[\"\\ud800x\"]", "line 1, column 2: a text with a broken surrogate pair"},
        {"\"\xC3\"", "line 1, column 2: text that is not UTF-8"},
        {"\"\xC0\xAF\"", "line 1, column 2: text that is not UTF-8"},
        {"\"\xE2\x82\xAC\xE4\xB8\xAD\"", "line 1, column 1: a character that the system's code "
                                         "page cannot hold"},
        {"[] []", "line 1, column 4: text after the end of the document"},
        // The separators: a missing one is named where it should stand, a second one as itself.
        {"[1,,2]", "line 1, column 4: unexpected character"},
        {"[,1]", "line 1, column 2: unexpected character"},
        {"[1 2]", "line 1, column 4: ',' or ']' was expected"},
        {"{\"a\" 1}", "line 1, column 6: ':' was expected"},
        {"{\"a\"::1}", "line 1, column 6: unexpected character"},
        {"{1:2}", "line 1, column 2: a member name in quotes was expected"},
        {"[1] x", "line 1, column 5: text after the end of the document"},
        {"x", "line 1, column 1: unexpected character"},
        {"[nul]", "line 1, column 2: unexpected text"},
        {"\"ab\\", "line 1, column 5: a text without its closing quote"},
        {"\"\\u12", "line 1, column 6: an incomplete \\u escape"},
        {"[\"\\udc00\"]", "line 1, column 2: a text with a broken surrogate pair"},
        {"[\"ok\", \"\xE2\x82\"]", "line 1, column 9: text that is not UTF-8"},
        {"[1, 2e]", "line 1, column 7: a bad number"},
        {"[" + std::string(65, '1') + "]", "line 1, column 67: a number too long"},
    };
    for (const auto& c : cases) {
        Json value;
        std::string error;
        EXPECT_FALSE(ParseJson(c.first, value, error)) << c.first;
        EXPECT_EQ(c.second, error) << c.first;
    }
}

TEST(CtlJson, ReaderStaysWithinItsLimits)
{
    Json value;
    std::string error;
    // Nesting deeper than eight levels, however deep, is refused without recursing further.
    EXPECT_FALSE(ParseJson(std::string(100000, '['), value, error));
    EXPECT_EQ("line 1, column 9: nested too deeply", error);
    EXPECT_TRUE(ParseJson(std::string(7, '[') + std::string(7, ']'), value, error)) << error;
    ASSERT_TRUE(ParseJson("-0.5E+2", value, error)) << error;
    EXPECT_EQ(-50.0, value.get<double>());
    EXPECT_TRUE(ParseJson("\"" + std::string(4096, 'x') + "\"", value, error)) << error;
    EXPECT_FALSE(ParseJson("\"" + std::string(5000, 'x') + "\"", value, error));
    EXPECT_EQ("line 1, column 4098: a text longer than 4096 characters", error);
    std::string many = "[";
    for (int i = 0; i < 1001; ++i)
        many += i ? ",0" : "0";
    EXPECT_FALSE(ParseJson(many + "]", value, error));
    EXPECT_EQ("line 1, column 2002: too many items", error);
    std::string members = "{";
    for (int i = 0; i < 1001; ++i)
        members += (i ? ",\"" : "\"") + std::to_string(1000 + i) + "\":0";
    EXPECT_FALSE(ParseJson(members + "}", value, error));
    EXPECT_EQ("line 1, column 9009: too many members", error);
    EXPECT_FALSE(ParseJson("{\"a\":[{\"b\":[[[[[[1]]]]]]}]}", value, error));
    EXPECT_EQ("line 1, column 17: nested too deeply", error);
    EXPECT_FALSE(ParseJson(std::string(kJsonMaxInput + 1, ' '), value, error));
    EXPECT_EQ("the file is larger than 1 MB", error);
    EXPECT_FALSE(ParseJson("\xFF\xFE{", value, error));
    EXPECT_EQ("the UTF-16 text has an odd number of bytes", error);
}

class CtlServiceFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::memset(table.get(), 0, sizeof(ServiceTable));
        util.serviceTable = table.get();
    }
    void TearDown() override { util.serviceTable = nullptr; }

    void Fill(int slot, const char* name, const char* app, const char* dir, const char* params,
              uint32_t revive)
    {
        FillRecord(TestRecord(reinterpret_cast<char*>(&table->records[slot])), slot, name, app,
                   dir, params, revive);
    }

    static std::string Entries(const std::string& services)
    {
        return "{\"format\": \"Ravelin services\", \"version\": 1, \"services\": [" + services +
               "]}";
    }

    std::unique_ptr<ServiceTable> table{new ServiceTable};
};

TEST_F(CtlServiceFile, ExportReadsBackAsTheSameValuesInSlotOrder)
{
    Fill(4, "Second \"quoted\"", "C:\\b\\b.exe", "C:\\work dir", "-x \"y z\"", 0);
    Fill(1, "First caf\xE9", "C:\\a.exe", "", "", 1);
    std::string text = ServiceFileText(util);

    nlohmann::json parsed = nlohmann::json::parse(text);
    EXPECT_EQ("Ravelin services", parsed["format"]);
    // Version 2: the services file with the service options.
    EXPECT_EQ(2, parsed["version"]);
    ASSERT_EQ(2u, parsed["services"].size());
    EXPECT_EQ(Utf8("First caf\xE9"), parsed["services"][0]["name"]);
    EXPECT_EQ("C:\\b\\b.exe", parsed["services"][1]["application"]);
    EXPECT_EQ(false, parsed["services"][1]["revive"]);

    std::vector<EntryChanges> entries;
    std::string error;
    ASSERT_TRUE(ReadServiceFile(text, entries, error)) << error;
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ("First caf\xE9", *entries[0].displayName);
    EXPECT_EQ("C:\\a.exe", *entries[0].appPath);
    EXPECT_EQ("", *entries[0].workDir);
    EXPECT_EQ(1u, *entries[0].reviveOnSessionEnd);
    EXPECT_EQ("Second \"quoted\"", *entries[1].displayName);
    EXPECT_EQ("C:\\work dir", *entries[1].workDir);
    EXPECT_EQ("-x \"y z\"", *entries[1].appParams);
    EXPECT_EQ(0u, *entries[1].reviveOnSessionEnd);
}

TEST_F(CtlServiceFile, OptionalValuesTakeTheNewDialogsDefaults)
{
    std::vector<EntryChanges> entries;
    std::string error;
    ASSERT_TRUE(ReadServiceFile(Entries("{\"name\": \"N\", \"application\": \"C:\\\\T\\\\t.exe\"}"),
                                entries, error))
        << error;
    ASSERT_EQ(1u, entries.size());
    ServiceEntry entry = ApplyChanges(util, -1, entries[0]);
    // The directory is the application's folder, as Browse sets it; revive is on.
    EXPECT_EQ("C:\\T", entry.workDir);
    EXPECT_EQ("", entry.appParams);
    EXPECT_EQ(1u, entry.reviveOnSessionEnd);
}

TEST_F(CtlServiceFile, RefusesAFileThatIsNotExactlyAServicesFile)
{
    const std::pair<std::string, std::string> cases[] = {
        {"[]", "line 1, column 1: the document must be an object"},
        {"{\"format\": \"x\", \"version\": 1, \"services\": []}",
         "line 1, column 12: \"format\" must be \"Ravelin services\""},
        {"{\"format\": \"Ravelin services\", \"version\": 3, \"services\": []}",
         "line 1, column 43: \"version\" must be 1 or 2"},
        {"{\"format\": \"Ravelin services\", \"version\": 1}",
         "line 1, column 1: \"services\" must be a list"},
        {"{\"format\": \"Ravelin services\", \"version\": 1, \"services\": [], \"x\": 0}",
         "line 1, column 67: unknown member \"x\""},
        {Entries("{\"name\": \"a\"}"),
         "line 1, column 59: services[0]: \"application\" is missing"},
        {Entries("{\"name\": \"a\", \"application\": \"b\"}, 7"),
         "line 1, column 94: services[1]: must be an object"},
        {Entries("{\"name\": \"a\", \"application\": \"b\", \"paramters\": \"\"}"),
         "line 1, column 106: services[0]: unknown member \"paramters\""},
        {Entries("{\"name\": 5, \"application\": \"b\"}"),
         "line 1, column 68: services[0]: \"name\" must be a text"},
        {Entries("{\"name\": \"a\", \"application\": \"b\", \"revive\": 1}"),
         "line 1, column 103: services[0]: \"revive\" must be true or false"},
        {"{\"format\": \"Ravelin services\", \"version\": 1, \"services\": [", 
         "line 1, column 59: a value is missing"},
    };
    for (const auto& c : cases) {
        std::vector<EntryChanges> entries;
        std::string error;
        EXPECT_FALSE(ReadServiceFile(c.first, entries, error)) << c.first;
        EXPECT_EQ(c.second, error) << c.first;
        EXPECT_TRUE(entries.empty());
    }
    std::string many;
    for (int i = 0; i < 51; ++i)
        many += std::string(i ? "," : "") + "{\"name\": \"a\", \"application\": \"b\"}";
    std::vector<EntryChanges> entries;
    std::string error;
    EXPECT_FALSE(ReadServiceFile(Entries(many), entries, error));
    EXPECT_EQ("line 1, column 58: more services than the table's 50 slots", error);
}

TEST(CtlEntries, LengthsAreTheRecordsFieldWidths)
{
    ServiceEntry entry;
    entry.displayName = std::string(80, 'n');
    entry.appPath = std::string(255, 'p');
    entry.workDir = std::string(255, 'w');
    entry.appParams = std::string(255, 'a');
    std::string message;
    EXPECT_TRUE(CheckEntryLengths(entry, message));
    entry.displayName += "n";
    EXPECT_FALSE(CheckEntryLengths(entry, message));
    EXPECT_EQ("The service name is longer than 80 characters.", message);
    entry.displayName.pop_back();
    entry.appParams += "a";
    EXPECT_FALSE(CheckEntryLengths(entry, message));
    EXPECT_EQ("The command line parameters are longer than 255 characters.", message);
}

namespace {

// Records what a utility object hands to its feedback sink.
class CRecordingFeedback : public IUtilFeedback {
public:
    void Message(const char* text, bool isError) override
    {
        calls.push_back((isError ? "error " : "info ") + std::string(text));
    }
    void Progress(const char* text, int32_t holdMs) override
    {
        calls.push_back("progress " + std::string(text) + " " + std::to_string(holdMs));
    }
    std::vector<std::string> calls;
};

} // namespace

TEST(CtlFeedback, TheUtilityObjectSendsMessagesAndProgressToItsSinkInsteadOfWindows)
{
    CRecordingFeedback sink;
    CUtil withSink(&sink);
    EXPECT_EQ(IDOK, withSink.ErrorBox("Service start failed."));
    EXPECT_EQ(IDOK, withSink.InfoBox("Ravelin capacity full."));
    ::SetLastError(ERROR_SERVICE_EXISTS);
    EXPECT_EQ(IDOK, withSink.ShowInstallError());
    withSink.progressHoldMs = 5000;
    withSink.ShowProgress("Stopping...");
    EXPECT_STREQ("Stopping...", withSink.progressTitle);
    EXPECT_THAT(sink.calls,
                ::testing::ElementsAre("error Service start failed.", "info Ravelin capacity full.",
                                       "error The specified service already exists in this "
                                       "database.",
                                       "progress Stopping... 5000"));
    // Without a sink there is none: the manager's boxes and dialogs are unchanged.
    EXPECT_EQ(nullptr, util.feedback);
}
