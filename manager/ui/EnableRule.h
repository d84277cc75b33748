#pragma once
// Which service command is available for the selected record: the one rule behind the Service
// menu, the toolbar and the context menu.

#include "ServiceStatus.h"

#include <windows.h>

// The eight commands that act on the selected record, in context-menu order.
extern const UINT kSelectionCommands[8];

// True for the eight commands that need a selected record.
bool NeedsSelection(UINT command);

// Whether command is available: slot is the selected record's slot (-1: none), status that
// slot's current status. Commands without a rule (New, Open Data Folder) are always available.
bool IsCommandEnabled(UINT command, int slot, ServiceStatus status);
