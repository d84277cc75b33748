#pragma once
// The link between a row of the service list and its record: the row's "SID" text, compared
// byte for byte with the records' slotId. Rows carry no hidden key, so sorting never breaks it.

#include "RowAccess.h"
#include "ServiceRecord.h"

// The column that shows slotId.
const int kSidColumn = 2;

// The first slot 0..49 whose slotId equals sid byte for byte; -1 when none does or there is no
// table.
int SlotOfSid(const ServiceTable* table, const char* sid);

// The first row whose "SID" text equals the slotId of record slot; -1 when none does, the slot
// lies outside the table or there is no table.
int RowOfSlot(const CRowAccess& rows, const ServiceTable* table, int slot);

// The slot of a row; -1 when its "SID" text cannot be read or matches no record.
int SlotOfRow(const CRowAccess& rows, const ServiceTable* table, int row);
