#include "EventSource.h"

#include "BoundedText.h"
#include "HandleT.h"
#include "RavelinMessages.h"

#include <cstdarg>

const char kEventSourceName[] = "Ravelin";
const char kEventSourceKey[] =
    "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Ravelin";

namespace {

struct EventSourceTraits {
    static HANDLE Invalid() { return NULL; }
    static void Close(HANDLE h) { ::DeregisterEventSource(h); }
};
using CEventSourceHandle = CHandleT<HANDLE, EventSourceTraits>;

} // namespace

void CEventSource::EnsureRegistered()
{
    HKEY opened = NULL;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kEventSourceKey, 0, KEY_QUERY_VALUE, &opened) ==
        ERROR_SUCCESS) {
        CRegKey existing(opened);
        return;
    }
    char self[MAX_PATH];
    DWORD length = ::GetModuleFileNameA(NULL, self, sizeof(self));
    if (length == 0 || length >= sizeof(self))
        return;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kEventSourceKey, 0, NULL, 0, KEY_SET_VALUE, NULL,
                          &opened, NULL) != ERROR_SUCCESS)
        return;
    CRegKey key(opened);
    ::RegSetValueExA(key.Get(), "EventMessageFile", 0, REG_EXPAND_SZ,
                     reinterpret_cast<const BYTE*>(self), length + 1);
    DWORD types = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
    ::RegSetValueExA(key.Get(), "TypesSupported", 0, REG_DWORD,
                     reinterpret_cast<const BYTE*>(&types), sizeof(types));
}

bool CEventSource::Report(WORD type, const char* message)
{
    EnsureRegistered();
    CEventSourceHandle source(::RegisterEventSourceA(NULL, kEventSourceName));
    if (!source)
        return false;
    const char* strings[1] = {message};
    return ::ReportEventA(source.Get(), type, 0, MSG_SERVICE_HOST_TEXT, NULL, 1, 0, strings,
                          NULL) != FALSE;
}

bool CEventSource::ReportFormat(WORD type, const char* format, ...)
{
    char message[2048];
    va_list args;
    va_start(args, format);
    FormatTextV(message, sizeof(message), format, args);
    va_end(args);
    return Report(type, message);
}
