// The real host under Wine: launching, arguments, stop requests, closing, failures.

#include "HostFixture.h"

#include "HandleT.h"

#include <cstdlib>
#include <regex>
#include <utility>

using ::testing::ElementsAre;
using namespace host_times;

TEST_F(HostTest, LaunchPassesParametersAndWorkDirWithBlanksAndPublishesIds)
{
    PutRecord(7, "alpha beta  \"quoted arg\" --x");
    StartHost("07");

    std::vector<ChildRecord> children = WaitChildren(1);
    ASSERT_EQ(1u, children.size());
    const ChildRecord& child = children[0];
    EXPECT_EQ(" alpha beta  \"quoted arg\" --x", child.commandLine);
    EXPECT_EQ(workDir, child.workDir);

    ASSERT_TRUE(WaitLogLines(2, kStartMs));
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

// The host writes only hostWindow and appProcessId of its own record: its saves carry every
// other record, its record's other bytes (reserved areas and whatever follows a text's
// terminator) and the file's size byte for byte.
TEST_F(HostTest, SavesChangeOnlyHostWindowAndAppProcessIdOfTheOwnRecord)
{
    TableImage image;
    for (size_t i = 0; i < image.bytes.size(); ++i)
        image.bytes[i] = static_cast<char>(0x11 + i * 7 % 233);
    TestRecord own = image[7];
    own.SetText(table_layout::kSlotId, "07");
    own.SetDisplayName("Test Service");
    own.SetAppPath(BinPath("TestChild.exe"));
    own.SetWorkDir(workDir);
    own.SetAppParams("pattern");
    own.SetRevive(1);
    own.SetRunRequested(1);
    own.SetNumber(table_layout::kReserved1, 0xA5A5C3C3);
    own.SetNumber(table_layout::kHostWindow, 0xDEADBEEF);
    own.SetNumber(table_layout::kAppProcessId, 0xFEEDF00D);
    ASSERT_NE('\0', image.bytes[7 * table_layout::kRecordSize + table_layout::kReserved2.offset]);
    WriteTable(tablePath, image);

    StartHost("07");
    std::vector<ChildRecord> children = WaitChildren(1);
    ASSERT_EQ(1u, children.size());
    EXPECT_EQ(" pattern", children[0].commandLine);
    ASSERT_TRUE(WaitLogLines(2, kStartMs)); // written after the launch's save
    HWND window = HostWindow();
    ASSERT_TRUE(::IsWindow(window));

    own.SetNumber(table_layout::kHostWindow,
                  static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window)));
    own.SetAppProcessId(children[0].pid);
    std::string onDisk = ReadFileBytes(tablePath);
    EXPECT_EQ("", FirstTableDifference(image.bytes, onDisk));
}

TEST_F(HostTest, LogLinesHaveTheExactFormatOnDisk)
{
    PutRecord(7, "");
    StartHost("07");
    std::vector<ChildRecord> children = WaitChildren(1);
    ASSERT_EQ(1u, children.size());
    EXPECT_EQ(" ", children[0].commandLine); // empty parameters give one blank
    ASSERT_TRUE(WaitLogLines(2, kStartMs));

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
    // The application and its own child both record themselves, in either order: the
    // application is the one that names a spawned child.
    std::vector<ChildRecord> children = WaitChildren(2);
    ASSERT_EQ(2u, children.size());
    if (children[0].spawned == 0)
        std::swap(children[0], children[1]);
    DWORD pid = children[0].pid;
    ASSERT_EQ(children[1].pid, children[0].spawned);
    ASSERT_TRUE(WaitLogLines(2, kStartMs));

    EditRecord(7, [](TestRecord& record) { record.SetRunRequested(0); });
    ASSERT_TRUE(WaitUntil([&] { return !IsProcessAlive(pid); }, kPollMs))
        << "no poll saw the stop request";
    ASSERT_TRUE(WaitLogLines(3, kPollMs));

    // Deliberately idle for several poll periods: a further poll would find runRequested still 0,
    // try again and log a failure.
    ::Sleep(kQuietPollsMs);
    EXPECT_EQ(0u, RecordOnDisk(7).runRequested);
    EXPECT_THAT(LogMessages(),
                ElementsAre("EVENT: Application executed by Halyard.",
                            "EVENT: CallApplication success: " + Num(pid),
                            "EVENT: Application terminated by Halyard by request of Ravelin "
                            "manager."));
    // The application's own child is not the host's to end.
    EXPECT_TRUE(IsProcessAlive(children[0].spawned));
    EXPECT_FALSE(host.WaitExit(0));
}

// A host started with the run request 0 (a start by another controller than the manager, or at
// boot) makes it 1 before its first poll, so its application keeps running through the polls.
TEST_F(HostTest, HostStartedWithRunRequestedZeroSavesOneAndKeepsTheApplication)
{
    PutRecord(7, "", 1, 0);
    DWORD pid = StartHostAndAwaitLaunch();
    ASSERT_NE(0u, pid);
    EXPECT_EQ(1u, RecordOnDisk(7).runRequested);
    // Deliberately idle for three polls and more: none may end the application.
    ::Sleep(kQuietPollsMs);
    EXPECT_TRUE(IsProcessAlive(pid));
    EXPECT_THAT(LogMessages(), ElementsAre("EVENT: Application executed by Halyard.",
                                           "EVENT: CallApplication success: " + Num(pid)));
    EXPECT_EQ(1u, RecordOnDisk(7).runRequested);
}

// A failed first launch leaves the host polling; a stop request whose termination fails ends
// the polling all the same.
TEST_F(HostTest, FailedFirstLaunchIsLoggedAndAFailedStopEndsPolling)
{
    PutRecord(7, "x", 1, 1, "C:\\no such folder\\app.exe");
    StartHost("07");
    ASSERT_TRUE(WaitLogLines(2, kStartMs));
    EXPECT_THAT(LogMessages(), ElementsAre("ERROR: Halyard couldn't execute the application.",
                                           "ERROR: CallApplication fail: 0"));
    EXPECT_EQ(0u, RecordOnDisk(7).appProcessId);

    // Still polling: a stop request is answered, here with a failed termination.
    EditRecord(7, [](TestRecord& record) { record.SetRunRequested(0); });
    ASSERT_TRUE(WaitLogLines(4, kPollMs));

    // Deliberately idle for several poll periods: runRequested stays 0, so a poll would try
    // and log again.
    ::Sleep(kQuietPollsMs);
    EXPECT_EQ(0u, RecordOnDisk(7).runRequested);
    EXPECT_THAT(LogMessages(),
                ElementsAre("ERROR: Halyard couldn't execute the application.",
                            "ERROR: CallApplication fail: 0",
                            "ERROR: Application failed to terminated by Halyard by request of "
                            "Ravelin manager.",
                            "ERROR: OpenProcess: 87 (fprocessid: 0, mprocessid: 0, msid: 7)"));
    EXPECT_FALSE(host.WaitExit(0));
}

// A table that cannot be loaded skips the poll: a stop request in a file one byte short is not
// acted on, nor one in a file held open exclusively; once the file is whole and free again the
// next poll honours it.
TEST_F(HostTest, UnloadableTableSkipsThePollAndALaterStopIsHonoured)
{
    PutRecord(7, "");
    StartHost("07");
    std::vector<ChildRecord> children = WaitChildren(1);
    ASSERT_EQ(1u, children.size());
    DWORD pid = children[0].pid;
    ASSERT_TRUE(WaitLogLines(2, kStartMs)); // written after the launch's save
    TableImage stop;
    ASSERT_TRUE(ReadTable(tablePath, stop));
    stop[7].SetRunRequested(0);

    // The short file still holds the whole record, stop request included.
    ReplaceTableBytes(stop.bytes.substr(0, table_layout::kTableSize - 1));
    // Deliberately idle for several polls, each of which must fail to load the table.
    ::Sleep(kQuietPollsMs);
    EXPECT_TRUE(IsProcessAlive(pid));
    EXPECT_EQ(2u, Log().size());

    DWORD released;
    {
        // The whole stop request, in a file no one else may open meanwhile.
        CFileHandle held(::CreateFileA(tablePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL));
        ASSERT_TRUE(held.IsValid()) << ::GetLastError();
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(held.Get(), stop.bytes.data(),
                                static_cast<DWORD>(stop.bytes.size()), &written, NULL));
        ASSERT_EQ(stop.bytes.size(), written);
        ::Sleep(kQuietPollsMs); // deliberately idle, as above
        EXPECT_TRUE(IsProcessAlive(pid));
        EXPECT_EQ(2u, Log().size());
        released = ::GetTickCount();
    }

    ASSERT_TRUE(WaitUntil([&] { return !IsProcessAlive(pid); }, kPollMs))
        << "no poll after the release saw the stop request";
    EXPECT_LE(::GetTickCount() - released, kPollMs);
    ASSERT_TRUE(WaitLogLines(3, kPollMs));
    EXPECT_THAT(LogMessages(),
                ElementsAre("EVENT: Application executed by Halyard.",
                            "EVENT: CallApplication success: " + Num(pid),
                            "EVENT: Application terminated by Halyard by request of Ravelin "
                            "manager."));
}

// Closing the host's window is the service's stop (the service host does it on a stop control
// from any controller): the application ends first, the log says so, the run request goes to 0
// for the manager's list and the next start, and the host ends with exit code 0.
TEST_F(HostTest, CloseEndsTheApplicationThenTheHostWithExitCodeZero)
{
    PutRecord(7, "--record-close");
    DWORD pid = StartHostAndAwaitLaunch();
    ASSERT_NE(0u, pid);

    ::PostMessageA(HostWindow(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(host.WaitExit(kStartMs));
    EXPECT_EQ(0u, host.ExitCode());
    EXPECT_FALSE(IsProcessAlive(pid)) << "the host ended before its application";
    EXPECT_THAT(LogMessages(),
                ElementsAre("EVENT: Application executed by Halyard.",
                            "EVENT: CallApplication success: " + Num(pid),
                            "EVENT: Application terminated by Halyard on a stop of the service."));
    EXPECT_EQ(0u, RecordOnDisk(7).runRequested);
    // The terminate method, the default, ends the process without asking it.
    EXPECT_FALSE(FileExists(childDir + "\\closed-" + std::to_string(pid) + ".txt"));
}

TEST_F(HostTest, ArgumentSevenWithoutLeadingZeroServesSlotSevenButLogsTo7Log)
{
    PutRecord(7, "");
    StartHost("7");
    ASSERT_EQ(1u, WaitChildren(1).size());
    ASSERT_TRUE(WaitLogLines(2, kStartMs, "7.log"));
    EXPECT_EQ("EVENT: Application executed by Halyard.", LogMessages("7.log")[0]);
    EXPECT_FALSE(FileExists(dataDir + "\\07.log"));
}

TEST_F(HostTest, ArgumentFortyNineIsTheLastSlot)
{
    PutRecord(49, "");
    StartHost("49");
    ASSERT_EQ(1u, WaitChildren(1).size());
    ASSERT_TRUE(WaitLogLines(2, kStartMs, "49.log"));
    EXPECT_NE(0u, RecordOnDisk(49).hostWindow);
}

TEST_F(HostTest, WordArgumentServesSlotZeroAndNamesTheLog)
{
    PutRecord(0, "");
    StartHost("ab");
    ASSERT_EQ(1u, WaitChildren(1).size());
    ASSERT_TRUE(WaitLogLines(2, kStartMs, "ab.log"));
    EXPECT_EQ("EVENT: Application executed by Halyard.", LogMessages("ab.log")[0]);
}

// Each of these ends the host at once with exit code 0, launching nothing and logging nothing.
TEST_F(HostTest, RefusedArgumentsEndTheHostQuietly)
{
    TableImage image;
    for (int slot = 0; slot < table_layout::kSlots; ++slot)
        FillRecord(image[slot], slot, "Any", BinPath("TestChild.exe"), workDir, "", 1);
    WriteTable(tablePath, image);

    for (const char* argument : {"50", "-1", "", "100", "+50", " -7"}) {
        CTestProcess refused;
        ASSERT_TRUE(refused.Start(BinPath("Halyard.exe"), std::string("Halyard.exe ") + argument));
        ASSERT_TRUE(refused.WaitExit(kStartMs)) << argument;
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
        ASSERT_TRUE(refused.WaitExit(kStartMs)) << what;
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
    ASSERT_TRUE(WaitLogLines(2, kStartMs));
    // The host's save after the launch writes the table at its own size.
    EXPECT_TRUE(WaitUntil(
        [&] { return ReadFileBytes(tablePath).size() == table_layout::kTableSize; }, kStartMs));
}
