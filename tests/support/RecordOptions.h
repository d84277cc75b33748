#pragma once
// A record's options area written through the programs' own layout, for tests that give a
// record supervision options.

#include "ServiceOptions.h"
#include "TableBytes.h"

// Writes the options into the record's reserved2 area; false when a value is out of range.
bool PutServiceOptions(TestRecord record, const ServiceOptions& options);
