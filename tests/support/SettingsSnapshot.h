#pragma once
// The settings key (HKLM\SOFTWARE\Morvane\Ravelin) as it was when the object was made: whether it
// existed and every value with its type and bytes. The object puts it back when it goes: values
// added since are removed, changed and removed ones written again, and a key that did not exist
// is deleted.

#include <windows.h>
#include <string>
#include <vector>

class CSettingsSnapshot {
public:
    CSettingsSnapshot();
    ~CSettingsSnapshot();
    CSettingsSnapshot(const CSettingsSnapshot&) = delete;
    CSettingsSnapshot& operator=(const CSettingsSnapshot&) = delete;

    // Whether the snapshot could be read whole (a key that does not exist reads whole).
    bool Complete() const { return complete_; }

private:
    struct Value {
        std::string name;
        DWORD type = 0;
        std::string bytes;
    };
    bool existed_ = false;
    bool complete_ = true;
    std::vector<Value> values_;
};

// Every value of the settings key by name, in the key's order; empty when there is no key.
std::vector<std::string> SettingNames();
