#pragma once
// The New/Edit dialog's Apply checks over the in-memory table, without a window: which message,
// if any, the entered service name and application path earn.

#include <cstddef>

class CUtil;

const char kNeedServiceName[] = "Please enter the service name.";
const char kNeedAppPath[] =
    "Please choose the application executable file path by Browse button.";
const char kNameInUse[] = "The service name is already exist.";
const char kPathInUse[] = "The application is already registered by name of";

// Runs the four checks in order and stops at the first failure: empty name, empty path, a name
// that FindServiceByName or FindServiceBySystemName finds, a path that FindServiceByAppPath
// finds (the message then names that slot's service, "%s:\n\n%s" in a 256-byte buffer).
// editSlot is the record being edited, passed over by the searches (-1 for a new service).
// Returns false and writes the message into message; returns true and leaves message empty when
// every check passes.
bool CheckServiceEntries(const CUtil& util, int editSlot, const char* name, const char* appPath,
                         char* message, size_t size);
