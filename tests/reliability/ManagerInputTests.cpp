// The manager's readers of data it did not write itself, fed seeded random tables, log files and
// dialog entries; and paths cut by character. The suite runs with the Japanese ANSI code page
// 932, a double-byte code page in which a character's trail byte can be 0x5C, the backslash.

#include "ApplicationCommand.h"
#include "BoundedText.h"
#include "LogRows.h"
#include "ManagerUtil.h"
#include "ServiceEntryCheck.h"
#include "SlotLink.h"
#include "TableFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <cstring>
#include <memory>
#include <random>

CUtil util;

namespace {

const uint32_t kSeed = 20261209;
// "ソフト" (software) in code page 932: the first character's trail byte is 0x5C.
const char kSoftware[] = "\x83\x5C\x83\x74\x83\x67";

std::string RandomText(std::mt19937& engine, size_t maxLength, bool terminators)
{
    static const std::string kBytes = std::string("ab Z09-_.\\/:*\"\t\x83\x5C\x95\xFF\xE9", 21);
    size_t length = std::uniform_int_distribution<size_t>(0, maxLength)(engine);
    std::string text(length, '\0');
    for (char& c : text) {
        c = kBytes[std::uniform_int_distribution<size_t>(0, kBytes.size() - 1)(engine)];
        if (!terminators && c == '\0')
            c = 'x';
    }
    return text;
}

} // namespace

TEST(DoubleByteCodePageTest, SuiteRunsWithCodePage932)
{
    // The suite's environment gives Wine a Japanese locale; without it the tests below would
    // prove nothing about double-byte paths.
    ASSERT_EQ(932u, ::GetACP());
    ASSERT_TRUE(::IsDBCSLeadByte(0x83));
}

TEST(DoubleByteCodePageTest, BrowsedFolderAndServiceHostPathsAreCutByCharacter)
{
    ASSERT_EQ(932u, ::GetACP());
    char folder[256];
    std::string program = std::string("C:\\Tools\\") + kSoftware + ".exe";
    CUtil::GetFolderOfPath(program.c_str(), folder, sizeof(folder));
    EXPECT_STREQ("C:\\Tools", folder);
    std::string inJapaneseFolder = std::string("C:\\") + kSoftware + "\\app.exe";
    CUtil::GetFolderOfPath(inJapaneseFolder.c_str(), folder, sizeof(folder));
    EXPECT_EQ(std::string("C:\\") + kSoftware, folder);

    // The service host joins a relative program to its own folder, and runs it in its folder.
    std::string base = std::string("C:\\") + kSoftware;
    CApplicationCommand command;
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), command.Compose("Halyard.exe", "07", base.c_str()));
    EXPECT_EQ(base + "\\Halyard.exe", command.ProgramPath());
    EXPECT_EQ(base, command.WorkFolder());
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), command.Compose(program.c_str(), "", "C:\\"));
    EXPECT_STREQ("C:\\Tools", command.WorkFolder());
}

// The table is saved through a temporary file in the table's own folder: a folder whose name
// ends in a character with a 0x5C trail byte.
TEST(DoubleByteCodePageTest, TableIsSavedInAFolderWithAJapaneseName)
{
    ASSERT_EQ(932u, ::GetACP());
    std::string folder = MakeScratchDir("dbcs") + "\\" + kSoftware;
    ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), NULL));
    std::string path = folder + "\\Properties.dat";
    std::string table(table_layout::kTableSize, 'j');
    ASSERT_EQ(1, WriteTableFile(path.c_str(), table.data(), table.size()));
    EXPECT_EQ(table, ReadFileBytes(path));
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    std::vector<std::string> names;
    do
        if (found.cFileName[0] != '.')
            names.push_back(found.cFileName);
    while (::FindNextFileA(search, &found));
    ::FindClose(search);
    EXPECT_EQ(std::vector<std::string>{"Properties.dat"}, names);
}

TEST(DoubleByteCodePageTest, ServiceNamesCompareByCharacterIgnoringLetterCase)
{
    ASSERT_EQ(932u, ::GetACP());
    // Two katakana whose trail bytes are "A" and "a": different characters, different names,
    // which a byte-wise or code page 1252 comparison ignoring case would take for one.
    EXPECT_FALSE(CUtil::SameServiceName("\x83\x41", "\x83\x61"));
    EXPECT_FALSE(CUtil::SameServiceName("Web \x83\x41", "web \x83\x61"));
    // Full-width A and a are one letter in two cases, as the SCM compares them.
    EXPECT_TRUE(CUtil::SameServiceName("\x82\x60-1", "\x82\x81-1"));
    std::string name = std::string(kSoftware) + "-Web";
    std::string other = std::string(kSoftware) + "-WEB";
    EXPECT_TRUE(CUtil::SameServiceName(name.c_str(), other.c_str()));
}

// Random tables, without terminators at times: the slot queries, the New/Edit dialog's checks
// with random entries and the list's row-to-record link read every field within its bounds.
TEST(ManagerFuzzTest, SlotQueriesAndEntryChecksTakeAnyTable)
{
    std::mt19937 engine(kSeed);
    std::unique_ptr<ServiceTable> table(new ServiceTable);
    util.serviceTable = table.get();
    for (int i = 0; i < 3000; ++i) {
        std::uniform_int_distribution<int> byte(0, 255);
        char* bytes = reinterpret_cast<char*>(table.get());
        int mode = i % 3;
        for (size_t k = 0; k < sizeof(ServiceTable); k += 1 + (mode == 2 ? 500 : 0))
            bytes[k] = mode == 0 ? static_cast<char>(1 + byte(engine) % 255)
                                 : static_cast<char>(byte(engine));
        if (mode == 2)
            for (int slot = 0; slot < kSlotCount; ++slot)
                if (engine() % 2)
                    std::memset(table->records[slot].displayName, 0, 1);

        int count = util.CountServices();
        ASSERT_GE(count, 0);
        ASSERT_LE(count, kSlotCount);
        int free = util.FindFreeSlot();
        ASSERT_EQ(count < kSlotCount, free >= 0) << "case " << i;
        int slot = static_cast<int>(engine() % kSlotCount);
        char name[kDisplayNameSize + 1];
        CopyField(name, table->records[slot].displayName);
        if (name[0] != '\0') {
            int found = util.FindServiceByName(name);
            ASSERT_GE(found, 0);
            ASSERT_LE(found, slot);
        }
        std::string entryName = RandomText(engine, 120, false);
        std::string entryPath = RandomText(engine, 300, false);
        char message[256];
        std::memset(message, 0x5A, sizeof(message));
        bool passed = CheckServiceEntries(util, -1, entryName.c_str(), entryPath.c_str(), message,
                                          sizeof(message));
        ASSERT_LT(FieldLength(message, sizeof(message)), sizeof(message));
        ASSERT_EQ(passed, message[0] == '\0') << "case " << i;
        char serviceName[kDisplayNameSize];
        CUtil::MakeServiceName(name, serviceName, sizeof(serviceName));
        ASSERT_EQ(nullptr, std::strchr(serviceName, ' '));
        std::string sid = RandomText(engine, 4, false);
        int sidSlot = SlotOfSid(table.get(), sid.c_str());
        ASSERT_GE(sidSlot, -1);
        ASSERT_LT(sidSlot, kSlotCount);
    }
    util.serviceTable = nullptr;
}

// The log viewer's rows from random files agree with the reading rule, entry for entry.
TEST(ManagerFuzzTest, LogViewerRowsTakeAnyFile)
{
    std::string path = MakeScratchDir("fuzz rows") + "\\00.log";
    std::mt19937 engine(kSeed + 1);
    for (int i = 0; i < 2000; ++i) {
        std::string file;
        for (int lines = static_cast<int>(engine() % 10); lines > 0; --lines)
            file += RandomText(engine, 40, true) + "*" + RandomText(engine, 10, true) + "**" +
                    RandomText(engine, engine() % 4 ? 60 : 1200, true) +
                    (engine() % 3 ? "\r\n" : "\r");
        WriteFileBytes(path, file);
        CLogRows rows;
        ASSERT_TRUE(rows.Load(path.c_str()));
        std::vector<LogEntry> entries = ReadLogFile(path.c_str());
        ASSERT_EQ(entries.size(), static_cast<size_t>(rows.Count())) << "case " << i;
        for (int row = 0; row < rows.Count(); ++row) {
            const LogEntry& entry = entries[entries.size() - 1 - row];
            ASSERT_STREQ(entry.timeStamp, rows.Field(row, 0)) << "case " << i;
            ASSERT_STREQ(entry.type, rows.Field(row, 1)) << "case " << i;
            ASSERT_STREQ(entry.message, rows.Field(row, 2)) << "case " << i;
        }
    }
}
