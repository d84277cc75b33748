#include "RecordOptions.h"

#include "ServiceRecord.h"

#include <cstring>

bool PutServiceOptions(TestRecord record, const ServiceOptions& options)
{
    ServiceRecord layout;
    std::memcpy(&layout, record.Bytes(), sizeof(layout));
    if (!WriteServiceOptions(options, layout))
        return false;
    std::memcpy(record.Bytes(), &layout, sizeof(layout));
    return true;
}
