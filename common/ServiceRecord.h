#pragma once
// The service table: the fixed-size file Properties.dat and its in-memory copy,
// 50 records of 8868 bytes, shared by the manager and every application host.

#include <cstddef>
#include <cstdint>

const int kSlotCount = 50;
const size_t kRecordSize = 8868;
const size_t kTableSize = 443400;

const size_t kDisplayNameSize = 81; // at most 80 characters and the terminator
const size_t kPathFieldSize = 256;  // at most 255 characters and the terminator

#pragma pack(push, 1)
struct ServiceRecord {
    char slotId[3];               // "%02d" of the slot; empty in a free record
    char displayName[kDisplayNameSize]; // empty = free slot
    char appPath[kPathFieldSize];
    char workDir[kPathFieldSize];
    char appParams[kPathFieldSize];
    uint32_t reviveOnSessionEnd;  // 1 = terminate at session end, revive 10 s later
    uint32_t reserved1;
    uint32_t hostWindow;          // the serving host's window, published by the host
    uint32_t appProcessId;        // the host's last launch, published by the host
    uint32_t runRequested;        // 0 asks the host to terminate the application
    uint8_t reserved2[7996];
};

struct ServiceTable {
    ServiceRecord records[kSlotCount];
};
#pragma pack(pop)

static_assert(offsetof(ServiceRecord, slotId) == 0, "slotId offset");
static_assert(offsetof(ServiceRecord, displayName) == 3, "displayName offset");
static_assert(offsetof(ServiceRecord, appPath) == 84, "appPath offset");
static_assert(offsetof(ServiceRecord, workDir) == 340, "workDir offset");
static_assert(offsetof(ServiceRecord, appParams) == 596, "appParams offset");
static_assert(offsetof(ServiceRecord, reviveOnSessionEnd) == 852, "reviveOnSessionEnd offset");
static_assert(offsetof(ServiceRecord, reserved1) == 856, "reserved1 offset");
static_assert(offsetof(ServiceRecord, hostWindow) == 860, "hostWindow offset");
static_assert(offsetof(ServiceRecord, appProcessId) == 864, "appProcessId offset");
static_assert(offsetof(ServiceRecord, runRequested) == 868, "runRequested offset");
static_assert(offsetof(ServiceRecord, reserved2) == 872, "reserved2 offset");
static_assert(sizeof(ServiceRecord) == kRecordSize, "record size");
static_assert(sizeof(ServiceTable) == kTableSize, "table size");

// A slot is free when its displayName is empty.
inline bool IsSlotFree(const ServiceRecord& record)
{
    return record.displayName[0] == '\0';
}
