// The host's pieces of the stop that need no running host: the run request's merged saves, the
// console helper's argument and the console program check.

#include "ConsoleControl.h"
#include "ServiceData.h"
#include "TableLock.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

class RunRequestSaveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = MakeScratchDir("run request") + "\\Properties.dat";
        FillRecord(image[3], 3, "Three", "C:\\three.exe", "C:\\", "", 0);
        FillRecord(image[7], 7, "Seven", "C:\\seven.exe", "C:\\", "old", 0);
        image[7].SetRunRequested(1);
        WriteTable(path, image);
        ASSERT_EQ(1, data.Init());
        ASSERT_EQ(1, data.Load(path.c_str()));
    }

    // Another writer (the manager) saves the file meanwhile.
    void OtherWriterSaves(uint32_t runRequested)
    {
        TableImage changed = image;
        changed[3].SetAppParams("changed by the manager");
        changed[7].SetAppParams("new");
        changed[7].SetRunRequested(runRequested);
        WriteTable(path, changed);
    }

    RecordFields OnDisk(int slot)
    {
        TableImage now;
        EXPECT_TRUE(ReadTable(path, now));
        return now.Fields(slot);
    }

    std::string path;
    TableImage image;
    CServiceData data;
};

} // namespace

// The stop's save merges into the file as it now is: the other writer's changes stay.
TEST_F(RunRequestSaveTest, StopSaveWritesOnlyTheRunRequestIntoTheCurrentFile)
{
    OtherWriterSaves(1);
    ASSERT_EQ(1, data.SaveRunRequest(path.c_str(), 7, 0, false));
    RecordFields seven = OnDisk(7);
    EXPECT_EQ(0u, seven.runRequested);
    EXPECT_EQ("new", seven.appParams);
    EXPECT_EQ("changed by the manager", OnDisk(3).appParams);
    EXPECT_EQ(0u, data.Record(7).runRequested);
}

// At the host's start: a record that still holds what the host loaded gets 1; one that someone
// changed since (a stop request saved while the host started) keeps the newer value, and the
// host's table takes it.
TEST_F(RunRequestSaveTest, StartSaveSetsOneUnlessANewerRequestWasSaved)
{
    image[7].SetRunRequested(0);
    WriteTable(path, image);
    ASSERT_EQ(1, data.Load(path.c_str()));
    ASSERT_EQ(1, data.SaveRunRequest(path.c_str(), 7, 1, true));
    EXPECT_EQ(1u, OnDisk(7).runRequested);
    EXPECT_EQ(1u, data.Record(7).runRequested);

    // Loaded as 1; the manager's stop request comes before the host's save.
    OtherWriterSaves(0);
    ASSERT_EQ(1, data.SaveRunRequest(path.c_str(), 7, 1, true));
    EXPECT_EQ(0u, OnDisk(7).runRequested);
    EXPECT_EQ(0u, data.Record(7).runRequested);
    EXPECT_EQ("changed by the manager", OnDisk(3).appParams);
}

// A file that holds the value already is left as it is, byte for byte; a file that cannot be
// read whole is not written, and the save fails.
TEST_F(RunRequestSaveTest, NothingIsWrittenWhenTheValueIsThereOrTheFileIsShort)
{
    std::string before = ReadFileBytes(path);
    ASSERT_EQ(1, data.SaveRunRequest(path.c_str(), 7, 1, false));
    EXPECT_EQ(before, ReadFileBytes(path));

    WriteFileBytes(path, before.substr(0, before.size() - 1));
    EXPECT_EQ(0, data.SaveRunRequest(path.c_str(), 7, 0, false));
    EXPECT_EQ(before.size() - 1, ReadFileBytes(path).size());
    EXPECT_EQ(0, data.SaveRunRequest(path.c_str(), 50, 0, false));
}

TEST(ConsoleControlTest, OnlyTheHelpersOwnArgumentAsksForTheHelper)
{
    DWORD id = 0;
    EXPECT_TRUE(ParseConsoleCtrlArgument("--console-ctrl-c 1234", &id));
    EXPECT_EQ(1234u, id);
    for (const char* other :
         {"07", "", "--console-ctrl-c", "--console-ctrl-c ", "--console-ctrl-c 0",
          "--console-ctrl-c 12x", "--console-ctrl-cx 5", "--console-ctrl-c 5 6",
          " --console-ctrl-c 5", "-5"}) {
        id = 77;
        EXPECT_FALSE(ParseConsoleCtrlArgument(other, &id)) << other;
        EXPECT_EQ(77u, id) << other;
    }
    EXPECT_FALSE(ParseConsoleCtrlArgument(NULL, &id));
}

TEST(ConsoleControlTest, ConsoleProgramsAreKnownByTheirExecutableHeader)
{
    EXPECT_TRUE(IsConsoleProgram(BinPath("TestConsoleChild.exe").c_str()));
    EXPECT_TRUE(IsConsoleProgram(BinPath("Ravelin.exe").c_str()));
    EXPECT_FALSE(IsConsoleProgram(BinPath("TestChild.exe").c_str()));
    EXPECT_FALSE(IsConsoleProgram(BinPath("Halyard.exe").c_str()));

    std::string folder = MakeScratchDir("not programs");
    EXPECT_FALSE(IsConsoleProgram((folder + "\\missing.exe").c_str()));
    std::string program = ReadFileBytes(BinPath("TestConsoleChild.exe"));
    std::string cut = folder + "\\cut.exe";
    WriteFileBytes(cut, program.substr(0, 200));
    EXPECT_FALSE(IsConsoleProgram(cut.c_str()));
    std::string text = folder + "\\text.exe";
    WriteFileBytes(text, "MZ but nothing more than a line of text");
    EXPECT_FALSE(IsConsoleProgram(text.c_str()));
}
