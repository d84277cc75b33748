// How long the manager's log viewer takes to show logs of 1,000, 10,000, 100,000 and 1,000,000
// lines, and what the manager's memory is with each open. Prints the figures; exit code 0 when
// measured and every log showed all its lines, the newest on top and the oldest at the bottom.
//
// The time runs from posting the Log command to the main window until the viewer is visible
// with every row in its list and has handled a message posted after that (the rows are put in
// while the dialog opens, before it is shown). Memory is the Linux kernel's count of the
// manager's process (/proc/<pid>/status through Wine's Z: drive), as Wine reports no private
// usage for another process. "end ms" is the time to scroll the list to its last row and read
// that row back, as a user who drags the scroll box to the bottom would see it.

#include "LinuxProcess.h"
#include "LogViewerProbe.h"
#include "ManagerChecks.h"
#include "ManagerHarness.h"
#include "RemoteList.h"

#include <commctrl.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

namespace {

const char* const kMessages[] = {"Service started.", "Application executed by Halyard.",
                                 "CallApplication success: 4242", "Service stopped.",
                                 "Application revived by Halyard."};

// n lines as both programs write them.
std::string MakeLog(int lines)
{
    std::string text;
    text.reserve(static_cast<size_t>(lines) * 64);
    char line[128];
    for (int index = 0; index < lines; ++index) {
        int second = index % 86400;
        std::snprintf(line, sizeof(line), "2011/02/23 [%02d:%02d:%02d]*%s**%s\r\n", second / 3600,
                      second / 60 % 60, second % 60, index % 7 == 3 ? "ERROR" : "EVENT",
                      kMessages[index % 5]);
        text += line;
    }
    return text;
}

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

// The timestamp MakeLog writes on line index.
std::string StampOf(int index)
{
    int second = index % 86400;
    char stamp[32];
    std::snprintf(stamp, sizeof(stamp), "2011/02/23 [%02d:%02d:%02d]", second / 3600,
                  second / 60 % 60, second % 60);
    return stamp;
}

// A "NNN kB" figure of /proc as a number of kB; -1 when unknown.
long Kilobytes(const std::string& figure)
{
    return figure.empty() || figure[0] < '0' || figure[0] > '9' ? -1 : std::atol(figure.c_str());
}

} // namespace

int main()
{
    CManagerHarness manager;
    TableImage table;
    FillRecord(table[0], 0, "Bench Service", BinPath("TestChild.exe"), "C:\\", "", 0);
    manager.WriteTable(table);
    if (!manager.Start() || !WaitUntil([&] { return manager.RowCount() == 1; }, 30000)) {
        std::printf("the manager did not show its service\n");
        return 1;
    }
    std::string pid = FindLinuxProcess();
    std::string idleRss = LinuxStatus(pid, "VmRSS:");
    std::printf("manager before any log: VmRSS %s, RssAnon %s\n", idleRss.c_str(),
                LinuxStatus(pid, "RssAnon:").c_str());
    std::printf("%8s %8s %10s %10s %12s %10s %12s %12s %12s\n", "lines", "rows", "file KiB",
                "shown ms", "us per line", "end ms", "VmRSS open", "RssAnon open", "above idle");
    CLogViewerProbe viewer(manager);
    bool allShown = true;
    const int sizes[] = {1000, 10000, 100000, 1000000};
    for (int lines : sizes) {
        std::string log = MakeLog(lines);
        WriteFileBytes(manager.DataDir() + "\\00.log", log);
        if (!manager.SelectRow(0)) {
            std::printf("cannot select the service\n");
            return 1;
        }
        LARGE_INTEGER start, shown;
        ::QueryPerformanceCounter(&start);
        ::PostMessageA(manager.Frame(), WM_COMMAND, command::kLog, 0);
        DWORD deadline = ::GetTickCount() + 120000;
        HWND dialog = NULL;
        while ((dialog = viewer.Find()) == NULL && ::GetTickCount() < deadline)
            ::Sleep(1);
        if (dialog == NULL) {
            std::printf("the viewer did not open for %d lines\n", lines);
            return 1;
        }
        // Polled every millisecond (Open() polls every 20 ms).
        HWND list = ::GetDlgItem(dialog, log_viewer::kList);
        int rows = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
        ::SendMessageA(list, WM_NULL, 0, 0);
        ::QueryPerformanceCounter(&shown);
        double ms = Milliseconds(start, shown);
        std::string openRss = LinuxStatus(pid, "VmRSS:");
        std::string openAnon = LinuxStatus(pid, "RssAnon:");
        // Newest first: the top row is the last line of the file, the last row its first line.
        LARGE_INTEGER end;
        ::SendMessageA(list, LVM_ENSUREVISIBLE, rows - 1, FALSE);
        std::string bottom = rows > 0 ? ListCell(manager.ProcessHandle(), list, rows - 1, 0) : "";
        ::SendMessageA(list, WM_NULL, 0, 0);
        ::QueryPerformanceCounter(&end);
        std::string top = rows > 0 ? ListCell(manager.ProcessHandle(), list, 0, 0) : "";
        long above = Kilobytes(openRss) - Kilobytes(idleRss);
        std::printf("%8d %8d %10zu %10.1f %12.2f %10.1f %12s %12s %9.1f MB\n", lines, rows,
                    log.size() / 1024, ms, 1000.0 * ms / lines, Milliseconds(shown, end),
                    openRss.c_str(), openAnon.c_str(), above / 1024.0);
        if (rows != lines || top != StampOf(lines - 1) || bottom != StampOf(0)) {
            std::printf("  wrong rows: %d rows, top \"%s\", bottom \"%s\"\n", rows, top.c_str(),
                        bottom.c_str());
            allShown = false;
        }
        ::PostMessageA(::GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
        if (!WaitUntil([&] { return !::IsWindow(dialog); }, 30000)) {
            std::printf("the viewer did not close\n");
            return 1;
        }
    }
    std::printf("manager after the last close: VmRSS %s, RssAnon %s\n",
                LinuxStatus(pid, "VmRSS:").c_str(), LinuxStatus(pid, "RssAnon:").c_str());
    return allShown ? 0 : 1;
}
