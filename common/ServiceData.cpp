#include "ServiceData.h"

#include "TableFile.h"
#include "TableLock.h"

#include <cstring>
#include <new>

int CServiceData::Init()
{
    table_.reset(new (std::nothrow) ServiceTable);
    if (!table_)
        return 0;
    std::memset(table_.get(), 0, sizeof(ServiceTable));
    return 1;
}

void CServiceData::Free()
{
    table_.reset();
}

int CServiceData::Load(const char* path)
{
    if (!table_)
        return 0;
    return ReadTableFile(path, table_.get(), kTableSize);
}

int CServiceData::LoadRecord(const char* path, int slot)
{
    if (!table_ || slot < 0 || slot >= kSlotCount)
        return 0;
    ServiceRecord record;
    if (!ReadTableFileRange(path, kTableSize, static_cast<size_t>(slot) * kRecordSize, &record,
                            kRecordSize))
        return 0;
    table_->records[slot] = record;
    return 1;
}

int CServiceData::Save(const char* path) const
{
    if (!table_)
        return 0;
    return WriteTableFile(path, table_.get(), kTableSize);
}

int CServiceData::SaveHostFields(const char* path, int slot) const
{
    if (!table_ || slot < 0 || slot >= kSlotCount)
        return 0;
    const ServiceRecord& own = table_->records[slot];
    return MergeRecordFields(path, slot, [&own](ServiceRecord& onDisk) {
        onDisk.hostWindow = own.hostWindow;
        onDisk.appProcessId = own.appProcessId;
        return true;
    });
}

int CServiceData::SaveRunRequest(const char* path, int slot, uint32_t runRequested,
                                 bool unlessChanged)
{
    if (!table_ || slot < 0 || slot >= kSlotCount)
        return 0;
    ServiceRecord& own = table_->records[slot];
    return MergeRecordFields(path, slot, [&](ServiceRecord& onDisk) {
        if (unlessChanged && onDisk.runRequested != own.runRequested) {
            own.runRequested = onDisk.runRequested;
            return false;
        }
        own.runRequested = runRequested;
        if (onDisk.runRequested == runRequested)
            return false;
        onDisk.runRequested = runRequested;
        return true;
    });
}

int CServiceData::MergeRecordFields(const char* path, int slot,
                                    const std::function<bool(ServiceRecord&)>& change) const
{
    CTableLock lock;
    if (!lock.IsHeld())
        return 0;
    std::unique_ptr<ServiceTable> current(new (std::nothrow) ServiceTable);
    if (!current || !ReadTableFile(path, current.get(), kTableSize))
        return 0;
    if (!change(current->records[slot]))
        return 1;
    return WriteTableFile(path, current.get(), kTableSize);
}
