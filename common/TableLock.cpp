#include "TableLock.h"

#include <sddl.h>

// The hosts run in the services' session as LocalSystem, the manager in the administrator's
// interactive session. A name in the "Global\" namespace is one object for all sessions; a plain
// name would give each session a lock of its own.
const char kTableLockName[] = "Global\\Morvane.Ravelin.ServiceTable";

namespace {

// Whoever creates the lock first decides who may open it. A service's default security would
// keep the administrator's manager out (and a user's default would keep the services out), so
// the lock grants full access to LocalSystem and to the Administrators group, nobody else: only
// administrators may run the manager, and no other account can hold the table up.
const char kTableLockSecurity[] = "D:P(A;;GA;;;SY)(A;;GA;;;BA)";

HANDLE CreateOrOpenLock()
{
    PSECURITY_DESCRIPTOR descriptor = NULL;
    SECURITY_ATTRIBUTES attributes = {};
    attributes.nLength = sizeof(attributes);
    if (::ConvertStringSecurityDescriptorToSecurityDescriptorA(kTableLockSecurity, SDDL_REVISION_1,
                                                              &descriptor, NULL))
        attributes.lpSecurityDescriptor = descriptor;
    HANDLE mutex = ::CreateMutexA(&attributes, FALSE, kTableLockName);
    if (descriptor)
        ::LocalFree(descriptor);
    if (!mutex)
        mutex = ::OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, kTableLockName);
    return mutex;
}

} // namespace

CTableLock::CTableLock(DWORD timeoutMs) : mutex_(CreateOrOpenLock())
{
    if (!mutex_)
        return;
    DWORD waited = ::WaitForSingleObject(mutex_.Get(), timeoutMs);
    held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

CTableLock::~CTableLock()
{
    if (held_)
        ::ReleaseMutex(mutex_.Get());
}
