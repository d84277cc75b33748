// Holds a file open without delete sharing, as backup and antivirus tools do, so that nobody can
// replace it for as long as it holds:
//   TableHolder <file> <ready event> <release event>
// Signals the ready event once the file is held and lets go when the release event is signalled,
// or after 60 s at the latest. Exit code 0 when it held the file, 2 for bad arguments, 3 when it
// could not open the file or the events.

#include "HandleT.h"

#include <windows.h>

int main(int argc, char** argv)
{
    if (argc != 4)
        return 2;
    CFileHandle file(::CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL));
    CHandle ready(::OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]));
    CHandle release(::OpenEventA(SYNCHRONIZE, FALSE, argv[3]));
    if (!file || !ready || !release)
        return 3;
    ::SetEvent(ready.Get());
    ::WaitForSingleObject(release.Get(), 60000);
    return 0;
}
