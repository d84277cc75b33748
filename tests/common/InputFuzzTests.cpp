// Seeded random input for the table file and the log file, which the programs read though they
// did not write them. Each test runs thousands of cases from a fixed seed, so every run sees the
// same cases; a failure names the case's number and what it was fed.

#include "BoundedText.h"
#include "EventLog.h"
#include "HandleT.h"
#include "HostUtil.h"
#include "RandomInput.h"
#include "ServiceData.h"
#include "TableFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <cctype>
#include <cstring>
#include <random>

// Files of any length and content: a load succeeds exactly for 443400 bytes or more, never
// writes past the table, and every text field of what was loaded is read within its field,
// terminator or not; the host's save carries all of it back byte for byte.
TEST(FuzzTest, TableLoaderTakesAnyFile)
{
    std::string folder = MakeScratchDir("fuzz table");
    std::string path = folder + "\\Properties.dat";
    CRandom random(kFuzzSeed);
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
    CRandom random(kFuzzSeed + 1);
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
