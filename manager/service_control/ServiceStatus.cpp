#include "ServiceStatus.h"

#include <windows.h>

ServiceStatus StatusOfState(uint32_t currentState)
{
    switch (currentState) {
    case SERVICE_START_PENDING:
    case SERVICE_RUNNING:
    case SERVICE_CONTINUE_PENDING:
    case SERVICE_PAUSE_PENDING:
    case SERVICE_PAUSED:
        return Started;
    case SERVICE_STOPPED:
    case SERVICE_STOP_PENDING:
        return Stopped;
    default:
        return Unknown;
    }
}

const char* StatusText(int status)
{
    switch (status) {
    case Ready: return "Ready";
    case Started: return "Started";
    case Stopped: return "Stopped";
    default: return "Unknown";
    }
}
