#pragma once
// The application host's utility object: its data folder, its slot, its table and its log.

#include "EventLog.h"
#include "ServiceData.h"

#include <cstddef>
#include <cstdint>

// The host's argument is kept for its log file's name up to 63 bytes.
const size_t kSlotTextSize = 64;

#pragma pack(push, 1)
class CUtil {
public:
    CUtil();
    virtual ~CUtil();

    // Reads dataPath from the registry; the host never creates the folder.
    int GetDataPath();
    // GetDataPath, then propertiesPath; a data folder of more than 240 characters does not fit.
    int MakePropertiesPath();
    int InitProperties();
    int LoadProperties();
    // Reads just the host's own record from the file into the in-memory table: all that a poll
    // looks at. The other records keep what the last whole load gave them; nothing the host
    // saves is taken from them.
    int LoadOwnRecord();
    // Publishes the host's own record's hostWindow and appProcessId: merged into the file's
    // current content under the table lock, never a write-back of the whole loaded copy, which
    // would undo what the manager or another host saved since the load.
    int SaveProperties();
    // Sets the own record's runRequested, in memory and in the file, merged under the table
    // lock as SaveProperties does: 0 when the service stops.
    int SaveRunRequest(uint32_t runRequested);
    // The run request at the host's start: 1, unless the file's value has changed since the
    // host loaded the table (a request saved meanwhile is newer than the start, and stays).
    int SaveStartRunRequest();
    // MakePropertiesPath, InitProperties and LoadProperties, stopping at the first failure.
    int InitServiceData();

    // Appends a line to <dataPath>\<slotText>.log.
    void WriteLog(uint8_t type, const char* message);
    void MakeTimeStamp(char* buffer);

    // The record of the host's own slot in the in-memory table (which must exist).
    ServiceRecord& Record() { return serviceData.Record(slot); }

    char dataPath[256];
    char propertiesPath[256];
    char slotText[kSlotTextSize]; // the argument as given (bounded): the log file's base name
    int32_t slot;
    uint32_t launchedProcessId;  // the host's own last successful launch; 0 before the first

private:
    CServiceData serviceData;
};
#pragma pack(pop)

// The host's one utility object, alive for the whole run.
extern CUtil util;
