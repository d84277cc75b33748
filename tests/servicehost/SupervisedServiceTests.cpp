// Ravelin.exe running the real Halyard under Wine's SCM, with restart options: a host that
// gives up ends the service, which shows Stopped with the host's code as a service-specific
// error, so that the system's own recovery actions can apply.

#include "ServiceFixture.h"

#include "EventLog.h"
#include "RegistrySettings.h"
#include "ServiceOptions.h"
#include "RecordOptions.h"

#include <cstring>

TEST_F(ServiceTest, HalyardGivingUpStopsTheServiceWithAServiceSpecificError)
{
    char dataPath[kSettingBufferSize];
    ASSERT_EQ(1, ReadSetting(kDataPathValue, dataPath));
    std::string dataDir = dataPath;
    ::CreateDirectoryA(dataDir.substr(0, dataDir.find_last_of('\\')).c_str(), NULL);
    ::CreateDirectoryA(dataDir.c_str(), NULL);
    std::string workDir = MakeScratchDir("supervised work");
    TableImage image;
    FillRecord(image[7], 7, "Supervised", BinPath("TestChild.exe"), workDir,
               "--exit-after 50 --exit-code 4", 0);
    image[7].SetRunRequested(1);
    ServiceOptions options;
    options.restart = kRestartOnFailure;
    options.restartDelayMs = 0;
    options.maxRestarts = 1;
    options.killTree = true;
    ASSERT_TRUE(PutServiceOptions(image[7], options));
    WriteTable(dataDir + "\\Properties.dat", image);
    std::string logPath = dataDir + "\\07.log";
    ::DeleteFileA(logPath.c_str());

    std::string name = CreateHostedService(Quoted(BinPath("Halyard.exe")).c_str(), "07");
    ASSERT_TRUE(Start(name));
    // Two launches, each seen ended at a poll (every 2 s), then the host ends.
    ASSERT_TRUE(WaitState(name, SERVICE_STOPPED, 30000));
    SERVICE_STATUS_PROCESS status = Status(name);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR), status.dwWin32ExitCode);
    EXPECT_EQ(3u, status.dwServiceSpecificExitCode);
    EXPECT_EQ(2u, WaitChildren(2).size());

    std::vector<LogEntry> log = ReadLogFile(logPath.c_str());
    ASSERT_EQ(7u, log.size());
    EXPECT_STREQ("Application ended by itself, exit code 4.", log[2].message);
    EXPECT_STREQ("ERROR", log[2].type);
    EXPECT_STREQ("Application restarted by Halyard, attempt 1 of 1.", log[3].message);
    EXPECT_STREQ("Halyard gave up after 1 restarts in 10 minutes.", log[6].message);
}
