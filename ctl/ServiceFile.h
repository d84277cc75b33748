#pragma once
// The services file of export and import: every record's values as a JSON document that
// PowerShell's ConvertFrom-Json and deployment tools read as they are:
//   {
//     "format": "Ravelin services",
//     "version": 2,
//     "services": [
//       { "name": "...", "application": "...", "directory": "...", "parameters": "...",
//         "revive": true, "stopMethod": "terminate", ..., "environment": { "NAME": "VALUE" } }
//     ]
//   }
// Export writes version 2, with every service option; import reads versions 1 and 2. On import
// "directory" defaults to the application's folder, "parameters" to empty, "revive" to true and
// each option to its default (a version 1 file has none: every option off); any other member
// (an option's member in a version 1 file), or a value of the wrong kind or out of its range,
// refuses the file.

#include "ConsoleCommandUi.h"
#include "Json.h"

#include <string>
#include <vector>

class CUtil;
struct ServiceRecord;

// Adds the record's values after its name, as an entry of the file holds them: "application",
// "directory", "parameters", "revive", then the service options (as read from the record:
// every option off when its area does not pass the checks).
void AddServiceValues(Json& object, const ServiceRecord& record);

// The document for every used record of the utility object's table, in slot order.
std::string ServiceFileText(const CUtil& util);

// The entries of a document, each with all its values set. False with a message naming the
// place of the first fault.
bool ReadServiceFile(const std::string& bytes, std::vector<EntryChanges>& entries,
                     std::string& error);
