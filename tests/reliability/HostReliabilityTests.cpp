// The real host under Wine: arguments longer than two characters, and its saves under the table
// lock, merged into the file as it is.

#include "HostFixture.h"

#include "TableFile.h"
#include "TableLock.h"
#include "WindowList.h"

using ::testing::ElementsAre;
using namespace host_times;

namespace {

HWND WindowOfProcess(DWORD pid, const char* className)
{
    std::vector<HWND> windows = AllWindowsOf(pid, className);
    return windows.empty() ? NULL : windows.front();
}

} // namespace

TEST_F(HostTest, LongerArgumentsAreServedAndNameTheirLogs)
{
    TableImage image;
    FillRecord(image[0], 0, "Zero", BinPath("TestChild.exe"), workDir, "zero", 0);
    FillRecord(image[7], 7, "Seven", BinPath("TestChild.exe"), workDir, "seven", 0);
    image[0].SetRunRequested(1);
    image[7].SetRunRequested(1);
    WriteTable(tablePath, image);

    CTestProcess hello, extra;
    ASSERT_TRUE(hello.Start(BinPath("Halyard.exe"), "Halyard.exe hello"));
    ASSERT_TRUE(extra.Start(BinPath("Halyard.exe"), "Halyard.exe 7 extra"));
    StartHost("07");
    std::vector<ChildRecord> children = WaitChildren(3);
    ASSERT_EQ(3u, children.size());
    int zeros = 0, sevens = 0;
    for (const ChildRecord& child : children)
        (child.commandLine == " zero" ? zeros : sevens) += 1;
    EXPECT_EQ(1, zeros);
    EXPECT_EQ(2, sevens);
    for (const char* log : {"hello.log", "7 extra.log", "07.log"}) {
        ASSERT_TRUE(WaitLogLines(2, kStartMs, log)) << log;
        EXPECT_EQ("EVENT: Application executed by Halyard.", LogMessages(log)[0]) << log;
    }
    EXPECT_FALSE(hello.WaitExit(0));
    EXPECT_FALSE(extra.WaitExit(0));
}

// The host takes the table lock for each of its saves and writes its two fields into the file as
// it is then: what the manager saved while the host was starting stays, a stop request saved in
// that moment is honoured, and the temporary table of a killed writer goes, but not while
// another writer holds the lock.
TEST_F(HostTest, HostSavesUnderTheLockIntoTheCurrentFile)
{
    PutRecord(7, "");
    std::string stale = dataDir + "\\rvt0042.tmp";
    WriteFileBytes(stale, std::string(1000, 'x'));
    std::string before = ReadFileBytes(tablePath);
    TableImage managers;
    {
        CTableLock lock;
        ASSERT_TRUE(lock.IsHeld());
        StartHost("07");
        ASSERT_TRUE(WaitUntil([&] { return WindowOfProcess(host.Id(), "HALYARD") != NULL; },
                              kStartMs));
        // Deliberately idle: the host must be waiting to publish its window, not writing.
        ::Sleep(1500);
        EXPECT_EQ(before, ReadFileBytes(tablePath)) << "the host wrote without the lock";
        EXPECT_TRUE(ReadChildRecords(childDir).empty());
        EXPECT_TRUE(FileExists(stale));

        // Meanwhile the manager saves a new record and the stop request of slot 7.
        ASSERT_TRUE(ReadTable(tablePath, managers));
        FillRecord(managers[3], 3, "Three", BinPath("TestChild.exe"), workDir, "three", 1);
        managers[7].SetRunRequested(0);
        ASSERT_EQ(1, WriteTableFile(tablePath.c_str(), managers.bytes.data(),
                                    managers.bytes.size()));
    }

    ASSERT_TRUE(WaitLogLines(3, kStartMs + kPollMs));
    std::vector<std::string> messages = LogMessages();
    ASSERT_EQ(3u, messages.size());
    EXPECT_EQ("EVENT: Application executed by Halyard.", messages[0]);
    EXPECT_EQ("EVENT: Application terminated by Halyard by request of Ravelin manager.",
              messages[2]);
    std::vector<ChildRecord> children = ReadChildRecords(childDir);
    for (const ChildRecord& child : children)
        EXPECT_TRUE(WaitUntil([&] { return !IsProcessAlive(child.pid); }, kPollMs));

    TableImage onDisk;
    ASSERT_TRUE(ReadTable(tablePath, onDisk));
    EXPECT_EQ(managers.Record(3), onDisk.Record(3));
    RecordFields own = onDisk.Fields(7);
    EXPECT_EQ(0u, own.runRequested);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(WindowOfProcess(host.Id(), "HALYARD")),
              static_cast<uintptr_t>(own.hostWindow));
    EXPECT_NE(0u, own.appProcessId);
    EXPECT_EQ("EVENT: CallApplication success: " + Num(own.appProcessId), messages[1]);
    EXPECT_FALSE(FileExists(stale));
}
