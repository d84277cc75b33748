#pragma once
// The two values that tell the service host what to run, from the service's own key:
// HKLM\SYSTEM\CurrentControlSet\Services\<service name>\Parameters, values Application (the
// quoted path of the program) and AppParameters (the text handed to it).

#include <windows.h>
#include <cstddef>

extern const char kParametersSubkey[];      // "Parameters"
extern const char kApplicationValue[];      // "Application"
extern const char kAppParametersValue[];    // "AppParameters"

const size_t kParameterValueSize = 1024;

class CServiceParameters {
public:
    // Reads both values of the named service. Returns ERROR_SUCCESS, or the system error code of
    // the step that failed, which FailedItem() then names (the key or one of the values).
    DWORD Read(const char* serviceName);

    const char* Application() const { return application_; }
    const char* AppParameters() const { return appParameters_; }
    // The key's path below HKEY_LOCAL_MACHINE, for messages.
    const char* KeyPath() const { return keyPath_; }
    // What a failed Read could not read, to stand before the key's path in a message:
    // "the key" or "the value \"Application\" of the key".
    const char* FailedItem() const { return failedItem_; }

private:
    DWORD ReadText(HKEY key, const char* valueName, char (&text)[kParameterValueSize]);

    char keyPath_[512] = "";
    char application_[kParameterValueSize] = "";
    char appParameters_[kParameterValueSize] = "";
    char failedItem_[64] = "";
};
