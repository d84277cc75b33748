#pragma once
// The services file of export and import: every record's values as a JSON document that
// PowerShell's ConvertFrom-Json and deployment tools read as they are:
//   {
//     "format": "Ravelin services",
//     "version": 1,
//     "services": [
//       { "name": "...", "application": "...", "directory": "...", "parameters": "...",
//         "revive": true }
//     ]
//   }
// On import "directory" defaults to the application's folder, "parameters" to empty and
// "revive" to true; any other member, or a value of the wrong kind, refuses the file.

#include "ConsoleCommandUi.h"
#include "Json.h"

#include <string>
#include <vector>

class CUtil;
struct ServiceRecord;

// Adds the record's values after its name, as an entry of the file holds them: "application",
// "directory", "parameters", "revive".
void AddServiceValues(Json& object, const ServiceRecord& record);

// The document for every used record of the utility object's table, in slot order.
std::string ServiceFileText(const CUtil& util);

// The entries of a document, each with all its values set. False with a message naming the
// place of the first fault.
bool ReadServiceFile(const std::string& bytes, std::vector<EntryChanges>& entries,
                     std::string& error);
