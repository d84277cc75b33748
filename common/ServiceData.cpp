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
    CTableLock lock;
    if (!lock.IsHeld())
        return 0;
    std::unique_ptr<ServiceTable> current(new (std::nothrow) ServiceTable);
    if (!current || !ReadTableFile(path, current.get(), kTableSize))
        return 0;
    const ServiceRecord& own = table_->records[slot];
    ServiceRecord& onDisk = current->records[slot];
    onDisk.hostWindow = own.hostWindow;
    onDisk.appProcessId = own.appProcessId;
    return WriteTableFile(path, current.get(), kTableSize);
}
