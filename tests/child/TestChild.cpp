// The test child: a small application that the host launches in tests.
// It records its process id, command line and working directory in
// %RAVELIN_CHILD_RECORDS%\child-<pid>.txt (C:\ravelin child records\child-<pid>.txt when the
// variable is not set, as for children of services), and obeys these words of its command line:
//   --exit-after <ms>   exit by itself after that many milliseconds
//   --spawn             start a child of its own (a plain test child) and record its id
//   --ignore-close      ignore WM_CLOSE, the polite request to end
//   --exit-code <n>     the exit code when it ends by itself (0 otherwise)
//   --print <n>         write n numbered lines to standard output and n to standard error,
//                       alternately, through the handles as they are (bytes written unchanged)
//   --tree              first thing of all, start a child that starts a grandchild at once, and
//                       a child with CREATE_BREAKAWAY_FROM_JOB; the record's "breakaway=" line
//                       gives that one's id (0 when the system refused it)
//   --dump-env          write its environment block, one variable a line, to env-<pid>.txt
//                       beside its record
//   --probe-handle      report in the record's "probe=" line whether the handle value in
//                       RAVELIN_PROBE_HANDLE is a disk file of 12345 bytes (1) or not (0)
//   --record-close      append each request to end that it gets (WM_CLOSE, or a console
//                       control event: CTRL_C, CTRL_BREAK, CTRL_CLOSE) as a line to
//                       closed-<pid>.txt in the same folder
// Without --ignore-close, WM_CLOSE to its hidden top-level window ends it. Built as a console
// program too (TestConsoleChild.exe): there a console control event ends it, as the default
// handler would, after it is recorded.

#include <windows.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const UINT_PTR kExitTimer = 1;
const char kDefaultRecordFolder[] = "C:\\ravelin child records";
bool ignoreClose = false;
bool recordClose = false;

bool HasWord(const char* commandLine, const char* word)
{
    const char* found = std::strstr(commandLine, word);
    return found != nullptr;
}

DWORD WordValue(const char* commandLine, const char* word)
{
    const char* found = std::strstr(commandLine, word);
    return found ? static_cast<DWORD>(std::strtoul(found + std::strlen(word), nullptr, 10)) : 0;
}

DWORD SpawnChild(const char* arguments = " spawned", DWORD flags = 0)
{
    char self[MAX_PATH];
    ::GetModuleFileNameA(NULL, self, sizeof(self));
    char commandLine[64];
    std::snprintf(commandLine, sizeof(commandLine), "%s", arguments);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info;
    if (!::CreateProcessA(self, commandLine, NULL, NULL, FALSE, flags, NULL, NULL, &startup,
                          &info))
        return 0;
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
    return info.dwProcessId;
}

bool RecordFolder(char (&folder)[MAX_PATH])
{
    DWORD length = ::GetEnvironmentVariableA("RAVELIN_CHILD_RECORDS", folder, sizeof(folder));
    if (length >= sizeof(folder))
        return false;
    if (length == 0) {
        std::snprintf(folder, sizeof(folder), "%s", kDefaultRecordFolder);
        ::CreateDirectoryA(folder, NULL);
    }
    return true;
}

void WriteAll(HANDLE handle, const char* text, size_t length)
{
    DWORD written = 0;
    while (length > 0 && ::WriteFile(handle, text, static_cast<DWORD>(length), &written, NULL) &&
           written > 0) {
        text += written;
        length -= written;
    }
}

// Numbered lines with bytes above 127, so that a changed encoding shows.
void PrintLines(DWORD count)
{
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
    char line[64];
    for (DWORD i = 1; i <= count; ++i) {
        int length = std::snprintf(line, sizeof(line), "out %05lu \xC3\xA9\xE2\x82\xAC\xFF\n", i);
        WriteAll(out, line, static_cast<size_t>(length));
        length = std::snprintf(line, sizeof(line), "err %05lu \xC3\xA9\xE2\x82\xAC\xFF\n", i);
        WriteAll(err, line, static_cast<size_t>(length));
    }
}

// A file of the record folder, <kind>-<pid>.txt, written under a temporary name first and
// renamed when closed, so that a reader never sees half of it.
class CRecordFile {
public:
    explicit CRecordFile(const char* kind)
    {
        char folder[MAX_PATH];
        if (!RecordFolder(folder))
            return;
        std::snprintf(path_, sizeof(path_), "%s\\%s-%lu.txt", folder, kind,
                      ::GetCurrentProcessId());
        std::snprintf(temp_, sizeof(temp_), "%s.tmp", path_);
        file_ = std::fopen(temp_, "wb");
    }
    ~CRecordFile()
    {
        if (!file_)
            return;
        std::fclose(file_);
        ::MoveFileExA(temp_, path_, MOVEFILE_REPLACE_EXISTING);
    }
    CRecordFile(const CRecordFile&) = delete;
    CRecordFile& operator=(const CRecordFile&) = delete;
    FILE* File() const { return file_; }

private:
    char path_[MAX_PATH] = "";
    char temp_[MAX_PATH] = "";
    FILE* file_ = nullptr;
};

void DumpEnvironment()
{
    CRecordFile record("env");
    FILE* file = record.File();
    if (!file)
        return;
    char* block = ::GetEnvironmentStringsA();
    for (const char* entry = block; entry && *entry; entry += std::strlen(entry) + 1)
        std::fprintf(file, "%s\n", entry);
    ::FreeEnvironmentStringsA(block);
}

// Whether the handle whose value RAVELIN_PROBE_HANDLE gives is the probe file (12345 bytes).
int ProbeHandle()
{
    char value[32];
    DWORD length = ::GetEnvironmentVariableA("RAVELIN_PROBE_HANDLE", value, sizeof(value));
    if (length == 0 || length >= sizeof(value))
        return 0;
    HANDLE handle = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(std::strtoul(value, nullptr, 10)));
    if (::GetFileType(handle) != FILE_TYPE_DISK)
        return 0;
    return ::GetFileSize(handle, NULL) == 12345 ? 1 : 0;
}

DWORD breakaway = 0;
int probe = -1;

void RecordCloseRequest(const char* what)
{
    char folder[MAX_PATH];
    if (!recordClose || !RecordFolder(folder))
        return;
    char path[MAX_PATH];
    std::snprintf(path, sizeof(path), "%s\\closed-%lu.txt", folder, ::GetCurrentProcessId());
    FILE* file = std::fopen(path, "ab");
    if (!file)
        return;
    std::fprintf(file, "%s\n", what);
    std::fclose(file);
}

BOOL WINAPI ConsoleControl(DWORD event)
{
    RecordCloseRequest(event == CTRL_C_EVENT       ? "CTRL_C"
                       : event == CTRL_BREAK_EVENT ? "CTRL_BREAK"
                       : event == CTRL_CLOSE_EVENT ? "CTRL_CLOSE"
                                                   : "CTRL_OTHER");
    ::ExitProcess(0);
    return TRUE;
}

void WriteRecord(DWORD spawned)
{
    char cwd[MAX_PATH] = "";
    ::GetCurrentDirectoryA(sizeof(cwd), cwd);
    CRecordFile record("child");
    FILE* file = record.File();
    if (!file)
        return;
    std::fprintf(file, "pid=%lu\ncmdline=%s\ncwd=%s\nspawned=%lu\nbreakaway=%lu\n",
                 ::GetCurrentProcessId(), ::GetCommandLineA(), cwd, spawned, breakaway);
    if (probe >= 0)
        std::fprintf(file, "probe=%d\n", probe);
}

LRESULT CALLBACK ChildWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        RecordCloseRequest("WM_CLOSE");
        if (!ignoreClose)
            ::DestroyWindow(window);
        return 0;
    case WM_TIMER:
        if (wParam == kExitTimer)
            ::DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    const char* commandLine = ::GetCommandLineA();
    DWORD spawned = 0;
    if (HasWord(commandLine, "--tree")) {
        spawned = SpawnChild(" spawned --spawn");
        breakaway = SpawnChild(" spawned", CREATE_BREAKAWAY_FROM_JOB);
    }
    ignoreClose = HasWord(commandLine, "--ignore-close");
    if (HasWord(commandLine, "--spawn"))
        spawned = SpawnChild();
    if (HasWord(commandLine, "--print"))
        PrintLines(WordValue(commandLine, "--print"));
    if (HasWord(commandLine, "--dump-env"))
        DumpEnvironment();
    if (HasWord(commandLine, "--probe-handle"))
        probe = ProbeHandle();
    recordClose = HasWord(commandLine, "--record-close");
    ::SetConsoleCtrlHandler(ConsoleControl, TRUE); // the console build's request to end

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ChildWndProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "RavelinTestChild";
    ::RegisterClassA(&windowClass);
    HWND window = ::CreateWindowA("RavelinTestChild", "Ravelin test child", WS_OVERLAPPEDWINDOW,
                                  0, 0, 100, 100, NULL, NULL, instance, NULL);
    if (!window)
        return 2;
    if (HasWord(commandLine, "--exit-after"))
        ::SetTimer(window, kExitTimer, WordValue(commandLine, "--exit-after"), NULL);

    WriteRecord(spawned);

    MSG message;
    while (::GetMessageA(&message, NULL, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return static_cast<int>(WordValue(commandLine, "--exit-code"));
}
