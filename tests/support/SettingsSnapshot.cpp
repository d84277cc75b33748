#include "SettingsSnapshot.h"

#include "HandleT.h"
#include "TestSupport.h"

#include <algorithm>

namespace {

const char kSettingsKey[] = "SOFTWARE\\Morvane\\Ravelin";

// The index-th value of the key; false past the last one or on an error (*end tells which).
bool ReadValueAt(HKEY key, DWORD index, std::string* name, DWORD* type, std::string* bytes,
                 bool* end)
{
    DWORD maxName = 0;
    DWORD maxData = 0;
    *end = false;
    if (::RegQueryInfoKeyA(key, NULL, NULL, NULL, NULL, NULL, NULL, NULL, &maxName, &maxData,
                           NULL, NULL) != ERROR_SUCCESS)
        return false;
    std::vector<char> nameBuffer(maxName + 1);
    std::vector<BYTE> data(maxData + 1);
    DWORD nameSize = static_cast<DWORD>(nameBuffer.size());
    DWORD dataSize = static_cast<DWORD>(data.size());
    LONG result = ::RegEnumValueA(key, index, nameBuffer.data(), &nameSize, NULL, type,
                                  data.data(), &dataSize);
    if (result == ERROR_NO_MORE_ITEMS)
        *end = true;
    if (result != ERROR_SUCCESS)
        return false;
    name->assign(nameBuffer.data(), nameSize);
    bytes->assign(reinterpret_cast<const char*>(data.data()), dataSize);
    return true;
}

} // namespace

CSettingsSnapshot::CSettingsSnapshot()
{
    HKEY opened = NULL;
    existed_ = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_QUERY_VALUE, &opened) ==
               ERROR_SUCCESS;
    if (!existed_)
        return;
    CRegKey key(opened);
    for (DWORD index = 0;; ++index) {
        Value value;
        bool end = false;
        if (!ReadValueAt(key.Get(), index, &value.name, &value.type, &value.bytes, &end)) {
            complete_ = end;
            break;
        }
        values_.push_back(value);
    }
}

CSettingsSnapshot::~CSettingsSnapshot()
{
    if (!existed_) {
        DeleteSettingsKey();
        return;
    }
    HKEY created = NULL;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, NULL, 0,
                          KEY_QUERY_VALUE | KEY_SET_VALUE, NULL, &created, NULL) != ERROR_SUCCESS)
        return;
    CRegKey key(created);
    for (const std::string& name : SettingNames()) {
        bool kept = std::any_of(values_.begin(), values_.end(),
                                [&](const Value& value) { return value.name == name; });
        if (!kept)
            ::RegDeleteValueA(key.Get(), name.c_str());
    }
    for (const Value& value : values_)
        ::RegSetValueExA(key.Get(), value.name.c_str(), 0, value.type,
                         reinterpret_cast<const BYTE*>(value.bytes.data()),
                         static_cast<DWORD>(value.bytes.size()));
}

std::vector<std::string> SettingNames()
{
    std::vector<std::string> names;
    HKEY opened = NULL;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_QUERY_VALUE, &opened) !=
        ERROR_SUCCESS)
        return names;
    CRegKey key(opened);
    std::string name;
    DWORD type = 0;
    std::string bytes;
    bool end = false;
    for (DWORD index = 0; ReadValueAt(key.Get(), index, &name, &type, &bytes, &end); ++index)
        names.push_back(name);
    return names;
}
