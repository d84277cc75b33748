// Ravelin.exe, the service host: the image of every service that the Ravelin manager registers.
// For each service it starts the program that the service's Parameters key names (the
// application host) and ends the service when that program ends or when the service is stopped.
//
// A console program: the SCM starts services without a console, so nothing ever shows, while
// someone who runs it by hand from a prompt reads on stderr why it will not run that way.

#include "HostedService.h"

#include <windows.h>
#include <cstdio>

int main()
{
    // For an own-process service the SCM ignores the name in the table; it must only be there.
    char anyName[] = "";
    SERVICE_TABLE_ENTRYA table[] = {{anyName, CHostedService::ServiceMain}, {NULL, NULL}};
    if (::StartServiceCtrlDispatcherA(table))
        return 0;

    DWORD error = ::GetLastError();
    if (error == ERROR_FAILED_SERVICE_CONTROLLER_CONNECT)
        std::fputs("Ravelin.exe is a service host: the Service Control Manager starts it for a "
                   "Ravelin service; it does not run by hand.\n",
                   stderr);
    else
        std::fprintf(stderr, "Ravelin.exe could not connect to the Service Control Manager "
                             "(error %lu).\n",
                     error);
    return error != 0 ? static_cast<int>(error) : 1;
}
