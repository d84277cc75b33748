#include "ServiceParameters.h"

#include "BoundedText.h"
#include "HandleT.h"
#include "ProductNames.h"

const char kParametersSubkey[] = "Parameters";
const char kApplicationValue[] = "Application";
const char kAppParametersValue[] = "AppParameters";

DWORD CServiceParameters::Read(const char* serviceName)
{
    application_[0] = '\0';
    appParameters_[0] = '\0';
    CopyText(failedItem_, "the key");
    if (serviceName[0] == '\0')
        return ERROR_INVALID_NAME;
    if (!FormatText(keyPath_, sizeof(keyPath_), "%s\\%s\\%s", kServicesKey, serviceName,
                    kParametersSubkey))
        return ERROR_FILENAME_EXCED_RANGE;

    HKEY opened = NULL;
    LONG result = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath_, 0, KEY_QUERY_VALUE, &opened);
    if (result != ERROR_SUCCESS)
        return static_cast<DWORD>(result);
    CRegKey key(opened);

    DWORD error = ReadText(key.Get(), kApplicationValue, application_);
    if (error == ERROR_SUCCESS)
        error = ReadText(key.Get(), kAppParametersValue, appParameters_);
    if (error == ERROR_SUCCESS)
        failedItem_[0] = '\0';
    return error;
}

// Reads a REG_SZ (or REG_EXPAND_SZ, expanded) value into text, terminated whether or not the
// stored data is. Any other type is refused with ERROR_INVALID_DATA; text too long for the
// buffer with ERROR_MORE_DATA.
DWORD CServiceParameters::ReadText(HKEY key, const char* valueName,
                                   char (&text)[kParameterValueSize])
{
    FormatText(failedItem_, sizeof(failedItem_), "the value \"%s\" of the key", valueName);
    char raw[kParameterValueSize];
    DWORD type = 0;
    DWORD size = sizeof(raw) - 1;
    LONG result = ::RegQueryValueExA(key, valueName, NULL, &type, reinterpret_cast<BYTE*>(raw),
                                     &size);
    if (result != ERROR_SUCCESS)
        return static_cast<DWORD>(result);
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return ERROR_INVALID_DATA;
    raw[size] = '\0';

    if (type == REG_SZ)
        return CopyText(text, raw) ? ERROR_SUCCESS : ERROR_MORE_DATA;
    DWORD needed = ::ExpandEnvironmentStringsA(raw, text, sizeof(text));
    if (needed == 0)
        return ::GetLastError();
    return needed <= sizeof(text) ? ERROR_SUCCESS : ERROR_MORE_DATA;
}
