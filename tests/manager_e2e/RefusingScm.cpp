// Linked into a test build of the manager: the Service Control Manager refuses to open, as it
// does for a user who is not an administrator. (Wine grants every user every access, so the
// refusal cannot be brought about for the real program.) The manager calls the system through
// its import pointer; this definition takes the place of the one from the import library.

#include <windows.h>

namespace {

SC_HANDLE WINAPI RefuseOpenScManager(LPCSTR, LPCSTR, DWORD)
{
    ::SetLastError(ERROR_ACCESS_DENIED);
    return NULL;
}

} // namespace

#ifdef _WIN64
extern "C" void* refusingOpenScManager __asm__("__imp_OpenSCManagerA");
#else
extern "C" void* refusingOpenScManager __asm__("__imp__OpenSCManagerA@12");
#endif
void* refusingOpenScManager = reinterpret_cast<void*>(&RefuseOpenScManager);
