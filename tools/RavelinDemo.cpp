// A console helper for run.sh until the manager exists: it plays the manager's part towards one
// application host, through the same table and log files.
//   RavelinDemo create <appPath> <workDir> [params]   a table with one service in slot 0,
//                                                     whose log starts empty
//   RavelinDemo stop                                   saves runRequested 0 for slot 0
//   RavelinDemo close                                  closes the host window of slot 0
//   RavelinDemo log                                    prints slot 0's log, newest line first

#include "BoundedText.h"
#include "EventLog.h"
#include "RegistrySettings.h"
#include "ServiceData.h"

#include <windows.h>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

int Usage()
{
    std::fprintf(stderr, "usage: RavelinDemo create <appPath> <workDir> [params] | stop | close | log\n");
    return 2;
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
    char dataPath[kSettingBufferSize];
    if (!ReadSetting(kDataPathValue, dataPath)) {
        std::fprintf(stderr, "The data folder is not set in the registry.\n");
        return 1;
    }
    char tablePath[512];
    char logPath[512];
    FormatText(tablePath, sizeof(tablePath), "%s\\Properties.dat", dataPath);
    FormatText(logPath, sizeof(logPath), "%s\\00.log", dataPath);

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
