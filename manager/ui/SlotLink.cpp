#include "SlotLink.h"

#include "BoundedText.h"

int SlotOfSid(const ServiceTable* table, const char* sid)
{
    if (table == nullptr || sid == nullptr)
        return -1;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (FieldEquals(table->records[slot].slotId, sid))
            return slot;
    }
    return -1;
}

int RowOfSlot(const CRowAccess& rows, const ServiceTable* table, int slot)
{
    if (table == nullptr || slot < 0 || slot >= kSlotCount)
        return -1;
    const ServiceRecord& record = table->records[slot];
    int count = rows.RowCount();
    char sid[kRowTextSize];
    for (int row = 0; row < count; ++row) {
        if (rows.RowText(row, kSidColumn, sid, sizeof(sid)) && FieldEquals(record.slotId, sid))
            return row;
    }
    return -1;
}

int SlotOfRow(const CRowAccess& rows, const ServiceTable* table, int row)
{
    char sid[kRowTextSize];
    if (!rows.RowText(row, kSidColumn, sid, sizeof(sid)))
        return -1;
    return SlotOfSid(table, sid);
}
