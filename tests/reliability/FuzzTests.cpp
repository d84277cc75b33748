// Seeded random input for everything that reads data it did not write itself: the table file,
// the log file, the host's argument and the service host's Parameters values. Each test runs
// thousands of cases from a fixed seed, so every run sees the same cases; a failure names the
// case's number and what it was fed.

#include "ApplicationCommand.h"
#include "BoundedText.h"
#include "EventLog.h"
#include "HandleT.h"
#include "HostUtil.h"
#include "ServiceData.h"
#include "ServiceParameters.h"
#include "SlotArgument.h"
#include "TableFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <cctype>
#include <cstring>
#include <random>

namespace {

const uint32_t kSeed = 20261208;

class CRandom {
public:
    explicit CRandom(uint32_t seed) : engine_(seed) {}
    // 0 .. n-1
    size_t Below(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(engine_); }
    bool OneIn(size_t n) { return Below(n) == 0; }
    char Byte() { return static_cast<char>(Below(256)); }
    char NonZeroByte() { return static_cast<char>(1 + Below(255)); }
    std::string Bytes(size_t length)
    {
        std::string text(length, '\0');
        for (char& c : text)
            c = Byte();
        return text;
    }
    // Characters drawn from the given set.
    std::string From(const std::string& set, size_t length)
    {
        std::string text(length, '\0');
        for (char& c : text)
            c = set[Below(set.size())];
        return text;
    }

private:
    std::mt19937 engine_;
};

std::string Printable(const std::string& bytes)
{
    std::string shown;
    for (unsigned char c : bytes.substr(0, 120)) {
        char hex[8];
        if (c >= 0x20 && c < 0x7F)
            shown += static_cast<char>(c);
        else {
            std::snprintf(hex, sizeof(hex), "\\x%02X", c);
            shown += hex;
        }
    }
    return shown + (bytes.size() > 120 ? "..." : "") + " (" + std::to_string(bytes.size()) +
           " bytes)";
}

} // namespace

// Files of any length and content: a load succeeds exactly for 443400 bytes or more, never
// writes past the table, and every text field of what was loaded is read within its field,
// terminator or not; the host's save carries all of it back byte for byte.
TEST(FuzzTest, TableLoaderTakesAnyFile)
{
    std::string folder = MakeScratchDir("fuzz table");
    std::string path = folder + "\\Properties.dat";
    CRandom random(kSeed);
    const size_t kGuard = 64;
    const size_t sizes[] = {0, 1, table_layout::kRecordSize - 1, table_layout::kRecordSize,
                            table_layout::kTableSize - 1, table_layout::kTableSize,
                            table_layout::kTableSize + 1, table_layout::kTableSize + 5000};
    for (int i = 0; i < 1200; ++i) {
        size_t length = random.OneIn(3) ? random.Below(table_layout::kTableSize + 9000)
                                        : sizes[random.Below(sizeof(sizes) / sizeof(sizes[0]))];
        std::string bytes;
        switch (random.Below(3)) {
        case 0: // no terminator anywhere, numbers at their largest
            bytes.assign(length, static_cast<char>(0xFF));
            for (size_t k = 0; k < length; k += 1 + random.Below(97))
                bytes[k] = random.NonZeroByte();
            break;
        case 1:
            bytes = random.Bytes(length);
            break;
        default: // mostly zeros with islands of text
            bytes.assign(length, '\0');
            for (size_t k = 0; k < length; k += 1 + random.Below(4000))
                bytes[k] = random.Byte();
            break;
        }
        WriteFileBytes(path, bytes);

        std::string buffer(table_layout::kTableSize + kGuard, '\x5A');
        int loaded = ReadTableFile(path.c_str(), &buffer[0], table_layout::kTableSize);
        ASSERT_EQ(length >= table_layout::kTableSize ? 1 : 0, loaded) << "case " << i;
        size_t read = std::min(length, table_layout::kTableSize);
        ASSERT_EQ(0, std::memcmp(buffer.data(), bytes.data(), read)) << "case " << i;
        ASSERT_EQ(std::string(buffer.size() - read, '\x5A'), buffer.substr(read))
            << "case " << i << ": the load wrote past what it read";
        if (!loaded)
            continue;

        const ServiceTable* table = reinterpret_cast<const ServiceTable*>(buffer.data());
        for (int slot = 0; slot < kSlotCount; ++slot) {
            const ServiceRecord& record = table->records[slot];
            char name[kDisplayNameSize + 1];
            char text[kPathFieldSize + 1];
            CopyField(name, record.displayName);
            ASSERT_LE(std::strlen(name), sizeof(record.displayName)) << "case " << i;
            for (const char* field : {record.appPath, record.workDir, record.appParams}) {
                CopyField(text, sizeof(text), field, kPathFieldSize);
                ASSERT_EQ(FieldLength(field, kPathFieldSize), std::strlen(text)) << "case " << i;
            }
        }

        // What the host writes back keeps every byte it did not set.
        if (i % 10 == 0) {
            CUtil host;
            ASSERT_TRUE(CopyText(host.propertiesPath, path.c_str()));
            host.slot = static_cast<int32_t>(random.Below(kSlotCount));
            ASSERT_EQ(1, host.InitProperties());
            ASSERT_EQ(1, host.LoadProperties());
            host.Record().appProcessId = 0x01020304;
            ASSERT_EQ(1, host.SaveProperties()) << "case " << i;
            std::string expected = bytes.substr(0, table_layout::kTableSize);
            size_t at = host.slot * table_layout::kRecordSize + table_layout::kAppProcessId.offset;
            expected.replace(at, 4, "\x04\x03\x02\x01", 4);
            ASSERT_EQ(expected, ReadFileBytes(path)) << "case " << i;
        }
    }
}

namespace {

// The reading rule, written out again on the bytes of the file: the text-mode stream turns each
// CR LF into LF; each read takes at most 511 characters or up to and with a LF; a read's text
// ends at a NUL; it needs an asterisk and, after it, a pair; the message ends at CR or LF.
std::vector<std::string> ExpectedEntries(const std::string& file)
{
    std::string text;
    for (size_t k = 0; k < file.size(); ++k) {
        if (file[k] == '\r' && k + 1 < file.size() && file[k + 1] == '\n')
            continue;
        text += file[k];
    }
    std::vector<std::string> entries;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = at;
        while (end < text.size() && end - at < 511 && text[end] != '\n')
            ++end;
        if (end < text.size() && end - at < 511 && text[end] == '\n')
            ++end;
        std::string read = text.substr(at, end - at);
        at = end;
        read = read.substr(0, read.find('\0'));
        size_t star = read.find('*');
        if (star == std::string::npos)
            continue;
        size_t pair = read.find("**", star + 1);
        if (pair == std::string::npos)
            continue;
        std::string message = read.substr(pair + 2);
        message = message.substr(0, message.find_first_of("\r\n"));
        entries.push_back(read.substr(0, std::min<size_t>(star, 80)) + "|" +
                          read.substr(star + 1, std::min<size_t>(pair - star - 1, 80)) + "|" +
                          message);
    }
    return entries;
}

std::string OneLine(CRandom& random)
{
    static const std::string kText = "abcXYZ 0123456789/[]:.*\t\xE9\x83\x5C";
    switch (random.Below(8)) {
    case 0:
        return random.From(kText, random.Below(30)) + "*EVENT**" + random.From(kText, 40);
    case 1: // over 511 characters
        return random.From(kText, 20) + "*ERROR**" + random.From(kText, 400 + random.Below(900));
    case 2:
        return random.From("*", 1 + random.Below(6)); // separators only
    case 3:
        return random.From("abc \t", random.Below(600)); // no separators
    case 4: // CR only inside
        return random.From(kText, 10) + "\r" + random.From(kText, 10) + "*X**" +
               random.From(kText + "\r", 20);
    case 5: // NULs
        return random.From(kText + std::string(1, '\0'), random.Below(200));
    case 6:
        return random.From(kText, random.Below(200)) + "*" + random.From("*ab", random.Below(20));
    default: // fields over 80 characters
        return random.From(kText, 90 + random.Below(100)) + "*" +
               random.From("abc", 90 + random.Below(100)) + "**m";
    }
}

} // namespace

TEST(FuzzTest, LogReadingRuleTakesAnyFile)
{
    std::string path = MakeScratchDir("fuzz log") + "\\00.log";
    CRandom random(kSeed + 1);
    for (int i = 0; i < 4000; ++i) {
        std::string file;
        bool raw = random.OneIn(4);
        if (raw) {
            file = random.Bytes(random.Below(3000));
        } else {
            for (size_t lines = random.Below(12); lines > 0; --lines) {
                file += OneLine(random);
                static const char* const kEnds[] = {"\r\n", "\n", "\r", ""};
                file += kEnds[random.Below(4)];
            }
        }
        WriteFileBytes(path, file);
        std::vector<LogEntry> entries = ReadLogFile(path.c_str());
        for (const LogEntry& entry : entries) {
            ASSERT_LT(FieldLength(entry.timeStamp, sizeof(entry.timeStamp)),
                      sizeof(entry.timeStamp)) << "case " << i;
            ASSERT_LT(FieldLength(entry.type, sizeof(entry.type)), sizeof(entry.type));
            ASSERT_LT(FieldLength(entry.message, sizeof(entry.message)), sizeof(entry.message));
            ASSERT_EQ(nullptr, std::strchr(entry.timeStamp, '*')) << "case " << i;
            ASSERT_EQ(nullptr, std::strpbrk(entry.message, "\r\n")) << "case " << i;
        }
        // Ctrl-Z ends a text-mode stream: the model covers the files without it.
        if (file.find('\x1A') != std::string::npos)
            continue;
        std::vector<std::string> got;
        for (const LogEntry& entry : entries)
            got.push_back(std::string(entry.timeStamp) + "|" + entry.type + "|" + entry.message);
        ASSERT_EQ(ExpectedEntries(file), got) << "case " << i << ": " << Printable(file);
    }
}

TEST(FuzzTest, HostArgumentTakesAnyText)
{
    CRandom random(kSeed + 2);
    static const std::string kPieces[] = {"0", "7", "49", "50", "-", "+", " ", "\t", "a", "Z",
                                          "\\", "/", ":", "*", "?", "\"", "\x83\x5C", "\xFF",
                                          "999999999999", "\x01"};
    for (int i = 0; i < 20000; ++i) {
        std::string argument;
        for (size_t pieces = random.Below(random.OneIn(20) ? 300 : 8); pieces > 0; --pieces)
            argument += kPieces[random.Below(sizeof(kPieces) / sizeof(kPieces[0]))];

        // The leading number, as the rule reads it, saturating far above the table.
        size_t at = 0;
        while (at < argument.size() && std::isspace(static_cast<unsigned char>(argument[at])))
            ++at;
        bool negative = false;
        if (at < argument.size() && (argument[at] == '+' || argument[at] == '-'))
            negative = argument[at++] == '-';
        long long number = 0;
        for (; at < argument.size() && std::isdigit(static_cast<unsigned char>(argument[at]));
             ++at)
            number = std::min(number * 10 + (argument[at] - '0'), 1000LL);
        bool accepted = !argument.empty() && number <= 49 && (!negative || number == 0);

        CUtil host;
        std::memset(host.slotText, '\x5A', sizeof(host.slotText));
        int result = ParseSlotArgument(argument.c_str(), host);
        ASSERT_EQ(accepted ? 1 : 0, result) << "case " << i << ": " << Printable(argument);
        if (!accepted)
            continue;
        ASSERT_EQ(number, host.slot) << "case " << i;
        size_t length = FieldLength(host.slotText, sizeof(host.slotText));
        ASSERT_LT(length, sizeof(host.slotText)) << "case " << i;
        ASSERT_EQ(std::min(argument.size(), kSlotTextSize - 1), length) << "case " << i;
        for (size_t k = 0; k < length; ++k) {
            unsigned char c = static_cast<unsigned char>(host.slotText[k]);
            ASSERT_TRUE(c >= 0x20 && !std::strchr("\\/:*?\"<>|", c))
                << "case " << i << ": " << Printable(host.slotText);
            ASSERT_TRUE(c == static_cast<unsigned char>(argument[k]) || c == '_') << "case " << i;
        }
    }
}

namespace {

const char kFuzzService[] = "Ravelin-Fuzz";

struct ValueCase {
    bool present = false;
    DWORD type = REG_SZ;
    std::string data;
};

ValueCase RandomValue(CRandom& random)
{
    ValueCase value;
    value.present = !random.OneIn(8);
    static const DWORD kTypes[] = {REG_SZ, REG_SZ, REG_SZ, REG_EXPAND_SZ, REG_BINARY,
                                   REG_DWORD, REG_MULTI_SZ, REG_NONE};
    value.type = kTypes[random.Below(sizeof(kTypes) / sizeof(kTypes[0]))];
    static const std::string kText = "C:\\Prog Files\\a.exe \"q\" %PATH% %NOPE% x";
    switch (random.Below(5)) {
    case 0:
        value.data = "";
        break;
    case 1: // terminated text
        value.data = random.From(kText, random.Below(300)) + std::string(1, '\0');
        break;
    case 2: // not terminated
        value.data = random.From(kText, 1 + random.Below(300));
        break;
    case 3: // very long
        value.data = random.From(kText, 900 + random.Below(5000));
        break;
    default: // NULs inside
        value.data = random.From(kText + std::string(1, '\0'), random.Below(400));
        break;
    }
    return value;
}

DWORD ExpectedRead(const ValueCase& value, std::string* text)
{
    if (!value.present)
        return ERROR_FILE_NOT_FOUND;
    if (value.type != REG_SZ && value.type != REG_EXPAND_SZ)
        return value.data.size() > kParameterValueSize - 1 ? ERROR_MORE_DATA : ERROR_INVALID_DATA;
    if (value.data.size() > kParameterValueSize - 1)
        return ERROR_MORE_DATA;
    *text = value.data.substr(0, value.data.find('\0'));
    return ERROR_SUCCESS;
}

} // namespace

// Missing values, wrong types, texts with and without terminators, empty and very long ones:
// the service host reads what fits its buffers and refuses the rest with the system's reason.
TEST(FuzzTest, ServiceHostParametersTakeAnyValues)
{
    std::string keyPath =
        std::string("SYSTEM\\CurrentControlSet\\Services\\") + kFuzzService + "\\Parameters";
    HKEY created = NULL;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, NULL, 0,
                                               KEY_ALL_ACCESS, NULL, &created, NULL));
    CRegKey key(created);
    CRandom random(kSeed + 3);
    for (int i = 0; i < 3000; ++i) {
        ValueCase application = RandomValue(random);
        ValueCase parameters = RandomValue(random);
        const struct {
            const char* name;
            const ValueCase* value;
        } values[] = {{kApplicationValue, &application}, {kAppParametersValue, &parameters}};
        for (const auto& v : values) {
            ::RegDeleteValueA(key.Get(), v.name);
            if (v.value->present) {
                ASSERT_EQ(ERROR_SUCCESS,
                          ::RegSetValueExA(key.Get(), v.name, 0, v.value->type,
                                           reinterpret_cast<const BYTE*>(v.value->data.data()),
                                           static_cast<DWORD>(v.value->data.size())));
            }
        }

        CServiceParameters read;
        DWORD error = read.Read(kFuzzService);
        ASSERT_LT(std::strlen(read.Application()), kParameterValueSize);
        ASSERT_LT(std::strlen(read.AppParameters()), kParameterValueSize);
        std::string expectedApplication, expectedParameters;
        DWORD expected = ExpectedRead(application, &expectedApplication);
        if (expected == ERROR_SUCCESS)
            expected = ExpectedRead(parameters, &expectedParameters);
        bool expands = application.type == REG_EXPAND_SZ || parameters.type == REG_EXPAND_SZ;
        if (!expands) {
            ASSERT_EQ(expected, error) << "case " << i << ": " << Printable(application.data)
                                       << " / " << Printable(parameters.data);
            if (error == ERROR_SUCCESS) {
                ASSERT_EQ(expectedApplication, read.Application()) << "case " << i;
                ASSERT_EQ(expectedParameters, read.AppParameters()) << "case " << i;
            }
        }
        if (error != ERROR_SUCCESS)
            continue;
        CApplicationCommand command;
        DWORD composed = command.Compose(read.Application(), read.AppParameters(), "C:\\base");
        ASSERT_LT(std::strlen(command.ProgramPath()), static_cast<size_t>(MAX_PATH));
        ASSERT_LT(std::strlen(command.CommandLine()), kCommandLineSize);
        ASSERT_LT(std::strlen(command.WorkFolder()), static_cast<size_t>(MAX_PATH));
        if (composed == ERROR_SUCCESS) {
            ASSERT_NE('\0', command.ProgramPath()[0]) << "case " << i;
        }
    }
    key.Reset();
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath.c_str());
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE,
                    (std::string("SYSTEM\\CurrentControlSet\\Services\\") + kFuzzService).c_str());
}
