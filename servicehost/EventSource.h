#pragma once
// The service host's entries in the Windows Application event log, source "Ravelin". It shows
// nothing on screen: a service has no one to show it to, so the event log is its report.

#include <windows.h>

extern const char kEventSourceName[];   // "Ravelin"
extern const char kEventSourceKey[];    // its registration below HKEY_LOCAL_MACHINE

class CEventSource {
public:
    // Writes one entry of the given type (EVENTLOG_ERROR_TYPE, EVENTLOG_WARNING_TYPE,
    // EVENTLOG_INFORMATION_TYPE) whose text is message. Returns true when it was written;
    // an entry that cannot be written is dropped.
    static bool Report(WORD type, const char* message);
    // printf-style convenience over Report, bounded to one entry of 2 KB.
    static bool ReportFormat(WORD type, const char* format, ...)
        __attribute__((format(printf, 2, 3)));

private:
    // Registers this program as the source's message file the first time it is needed, so the
    // event viewer can show the text; a registration already present is left as it is.
    static void EnsureRegistered();
};
