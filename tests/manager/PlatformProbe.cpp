// Runs the manager's platform check and its start-up under the Windows version that Wine reports
// to this program (Wine's per-program version setting), and writes what happened to the file
// named by its one argument, one "name=value" line each:
//   unsupported  what CUtil::IsUnsupportedPlatform returned
//   platform     dwPlatformId as GetVersionExA reports it (1: 95/98/ME, 2: NT)
//   version      major.minor
//   boxes        the texts of the message boxes that the start-up showed, "|" between them,
//                line breaks written as \n
//   quit         1 when the start-up asked the program to end (a quit message is waiting)
// Exit code 0 when the file was written.

#include "DialogWatcher.h"
#include "HandleT.h"
#include "ManagerUtil.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    int unsupported = CUtil::IsUnsupportedPlatform();
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    ::GetVersionExA(&version);

    std::string boxes;
    {
        CDialogWatcher inspector;
        CUtil startUp;
        for (const std::string& text : TextsOf(inspector.TakeMessageBoxes())) {
            if (!boxes.empty())
                boxes += "|";
            for (char c : text)
                boxes += c == '\n' ? std::string("\\n") : std::string(1, c);
        }
    }
    MSG message;
    int quit = ::PeekMessageA(&message, NULL, WM_QUIT, WM_QUIT, PM_REMOVE) ? 1 : 0;

    CStdioFile out(std::fopen(argv[1], "wb"));
    if (!out)
        return 3;
    std::fprintf(out.Get(), "unsupported=%d\nplatform=%lu\nversion=%lu.%lu\nboxes=%s\nquit=%d\n",
                 unsupported, version.dwPlatformId, version.dwMajorVersion,
                 version.dwMinorVersion, boxes.c_str(), quit);
    return 0;
}
