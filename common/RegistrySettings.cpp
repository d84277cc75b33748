#include "RegistrySettings.h"

#include "HandleT.h"

#include <windows.h>
#include <cstring>

const char kSettingsKey[] = "SOFTWARE\\Morvane\\Ravelin";
const char kInstallPathValue[] = "path";
const char kDataPathValue[] = "dataPath";

int ReadSetting(const char* valueName, char (&value)[kSettingBufferSize])
{
    std::memset(value, 0, sizeof(value));
    HKEY opened = NULL;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_QUERY_VALUE, &opened) !=
        ERROR_SUCCESS)
        return 0;
    CRegKey key(opened);
    DWORD size = kSettingReadLimit;
    if (::RegQueryValueExA(key.Get(), valueName, NULL, NULL, reinterpret_cast<BYTE*>(value),
                           &size) != ERROR_SUCCESS) {
        std::memset(value, 0, sizeof(value));
        return 0;
    }
    return 1;
}
