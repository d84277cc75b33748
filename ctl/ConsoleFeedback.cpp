#include "ConsoleFeedback.h"

#include <windows.h>
#include <cstdio>

void PrintError(const char* text)
{
    // Whatever the program printed before goes out first, so the console shows both in order.
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", text);
    std::fflush(stderr);
}

void CConsoleFeedback::Message(const char* text, bool)
{
    PrintError(text);
}

void CConsoleFeedback::Progress(const char* text, int32_t holdMs)
{
    std::printf("%s\n", text);
    std::fflush(stdout);
    // The stop handshake relies on this time: the host reads the withdrawn run request and ends
    // the application before the stop control reaches the service.
    if (holdMs > 0)
        ::Sleep(static_cast<DWORD>(holdMs));
}
