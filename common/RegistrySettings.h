#pragma once
// The installation's settings under HKEY_LOCAL_MACHINE\SOFTWARE\Morvane\Ravelin (read only).

#include <cstddef>

extern const char kSettingsKey[];      // "SOFTWARE\\Morvane\\Ravelin"
extern const char kInstallPathValue[]; // "path"
extern const char kDataPathValue[];    // "dataPath"

const size_t kSettingBufferSize = 256;
const unsigned long kSettingReadLimit = 254; // bytes, terminator included

// Reads a value of the settings key into a zero-filled 256-byte buffer, at most 254 bytes with
// the terminator. A missing key or value, or one that does not fit, counts as not found: 0.
int ReadSetting(const char* valueName, char (&value)[kSettingBufferSize]);
