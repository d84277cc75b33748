// The common tests' entry point. Started with one of these first words, the program is instead a
// helper process for a test:
//   --append-log <path> <count> [<gate>]  appends count lines "from the other" to a log file;
//       with a gate name it first sets the event <gate>-ready and waits until the test sets <gate>,
//       so that the test's own appends and these start together.
//   --hold-table <path> <events> <ms>     opens the table file as backup and antivirus tools do
//       (read access, no delete sharing), sets <events>-held and keeps the file open until the
//       test sets <events>-release or ms milliseconds pass.

#include "EventLog.h"
#include "HandleT.h"
#include "HelperModes.h"
#include "TestMain.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

CHandle OpenTestEvent(const std::string& name)
{
    return CHandle(::OpenEventA(EVENT_MODIFY_STATE | SYNCHRONIZE, FALSE, name.c_str()));
}

int AppendLines(const char* path, int count, const char* gate)
{
    if (gate) {
        CHandle ready = OpenTestEvent(std::string(gate) + kReadySuffix);
        CHandle start = OpenTestEvent(gate);
        if (!ready || !start)
            return kHelperNoEvent;
        ::SetEvent(ready.Get());
        if (::WaitForSingleObject(start.Get(), 60000) != WAIT_OBJECT_0)
            return kHelperGateTimeout;
    }
    for (int i = 0; i < count; ++i)
        AppendLogLine(path, kLogEvent, "from the other");
    return kHelperOk;
}

int HoldTable(const char* path, const char* events, DWORD holdMs)
{
    CHandle held = OpenTestEvent(std::string(events) + kHeldSuffix);
    CHandle release = OpenTestEvent(std::string(events) + kReleaseSuffix);
    if (!held || !release)
        return kHelperNoEvent;
    CFileHandle file(::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL));
    if (!file)
        return kHelperNoFile;
    ::SetEvent(held.Get());
    ::WaitForSingleObject(release.Get(), holdMs);
    return kHelperOk;
}

} // namespace

int main(int argc, char** argv)
{
    const char* mode = argc > 1 ? argv[1] : "";
    if (std::strcmp(mode, "--append-log") == 0)
        return argc == 4 || argc == 5
                   ? AppendLines(argv[2], std::atoi(argv[3]), argc == 5 ? argv[4] : nullptr)
                   : kHelperUsage;
    if (std::strcmp(mode, "--hold-table") == 0)
        return argc == 5 ? HoldTable(argv[2], argv[3],
                                     static_cast<DWORD>(std::strtoul(argv[4], nullptr, 10)))
                         : kHelperUsage;
    return RunTestsWithDeadline(argc, argv);
}
