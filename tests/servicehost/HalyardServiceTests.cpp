// Ravelin.exe running the real application host, as the manager registers it: Application is
// the quoted path of Halyard.exe, AppParameters the slot's two digits.

#include "ServiceFixture.h"

#include "EventLog.h"
#include "RegistrySettings.h"

#include <cstdio>
#include <cstring>

TEST_F(ServiceTest, HalyardServesItsSlotAndStopClosesHalyardAfterItsApplication)
{
    char dataPath[kSettingBufferSize];
    ASSERT_EQ(1, ReadSetting(kDataPathValue, dataPath));
    std::string dataDir = dataPath;
    ::CreateDirectoryA(dataDir.substr(0, dataDir.find_last_of('\\')).c_str(), NULL);
    ::CreateDirectoryA(dataDir.c_str(), NULL);
    std::string workDir = MakeScratchDir("halyard work");
    TableImage image;
    FillRecord(image[7], 7, "Halyard Test", BinPath("TestChild.exe"), workDir, "--from-halyard", 0);
    image[7].SetRunRequested(1);
    WriteTable(dataDir + "\\Properties.dat", image);
    std::string logPath = dataDir + "\\07.log";
    ::DeleteFileA(logPath.c_str());

    std::string name = CreateHostedService(Quoted(BinPath("Halyard.exe")).c_str(), "07");
    DWORD start = ::GetTickCount();
    ASSERT_TRUE(Start(name));
    ASSERT_TRUE(WaitState(name, SERVICE_RUNNING, 15000));
    DWORD toRunning = MsSince(start);
    std::vector<ChildRecord> children = WaitChildren(1);
    DWORD toChild = MsSince(start);
    ASSERT_EQ(1u, children.size());
    EXPECT_EQ(" --from-halyard", children[0].commandLine);
    EXPECT_EQ(workDir, children[0].workDir);
    // Halyard took "07" as its argument: its log is 07.log, not 7.log.
    ASSERT_TRUE(WaitUntil([&] { return !ReadLogFile(logPath.c_str()).empty(); }, 15000));
    EXPECT_STREQ("Application executed by Halyard.", ReadLogFile(logPath.c_str())[0].message);

    TableImage published;
    ASSERT_TRUE(ReadTable(dataDir + "\\Properties.dat", published));
    HWND hostWindow = reinterpret_cast<HWND>(static_cast<uintptr_t>(published.Fields(7).hostWindow));
    DWORD halyardPid = 0;
    ::GetWindowThreadProcessId(hostWindow, &halyardPid);
    CHandle halyard(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, halyardPid));
    ASSERT_TRUE(halyard);
    EXPECT_FALSE(::IsWindowVisible(hostWindow));

    start = ::GetTickCount();
    ASSERT_TRUE(Stop(name));
    ASSERT_TRUE(WaitState(name, SERVICE_STOPPED, 15000));
    DWORD toStopped = MsSince(start);
    EXPECT_EQ(static_cast<DWORD>(NO_ERROR), Status(name).dwWin32ExitCode);
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(halyard.Get(), 0));
    DWORD halyardExit = STILL_ACTIVE;
    ::GetExitCodeProcess(halyard.Get(), &halyardExit);
    EXPECT_EQ(0u, halyardExit); // its window was closed: it ended through its message loop
    EXPECT_FALSE(::IsWindow(hostWindow));
    // Halyard ended its application before it ended itself.
    EXPECT_FALSE(IsProcessAlive(children[0].pid));
    // Generous against the about one second the chain takes: the waits above allow more still.
    EXPECT_LE(toChild, 10000u);
    EXPECT_LE(toStopped, 10000u);
    std::printf("[timing] with Halyard: StartService to RUNNING %lu ms, to the child running "
                "%lu ms; stop control to STOPPED %lu ms\n",
                toRunning, toChild, toStopped);
}
