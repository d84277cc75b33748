// Service registration and control against Wine's real SCM and registry, with the real service
// host, application host and test child.

#include "DialogWatcher.h"
#include "ManagerTable.h"
#include "ManagerUtil.h"
#include "ServiceAction.h"
#include "ServiceTestBase.h"
#include "StopOrderWatch.h"
#include "TableBytes.h"
#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <aclapi.h>
#include <sddl.h>
#include <atomic>
#include <cstring>
#include <thread>

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const char kCannotSave[] = "Internal error:\n\nCannot save the service data.";
const char kServicesKey[] = "SYSTEM\\CurrentControlSet\\Services\\";

// The program file of a running process, as Windows names it.
std::string ImageOf(DWORD pid)
{
    // Looked up at run time: the build targets a system older than the call.
    using QueryImageName = BOOL(WINAPI*)(HANDLE, DWORD, LPSTR, PDWORD);
    auto query = reinterpret_cast<QueryImageName>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "QueryFullProcessImageNameA")));
    CHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid));
    char path[MAX_PATH] = "";
    DWORD size = sizeof(path);
    if (!query || !process || !query(process.Get(), 0, path, &size))
        return "<no process " + std::to_string(pid) + ">";
    return path;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string RegistryText(const std::string& key, const char* value, DWORD* type, DWORD* size)
{
    HKEY opened;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return "<no key>";
    char data[512] = "";
    *size = sizeof(data);
    LONG result = ::RegQueryValueExA(opened, value, NULL, type, reinterpret_cast<BYTE*>(data), size);
    ::RegCloseKey(opened);
    return result == ERROR_SUCCESS ? data : "<no value>";
}

void SetRegistryText(const std::string& key, const char* value, const std::string& text)
{
    HKEY opened = NULL;
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_SET_VALUE, &opened));
    CRegKey parameters(opened);
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegSetValueExA(parameters.Get(), value, 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(text.c_str()),
                               static_cast<DWORD>(text.size() + 1)));
}

class ServiceActionTest : public CServiceTestBase {
protected:
    // The service's Application and AppParameters, as a test wants them after Install.
    static void SetServiceProgram(const std::string& service, const std::string& application,
                                  const std::string& parameters)
    {
        std::string key = kServicesKey + service + "\\Parameters";
        SetRegistryText(key, "Application", application);
        SetRegistryText(key, "AppParameters", parameters);
    }
};

} // namespace

TEST_F(ServiceActionTest, InstallRegistersTheServiceAndItsParameters)
{
    Put(3, "My Service");
    CDialogWatcher watcher;
    ASSERT_EQ(1, serviceAction.Install(3));

    CScHandle scm(::OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT));
    CScHandle service(::OpenServiceA(scm.Get(), "My-Service", SERVICE_QUERY_CONFIG));
    ASSERT_TRUE(service);
    std::vector<char> buffer(8192);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    DWORD needed = 0;
    ASSERT_TRUE(::QueryServiceConfigA(service.Get(), config, buffer.size(), &needed));
    EXPECT_EQ(0x110u, config->dwServiceType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), config->dwStartType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_ERROR_NORMAL), config->dwErrorControl);
    EXPECT_EQ("\"" + BinDir() + "\\Ravelin.exe\"", std::string(config->lpBinaryPathName));
    EXPECT_STREQ("My Service", config->lpDisplayName);
    EXPECT_STREQ("LocalSystem", config->lpServiceStartName);

    std::string key = "SYSTEM\\CurrentControlSet\\Services\\My-Service\\Parameters";
    DWORD type = 0;
    DWORD size = 0;
    std::string application = "\"" + BinDir() + "\\Halyard.exe\"";
    EXPECT_EQ(application, RegistryText(key, "Application", &type, &size));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(application.size() + 1, size);
    EXPECT_EQ("03", RegistryText(key, "AppParameters", &type, &size));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(3u, size);

    EXPECT_THAT(watcher.DialogCaptions(), ElementsAre("Installing..."));
    EXPECT_TRUE(watcher.MessageBoxTexts().empty());
    EXPECT_THAT(LogOf(3), ElementsAre("EVENT: Service installed."));
    EXPECT_EQ(Stopped, serviceAction.QueryStatus(3));
    service.Reset();

    ASSERT_EQ(1, serviceAction.Uninstall(3));
    EXPECT_THAT(watcher.DialogCaptions(), ElementsAre("Installing...", "Uninstalling..."));
    EXPECT_THAT(LogOf(3), ElementsAre("EVENT: Service installed.", "EVENT: Service uninstalled."));
    EXPECT_TRUE(WaitUntil([] { return serviceAction.QueryStatus(3) == Ready; }, 10000));
    EXPECT_TRUE(watcher.MessageBoxTexts().empty());
}

TEST_F(ServiceActionTest, NoInstallationFolderGivesDotPaths)
{
    Put(4, "Dot Service");
    std::snprintf(util.installPath, sizeof(util.installPath), ".");
    CDialogWatcher watcher;
    ASSERT_EQ(1, serviceAction.Install(4));
    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ("\".\\Halyard.exe\"",
              RegistryText("SYSTEM\\CurrentControlSet\\Services\\Dot-Service\\Parameters",
                           "Application", &type, &size));
    EXPECT_EQ("\".\\Ravelin.exe\"",
              RegistryText("SYSTEM\\CurrentControlSet\\Services\\Dot-Service", "ImagePath",
                           &type, &size));
    EXPECT_TRUE(watcher.MessageBoxTexts().empty());
}

TEST_F(ServiceActionTest, StartRunsTheChainAndTheStopHandshakeEndsTheApplicationFirst)
{
    Put(7, "Chain Service", "--spawn");
    CDialogWatcher watcher;
    ASSERT_EQ(1, serviceAction.Install(7));

    // The child records itself as soon as it runs; a thread notes when, while the progress
    // dialog still holds the start.
    std::vector<ChildRecord> children;
    std::atomic<DWORD> childRunning(0);
    DWORD startRequested = ::GetTickCount();
    std::thread starter([&] {
        if (WaitUntil(
                [&] {
                    children = ReadChildRecords(kServiceChildRecords);
                    return !children.empty();
                },
                30000))
            childRunning = ::GetTickCount();
    });
    int started = serviceAction.StartWithHandshake(7, table);
    starter.join();
    ASSERT_EQ(1, started);
    ASSERT_FALSE(children.empty());
    EXPECT_EQ(1u, RunRequestedOnDisk(7));
    EXPECT_EQ(" --spawn", children[0].commandLine);
    EXPECT_EQ(Started, serviceAction.QueryStatus(7));
    // Wine's SCM starts a service in about 130 ms and the chain runs the child within about a
    // second; ten seconds leave room for a machine busy with other suites.
    EXPECT_LE(childRunning - startRequested, 10000u);
    std::printf("[ measured ] start request to the test child running: %lu ms\n",
                childRunning - startRequested);

    // Watch, from another thread, when the application ends and when the service leaves RUNNING
    // (system clock, as the table file's write time).
    CStopOrderWatch watch(children[0].pid,
                          [] { return CurrentState("Chain-Service") == SERVICE_RUNNING; });
    uint64_t called = SystemMs();
    int stopped = serviceAction.StopWithHandshake(7, table);
    ASSERT_TRUE(watch.WaitBoth(30000));
    uint64_t childEnded = watch.ApplicationEnded();
    uint64_t stopArrived = watch.ServiceLeft();
    // The table with runRequested 0 is the handshake's first save (the host writes the table
    // only when it starts and launches): its write time is the save. File times run on a
    // coarser clock and may trail by some milliseconds; the start's save lies a second back.
    uint64_t saved = LastWriteMs(util.propertiesPath);

    EXPECT_EQ(1, stopped);
    EXPECT_EQ(0u, RunRequestedOnDisk(7));
    ASSERT_GE(saved + 100, called);
    EXPECT_LT(childEnded, stopArrived);
    // The host polls every 2000 ms; the stop control follows the save by the dialog's second
    // and the 5000 ms hold.
    EXPECT_LE(childEnded - saved, 2000u + 4000u);
    EXPECT_GE(stopArrived - saved, 5000u);
    std::printf("[ measured ] stop save to the application's termination: %llu ms; to the stop "
                "control: %llu ms\n",
                static_cast<unsigned long long>(childEnded - saved),
                static_cast<unsigned long long>(stopArrived - saved));
    EXPECT_TRUE(WaitUntil([] { return serviceAction.QueryStatus(7) == Stopped; }, 15000));
    EXPECT_TRUE(IsProcessAlive(children[0].spawned)); // the application's own child stays

    std::vector<std::string> log = LogOf(7);
    EXPECT_THAT(log, Contains("EVENT: Application terminated by Halyard by request of "
                              "Ravelin manager."));
    ASSERT_GE(log.size(), 6u);
    EXPECT_EQ("EVENT: Service installed.", log[0]);
    EXPECT_EQ("EVENT: Service stopped.", log.back());
    EXPECT_THAT(watcher.DialogCaptions(), ElementsAre("Installing...", "Starting...", "Stopping..."));
    EXPECT_TRUE(watcher.MessageBoxTexts().empty());
}

TEST_F(ServiceActionTest, ClosingStoppingEarlySendsTheStopAtOnce)
{
    Put(8, "Early Stop");
    CDialogWatcher watcher;
    watcher.CloseAtOnce("Stopping...");
    ASSERT_EQ(1, serviceAction.Install(8));
    ASSERT_EQ(1, serviceAction.StartWithHandshake(8, table));
    ASSERT_TRUE(WaitUntil([] { return CurrentState("Early-Stop") == SERVICE_RUNNING; }, 15000));
    DWORD begun = ::GetTickCount();
    EXPECT_EQ(1, serviceAction.StopWithHandshake(8, table));
    // With the hold the handshake would take at least 6 s.
    EXPECT_LT(::GetTickCount() - begun, 4500u);
    EXPECT_TRUE(WaitUntil([] { return CurrentState("Early-Stop") == SERVICE_STOPPED; }, 15000));
    EXPECT_THAT(watcher.DialogCaptions(), ElementsAre("Installing...", "Starting...", "Stopping..."));
    EXPECT_TRUE(watcher.MessageBoxTexts().empty());
}

namespace {

// Runs the end of the session on the test's thread, from inside whatever modal loop it is in,
// as WM_ENDSESSION reaches the manager's frame: a timer of a hidden window of this thread looks
// for the dialog with the caption and, once it is there, calls FinishForSessionEnd.
class CSessionEndDuring {
public:
    explicit CSessionEndDuring(const char* caption)
    {
        caption_ = caption;
        finishedAt = 0;
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &WindowProc;
        wc.hInstance = ::GetModuleHandleA(NULL);
        wc.lpszClassName = "SessionEndProbe";
        ::RegisterClassA(&wc);
        window_ = ::CreateWindowA("SessionEndProbe", "", WS_POPUP, 0, 0, 0, 0, NULL, NULL,
                                  wc.hInstance, NULL);
        ::SetTimer(window_, 1, 20, NULL);
    }
    ~CSessionEndDuring() { ::DestroyWindow(window_); }
    CSessionEndDuring(const CSessionEndDuring&) = delete;
    CSessionEndDuring& operator=(const CSessionEndDuring&) = delete;

    // When FinishForSessionEnd returned; 0 before.
    static DWORD finishedAt;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message != WM_TIMER || ::FindWindowA("#32770", caption_) == NULL)
            return ::DefWindowProcA(window, message, wParam, lParam);
        ::KillTimer(window, 1);
        serviceAction.FinishForSessionEnd();
        finishedAt = ::GetTickCount();
        return 0;
    }

    static const char* caption_;
    HWND window_ = NULL;
};

const char* CSessionEndDuring::caption_ = "";
DWORD CSessionEndDuring::finishedAt = 0;

std::vector<std::string> LinesWith(const std::vector<std::string>& log, const std::string& line)
{
    std::vector<std::string> found;
    for (const std::string& entry : log)
        if (entry == line)
            found.push_back(entry);
    return found;
}

} // namespace

// The end of the session while "Stopping..." holds: the stop goes out from the session's
// handler after one poll of the host, not after the whole hold, and when the progress returns
// the handshake neither stops again nor reports a failure.
TEST_F(ServiceActionTest, SessionEndInTheStopsHoldSendsTheStopOnce)
{
    Put(9, "Session Stop");
    CDialogWatcher watcher;
    ASSERT_EQ(1, serviceAction.Install(9));
    ASSERT_EQ(1, serviceAction.StartWithHandshake(9, table));
    ASSERT_TRUE(WaitUntil([] { return CurrentState("Session-Stop") == SERVICE_RUNNING; }, 15000));

    CSessionEndDuring sessionEnd("Stopping...");
    DWORD begun = ::GetTickCount();
    EXPECT_EQ(1, serviceAction.StopWithHandshake(9, table));
    ASSERT_NE(0u, CSessionEndDuring::finishedAt) << "the session's end did not come in the hold";
    DWORD sent = CSessionEndDuring::finishedAt - begun;
    std::printf("[ measured ] session end: stop sent %lu ms after the stop was asked for\n", sent);
    EXPECT_GE(sent, 2450u);
    EXPECT_LT(sent, 5000u);
    EXPECT_TRUE(WaitUntil([] { return CurrentState("Session-Stop") == SERVICE_STOPPED; }, 15000));
    EXPECT_EQ(0u, RunRequestedOnDisk(9));
    std::vector<std::string> log = LogOf(9);
    EXPECT_EQ(1u, LinesWith(log, "EVENT: Service stopped.").size());
    EXPECT_TRUE(LinesWith(log, "ERROR: Service stop failed.").empty());
    EXPECT_TRUE(watcher.MessageBoxTexts().empty());
}

// The end of the session while "Installing..." confirms: the line that follows the progress is
// written by the session's handler, and only once.
TEST_F(ServiceActionTest, SessionEndDuringAProgressWritesItsLineOnce)
{
    Put(10, "Session Install");
    CSessionEndDuring sessionEnd("Installing...");
    ASSERT_EQ(1, serviceAction.Install(10));
    ASSERT_NE(0u, CSessionEndDuring::finishedAt) << "the session's end did not come in the progress";
    EXPECT_THAT(LogOf(10), ElementsAre("EVENT: Service installed."));
}

// The installer's default folder is below "Program Files": every path the manager writes and
// the service host and application host read then contains blanks.
TEST_F(ServiceActionTest, InstallationFolderWithBlanksRunsTheWholeChain)
{
    // A folder of its own for each run: a host of an earlier run may still be on its way out.
    static int run = 0;
    const std::string folder = "C:\\Program Files\\Ravelin Test Dir " + std::to_string(++run);
    ::CreateDirectoryA("C:\\Program Files", NULL);
    ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), NULL) ||
                ::GetLastError() == ERROR_ALREADY_EXISTS);
    for (const char* program : {"Ravelin.exe", "Halyard.exe", "TestChild.exe"})
        ASSERT_TRUE(::CopyFileA(BinPath(program).c_str(), (folder + "\\" + program).c_str(),
                                FALSE))
            << program;
    std::snprintf(util.installPath, sizeof(util.installPath), "%s", folder.c_str());
    Put(13, "Blank Folder", "--from blank folder", folder + "\\TestChild.exe");
    CDialogWatcher watcher;
    ASSERT_EQ(1, serviceAction.Install(13));
    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ("\"" + folder + "\\Ravelin.exe\"",
              RegistryText(std::string(kServicesKey) + "Blank-Folder", "ImagePath", &type, &size));
    EXPECT_EQ("\"" + folder + "\\Halyard.exe\"",
              RegistryText(std::string(kServicesKey) + "Blank-Folder\\Parameters", "Application",
                           &type, &size));

    ASSERT_EQ(1, serviceAction.StartWithHandshake(13, table));
    std::vector<ChildRecord> children = WaitChildRecords(kServiceChildRecords, 1, 30000);
    ASSERT_EQ(1u, children.size());
    EXPECT_EQ(" --from blank folder", children[0].commandLine);
    EXPECT_EQ(workDir, children[0].workDir);
    EXPECT_EQ(Lower(folder + "\\TestChild.exe"), Lower(ImageOf(children[0].pid)));
    DWORD servicePid = ServiceProcessId("Blank-Folder");
    EXPECT_EQ(Lower(folder + "\\Ravelin.exe"), Lower(ImageOf(servicePid)));
    TableImage published;
    ASSERT_TRUE(WaitUntil(
        [&] { return ReadTable(util.propertiesPath, published) && published.Fields(13).hostWindow; },
        15000));
    DWORD halyardPid = 0;
    ::GetWindowThreadProcessId(
        reinterpret_cast<HWND>(static_cast<uintptr_t>(published.Fields(13).hostWindow)),
        &halyardPid);
    EXPECT_EQ(Lower(folder + "\\Halyard.exe"), Lower(ImageOf(halyardPid)));
    CHandle halyard(::OpenProcess(SYNCHRONIZE, FALSE, halyardPid));
    ASSERT_TRUE(halyard);

    ASSERT_EQ(1, serviceAction.StopWithHandshake(13, table));
    EXPECT_TRUE(WaitUntil([&] { return !IsProcessAlive(children[0].pid); }, 15000));
    EXPECT_TRUE(WaitUntil([] { return CurrentState("Blank-Folder") == SERVICE_STOPPED; }, 15000));
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(halyard.Get(), 15000));
    // The host writes to the same log while the manager's progress dialog runs.
    std::vector<std::string> log = LogOf(13);
    std::vector<std::string> managerLines;
    for (const std::string& line : log)
        if (line.find("EVENT: Service ") == 0)
            managerLines.push_back(line);
    EXPECT_THAT(managerLines, ElementsAre("EVENT: Service installed.", "EVENT: Service started.",
                                          "EVENT: Service stopped."));
    EXPECT_THAT(log, Contains("EVENT: Application executed by Halyard."));
    EXPECT_THAT(log, Contains("EVENT: Application terminated by Halyard by request of Ravelin "
                              "manager."));
    EXPECT_EQ(6u, log.size());
    EXPECT_THAT(watcher.DialogCaptions(), ElementsAre("Installing...", "Starting...", "Stopping..."));
    EXPECT_TRUE(watcher.MessageBoxTexts().empty());
}

// The start handshake saves runRequested 1 before it asks the SCM: the program that the SCM
// starts for the request finds the request in the table.
TEST_F(ServiceActionTest, StartHandshakeSavesTheRunRequestBeforeTheStartRequest)
{
    std::string folder = MakeScratchDir("start recorder");
    ASSERT_TRUE(::CopyFileA(BinPath("StartRecorder.exe").c_str(),
                            (folder + "\\Ravelin.exe").c_str(), FALSE));
    std::snprintf(util.installPath, sizeof(util.installPath), "%s", folder.c_str());
    Put(14, "Recorded Start");
    CDialogWatcher watcher;
    watcher.CloseAtOnce("Stopping...");
    ASSERT_EQ(1, serviceAction.Install(14));
    ASSERT_EQ(0u, RunRequestedOnDisk(14));

    ASSERT_EQ(1, serviceAction.StartWithHandshake(14, table));
    TableImage seen;
    ASSERT_TRUE(ReadTable(folder + "\\table-at-start.dat", seen))
        << "the recorder found no table, or it was not started";
    EXPECT_EQ("Recorded Start", seen.Fields(14).displayName);
    EXPECT_EQ(1u, seen.Fields(14).runRequested);

    ASSERT_TRUE(WaitUntil([] { return CurrentState("Recorded-Start") == SERVICE_RUNNING; }, 15000));
    ASSERT_EQ(1, serviceAction.StopWithHandshake(14, table));
    EXPECT_TRUE(WaitUntil([] { return serviceAction.QueryStatus(14) == Stopped; }, 15000));
    EXPECT_TRUE(watcher.MessageBoxTexts().empty());
}

// A save that fails (another program holds the table without delete sharing for longer than
// the save retries) is reported, and the handshake goes on with its SCM request. The service runs
// the test child itself, so the manager is the table's only writer.
TEST_F(ServiceActionTest, FailedSaveInsideTheHandshakesIsReportedAndTheRequestStillMade)
{
    Put(15, "Held Table");
    CDialogWatcher watcher;
    ASSERT_EQ(1, serviceAction.Install(15));
    SetServiceProgram("Held-Table", "\"" + BinPath("TestChild.exe") + "\"", "--held-table");
    {
        CHeldFile held(util.propertiesPath);
        ASSERT_TRUE(held.Held());
        std::string before = ReadFileBytes(util.propertiesPath);
        ASSERT_EQ(1, serviceAction.StartWithHandshake(15, table));
        EXPECT_EQ(1u, table.Record(15).runRequested);
        EXPECT_TRUE(before == ReadFileBytes(util.propertiesPath)) << "the table was replaced";
        EXPECT_EQ(0u, RunRequestedOnDisk(15));
        EXPECT_TRUE(held.Release());
    }
    EXPECT_THAT(watcher.MessageBoxTexts(), ElementsAre(kCannotSave));
    ASSERT_EQ(1u, WaitChildRecords(kServiceChildRecords, 1, 30000).size());
    ASSERT_TRUE(WaitUntil([] { return CurrentState("Held-Table") == SERVICE_RUNNING; }, 15000));

    // The table on disk says "run" again, so that the failed save can be told from a good one.
    ASSERT_EQ(1, table.SaveProperties());
    ASSERT_EQ(1u, RunRequestedOnDisk(15));
    watcher.CloseAtOnce("Stopping...");
    {
        CHeldFile held(util.propertiesPath);
        ASSERT_TRUE(held.Held());
        ASSERT_EQ(1, serviceAction.StopWithHandshake(15, table));
        EXPECT_EQ(0u, table.Record(15).runRequested);
        EXPECT_EQ(1u, RunRequestedOnDisk(15));
        EXPECT_TRUE(held.Release());
    }
    EXPECT_TRUE(WaitUntil([] { return CurrentState("Held-Table") == SERVICE_STOPPED; }, 15000));
    EXPECT_THAT(watcher.MessageBoxTexts(), ElementsAre(kCannotSave, kCannotSave));
    EXPECT_THAT(watcher.DialogCaptions(), ElementsAre("Installing...", "Starting...", "Stopping..."));
    EXPECT_THAT(LogOf(15), ElementsAre("EVENT: Service installed.", "EVENT: Service started.",
                                       "EVENT: Service stopped."));
}

TEST_F(ServiceActionTest, FailedSavesAroundARefusedRequestStillRestoreTheRunRequest)
{
    Put(16, "Held Refused");
    CDialogWatcher watcher;
    watcher.CloseAtOnce("Stopping...");
    ASSERT_EQ(1, serviceAction.Install(16));
    DisableService("Held-Refused");
    CHeldFile held(util.propertiesPath);
    ASSERT_TRUE(held.Held());
    std::string before = ReadFileBytes(util.propertiesPath);

    EXPECT_EQ(0, serviceAction.StartWithHandshake(16, table));
    EXPECT_EQ(0u, table.Record(16).runRequested);
    EXPECT_THAT(watcher.MessageBoxTexts(),
                ElementsAre(kCannotSave, "Service start failed.", kCannotSave));

    EXPECT_EQ(0, serviceAction.StopWithHandshake(16, table));
    EXPECT_EQ(1u, table.Record(16).runRequested);
    EXPECT_THAT(watcher.MessageBoxTexts(),
                ElementsAre(kCannotSave, "Service start failed.", kCannotSave, kCannotSave,
                            "Service stop failed.", kCannotSave));
    EXPECT_TRUE(before == ReadFileBytes(util.propertiesPath)) << "the table was replaced";
    EXPECT_TRUE(held.Release());
    EXPECT_THAT(LogOf(16), ElementsAre("EVENT: Service installed.", "ERROR: Service start failed.",
                                       "ERROR: Application couldn't terminated.",
                                       "ERROR: Service stop failed."));
}

// Ravelin.exe waits for a program that ignores the close request: its service stays in
// STOP_PENDING, which counts as stopped.
TEST_F(ServiceActionTest, ServiceStopPendingIsReportedStopped)
{
    Put(17, "Pending Stop");
    CDialogWatcher watcher;
    ASSERT_EQ(1, serviceAction.Install(17));
    SetServiceProgram("Pending-Stop", "\"" + BinPath("TestChild.exe") + "\"", "--ignore-close");
    ASSERT_EQ(1, serviceAction.Start(17));
    std::vector<ChildRecord> children = WaitChildRecords(kServiceChildRecords, 1, 30000);
    ASSERT_EQ(1u, children.size());
    ASSERT_TRUE(WaitUntil([] { return CurrentState("Pending-Stop") == SERVICE_RUNNING; }, 15000));
    EXPECT_EQ(Started, serviceAction.QueryStatus(17));

    ASSERT_EQ(1, serviceAction.Stop(17));
    ASSERT_EQ(static_cast<DWORD>(SERVICE_STOP_PENDING), CurrentState("Pending-Stop"));
    EXPECT_EQ(Stopped, serviceAction.QueryStatus(17));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOP_PENDING), CurrentState("Pending-Stop"));

    KillProcess(children[0].pid);
    EXPECT_TRUE(WaitUntil([] { return CurrentState("Pending-Stop") == SERVICE_STOPPED; }, 15000));
    EXPECT_EQ(Stopped, serviceAction.QueryStatus(17));
    EXPECT_THAT(LogOf(17), ElementsAre("EVENT: Service installed.", "EVENT: Service started.",
                                       "EVENT: Service stopped."));
    EXPECT_TRUE(watcher.MessageBoxTexts().empty());
}

TEST_F(ServiceActionTest, SecondNameMappingToTheSameServiceFails)
{
    Put(0, "My App");
    Put(1, "My-App");
    CDialogWatcher watcher;
    ASSERT_EQ(1, serviceAction.Install(0));
    EXPECT_EQ(0, serviceAction.Install(1));
    EXPECT_THAT(watcher.MessageBoxTexts(),
                ElementsAre("The specified service already exists in this database."));
    EXPECT_THAT(LogOf(1), ElementsAre("ERROR: Service install failed."));
}

TEST_F(ServiceActionTest, NameWithABackslashIsRefused)
{
    Put(2, "Back\\slash");
    CDialogWatcher watcher;
    EXPECT_EQ(0, serviceAction.Install(2));
    EXPECT_THAT(watcher.MessageBoxTexts(), ElementsAre("The specified service name is invalid."));
    EXPECT_THAT(LogOf(2), ElementsAre("ERROR: Service install failed."));
    EXPECT_EQ(Ready, serviceAction.QueryStatus(2));
}

TEST_F(ServiceActionTest, UninstallOfAServiceMarkedForDeletionFails)
{
    Put(5, "Marked");
    CDialogWatcher watcher;
    ASSERT_EQ(1, serviceAction.Install(5));
    // An open handle keeps the deleted service in the database, marked for deletion.
    CScHandle scm(::OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT));
    CScHandle held(::OpenServiceA(scm.Get(), "Marked", SERVICE_QUERY_STATUS));
    ASSERT_TRUE(held);
    ASSERT_EQ(1, serviceAction.Uninstall(5));
    EXPECT_EQ(0, serviceAction.Uninstall(5));
    EXPECT_THAT(watcher.MessageBoxTexts(), ElementsAre("Service uninstall failed."));
    EXPECT_THAT(LogOf(5), ElementsAre("EVENT: Service installed.", "EVENT: Service uninstalled.",
                                      "ERROR: Service uninstall failed."));
}

TEST_F(ServiceActionTest, RefusedStartAndStopRestoreTheRunRequest)
{
    Put(6, "Refused");
    CDialogWatcher watcher;
    watcher.CloseAtOnce("Stopping...");
    ASSERT_EQ(1, serviceAction.Install(6));
    DisableService("Refused");
    EXPECT_EQ(0, serviceAction.StartWithHandshake(6, table));
    EXPECT_EQ(0u, table.Record(6).runRequested);
    EXPECT_EQ(0u, RunRequestedOnDisk(6));

    // Not running: the stop control is refused.
    EXPECT_EQ(0, serviceAction.StopWithHandshake(6, table));
    EXPECT_EQ(1u, table.Record(6).runRequested);
    EXPECT_EQ(1u, RunRequestedOnDisk(6));

    EXPECT_THAT(watcher.MessageBoxTexts(),
                ElementsAre("Service start failed.", "Service stop failed."));
    EXPECT_THAT(LogOf(6), ElementsAre("EVENT: Service installed.", "ERROR: Service start failed.",
                                      "ERROR: Application couldn't terminated.",
                                      "ERROR: Service stop failed."));
}

namespace {

// The service's key made ready before the service exists, with a Parameters key of the test's
// making; the SCM takes the key over when it creates the service. Whatever an earlier run left
// under the name is removed first, and everything again at the end.
class CPreparedServiceKey {
public:
    explicit CPreparedServiceKey(const std::string& service) : key_(kServicesKey + service)
    {
        Remove();
    }
    ~CPreparedServiceKey() { Remove(); }
    // Parameters may only be read: a value cannot be set in it.
    bool MakeParametersReadOnly()
    {
        CRegKey parameters = Create(0);
        return parameters && SetDacl(parameters.Get(), "D:P(A;;KR;;;WD)") && !CanSetValue();
    }
    // Parameters is a registry link to a key that does not exist: it cannot be opened.
    bool MakeParametersALinkToNowhere()
    {
        CRegKey parameters = Create(REG_OPTION_CREATE_LINK);
        const wchar_t target[] = L"\\Registry\\Machine\\Software\\Ravelin Tests\\No Such Key";
        return parameters &&
               ::RegSetValueExW(parameters.Get(), L"SymbolicLinkValue", 0, REG_LINK,
                                reinterpret_cast<const BYTE*>(target),
                                sizeof(target) - sizeof(wchar_t)) == ERROR_SUCCESS;
    }

private:
    // The link itself, not its target, is opened; a key given to everyone can then be deleted.
    void Remove()
    {
        std::string parameters = key_ + "\\Parameters";
        HKEY opened = NULL;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, parameters.c_str(), REG_OPTION_OPEN_LINK,
                            WRITE_DAC, &opened) == ERROR_SUCCESS) {
            SetDacl(opened, "D:(A;;KA;;;WD)");
            ::RegCloseKey(opened);
        }
        using DeleteKey = LONG(WINAPI*)(HANDLE);
        auto deleteKey = reinterpret_cast<DeleteKey>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtDeleteKey")));
        if (deleteKey && ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, parameters.c_str(),
                                         REG_OPTION_OPEN_LINK, DELETE, &opened) == ERROR_SUCCESS) {
            deleteKey(opened);
            ::RegCloseKey(opened);
        }
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, key_.c_str());
    }
    CRegKey Create(DWORD options)
    {
        HKEY opened = NULL;
        if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, (key_ + "\\Parameters").c_str(), 0, NULL,
                              options, KEY_ALL_ACCESS, NULL, &opened, NULL) != ERROR_SUCCESS)
            return CRegKey();
        return CRegKey(opened);
    }
    static bool SetDacl(HKEY key, const char* sddl)
    {
        PSECURITY_DESCRIPTOR descriptor = NULL;
        if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1,
                                                                    &descriptor, NULL))
            return false;
        LONG result = ::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
        ::LocalFree(descriptor);
        return result == ERROR_SUCCESS;
    }
    bool CanSetValue()
    {
        HKEY opened = NULL;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, (key_ + "\\Parameters").c_str(), 0,
                            KEY_SET_VALUE, &opened) != ERROR_SUCCESS)
            return false;
        ::RegCloseKey(opened);
        return true;
    }
    std::string key_;
};

// The install reports the registry failure, takes the service away again and logs both steps.
void ExpectInstallRolledBack(int slot)
{
    CDialogWatcher watcher;
    EXPECT_EQ(0, serviceAction.Install(slot));
    EXPECT_THAT(watcher.MessageBoxTexts(),
                ElementsAre("Service install failed. Registry manipulation failed."));
    EXPECT_THAT(watcher.DialogCaptions(), ElementsAre("Uninstalling..."));
    EXPECT_THAT(LogOf(slot),
                ElementsAre("ERROR: Service install failed. Registry manipulation failed.",
                            "EVENT: Service uninstalled."));
    EXPECT_TRUE(WaitUntil([slot] { return serviceAction.QueryStatus(slot) == Ready; }, 10000));
}

} // namespace

TEST_F(ServiceActionTest, RefusedParametersValueRollsTheServiceBack)
{
    Put(9, "Rolled Back");
    CPreparedServiceKey prepared("Rolled-Back");
    ASSERT_TRUE(prepared.MakeParametersReadOnly());
    ExpectInstallRolledBack(9);
}

TEST_F(ServiceActionTest, ParametersKeyThatCannotBeOpenedRollsTheServiceBack)
{
    Put(18, "Linked Away");
    CPreparedServiceKey prepared("Linked-Away");
    ASSERT_TRUE(prepared.MakeParametersALinkToNowhere());
    ExpectInstallRolledBack(18);
}

TEST_F(ServiceActionTest, WithoutTheScmEverythingFailsAndStatusIsUnknown)
{
    Put(10, "No Scm");
    CServiceAction cut;
    cut.control.Disconnect();
    CDialogWatcher watcher;
    watcher.CloseAtOnce("Stopping...");
    // Without the SCM the install box names whatever the last failed call left.
    ::SetLastError(ERROR_INVALID_HANDLE);
    EXPECT_EQ(0, cut.Install(10));
    EXPECT_EQ(0, cut.Uninstall(10));
    EXPECT_EQ(0, cut.Start(10));
    EXPECT_EQ(0, cut.Stop(10));
    EXPECT_EQ(Unknown, cut.QueryStatus(10));
    EXPECT_EQ(0, cut.StartWithHandshake(10, table));
    EXPECT_EQ(0u, table.Record(10).runRequested);
    EXPECT_EQ(0u, RunRequestedOnDisk(10));
    EXPECT_EQ(0, cut.StopWithHandshake(10, table));
    EXPECT_EQ(1u, table.Record(10).runRequested);
    EXPECT_EQ(1u, RunRequestedOnDisk(10));
    EXPECT_EQ(Unknown, cut.QueryStatus(10));

    EXPECT_THAT(watcher.MessageBoxTexts(),
                ElementsAre("The handle to the specified service control manager database is "
                            "invalid.",
                            "Service uninstall failed.", "Service start failed.",
                            "Service stop failed.", "Service start failed.",
                            "Service stop failed."));
    EXPECT_THAT(watcher.DialogCaptions(), ElementsAre("Stopping..."));
    EXPECT_THAT(LogOf(10), ElementsAre("ERROR: Service install failed.",
                                       "ERROR: Service uninstall failed.",
                                       "ERROR: Service start failed.",
                                       "ERROR: Service stop failed.",
                                       "ERROR: Service start failed.",
                                       "ERROR: Service stop failed."));
}

TEST_F(ServiceActionTest, EmptyNameFailsEveryOperation)
{
    CDialogWatcher watcher;
    ::SetLastError(ERROR_INVALID_NAME);
    EXPECT_EQ(0, serviceAction.Install(11));
    EXPECT_EQ(0, serviceAction.Uninstall(11));
    EXPECT_EQ(0, serviceAction.Start(11));
    EXPECT_EQ(0, serviceAction.Stop(11));
    EXPECT_THAT(watcher.MessageBoxTexts(),
                ElementsAre("The specified service name is invalid.", "Service uninstall failed.",
                            "Service start failed.", "Service stop failed."));
    EXPECT_THAT(LogOf(11), ElementsAre("ERROR: Service install failed.",
                                       "ERROR: Service uninstall failed.",
                                       "ERROR: Service start failed.",
                                       "ERROR: Service stop failed."));
}

TEST(ServiceStatusTest, StatesMapToTheFourStatuses)
{
    EXPECT_EQ(Stopped, StatusOfState(SERVICE_STOPPED));
    EXPECT_EQ(Started, StatusOfState(SERVICE_START_PENDING));
    EXPECT_EQ(Stopped, StatusOfState(SERVICE_STOP_PENDING));
    EXPECT_EQ(Started, StatusOfState(SERVICE_RUNNING));
    EXPECT_EQ(Started, StatusOfState(SERVICE_CONTINUE_PENDING));
    EXPECT_EQ(Started, StatusOfState(SERVICE_PAUSE_PENDING));
    EXPECT_EQ(Started, StatusOfState(SERVICE_PAUSED));
    EXPECT_EQ(Unknown, StatusOfState(0));
    EXPECT_EQ(Unknown, StatusOfState(8));
}

TEST(ServiceActionStartUp, TheScmOpenedWithoutABox)
{
    EXPECT_TRUE(serviceAction.control.Connected());
    EXPECT_THAT(TextsOf(missedBoxes.TakeMessageBoxes()), IsEmpty());
}
