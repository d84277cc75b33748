// Writers and readers of the service table: the host publishes only its own fields into the file
// as it is now, every writer holds the table lock, temporary tables left by a killed writer go,
// and a poll reads just the host's own record.

#include "ApplicationControl.h"
#include "BoundedText.h"
#include "HostUtil.h"
#include "TableFile.h"
#include "TableLock.h"
#include "TableRace.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <atomic>
#include <functional>
#include <thread>

namespace {

std::vector<std::string> TemporaryTables(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((folder + "\\rvt*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(found.cFileName);
    while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return names;
}

// Another writer, here a thread as it could be another process: takes the table lock, does its
// work with it, and keeps it until released.
class COtherWriter {
public:
    explicit COtherWriter(const std::function<void()>& work = [] {})
        : thread_([this, work] {
              CTableLock lock;
              if (lock.IsHeld())
                  work();
              taken_ = lock.IsHeld();
              while (!release_)
                  ::Sleep(5);
          })
    {
    }
    ~COtherWriter() { Release(); }
    bool WaitTaken() { return WaitUntil([&] { return taken_.load(); }, 5000); }
    void Release()
    {
        release_ = true;
        if (thread_.joinable())
            thread_.join();
    }

private:
    std::atomic<bool> taken_{false};
    std::atomic<bool> release_{false};
    std::thread thread_;
};

class HostSaveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = MakeScratchDir("host save");
        path = folder + "\\Properties.dat";
        FillRecord(image[7], 7, "Seven", "C:\\seven.exe", "C:\\", "", 0);
        image[7].SetRunRequested(1);
        WriteTable(path, image);
        ASSERT_TRUE(CopyText(host.propertiesPath, path.c_str()));
        host.slot = 7;
        ASSERT_EQ(1, host.InitProperties());
        ASSERT_EQ(1, host.LoadProperties());
    }

    uint32_t RecordOnDiskPid()
    {
        TableImage onDisk;
        EXPECT_TRUE(ReadTable(path, onDisk));
        return onDisk.Fields(7).appProcessId;
    }

    std::string folder;
    std::string path;
    TableImage image;
    CUtil host;
};

} // namespace

// The worst case: the manager saves a stop request, a new record, an edit and a delete after the
// host loaded the table for a launch; the host's save after the launch must keep all of them.
TEST_F(HostSaveTest, HostSaveKeepsWhatOthersSavedSinceItsLoadAndWritesOnlyItsTwoFields)
{
    FillRecord(image[3], 3, "Three", "C:\\three.exe", "C:\\", "", 0);
    image[3].SetNumber(table_layout::kHostWindow, 0x3333);
    WriteTable(path, image);
    // The host has loaded this table; now the manager saves.
    ASSERT_EQ(1, host.LoadProperties());
    TableImage managers = image;
    managers[7].SetRunRequested(0);
    managers[7].SetDisplayName("Seven renamed");
    managers[3].Clear();
    FillRecord(managers[12], 12, "Twelve", "C:\\twelve.exe", "C:\\", "x", 1);
    ASSERT_EQ(1, WriteTableFile(path.c_str(), managers.bytes.data(), managers.bytes.size()));

    host.Record().hostWindow = 0xABCD;
    host.Record().appProcessId = 4242;
    host.Record().runRequested = 1;           // the host's stale copy, which must not go out
    host.Record().reviveOnSessionEnd = 77;
    ASSERT_EQ(1, host.SaveProperties());

    TableImage expected = managers;
    expected[7].SetNumber(table_layout::kHostWindow, 0xABCD);
    expected[7].SetAppProcessId(4242);
    TableImage onDisk;
    ASSERT_TRUE(ReadTable(path, onDisk));
    EXPECT_EQ(expected.bytes, onDisk.bytes);
    EXPECT_EQ(0u, onDisk.Fields(7).runRequested);
}

TEST_F(HostSaveTest, HostWritesNothingWhenTheFileCannotBeReadWhole)
{
    std::string shortTable = image.bytes.substr(0, table_layout::kTableSize - 1);
    WriteFileBytes(path, shortTable);
    host.Record().appProcessId = 99;
    EXPECT_EQ(0, host.SaveProperties());
    EXPECT_EQ(shortTable, ReadFileBytes(path));
    ::DeleteFileA(path.c_str());
    EXPECT_EQ(0, host.SaveProperties());
    EXPECT_FALSE(FileExists(path));
}

// A save waits while another writer holds the lock (here another thread, as another process
// would), writes after the release, and gives up when the lock is never released.
TEST_F(HostSaveTest, SavesWaitForTheTableLock)
{
    COtherWriter holder;
    ASSERT_TRUE(holder.WaitTaken());
    host.Record().appProcessId = 1234;
    std::atomic<int> saved(-1);
    std::thread saver([&] { saved = host.SaveProperties(); });
    ::Sleep(500); // deliberately: the save must still be waiting
    EXPECT_EQ(-1, saved.load());
    EXPECT_EQ(0u, RecordOnDiskPid());
    holder.Release();
    saver.join();
    EXPECT_EQ(1, saved.load());
    EXPECT_EQ(1234u, RecordOnDiskPid());

    COtherWriter hog;
    ASSERT_TRUE(hog.WaitTaken());
    CTableLock shortWait(200);
    EXPECT_FALSE(shortWait.IsHeld());
}

// A writer that ended while holding the lock does not hold the table up.
TEST_F(HostSaveTest, LockOfAWriterThatEndedIsTakenOver)
{
    CHandle mutex(::CreateMutexA(NULL, FALSE, kTableLockName));
    ASSERT_TRUE(mutex.IsValid());
    std::thread ended([&] {
        // Taken and never released: when the thread ends, the system marks the lock abandoned.
        ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(mutex.Get(), 5000));
    });
    ended.join();
    host.Record().appProcessId = 555;
    DWORD start = ::GetTickCount();
    EXPECT_EQ(1, host.SaveProperties());
    EXPECT_LT(::GetTickCount() - start, 5000u);
    EXPECT_EQ(555u, RecordOnDiskPid());
}

TEST_F(HostSaveTest, StaleTemporaryTablesGoAtTheNextSaveButNotWhileASaveHoldsTheLock)
{
    for (const char* name : {"rvt1A2B.tmp", "rvtFFFF.tmp"})
        WriteFileBytes(folder + "\\" + name, std::string(1000, 'x'));
    WriteFileBytes(folder + "\\other.tmp", "keep");
    WriteFileBytes(folder + "\\rvt.log", "keep");

    // Another save in progress: it holds the lock while its temporary file exists.
    std::string busy = folder + "\\rvt0001.tmp";
    COtherWriter writer([&] { WriteFileBytes(busy, "being written"); });
    ASSERT_TRUE(writer.WaitTaken());
    std::thread saver([&] { EXPECT_EQ(1, host.SaveProperties()); });
    ::Sleep(300); // deliberately: the save waits, the other save's file stays
    EXPECT_TRUE(FileExists(folder + "\\rvt0001.tmp"));
    EXPECT_EQ(3u, TemporaryTables(folder).size());
    ::DeleteFileA(busy.c_str()); // that save puts its file in place
    writer.Release();
    saver.join();

    EXPECT_TRUE(TemporaryTables(folder).empty());
    EXPECT_EQ("keep", ReadFileBytes(folder + "\\other.tmp"));
    EXPECT_EQ("keep", ReadFileBytes(folder + "\\rvt.log"));
}

// The check that a record's appProcessId still runs the record's program: the host opens the
// process with the limited query right, which also works across bitness, and the check must
// answer with no more than that.
TEST(ProcessImageTest, ImageIsCheckedThroughTheLimitedQueryRight)
{
    EXPECT_EQ(kProcessQueryLimitedInformation, ImageQueryAccess());
    CTestProcess child;
    ASSERT_TRUE(child.Start(BinPath("TestChild.exe"), " image check"));
    CHandle limited(::OpenProcess(SYNCHRONIZE | kProcessQueryLimitedInformation, FALSE,
                                  child.Id()));
    ASSERT_TRUE(limited.IsValid());
    EXPECT_TRUE(ProcessRunsImage(limited.Get(), BinPath("TestChild.exe").c_str()));
    // Case and a short or relative spelling do not matter; another program does.
    std::string upper = BinPath("TESTCHILD.EXE");
    EXPECT_TRUE(ProcessRunsImage(limited.Get(), upper.c_str()));
    EXPECT_FALSE(ProcessRunsImage(limited.Get(), BinPath("Halyard.exe").c_str()));
    EXPECT_FALSE(ProcessRunsImage(limited.Get(), ""));
    KillProcess(child.Id());
}

// A poll reads just the host's own record: the bytes at slot * 8868, nothing else, and only from
// a file that holds the whole table.
namespace {

// A table whose every record is distinct in every byte that a wrong offset would shift into.
TableImage DistinctTable(char seed)
{
    TableImage table;
    for (size_t at = 0; at < table.bytes.size(); ++at)
        table.bytes[at] = static_cast<char>(seed + at * 7 + at / table_layout::kRecordSize);
    return table;
}

// A record of the host's in-memory table, read through Record() as the host would for that slot.
std::string InMemoryRecord(CUtil& util, int slot)
{
    int own = util.slot;
    util.slot = slot;
    std::string bytes(reinterpret_cast<const char*>(&util.Record()), table_layout::kRecordSize);
    util.slot = own;
    return bytes;
}

std::string InMemoryTable(CUtil& util)
{
    std::string bytes;
    for (int slot = 0; slot < table_layout::kSlots; ++slot)
        bytes += InMemoryRecord(util, slot);
    return bytes;
}

} // namespace

TEST_F(HostSaveTest, PollReadsTheOwnRecordFromItsOffsetAndNoOtherRecord)
{
    for (int slot : {0, 7, 31, 49}) {
        SCOPED_TRACE("slot " + std::to_string(slot));
        TableImage first = DistinctTable('a');
        WriteTable(path, first);
        host.slot = slot;
        ASSERT_EQ(1, host.LoadProperties());
        ASSERT_EQ(first.bytes, InMemoryTable(host));

        TableImage second = DistinctTable('q');
        second[slot].SetRunRequested(0);
        ASSERT_EQ(1, WriteTableFile(path.c_str(), second.bytes.data(), second.bytes.size()));
        ASSERT_EQ(1, host.LoadOwnRecord());

        // The own record is the file's, byte for byte; every other one is still the first load's.
        TableImage expected = first;
        expected.bytes.replace(slot * table_layout::kRecordSize, table_layout::kRecordSize,
                               second.Record(slot));
        EXPECT_TRUE(expected.bytes == InMemoryTable(host));
        EXPECT_EQ(0u, host.Record().runRequested);
    }
}

// A file one byte short still holds the whole of record 7 (and nearly all of record 49), but a
// whole load of it fails, and so does the poll's read; a missing file likewise. The record in
// memory stays as the last good read left it. A longer file is read as the whole load reads it.
TEST_F(HostSaveTest, PollReadFailsOnAShortOrMissingFileAndKeepsTheRecord)
{
    for (int slot : {7, 49}) {
        SCOPED_TRACE("slot " + std::to_string(slot));
        host.slot = slot;
        TableImage good = DistinctTable('c');
        good[slot].SetRunRequested(1);
        WriteTable(path, good);
        ASSERT_EQ(1, host.LoadOwnRecord());
        ASSERT_EQ(good.Record(slot), InMemoryRecord(host, slot));

        TableImage stop = DistinctTable('k');
        stop[slot].SetRunRequested(0);
        WriteFileBytes(path, stop.bytes.substr(0, table_layout::kTableSize - 1));
        EXPECT_EQ(0, host.LoadProperties());
        ASSERT_EQ(1, WriteTableFile(path.c_str(), good.bytes.data(), good.bytes.size()));
        ASSERT_EQ(1, host.LoadOwnRecord());
        WriteFileBytes(path, stop.bytes.substr(0, table_layout::kTableSize - 1));
        EXPECT_EQ(0, host.LoadOwnRecord());
        EXPECT_EQ(good.Record(slot), InMemoryRecord(host, slot));
        EXPECT_EQ(1u, host.Record().runRequested);

        WriteFileBytes(path, "");
        EXPECT_EQ(0, host.LoadOwnRecord());
        ASSERT_TRUE(::DeleteFileA(path.c_str()));
        EXPECT_EQ(0, host.LoadOwnRecord());
        EXPECT_EQ(good.Record(slot), InMemoryRecord(host, slot));

        WriteFileBytes(path, stop.bytes + "tail");
        EXPECT_EQ(1, host.LoadOwnRecord());
        EXPECT_EQ(stop.Record(slot), InMemoryRecord(host, slot));
        EXPECT_EQ(0u, host.Record().runRequested);
    }
}

// Polls read whatever file is in place when they open it: each replacement between polls is
// seen, and reads racing replacements get one version's record whole, never a mix.
TEST_F(HostSaveTest, PollSeesEachReplacementWholeEvenWhileOneIsUnderWay)
{
    TableImage running = DistinctTable('r');
    running[7].SetRunRequested(1);
    TableImage stopping = DistinctTable('s');
    stopping[7].SetRunRequested(0);
    for (const TableImage* table : {&stopping, &running, &stopping}) {
        ASSERT_EQ(1, WriteTableFile(path.c_str(), table->bytes.data(), table->bytes.size()));
        ASSERT_EQ(1, host.LoadOwnRecord());
        EXPECT_EQ(table->Record(7), InMemoryRecord(host, 7));
    }

    const int kSaves = 60;
    TableRaceResult race = ReadWhileSavesAlternate(
        path, running.bytes, stopping.bytes, kSaves,
        [&](std::string* record) {
            int read = host.LoadOwnRecord();
            *record = InMemoryRecord(host, 7);
            return read;
        },
        running.Record(7), stopping.Record(7));
    EXPECT_EQ(0, race.torn);
    EXPECT_EQ(0, race.failedReads);
    EXPECT_EQ(0, race.failedSaves);
    EXPECT_TRUE(race.sawFirst && race.sawSecond) << race.reads << " reads";
}

// Between whole loads the host's copy of the other records grows stale; its saves must not carry
// any of it into the file. Here the manager deletes one service, adds another and edits a third
// after the host's last whole load; the host polls (its own record only) and then publishes a
// launch.
TEST_F(HostSaveTest, StaleOtherRecordsAfterPollsNeverReachTheFile)
{
    FillRecord(image[3], 3, "Three", "C:\\three.exe", "C:\\", "", 0);
    FillRecord(image[9], 9, "Nine", "C:\\nine.exe", "C:\\", "", 1);
    WriteTable(path, image);
    ASSERT_EQ(1, host.LoadProperties());

    TableImage managers = image;
    managers[3].Clear();
    FillRecord(managers[12], 12, "Twelve", "C:\\twelve.exe", "C:\\", "x", 1);
    managers[9].SetDisplayName("Nine renamed");
    managers[7].SetAppParams("new params");
    ASSERT_EQ(1, WriteTableFile(path.c_str(), managers.bytes.data(), managers.bytes.size()));
    ASSERT_EQ(1, host.LoadOwnRecord());
    EXPECT_EQ(image.Record(3), InMemoryRecord(host, 3)); // stale in memory, as it may be

    host.Record().appProcessId = 777;
    host.Record().hostWindow = 0x1234;
    ASSERT_EQ(1, host.SaveProperties());
    TableImage expected = managers;
    expected[7].SetAppProcessId(777);
    expected[7].SetNumber(table_layout::kHostWindow, 0x1234);
    TableImage onDisk;
    ASSERT_TRUE(ReadTable(path, onDisk));
    EXPECT_TRUE(expected.bytes == onDisk.bytes);
}
