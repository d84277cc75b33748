#include "ManagerTable.h"

#include "ManagerUtil.h"

CManagerTable::CManagerTable(CUtil& util) : util_(util)
{
}

CManagerTable::~CManagerTable()
{
    FreeProperties();
}

int CManagerTable::InitProperties()
{
    if (!data_.Init())
        return 0;
    util_.serviceTable = data_.Table();
    return 1;
}

int CManagerTable::LoadProperties()
{
    return data_.Load(util_.propertiesPath);
}

int CManagerTable::SaveProperties()
{
    return data_.Save(util_.propertiesPath);
}

void CManagerTable::FreeProperties()
{
    if (util_.serviceTable == data_.Table())
        util_.serviceTable = nullptr;
    data_.Free();
}
