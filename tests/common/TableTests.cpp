// The service table file: whole-file load and save, where each field lies in the file, saves
// racing readers, and saves while another process holds the file.

#include "BoundedText.h"
#include "HandleT.h"
#include "HelperModes.h"
#include "ServiceData.h"
#include "TableFile.h"
#include "TableRace.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

using table_layout::Field;
using table_layout::kAppParams;
using table_layout::kAppPath;
using table_layout::kDisplayName;
using table_layout::kHostWindow;
using table_layout::kAppProcessId;
using table_layout::kReserved1;
using table_layout::kReserved2;
using table_layout::kReviveOnSessionEnd;
using table_layout::kRunRequested;
using table_layout::kSlotId;
using table_layout::kSlots;
using table_layout::kWorkDir;

namespace {

class TableFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = MakeScratchDir("table");
        path = folder + "\\Properties.dat";
    }
    // Names of the files in the folder other than the table itself.
    std::vector<std::string> StrayFiles() const
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return names;
        do {
            std::string name = found.cFileName;
            if (name != "." && name != ".." && name != "Properties.dat" &&
                !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names.push_back(name);
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
        return names;
    }
    std::string folder;
    std::string path;
};

std::string Pattern(char fill)
{
    return std::string(table_layout::kTableSize, fill);
}

// A short account of a file's bytes, for failure messages (tables are too long to print).
std::string Describe(const std::string& bytes)
{
    std::string text = std::to_string(bytes.size()) + " bytes";
    size_t differing = bytes.find_first_not_of(bytes.empty() ? '\0' : bytes[0]);
    if (!bytes.empty())
        text += ", starting with '" + std::string(1, bytes[0]) + "'";
    if (differing != std::string::npos)
        text += ", first different byte at " + std::to_string(differing);
    return text;
}

// True when the file holds exactly the expected bytes; otherwise a test failure that says how not.
::testing::AssertionResult FileHolds(const std::string& path, const std::string& expected)
{
    std::string bytes = ReadFileBytes(path);
    if (bytes == expected)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << path << " holds " << Describe(bytes) << " instead of "
                                         << Describe(expected);
}

std::string Joined(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += name + " ";
    return text;
}

// The text of a product field, up to its terminator or the field's end.
template <size_t N>
std::string FieldText(const char (&field)[N])
{
    return std::string(field, FieldLength(field, N));
}

// A text of exactly length characters that names the slot and the field.
std::string Text(int slot, const char* field, size_t length)
{
    std::string text = std::string(field) + " of slot " + std::to_string(slot) + " ";
    while (text.size() < length)
        text += static_cast<char>('a' + text.size() % 26);
    return text.substr(0, length);
}

} // namespace

TEST_F(TableFileTest, NewTableIsAllZerosOnDiskWithEverySlotFree)
{
    CServiceData data;
    ASSERT_EQ(1, data.Init());
    for (int slot = 0; slot < kSlots; ++slot)
        EXPECT_TRUE(IsSlotFree(data.Record(slot)));
    ASSERT_EQ(1, data.Save(path.c_str()));
    EXPECT_TRUE(FileHolds(path, std::string(table_layout::kTableSize, '\0')));
}

// Every field of several records, written byte by byte at the offsets the file format gives, is
// what the product's record holds after a load; every field the product's record changes lands
// at that offset on the next save, and nothing else in the file changes.
TEST_F(TableFileTest, EveryFieldIsReadFromAndWrittenToItsOffset)
{
    const int kSlotsUnderTest[] = {0, 1, 26, 48, 49};
    TableImage image;
    // Bytes that no field sets (after terminators, the reserved areas, the other records) carry a
    // pattern that differs from byte to byte and from record to record.
    for (size_t i = 0; i < table_layout::kTableSize; ++i)
        image.bytes[i] = static_cast<char>(i * 7 + i / table_layout::kRecordSize + 1);
    for (int slot : kSlotsUnderTest) {
        TestRecord record = image[slot];
        bool full = slot == 49; // texts that fill their fields to the last byte before the NUL
        char slotId[3];
        std::snprintf(slotId, sizeof(slotId), "%02d", slot);
        record.SetText(kSlotId, slotId);
        record.SetDisplayName(Text(slot, "name", full ? 80 : 20));
        record.SetAppPath(Text(slot, "path", full ? 255 : 40));
        record.SetWorkDir(Text(slot, "folder", full ? 255 : 30));
        record.SetAppParams(Text(slot, "params", full ? 255 : 25));
        record.SetNumber(kReviveOnSessionEnd, 0x01000001u + slot);
        record.SetNumber(kReserved1, 0xA1B2C3D4u ^ slot);
        record.SetNumber(kHostWindow, 0x00C0FFEEu + (slot << 8));
        record.SetNumber(kAppProcessId, 0x12345678u + slot);
        record.SetNumber(kRunRequested, 0x80000001u + (slot << 16));
    }
    WriteTable(path, image);

    CServiceData data;
    ASSERT_EQ(1, data.Init());
    ASSERT_EQ(1, data.Load(path.c_str()));
    EXPECT_EQ(0, std::memcmp(data.Table(), image.bytes.data(), table_layout::kTableSize));
    for (int slot : kSlotsUnderTest) {
        SCOPED_TRACE("slot " + std::to_string(slot));
        const ServiceRecord& record = data.Record(slot);
        RecordFields file = image.Fields(slot);
        EXPECT_EQ(file.slotId, FieldText(record.slotId));
        EXPECT_EQ(file.displayName, FieldText(record.displayName));
        EXPECT_EQ(file.appPath, FieldText(record.appPath));
        EXPECT_EQ(file.workDir, FieldText(record.workDir));
        EXPECT_EQ(file.appParams, FieldText(record.appParams));
        EXPECT_EQ(file.reviveOnSessionEnd, record.reviveOnSessionEnd);
        EXPECT_EQ(file.reserved1, record.reserved1);
        EXPECT_EQ(file.hostWindow, record.hostWindow);
        EXPECT_EQ(file.appProcessId, record.appProcessId);
        EXPECT_EQ(file.runRequested, record.runRequested);
        EXPECT_TRUE(image.Record(slot).substr(kReserved2.offset, kReserved2.size) ==
                    std::string(reinterpret_cast<const char*>(record.reserved2),
                                sizeof(record.reserved2)))
            << "reserved2 differs from the file's bytes";
        EXPECT_FALSE(IsSlotFree(record));
    }

    // Change every field but the reserved ones through the product's record, each text with its
    // terminator only, and the same in the expected bytes at the literal offsets.
    TableImage expected = image;
    for (int slot : kSlotsUnderTest) {
        ServiceRecord& record = data.Record(slot);
        TestRecord bytes = expected[slot];
        bool full = slot == 0;
        struct {
            char* field;
            size_t size;
            const Field& at;
            std::string text;
        } texts[] = {
            {record.slotId, sizeof(record.slotId), kSlotId, slot < 10 ? "x" : "yz"},
            {record.displayName, sizeof(record.displayName), kDisplayName,
             Text(slot, "new name", full ? 80 : 12)},
            {record.appPath, sizeof(record.appPath), kAppPath, Text(slot, "new path", full ? 255 : 17)},
            {record.workDir, sizeof(record.workDir), kWorkDir, Text(slot, "new folder", full ? 255 : 19)},
            {record.appParams, sizeof(record.appParams), kAppParams, full ? Text(slot, "p", 255) : ""},
        };
        for (auto& text : texts) {
            ASSERT_LT(text.text.size(), text.size);
            std::memcpy(text.field, text.text.c_str(), text.text.size() + 1);
            bytes.SetText(text.at, text.text);
        }
        record.reviveOnSessionEnd = 0xFEDCBA98u - slot;
        bytes.SetNumber(kReviveOnSessionEnd, 0xFEDCBA98u - slot);
        record.hostWindow = 0x0BADF00Du + slot;
        bytes.SetNumber(kHostWindow, 0x0BADF00Du + slot);
        record.appProcessId = 0x00004321u + (slot << 20);
        bytes.SetNumber(kAppProcessId, 0x00004321u + (slot << 20));
        record.runRequested = 1u + slot;
        bytes.SetNumber(kRunRequested, 1u + slot);
    }
    ASSERT_EQ(1, data.Save(path.c_str()));

    TableImage saved;
    ASSERT_TRUE(ReadTable(path, saved));
    for (int slot : kSlotsUnderTest) {
        SCOPED_TRACE("slot " + std::to_string(slot));
        RecordFields got = saved.Fields(slot);
        RecordFields want = expected.Fields(slot);
        EXPECT_EQ(want.slotId, got.slotId);
        EXPECT_EQ(want.displayName, got.displayName);
        EXPECT_EQ(want.appPath, got.appPath);
        EXPECT_EQ(want.workDir, got.workDir);
        EXPECT_EQ(want.appParams, got.appParams);
        EXPECT_EQ(want.reviveOnSessionEnd, got.reviveOnSessionEnd);
        EXPECT_EQ(want.reserved1, got.reserved1);
        EXPECT_EQ(want.hostWindow, got.hostWindow);
        EXPECT_EQ(want.appProcessId, got.appProcessId);
        EXPECT_EQ(want.runRequested, got.runRequested);
        EXPECT_TRUE(expected.Record(slot).substr(kReserved2.offset, kReserved2.size) ==
                    saved.Record(slot).substr(kReserved2.offset, kReserved2.size))
            << "reserved2 was not carried unchanged";
    }
    EXPECT_TRUE(expected.bytes == saved.bytes) << "bytes outside the changed fields changed";
    // One place checked by hand: record 49's runRequested is the four bytes at 49*8868+868.
    EXPECT_EQ(std::string("\x32\x00\x00\x00", 4), saved.bytes.substr(49 * 8868 + 868, 4));
}

TEST_F(TableFileTest, ShortFileFailsButReplacesTheStartOfTheTable)
{
    WriteFileBytes(path, Pattern('a').substr(0, table_layout::kTableSize - 1));
    CServiceData data;
    ASSERT_EQ(1, data.Init());
    EXPECT_EQ(0, data.Load(path.c_str()));
    const char* table = reinterpret_cast<const char*>(data.Table());
    EXPECT_TRUE(std::string(table, table_layout::kTableSize - 1) == Pattern('a').substr(0, table_layout::kTableSize - 1));
    EXPECT_EQ(0, table[table_layout::kTableSize - 1]);
}

TEST_F(TableFileTest, LongerFileLoadsItsStartAndTheNextSaveTruncatesIt)
{
    WriteFileBytes(path, Pattern('b') + "tail");
    CServiceData data;
    ASSERT_EQ(1, data.Init());
    ASSERT_EQ(1, data.Load(path.c_str()));
    ASSERT_EQ(1, data.Save(path.c_str()));
    EXPECT_TRUE(FileHolds(path, Pattern('b')));
}

TEST_F(TableFileTest, NothingWorksWithoutATableOrAFile)
{
    CServiceData data;
    EXPECT_EQ(0, data.Load(path.c_str()));
    EXPECT_EQ(0, data.Save(path.c_str()));
    EXPECT_FALSE(FileExists(path));
    ASSERT_EQ(1, data.Init());
    EXPECT_EQ(0, data.Load(path.c_str()));
}

TEST_F(TableFileTest, FailedSaveLeavesNoTemporaryFile)
{
    std::string table = Pattern('d');
    std::string missingFolder = folder + "\\missing";
    EXPECT_EQ(0, WriteTableFile((missingFolder + "\\Properties.dat").c_str(), table.data(),
                                table.size()));
    EXPECT_FALSE(FileExists(missingFolder));

    // The table's name belongs to a folder: the replacement fails after the temporary file was
    // written next to it.
    std::string blocked = folder + "\\blocked";
    ASSERT_TRUE(::CreateDirectoryA(blocked.c_str(), NULL));
    EXPECT_EQ(0, WriteTableFile(blocked.c_str(), table.data(), table.size()));
    EXPECT_NE(0u, ::GetFileAttributesA(blocked.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(StrayFiles().empty()) << Joined(StrayFiles());
}

namespace {

// Another process that holds the table file open without delete sharing, as backup and antivirus
// tools do, until the test lets go (or a minute passes).
class CTableHolder {
public:
    CTableHolder() : name_(UniqueEventName("table-hold"))
    {
        held_.Reset(::CreateEventA(NULL, TRUE, FALSE, (name_ + kHeldSuffix).c_str()));
        release_.Reset(::CreateEventA(NULL, TRUE, FALSE, (name_ + kReleaseSuffix).c_str()));
    }
    ~CTableHolder()
    {
        Release();
        process_.WaitExit(30000);
    }

    // Starts the holder; true once it holds the file.
    bool Start(const std::string& path)
    {
        if (!held_ || !release_ ||
            !process_.Start(BinPath("common_unit.exe"),
                            "common_unit.exe --hold-table \"" + path + "\" " + name_ + " 60000"))
            return false;
        HANDLE heldOrGone[] = {held_.Get(), process_.Handle()};
        return ::WaitForMultipleObjects(2, heldOrGone, FALSE, 60000) == WAIT_OBJECT_0;
    }
    void Release() { ::SetEvent(release_.Get()); }
    CTestProcess& Process() { return process_; }

private:
    std::string name_;
    CHandle held_;
    CHandle release_;
    CTestProcess process_;
};

// A save on a thread of its own, so that the test can watch it and let the holder go meanwhile.
class CBackgroundSave {
public:
    CBackgroundSave(const std::string& path, const std::string& table)
        : result_(-1), startedAt_(::GetTickCount()), finishedAt_(0),
          thread_([this, path, table] {
              int saved = WriteTableFile(path.c_str(), table.data(), table.size());
              finishedAt_ = ::GetTickCount();
              result_ = saved;
          })
    {
    }
    ~CBackgroundSave() { thread_.join(); }
    bool Done() const { return result_ != -1; }
    bool WaitDone(DWORD timeoutMs) const
    {
        return WaitUntil([this] { return Done(); }, timeoutMs);
    }
    int Result() const { return result_; }
    DWORD ElapsedMs() const { return finishedAt_ - startedAt_; }

private:
    std::atomic<int> result_;
    const DWORD startedAt_;
    std::atomic<DWORD> finishedAt_;
    std::thread thread_;
};

} // namespace

TEST_F(TableFileTest, SaveWaitsWhileAnotherProcessHoldsTheTableThenReplacesIt)
{
    WriteFileBytes(path, Pattern('e'));
    CTableHolder holder;
    ASSERT_TRUE(holder.Start(path)) << "exit code " << holder.Process().ExitCode();
    // The hold is real: the table cannot be replaced while the holder has it open.
    std::string probe = folder + "\\probe.bin";
    WriteFileBytes(probe, "probe");
    ASSERT_FALSE(::MoveFileExA(probe.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
    ASSERT_TRUE(::DeleteFileA(probe.c_str()));

    std::string table = Pattern('f');
    {
        CBackgroundSave save(path, table);
        // Its temporary file shows that the save is under way; 600 ms later it must still wait.
        ASSERT_TRUE(WaitUntil([&] { return save.Done() || !StrayFiles().empty(); }, 30000));
        bool waited = !save.WaitDone(600);
        holder.Release();
        ASSERT_TRUE(save.WaitDone(30000));
        EXPECT_TRUE(waited) << "the save ended after " << save.ElapsedMs()
                            << " ms while the table was held";
        EXPECT_EQ(1, save.Result()) << "the save gave up after " << save.ElapsedMs() << " ms";
        EXPECT_GE(save.ElapsedMs(), 600u);
    }
    EXPECT_TRUE(FileHolds(path, Pattern('f')));
    EXPECT_TRUE(StrayFiles().empty()) << Joined(StrayFiles());
    EXPECT_TRUE(holder.Process().WaitExit(30000));
    EXPECT_EQ(static_cast<DWORD>(kHelperOk), holder.Process().ExitCode());
}

TEST_F(TableFileTest, SaveGivesUpWhenTheHoldOutlastsItsRetriesAndKeepsTheOldTable)
{
    WriteFileBytes(path, Pattern('e'));
    CTableHolder holder;
    ASSERT_TRUE(holder.Start(path)) << "exit code " << holder.Process().ExitCode();

    std::string table = Pattern('f');
    bool gaveUp;
    int result;
    DWORD elapsed;
    {
        CBackgroundSave save(path, table);
        // The holder keeps the file for a minute unless told; the save must give up long before.
        gaveUp = save.WaitDone(40000);
        holder.Release(); // lets a save that never gives up end, so that the test can report it
        save.WaitDone(30000);
        result = save.Result();
        elapsed = save.ElapsedMs();
    }
    ASSERT_TRUE(gaveUp) << "the save still retried after 40 s";
    EXPECT_EQ(0, result);
    // It retried for about two seconds before it gave up.
    EXPECT_GE(elapsed, 1500u);
    EXPECT_LE(elapsed, 20000u);
    EXPECT_TRUE(FileHolds(path, Pattern('e')));
    EXPECT_TRUE(StrayFiles().empty()) << Joined(StrayFiles());
}

TEST_F(TableFileTest, SavesRacingReadersNeverYieldATornTable)
{
    const int kSaves = 80;
    std::string first = Pattern('g');
    std::string second = Pattern('h');
    ASSERT_EQ(1, WriteTableFile(path.c_str(), first.data(), first.size()));

    // The writer saves the second table first: each save replaces what is there.
    std::string buffer(table_layout::kTableSize, '\0');
    TableRaceResult race = ReadWhileSavesAlternate(
        path, second, first, kSaves,
        [&](std::string* text) {
            int read = ReadTableFile(path.c_str(), &buffer[0], table_layout::kTableSize);
            *text = buffer;
            return read;
        },
        second, first);

    EXPECT_EQ(0, race.torn);
    EXPECT_EQ(0, race.failedReads);
    EXPECT_EQ(0, race.failedSaves);
    EXPECT_EQ(kSaves, race.saves);
    // The reads fell among the saves: they saw both tables.
    EXPECT_TRUE(race.sawFirst && race.sawSecond) << race.reads << " reads";
}

TEST(FieldTextTest, FieldWithoutTerminatorIsNeverReadPastItsEnd)
{
    ServiceRecord record;
    std::memset(&record, 'x', sizeof(record));
    EXPECT_EQ(kPathFieldSize, FieldLength(record.appPath, sizeof(record.appPath)));
    char whole[sizeof(record.appPath) + 1];
    EXPECT_TRUE(CopyField(whole, record.appPath));
    EXPECT_EQ(std::string(kPathFieldSize, 'x'), whole);
    char small[10];
    EXPECT_FALSE(CopyField(small, record.displayName));
    EXPECT_STREQ("xxxxxxxxx", small);

    std::snprintf(record.workDir, sizeof(record.workDir), "C:\\w");
    char workDir[sizeof(record.workDir) + 1];
    EXPECT_TRUE(CopyField(workDir, record.workDir));
    EXPECT_STREQ("C:\\w", workDir);
}

TEST(BoundedTextTest, CopiesAndFormatsReportWhetherTheyFit)
{
    char buffer[6];
    EXPECT_TRUE(CopyText(buffer, "12345"));
    EXPECT_FALSE(CopyText(buffer, "123456"));
    EXPECT_STREQ("12345", buffer);
    EXPECT_TRUE(FormatText(buffer, sizeof(buffer), "%02d.%s", 7, "ab"));
    EXPECT_STREQ("07.ab", buffer);
    EXPECT_FALSE(FormatText(buffer, sizeof(buffer), "%s\\%s", "abc", "def"));
    EXPECT_STREQ("abc\\d", buffer);
}
