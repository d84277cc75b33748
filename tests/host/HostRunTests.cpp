// The real host under Wine: launching, arguments, stop requests, closing, failures.

#include "HostFixture.h"

#include <regex>

using ::testing::ElementsAre;

namespace {

std::string Num(DWORD value)
{
    return std::to_string(static_cast<int>(value));
}

} // namespace

TEST_F(HostTest, LaunchPassesParametersAndWorkDirWithBlanksAndPublishesIds)
{
    PutRecord(7, "alpha beta  \"quoted arg\" --x");
    StartHost("07");

    std::vector<ChildRecord> children = WaitChildren(1);
    ASSERT_EQ(1u, children.size());
    const ChildRecord& child = children[0];
    EXPECT_EQ(" alpha beta  \"quoted arg\" --x", child.commandLine);
    EXPECT_EQ(workDir, child.workDir);

    ASSERT_TRUE(WaitLogLines(2, 5000));
    EXPECT_THAT(LogMessages(), ElementsAre("EVENT: Application executed by Halyard.",
                                           "EVENT: CallApplication success: " + Num(child.pid)));

    RecordFields record = RecordOnDisk(7);
    EXPECT_EQ(child.pid, record.appProcessId);
    HWND window = HostWindow();
    ASSERT_TRUE(::IsWindow(window));
    char className[80] = "";
    char title[80] = "";
    ::GetClassNameA(window, className, sizeof(className));
    ::SendMessageA(window, WM_GETTEXT, sizeof(title), reinterpret_cast<LPARAM>(title));
    EXPECT_STREQ("HALYARD", className);
    EXPECT_STREQ("Halyard - Morvane", title);
    EXPECT_FALSE(::IsWindowVisible(window));
    DWORD windowProcess = 0;
    ::GetWindowThreadProcessId(window, &windowProcess);
    EXPECT_EQ(host.Id(), windowProcess);
    // The record's other fields are carried unchanged.
    EXPECT_EQ("07", record.slotId);
    EXPECT_EQ(1u, record.runRequested);
}

TEST_F(HostTest, LogLinesHaveTheExactFormatOnDisk)
{
    PutRecord(7, "");
    StartHost("07");
    std::vector<ChildRecord> children = WaitChildren(1);
    ASSERT_EQ(1u, children.size());
    EXPECT_EQ(" ", children[0].commandLine); // empty parameters give one blank
    ASSERT_TRUE(WaitLogLines(2, 5000));

    std::string bytes = ReadFileBytes(dataDir + "\\07.log");
    std::regex format("(\\d{4}/\\d{2}/\\d{2} \\[\\d{2}:\\d{2}:\\d{2}\\])\\*EVENT\\*\\*"
                      "Application executed by Halyard\\.\r\n"
                      "(\\d{4}/\\d{2}/\\d{2} \\[\\d{2}:\\d{2}:\\d{2}\\])\\*EVENT\\*\\*"
                      "CallApplication success: " +
                      Num(children[0].pid) + "\r\n");
    EXPECT_TRUE(std::regex_match(bytes, format)) << bytes;
}

TEST_F(HostTest, StopRequestIsSeenWithinOnePollAndPollingEnds)
{
    PutRecord(7, "--spawn");
    StartHost("07");
    std::vector<ChildRecord> children = WaitChildren(1);
    ASSERT_EQ(1u, children.size());
    DWORD pid = children[0].pid;
    ASSERT_TRUE(WaitLogLines(2, 5000));

    DWORD saved = ::GetTickCount();
    EditRecord(7, [](TestRecord& record) { record.SetRunRequested(0); });
    ASSERT_TRUE(WaitUntil([&] { return !IsProcessAlive(pid); }, 4000));
    DWORD elapsed = ::GetTickCount() - saved;
    EXPECT_LE(elapsed, 2000u + 1000u) << "more than one poll period";

    ASSERT_TRUE(WaitLogLines(3, 2000));
    // A further poll would try again and log a failure: three periods show none.
    ::Sleep(3 * 2000 + 500);
    EXPECT_THAT(LogMessages(),
                ElementsAre("EVENT: Application executed by Halyard.",
                            "EVENT: CallApplication success: " + Num(pid),
                            "EVENT: Application terminated by Halyard by request of Ravelin "
                            "manager."));
    // The application's own child is not the host's to end.
    EXPECT_TRUE(IsProcessAlive(children[0].spawned));
    EXPECT_FALSE(host.WaitExit(0));
}

TEST_F(HostTest, HostStartedWithRunRequestedZeroStopsAtTheFirstPoll)
{
    PutRecord(7, "", 1, 0);
    StartHost("07");
    std::vector<ChildRecord> children = WaitChildren(1);
    ASSERT_EQ(1u, children.size());
    ASSERT_TRUE(WaitLogLines(3, 5000));
    EXPECT_FALSE(IsProcessAlive(children[0].pid));
    EXPECT_EQ("EVENT: Application terminated by Halyard by request of Ravelin manager.",
              LogMessages()[2]);
}

TEST_F(HostTest, FailedFirstLaunchIsLoggedAndPollingGoesOn)
{
    PutRecord(7, "x", 1, 1, "C:\\no such folder\\app.exe");
    StartHost("07");
    ASSERT_TRUE(WaitLogLines(2, 5000));
    EXPECT_THAT(LogMessages(), ElementsAre("ERROR: Halyard couldn't execute the application.",
                                           "ERROR: CallApplication fail: 0"));
    EXPECT_EQ(0u, RecordOnDisk(7).appProcessId);

    // Still polling: a stop request is answered, here with a failed termination.
    EditRecord(7, [](TestRecord& record) { record.SetRunRequested(0); });
    ASSERT_TRUE(WaitLogLines(4, 4000));
    std::vector<std::string> messages = LogMessages();
    EXPECT_EQ("ERROR: Application failed to terminated by Halyard by request of Ravelin manager.",
              messages[2]);
    EXPECT_EQ("ERROR: OpenProcess: 87 (fprocessid: 0, mprocessid: 0, msid: 7)", messages[3]);
    EXPECT_FALSE(host.WaitExit(0));
}

TEST_F(HostTest, CloseEndsTheHostWithExitCodeZeroAndLeavesTheApplicationRunning)
{
    PutRecord(7, "");
    StartHost("07");
    std::vector<ChildRecord> children = WaitChildren(1);
    ASSERT_EQ(1u, children.size());
    ASSERT_TRUE(WaitLogLines(2, 5000));

    ::PostMessageA(HostWindow(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(host.WaitExit(5000));
    EXPECT_EQ(0u, host.ExitCode());
    EXPECT_TRUE(IsProcessAlive(children[0].pid));
    EXPECT_EQ(2u, Log().size());
}

TEST_F(HostTest, ArgumentSevenWithoutLeadingZeroServesSlotSevenButLogsTo7Log)
{
    PutRecord(7, "");
    StartHost("7");
    ASSERT_EQ(1u, WaitChildren(1).size());
    ASSERT_TRUE(WaitLogLines(2, 5000, "7.log"));
    EXPECT_EQ("EVENT: Application executed by Halyard.", LogMessages("7.log")[0]);
    EXPECT_FALSE(FileExists(dataDir + "\\07.log"));
}

TEST_F(HostTest, ArgumentFortyNineIsTheLastSlot)
{
    PutRecord(49, "");
    StartHost("49");
    ASSERT_EQ(1u, WaitChildren(1).size());
    ASSERT_TRUE(WaitLogLines(2, 5000, "49.log"));
    EXPECT_NE(0u, RecordOnDisk(49).hostWindow);
}

TEST_F(HostTest, WordArgumentServesSlotZeroAndNamesTheLog)
{
    PutRecord(0, "");
    StartHost("ab");
    ASSERT_EQ(1u, WaitChildren(1).size());
    ASSERT_TRUE(WaitLogLines(2, 5000, "ab.log"));
    EXPECT_EQ("EVENT: Application executed by Halyard.", LogMessages("ab.log")[0]);
}

// Each of these ends the host at once with exit code 0, launching nothing and logging nothing.
TEST_F(HostTest, RefusedArgumentsEndTheHostQuietly)
{
    TableImage image;
    for (int slot = 0; slot < table_layout::kSlots; ++slot)
        FillRecord(image[slot], slot, "Any", BinPath("TestChild.exe"), workDir, "", 1);
    WriteTable(tablePath, image);

    for (const char* argument : {"50", "-1", "", "100", "hello", "007"}) {
        CTestProcess refused;
        ASSERT_TRUE(refused.Start(BinPath("Halyard.exe"), std::string("Halyard.exe ") + argument));
        ASSERT_TRUE(refused.WaitExit(5000)) << argument;
        EXPECT_EQ(0u, refused.ExitCode()) << argument;
    }
    EXPECT_TRUE(ReadChildRecords(childDir).empty());
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((dataDir + "\\*.log").c_str(), &found);
    EXPECT_EQ(INVALID_HANDLE_VALUE, search) << found.cFileName;
    if (search != INVALID_HANDLE_VALUE)
        ::FindClose(search);
}

TEST_F(HostTest, MissingOrShortTableOrFolderEndsTheHostQuietly)
{
    auto expectQuietEnd = [&](const char* what) {
        CTestProcess refused;
        ASSERT_TRUE(refused.Start(BinPath("Halyard.exe"), "Halyard.exe 07"));
        ASSERT_TRUE(refused.WaitExit(5000)) << what;
        EXPECT_EQ(0u, refused.ExitCode()) << what;
        EXPECT_FALSE(FileExists(dataDir + "\\07.log")) << what;
        EXPECT_TRUE(ReadChildRecords(childDir).empty()) << what;
    };

    expectQuietEnd("no table file");

    PutRecord(7, "");
    std::string bytes = ReadFileBytes(tablePath);
    WriteFileBytes(tablePath, bytes.substr(0, table_layout::kTableSize - 1));
    expectQuietEnd("table one byte short");

    WriteFileBytes(tablePath, bytes);
    SetSetting("dataPath", "");
    expectQuietEnd("no dataPath value");

    // 241 characters: the table's path no longer fits its buffer.
    std::string longFolder = dataDir + "\\" + std::string(240 - dataDir.size(), 'd');
    ASSERT_EQ(241u, longFolder.size());
    ::CreateDirectoryA(longFolder.c_str(), NULL);
    WriteFileBytes(longFolder + "\\Properties.dat", bytes);
    SetSetting("dataPath", longFolder);
    expectQuietEnd("data folder too long");
    EXPECT_FALSE(FileExists(longFolder + "\\07.log"));

    // 254 characters do not fit the registry read at all.
    SetSetting("dataPath", std::string(254, 'x'));
    expectQuietEnd("dataPath value too long");
}

TEST_F(HostTest, TableOfMoreThanFullSizeIsServed)
{
    PutRecord(7, "");
    WriteFileBytes(tablePath, ReadFileBytes(tablePath) + "extra");
    StartHost("07");
    ASSERT_EQ(1u, WaitChildren(1).size());
    ASSERT_TRUE(WaitLogLines(2, 5000));
    // The host's save after the launch writes the table at its own size.
    EXPECT_TRUE(WaitUntil([&] { return ReadFileBytes(tablePath).size() == table_layout::kTableSize; }, 3000));
}
