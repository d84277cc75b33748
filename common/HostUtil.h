#pragma once
// The application host's utility object: its data folder, its slot, its table and its log.

#include "EventLog.h"
#include "ServiceData.h"

#include <cstdint>

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
    int SaveProperties();
    // MakePropertiesPath, InitProperties and LoadProperties, stopping at the first failure.
    int InitServiceData();

    // Appends a line to <dataPath>\<slotText>.log.
    void WriteLog(uint8_t type, const char* message);
    void MakeTimeStamp(char* buffer);

    // The record of the host's own slot in the in-memory table (which must exist).
    ServiceRecord& Record() { return serviceData.Record(slot); }

    char dataPath[256];
    char propertiesPath[256];
    char slotText[3];            // the argument as given: the base name of the host's log file
    int32_t slot;
    uint32_t launchedProcessId;  // the host's own last successful launch; 0 before the first

private:
    CServiceData serviceData;
};
#pragma pack(pop)

// The host's one utility object, alive for the whole run.
extern CUtil util;
