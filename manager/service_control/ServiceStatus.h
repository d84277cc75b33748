#pragma once
// A service's state as the manager shows it; never stored, always queried afresh.

#include <cstdint>

enum ServiceStatus : uint8_t {
    Unknown = 0, // no SCM handle, a failed query, or a state outside the known seven
    Ready = 1,   // the service cannot be opened: in practice, not installed
    Started = 2, // start pending, running, continue pending, pause pending, paused
    Stopped = 3, // stopped, stop pending
};

// The ServiceStatus of an SCM state (dwCurrentState).
ServiceStatus StatusOfState(uint32_t currentState);

// The word the manager's "Status" column and RavelinCtl show for a status: "Ready", "Started",
// "Stopped", and "Unknown" for any other value.
const char* StatusText(int status);
