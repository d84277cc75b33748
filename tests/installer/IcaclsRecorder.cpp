// Stands in for the system's icacls.exe in a test prefix (Wine has none, and keeps no DACL that
// a test could read back): appends its command line, one line per call, to C:\icacls calls.txt
// and ends with the exit code written in C:\icacls exit code.txt (0 when that file is missing).

#include <cstdio>
#include <cstdlib>
#include <windows.h>

int main()
{
    if (FILE* calls = std::fopen("C:\\icacls calls.txt", "ab")) {
        std::fprintf(calls, "%s\n", ::GetCommandLineA());
        std::fclose(calls);
    }
    int code = 0;
    if (FILE* exitCode = std::fopen("C:\\icacls exit code.txt", "rb")) {
        if (std::fscanf(exitCode, "%d", &code) != 1)
            code = 0;
        std::fclose(exitCode);
    }
    return code;
}
