#include "ServiceData.h"

#include "TableFile.h"

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

int CServiceData::Save(const char* path) const
{
    if (!table_)
        return 0;
    return WriteTableFile(path, table_.get(), kTableSize);
}
