#include "ServiceOptions.h"

#include "BoundedText.h"

#include <windows.h>
#include <cstring>

const char kOptionsMark[4] = {'R', 'V', 'O', 'P'};

namespace {

const size_t kChecksumStart = offsetof(ServiceOptionsArea, stopMethod);
const size_t kMaxNameLength = 259;

// Length of the environment list up to and including the empty text that ends it; 0 when the
// list is not properly ended inside its field.
size_t EnvironmentListLength(const char (&environment)[kEnvironmentSize])
{
    size_t at = 0;
    while (at < kEnvironmentSize) {
        size_t length = FieldLength(environment + at, kEnvironmentSize - at);
        if (at + length >= kEnvironmentSize)
            return 0; // a text without its terminator
        if (length == 0)
            return at + 1;
        at += length + 1;
    }
    return 0;
}

// Length of the name part of an entry ("NAME=VALUE"); 0 when it has none.
size_t EntryNameLength(const char* entry)
{
    const char* equals = std::strchr(entry, '=');
    return equals ? static_cast<size_t>(equals - entry) : 0;
}

bool IsNameChar(unsigned char c)
{
    return c >= 0x20 && c != '=' && c != 0x7f;
}

bool IsNameValid(const char* name, size_t length)
{
    if (length == 0 || length > kMaxNameLength)
        return false;
    for (size_t i = 0; i < length; ++i)
        if (!IsNameChar(static_cast<unsigned char>(name[i])))
            return false;
    return true;
}

bool IsEntryValid(const char* entry)
{
    return IsNameValid(entry, EntryNameLength(entry));
}

bool IsEnvironmentValid(const char (&environment)[kEnvironmentSize])
{
    size_t length = EnvironmentListLength(environment);
    if (length == 0)
        return false;
    for (size_t at = 0; environment[at] != '\0'; at += std::strlen(environment + at) + 1)
        if (!IsEntryValid(environment + at))
            return false;
    // Nothing may follow the list's end.
    for (size_t at = length; at < kEnvironmentSize; ++at)
        if (environment[at] != '\0')
            return false;
    return true;
}

bool EntryHasName(const char* entry, const char* name)
{
    size_t nameLength = EntryNameLength(entry);
    if (nameLength != std::strlen(name))
        return false;
    return ::CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, entry,
                            static_cast<int>(nameLength), name,
                            static_cast<int>(nameLength)) == CSTR_EQUAL;
}

bool Fail(char* message, size_t size, const char* text)
{
    if (message && size > 0)
        CopyText(message, size, text);
    return false;
}

bool EqualsIgnoringCase(const char* a, const char* b)
{
    return ::lstrcmpiA(a, b) == 0;
}

} // namespace

uint32_t OptionsAreaChecksum(const ServiceOptionsArea& area)
{
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&area);
    uint32_t hash = 2166136261u;
    for (size_t i = kChecksumStart; i < sizeof(area); ++i) {
        hash ^= bytes[i];
        hash *= 16777619u;
    }
    return hash;
}

bool CheckServiceOptions(const ServiceOptions& options, char* message, size_t size)
{
    if (options.stopMethod != kStopTerminate && options.stopMethod != kStopGraceful)
        return Fail(message, size, "The stop method must be terminate or graceful.");
    if (options.stopTimeoutMs > kMaxStopTimeoutMs)
        return Fail(message, size, "The stop timeout must be between 0 and 60000 ms.");
    if (options.restart > kRestartAlways)
        return Fail(message, size, "The restart policy must be never, on-failure or always.");
    if (options.restartDelayMs > kMaxRestartDelayMs)
        return Fail(message, size, "The restart delay must be between 0 and 60000 ms.");
    if (options.maxRestarts > kMaxMaxRestarts)
        return Fail(message, size, "The maximum number of restarts must be between 0 and 1000.");
    if (options.rotateBytes > kMaxRotateBytes)
        return Fail(message, size,
                    "The rotation size must be between 0 and 1099511627776 bytes.");
    if (options.rotateKeep < kMinRotateKeep || options.rotateKeep > kMaxRotateKeep)
        return Fail(message, size, "The number of files to keep must be between 1 and 100.");
    if (FieldLength(options.stdoutPath, sizeof(options.stdoutPath)) >= kOutputPathSize)
        return Fail(message, size, "The stdout path must be at most 259 characters.");
    if (FieldLength(options.stderrPath, sizeof(options.stderrPath)) >= kOutputPathSize)
        return Fail(message, size, "The stderr path must be at most 259 characters.");
    if (!IsEnvironmentValid(options.environment))
        return Fail(message, size,
                    "The environment must hold NAME=VALUE entries with names of 1 to 259 "
                    "characters without '='.");
    return true;
}

bool ServiceOptionsAreDefault(const ServiceOptions& options)
{
    const ServiceOptions defaults;
    return options.stopMethod == defaults.stopMethod &&
           options.stopTimeoutMs == defaults.stopTimeoutMs && options.restart == defaults.restart &&
           options.restartDelayMs == defaults.restartDelayMs &&
           options.maxRestarts == defaults.maxRestarts && options.killTree == defaults.killTree &&
           options.rotateBytes == defaults.rotateBytes &&
           options.rotateKeep == defaults.rotateKeep && options.stdoutPath[0] == '\0' &&
           options.stderrPath[0] == '\0' && options.environment[0] == '\0';
}

bool ReadServiceOptions(const ServiceRecord& record, ServiceOptions& options)
{
    options = ServiceOptions();
    ServiceOptionsArea area;
    std::memcpy(&area, record.reserved2, sizeof(area));
    if (std::memcmp(area.mark, kOptionsMark, sizeof(area.mark)) != 0 ||
        area.version != kOptionsVersion || area.checksum != OptionsAreaChecksum(area) ||
        area.killTree > 1)
        return false;
    for (uint8_t byte : area.unused)
        if (byte != 0)
            return false;

    ServiceOptions read;
    read.stopMethod = area.stopMethod;
    read.stopTimeoutMs = area.stopTimeoutMs;
    read.restart = area.restart;
    read.restartDelayMs = area.restartDelayMs;
    read.maxRestarts = area.maxRestarts;
    read.killTree = area.killTree == 1;
    read.rotateBytes = area.rotateBytes;
    read.rotateKeep = area.rotateKeep;
    std::memcpy(read.stdoutPath, area.stdoutPath, sizeof(read.stdoutPath));
    std::memcpy(read.stderrPath, area.stderrPath, sizeof(read.stderrPath));
    std::memcpy(read.environment, area.environment, sizeof(read.environment));
    if (!CheckServiceOptions(read, NULL, 0))
        return false;
    options = read;
    return true;
}

bool WriteServiceOptions(const ServiceOptions& options, ServiceRecord& record)
{
    if (!CheckServiceOptions(options, NULL, 0))
        return false;
    ServiceOptionsArea area;
    std::memset(&area, 0, sizeof(area));
    if (!ServiceOptionsAreDefault(options)) {
        std::memcpy(area.mark, kOptionsMark, sizeof(area.mark));
        area.version = kOptionsVersion;
        area.stopMethod = options.stopMethod;
        area.stopTimeoutMs = options.stopTimeoutMs;
        area.restart = options.restart;
        area.restartDelayMs = options.restartDelayMs;
        area.maxRestarts = options.maxRestarts;
        area.killTree = options.killTree ? 1 : 0;
        area.rotateKeep = options.rotateKeep;
        area.rotateBytes = options.rotateBytes;
        // Copied as texts, so that nothing after a terminator reaches the file.
        CopyField(area.stdoutPath, options.stdoutPath);
        CopyField(area.stderrPath, options.stderrPath);
        std::memcpy(area.environment, options.environment,
                    EnvironmentListLength(options.environment));
        area.checksum = OptionsAreaChecksum(area);
    }
    std::memcpy(record.reserved2, &area, sizeof(area));
    return true;
}

const char* StopMethodName(uint32_t method)
{
    return method == kStopGraceful ? "graceful" : "terminate";
}

bool ParseStopMethod(const char* text, uint32_t& method)
{
    if (EqualsIgnoringCase(text, "terminate"))
        method = kStopTerminate;
    else if (EqualsIgnoringCase(text, "graceful"))
        method = kStopGraceful;
    else
        return false;
    return true;
}

const char* RestartPolicyName(uint32_t policy)
{
    switch (policy) {
    case kRestartOnFailure:
        return "on-failure";
    case kRestartAlways:
        return "always";
    default:
        return "never";
    }
}

bool ParseRestartPolicy(const char* text, uint32_t& policy)
{
    if (EqualsIgnoringCase(text, "never"))
        policy = kRestartNever;
    else if (EqualsIgnoringCase(text, "on-failure"))
        policy = kRestartOnFailure;
    else if (EqualsIgnoringCase(text, "always"))
        policy = kRestartAlways;
    else
        return false;
    return true;
}

bool IsEnvironmentNameValid(const char* name)
{
    return IsNameValid(name, std::strlen(name));
}

const char* FirstEnvironmentEntry(const ServiceOptions& options)
{
    if (EnvironmentListLength(options.environment) == 0 || options.environment[0] == '\0')
        return NULL;
    return options.environment;
}

const char* NextEnvironmentEntry(const ServiceOptions& options, const char* entry)
{
    const char* next = entry + std::strlen(entry) + 1;
    if (next >= options.environment + kEnvironmentSize || *next == '\0')
        return NULL;
    return next;
}

bool UnsetEnvironmentEntry(ServiceOptions& options, const char* name)
{
    size_t length = EnvironmentListLength(options.environment);
    for (size_t at = 0; length > 0 && options.environment[at] != '\0';) {
        char* entry = options.environment + at;
        size_t entryLength = std::strlen(entry) + 1;
        if (EntryHasName(entry, name)) {
            std::memmove(entry, entry + entryLength, length - at - entryLength);
            std::memset(options.environment + length - entryLength, 0, entryLength);
            return true;
        }
        at += entryLength;
    }
    return false;
}

bool SetEnvironmentEntry(ServiceOptions& options, const char* name, const char* value)
{
    if (!IsEnvironmentNameValid(name))
        return false;
    ServiceOptions changed = options;
    if (EnvironmentListLength(changed.environment) == 0)
        ClearEnvironment(changed);
    UnsetEnvironmentEntry(changed, name);
    size_t length = EnvironmentListLength(changed.environment);
    size_t at = length - 1; // where the list's ending empty text is
    size_t nameLength = std::strlen(name);
    size_t entryLength = nameLength + 1 + std::strlen(value) + 1;
    // The new entry and the list's ending empty text must fit.
    if (at + entryLength + 1 > kEnvironmentSize)
        return false;
    char* entry = changed.environment + at;
    std::memcpy(entry, name, nameLength);
    entry[nameLength] = '=';
    std::memcpy(entry + nameLength + 1, value, std::strlen(value) + 1);
    changed.environment[at + entryLength] = '\0';
    options = changed;
    return true;
}

void ClearEnvironment(ServiceOptions& options)
{
    std::memset(options.environment, 0, sizeof(options.environment));
}
