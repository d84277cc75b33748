// The test child: a small application that the host launches in tests.
// It records its process id, command line and working directory in
// %RAVELIN_CHILD_RECORDS%\child-<pid>.txt (C:\ravelin child records\child-<pid>.txt when the
// variable is not set, as for children of services), and obeys these words of its command line:
//   --exit-after <ms>   exit by itself after that many milliseconds
//   --spawn             start a child of its own (a plain test child) and record its id
//   --ignore-close      ignore WM_CLOSE, the polite request to end
//   --record-close      append each request to end that it gets (WM_CLOSE, or a console
//                       control event: CTRL_C, CTRL_BREAK, CTRL_CLOSE) as a line to
//                       closed-<pid>.txt in the same folder
// Without --ignore-close, WM_CLOSE to its hidden top-level window ends it. Built as a console
// program too (TestConsoleChild.exe): there a console control event ends it, as the default
// handler would, after it is recorded.

#include <windows.h>
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

DWORD SpawnChild()
{
    char self[MAX_PATH];
    ::GetModuleFileNameA(NULL, self, sizeof(self));
    char commandLine[] = " spawned";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info;
    if (!::CreateProcessA(self, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &info))
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

// Written under a temporary name first, so a reader never sees half a record.
void WriteRecord(DWORD spawned)
{
    char folder[MAX_PATH];
    if (!RecordFolder(folder))
        return;
    char cwd[MAX_PATH] = "";
    ::GetCurrentDirectoryA(sizeof(cwd), cwd);
    char path[MAX_PATH];
    char temp[MAX_PATH];
    std::snprintf(path, sizeof(path), "%s\\child-%lu.txt", folder, ::GetCurrentProcessId());
    std::snprintf(temp, sizeof(temp), "%s.tmp", path);
    FILE* file = std::fopen(temp, "wb");
    if (!file)
        return;
    std::fprintf(file, "pid=%lu\ncmdline=%s\ncwd=%s\nspawned=%lu\n", ::GetCurrentProcessId(),
                 ::GetCommandLineA(), cwd, spawned);
    std::fclose(file);
    ::MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING);
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
    ignoreClose = HasWord(commandLine, "--ignore-close");
    recordClose = HasWord(commandLine, "--record-close");
    ::SetConsoleCtrlHandler(ConsoleControl, TRUE); // the console build's request to end
    DWORD spawned = HasWord(commandLine, "--spawn") ? SpawnChild() : 0;

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
    return 0;
}
