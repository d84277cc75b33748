#pragma once
// The system's own words for an error code, for the messages the service host writes.

#include <windows.h>
#include <cstddef>

// "<text of the code> (error <code>)" on one line, without the system's trailing line break.
void FormatSystemError(DWORD error, char* buffer, size_t size);
