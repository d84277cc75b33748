// The service table file: whole-file load and save, and saves racing readers.

#include "BoundedText.h"
#include "ServiceData.h"
#include "TableFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <atomic>
#include <cstring>
#include <thread>

namespace {

class TableFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = MakeScratchDir("table");
        path = folder + "\\Properties.dat";
    }
    std::string folder;
    std::string path;
};

std::string Pattern(char fill)
{
    return std::string(table_layout::kTableSize, fill);
}

} // namespace

TEST_F(TableFileTest, SaveWritesTheWholeTableAndLoadReadsItBack)
{
    CServiceData data;
    ASSERT_EQ(1, data.Init());
    for (int slot = 0; slot < table_layout::kSlots; ++slot)
        EXPECT_TRUE(IsSlotFree(data.Record(slot)));
    std::snprintf(data.Record(49).displayName, kDisplayNameSize, "Last");
    data.Record(49).runRequested = 0x01020304;
    ASSERT_EQ(1, data.Save(path.c_str()));

    std::string bytes = ReadFileBytes(path);
    ASSERT_EQ(table_layout::kTableSize, bytes.size());
    EXPECT_EQ(std::string("Last"), bytes.substr(49 * table_layout::kRecordSize + 3, 4));
    EXPECT_EQ(std::string("\x04\x03\x02\x01"), bytes.substr(49 * table_layout::kRecordSize + 868, 4));

    CServiceData other;
    ASSERT_EQ(1, other.Init());
    ASSERT_EQ(1, other.Load(path.c_str()));
    EXPECT_STREQ("Last", other.Record(49).displayName);
    EXPECT_FALSE(IsSlotFree(other.Record(49)));
}

TEST_F(TableFileTest, ShortFileFailsButReplacesTheStartOfTheTable)
{
    WriteFileBytes(path, Pattern('a').substr(0, table_layout::kTableSize - 1));
    CServiceData data;
    ASSERT_EQ(1, data.Init());
    EXPECT_EQ(0, data.Load(path.c_str()));
    EXPECT_EQ('a', data.Record(0).slotId[0]);
    EXPECT_EQ(0, data.Record(49).reserved2[7995]);
}

TEST_F(TableFileTest, LongerFileLoadsItsStartAndTheNextSaveTruncatesIt)
{
    WriteFileBytes(path, Pattern('b') + "tail");
    CServiceData data;
    ASSERT_EQ(1, data.Init());
    ASSERT_EQ(1, data.Load(path.c_str()));
    ASSERT_EQ(1, data.Save(path.c_str()));
    EXPECT_EQ(Pattern('b'), ReadFileBytes(path));
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

TEST_F(TableFileTest, FailedSaveLeavesThePreviousFileWholeAndNoTemporaryFile)
{
    WriteFileBytes(path, Pattern('c'));
    std::string missingFolder = folder + "\\missing\\Properties.dat";
    std::string table = Pattern('d');
    EXPECT_EQ(0, WriteTableFile(missingFolder.c_str(), table.data(), table.size()));

    // The table is a folder: the replacement fails after the temporary file was written.
    std::string blocked = folder + "\\blocked";
    ::CreateDirectoryA(blocked.c_str(), NULL);
    EXPECT_EQ(0, WriteTableFile(blocked.c_str(), table.data(), table.size()));

    EXPECT_EQ(Pattern('c'), ReadFileBytes(path));
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((folder + "\\*.tmp").c_str(), &found);
    EXPECT_EQ(INVALID_HANDLE_VALUE, search) << found.cFileName;
    if (search != INVALID_HANDLE_VALUE)
        ::FindClose(search);
}

TEST_F(TableFileTest, SaveWaitsForAReaderThatHoldsTheFile)
{
    WriteFileBytes(path, Pattern('e'));
    // A reader of another kind: opened without delete sharing, held for a moment.
    HANDLE reader = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    std::thread release([reader] {
        ::Sleep(300);
        ::CloseHandle(reader);
    });
    std::string table = Pattern('f');
    int saved = WriteTableFile(path.c_str(), table.data(), table.size());
    release.join();
    EXPECT_EQ(1, saved);
    EXPECT_EQ(Pattern('f'), ReadFileBytes(path));
}

TEST_F(TableFileTest, SavesRacingReadersNeverYieldATornTable)
{
    std::string first = Pattern('g');
    std::string second = Pattern('h');
    ASSERT_EQ(1, WriteTableFile(path.c_str(), first.data(), first.size()));

    std::atomic<bool> done(false);
    std::atomic<int> saves(0);
    std::atomic<int> failedSaves(0);
    std::thread writer([&] {
        for (int i = 0; i < 150; ++i) {
            const std::string& table = i % 2 ? first : second;
            if (WriteTableFile(path.c_str(), table.data(), table.size()))
                ++saves;
            else
                ++failedSaves;
        }
        done = true;
    });

    std::string buffer(table_layout::kTableSize, '\0');
    int reads = 0;
    int torn = 0;
    int failedReads = 0;
    while (!done) {
        if (!ReadTableFile(path.c_str(), &buffer[0], table_layout::kTableSize)) {
            ++failedReads;
            continue;
        }
        ++reads;
        if (buffer != first && buffer != second)
            ++torn;
    }
    writer.join();

    EXPECT_EQ(0, torn);
    EXPECT_EQ(0, failedReads);
    EXPECT_EQ(0, failedSaves.load());
    EXPECT_EQ(150, saves.load());
    EXPECT_GT(reads, 0);
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
