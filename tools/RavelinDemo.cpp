// A console helper for run.sh: it prepares a demonstration through the manager's own table and
// RavelinCtl's service control (the manager's steps and log lines, on the console), and plays
// the manager's part towards one application host.
//   RavelinDemo table                                  when the service table holds no service:
//                                                      three services, the first installed and
//                                                      started, the third installed
//   RavelinDemo window <seconds>                       waits for the manager's main window and
//                                                      prints its rectangle as WxH+X+Y
//   RavelinDemo create <appPath> <workDir> [params]   a table with one service in slot 0,
//                                                     whose log starts empty
//   RavelinDemo stop                                   saves runRequested 0 for slot 0
//   RavelinDemo close                                  closes the host window of slot 0
//   RavelinDemo log                                    prints slot 0's log, newest line first

#include "BoundedText.h"
#include "ConsoleFeedback.h"
#include "ConsoleServiceActions.h"
#include "EventLog.h"
#include "ManagerTable.h"
#include "ManagerUtil.h"
#include "ProductNames.h"
#include "RegistrySettings.h"
#include "ServiceData.h"

#include <windows.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// The program-wide objects, in RavelinCtl's order: messages go to the console.
CConsoleFeedback consoleFeedback;
CUtil util(&consoleFeedback);

namespace {


int Usage()
{
    std::fprintf(stderr, "usage: RavelinDemo table | window <seconds> | create <appPath> <workDir> "
                         "[params] | stop | close | log\n");
    return 2;
}

struct DemoService {
    const char* displayName;
    const char* appPath;
    bool install;
    bool start;
};

const DemoService kDemoServices[] = {
    {"Demo Notepad", "C:\\windows\\system32\\notepad.exe", true, true},
    {"Demo Minesweeper", "C:\\windows\\system32\\winemine.exe", false, false},
    {"Demo Clock", "C:\\windows\\system32\\clock.exe", true, false},
};

// Fills slots 0, 1, 2 of an empty table, saves it, then installs and starts through the SCM as
// the manager's Install and Start commands do.
int MakeDemoTable()
{
    CManagerTable table(util);
    if (!table.InitProperties())
        return 1;
    table.LoadProperties();
    if (util.CountServices() > 0) {
        std::printf("The service table already holds %d service(s); it is left as it is.\n",
                    util.CountServices());
        return 0;
    }
    int slot = 0;
    for (const DemoService& demo : kDemoServices) {
        ServiceRecord& record = table.Record(slot);
        std::memset(&record, 0, sizeof(record));
        FormatText(record.slotId, sizeof(record.slotId), "%02d", slot);
        CopyText(record.displayName, demo.displayName);
        CopyText(record.appPath, demo.appPath);
        CopyText(record.workDir, "C:\\windows");
        util.DeleteLog(static_cast<uint32_t>(slot));
        ++slot;
    }
    if (!table.SaveProperties()) {
        std::fprintf(stderr, "Cannot save the service table %s.\n", util.propertiesPath);
        return 1;
    }
    CConsoleServiceActions serviceAction(util);
    int failures = 0;
    slot = 0;
    for (const DemoService& demo : kDemoServices) {
        const char* done = "not installed";
        if (demo.install) {
            if (!serviceAction.Install(slot)) {
                ++failures;
                done = "install failed";
            } else if (demo.start) {
                done = serviceAction.StartWithHandshake(slot, table) ? "installed and started"
                                                                     : "start failed";
                failures += std::strcmp(done, "start failed") == 0 ? 1 : 0;
            } else {
                done = "installed";
            }
        }
        std::printf("Slot %02d, %s (%s): %s.\n", slot, demo.displayName, demo.appPath, done);
        ++slot;
    }
    return failures == 0 ? 0 : 1;
}

// Polls for the manager's main window until the deadline, brings it to the front and prints its
// rectangle for a screenshot.
int WaitForManager(int seconds)
{
    DWORD deadline = ::GetTickCount() + static_cast<DWORD>(seconds) * 1000;
    for (;;) {
        HWND window = CUtil::FindWindowByTitle(kManagerWindowTitle);
        if (window != NULL && ::IsWindowVisible(window)) {
            // Above every other window, so that a screenshot of its rectangle shows only it.
            CUtil::BringWindowToFront(window);
            RECT rect;
            ::GetWindowRect(window, &rect);
            std::printf("%ldx%ld+%ld+%ld\n", rect.right - rect.left, rect.bottom - rect.top,
                        rect.left, rect.top);
            return 0;
        }
        if (static_cast<LONG>(::GetTickCount() - deadline) >= 0)
            break;
        ::Sleep(200);
    }
    std::fprintf(stderr, "No window \"%s\" within %d s.\n", kManagerWindowTitle, seconds);
    return 1;
}

int Create(CServiceData& data, const char* tablePath, int argc, char** argv)
{
    if (argc < 4)
        return Usage();
    ServiceRecord& record = data.Record(0);
    std::memset(&record, 0, sizeof(record));
    bool fits = CopyText(record.slotId, "00") && CopyText(record.displayName, "Demo Service") &&
                CopyText(record.appPath, argv[2]) && CopyText(record.workDir, argv[3]) &&
                CopyText(record.appParams, argc > 4 ? argv[4] : "");
    if (!fits) {
        std::fprintf(stderr, "A path or the parameters are too long for the service table.\n");
        return 1;
    }
    record.runRequested = 1;
    if (!data.Save(tablePath)) {
        std::fprintf(stderr, "Cannot save the service table %s.\n", tablePath);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    if (std::strcmp(argv[1], "table") == 0)
        return MakeDemoTable();
    if (std::strcmp(argv[1], "window") == 0)
        return WaitForManager(argc > 2 ? std::atoi(argv[2]) : 30);
    char dataPath[kSettingBufferSize];
    if (!ReadSetting(kDataPathValue, dataPath)) {
        std::fprintf(stderr, "The data folder is not set in the registry.\n");
        return 1;
    }
    char tablePath[512];
    char logPath[512];
    MakePropertiesFilePath(tablePath, sizeof(tablePath), dataPath);
    MakeLogFilePath(logPath, sizeof(logPath), dataPath, 0);

    CServiceData data;
    if (!data.Init())
        return 1;
    const char* command = argv[1];
    if (std::strcmp(command, "create") == 0) {
        // A new service in the slot starts with an empty log, as after a deletion.
        ::DeleteFileA(logPath);
        return Create(data, tablePath, argc, argv);
    }
    if (std::strcmp(command, "log") == 0) {
        std::vector<LogEntry> entries = ReadLogFile(logPath);
        for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry)
            std::printf("%s  %-7s %s\n", entry->timeStamp, entry->type, entry->message);
        return 0;
    }
    if (!data.Load(tablePath)) {
        std::fprintf(stderr, "Cannot read the service table %s.\n", tablePath);
        return 1;
    }
    if (std::strcmp(command, "stop") == 0) {
        data.Record(0).runRequested = 0;
        return data.Save(tablePath) ? 0 : 1;
    }
    if (std::strcmp(command, "close") == 0) {
        HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(data.Record(0).hostWindow));
        return ::PostMessageA(window, WM_CLOSE, 0, 0) ? 0 : 1;
    }
    return Usage();
}
