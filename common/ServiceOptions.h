#pragma once
// A service's supervision options: how its application is stopped, restarted, where its output
// goes and what environment it gets. They live in the record's reserved2 area under a versioned
// layout of our own. An area that was never written (all zero, as in every record made before
// the options existed) reads as every option off; so does an area that fails any check (a wrong
// mark, version or checksum, a value out of range, an unterminated text): it is never trusted.

#include "ServiceRecord.h"

#include <cstddef>
#include <cstdint>

enum StopMethod : uint32_t { kStopTerminate = 0, kStopGraceful = 1 };
enum RestartPolicy : uint32_t { kRestartNever = 0, kRestartOnFailure = 1, kRestartAlways = 2 };

const uint32_t kDefaultStopTimeoutMs = 5000;
const uint32_t kMaxStopTimeoutMs = 60000;
const uint32_t kDefaultRestartDelayMs = 2000;
const uint32_t kMaxRestartDelayMs = 60000;
const uint32_t kDefaultMaxRestarts = 5;
const uint32_t kMaxMaxRestarts = 1000;
const uint64_t kMaxRotateBytes = 1ULL << 40; // 1 TiB
const uint32_t kDefaultRotateKeep = 5;
const uint32_t kMinRotateKeep = 1;
const uint32_t kMaxRotateKeep = 100;

const size_t kOutputPathSize = 260;   // at most 259 characters and the terminator
const size_t kEnvironmentSize = 6144; // NAME=VALUE texts, each terminated, then an empty text

struct ServiceOptions {
    uint32_t stopMethod = kStopTerminate;
    uint32_t stopTimeoutMs = kDefaultStopTimeoutMs;
    uint32_t restart = kRestartNever;
    uint32_t restartDelayMs = kDefaultRestartDelayMs;
    uint32_t maxRestarts = kDefaultMaxRestarts; // 0 = never give up
    bool killTree = false;
    uint64_t rotateBytes = 0;                   // 0 = no rotation
    uint32_t rotateKeep = kDefaultRotateKeep;
    char stdoutPath[kOutputPathSize] = "";      // empty = not redirected
    char stderrPath[kOutputPathSize] = "";
    char environment[kEnvironmentSize] = "";    // all zero = no extra variables
};

// The layout of the reserved2 area (offsets within the area; the area starts at offset 872 of
// the record). All numbers little-endian.
#pragma pack(push, 1)
struct ServiceOptionsArea {
    char mark[4];            //    0: "RVOP"
    uint32_t version;        //    4: kOptionsVersion
    uint32_t checksum;       //    8: FNV-1a of bytes 12 to the end of the area
    uint32_t stopMethod;     //   12: StopMethod
    uint32_t stopTimeoutMs;  //   16: 0..60000
    uint32_t restart;        //   20: RestartPolicy
    uint32_t restartDelayMs; //   24: 0..60000
    uint32_t maxRestarts;    //   28: 0..1000
    uint32_t killTree;       //   32: 0 or 1
    uint32_t rotateKeep;     //   36: 1..100
    uint64_t rotateBytes;    //   40: 0..2^40
    char stdoutPath[kOutputPathSize]; //   48
    char stderrPath[kOutputPathSize]; //  308
    char environment[kEnvironmentSize]; // 568
    uint8_t unused[1284];    // 6712: zero
};
#pragma pack(pop)

static_assert(sizeof(ServiceOptionsArea) == sizeof(ServiceRecord::reserved2), "options area size");
static_assert(offsetof(ServiceOptionsArea, rotateBytes) == 40, "rotateBytes offset");
static_assert(offsetof(ServiceOptionsArea, environment) == 568, "environment offset");

const uint32_t kOptionsVersion = 1;
extern const char kOptionsMark[4];

// The checksum the area must carry.
uint32_t OptionsAreaChecksum(const ServiceOptionsArea& area);

// Reads the record's options. Returns true when the area held options that passed every check;
// false when it reads as every option off (never written, or damaged), options then default.
bool ReadServiceOptions(const ServiceRecord& record, ServiceOptions& options);

// Writes the options into the record's area after CheckServiceOptions; all defaults clear the
// area to zero, as in a record that never had options. False (the record untouched) when a
// value is out of range.
bool WriteServiceOptions(const ServiceOptions& options, ServiceRecord& record);

// True when every value is in its range. Otherwise false, and message (if given) names the
// option and its range, e.g. "The restart delay must be between 0 and 60000 ms.".
bool CheckServiceOptions(const ServiceOptions& options, char* message, size_t size);

// True when every option has its default.
bool ServiceOptionsAreDefault(const ServiceOptions& options);

// The words of the command line and the services file: "terminate", "graceful"; "never",
// "on-failure", "always". Parse* return false for any other text (compared without case).
const char* StopMethodName(uint32_t method);
bool ParseStopMethod(const char* text, uint32_t& method);
const char* RestartPolicyName(uint32_t policy);
bool ParseRestartPolicy(const char* text, uint32_t& policy);

// The environment list. A name is 1..259 characters without '=' or control characters.
// Adds NAME=VALUE or replaces the value of an entry of that name (names compare without case);
// false (nothing changed) for a bad name or when the list would not fit.
bool SetEnvironmentEntry(ServiceOptions& options, const char* name, const char* value);
// Removes the entry of that name; false when there was none.
bool UnsetEnvironmentEntry(ServiceOptions& options, const char* name);
void ClearEnvironment(ServiceOptions& options);
// The first entry ("NAME=VALUE"), or NULL for an empty list; the entry after entry, or NULL.
const char* FirstEnvironmentEntry(const ServiceOptions& options);
const char* NextEnvironmentEntry(const ServiceOptions& options, const char* entry);
bool IsEnvironmentNameValid(const char* name);
