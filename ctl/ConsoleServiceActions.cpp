#include "ConsoleServiceActions.h"

#include "BoundedText.h"
#include "ConsoleFeedback.h"
#include "EventLog.h"
#include "ManagerTable.h"
#include "ManagerUtil.h"
#include "RecordService.h"
#include "SystemMessage.h"

#include <cstdio>
#include <string>

CConsoleServiceActions::CConsoleServiceActions(CUtil& util)
    : util_(util), control_(kManagerScmAccess)
{
}

ServiceRecord* CConsoleServiceActions::RecordOf(int slot) const
{
    if (!util_.serviceTable || slot < 0 || slot >= kSlotCount)
        return nullptr;
    return &util_.serviceTable->records[slot];
}

bool CConsoleServiceActions::NamesOf(int slot, char (&displayName)[81],
                                     char (&serviceName)[81]) const
{
    const ServiceRecord* record = RecordOf(slot);
    if (!record || IsSlotFree(*record))
        return false;
    CopyField(displayName, record->displayName);
    CUtil::MakeServiceName(displayName, serviceName, sizeof(serviceName));
    return true;
}

int CConsoleServiceActions::Failed(int slot, const char* action, const char* name, DWORD error,
                                   const char* logLine)
{
    util_.WriteLog(static_cast<uint32_t>(slot), kLogError, logLine);
    char reason[320];
    FormatSystemError(error, reason, sizeof(reason));
    char text[512];
    FormatText(text, sizeof(text), "Cannot %s the service \"%s\": %s.", action, name, reason);
    PrintError(text);
    return 0;
}

void CConsoleServiceActions::Progress(const char* text) const
{
    std::printf("%s\n", text);
    std::fflush(stdout);
}

bool CConsoleServiceActions::SaveRunRequested(int slot, CManagerTable& table, uint32_t value)
{
    RecordOf(slot)->runRequested = value;
    if (table.SaveProperties())
        return true;
    PrintError((std::string("Cannot save the service table ") + util_.propertiesPath + ".")
                   .c_str());
    return false;
}

int CConsoleServiceActions::Install(int slot)
{
    char displayName[81];
    char serviceName[81];
    if (!NamesOf(slot, displayName, serviceName))
        return Failed(slot, "install", "", ERROR_INVALID_NAME, "Service install failed.");
    RecordRegistration registration;
    if (!registration.Make(*RecordOf(slot), util_.installPath))
        return Failed(slot, "install", displayName, ERROR_FILENAME_EXCED_RANGE,
                      "Service install failed.");
    ServiceResult result = control_.Register(registration.Registration());
    if (result.failedStep == ServiceStep::Parameters) {
        // The service exists without its Parameters key: it is removed again.
        Failed(slot, "install", displayName, result.error,
               "Service install failed. Registry manipulation failed.");
        Uninstall(slot);
        return 0;
    }
    if (!result.Succeeded())
        return Failed(slot, "install", displayName, result.error, "Service install failed.");
    util_.WriteLog(static_cast<uint32_t>(slot), kLogEvent, "Service installed.");
    Progress("Installing...");
    return 1;
}

int CConsoleServiceActions::Carry(int slot, const Action& action)
{
    char displayName[81];
    char serviceName[81];
    if (!NamesOf(slot, displayName, serviceName))
        return Failed(slot, action.verb, "", ERROR_INVALID_NAME, action.failedLine);
    ServiceResult result = action.run(serviceName);
    if (!result.Succeeded())
        return Failed(slot, action.verb, displayName, result.error, action.failedLine);
    util_.WriteLog(static_cast<uint32_t>(slot), kLogEvent, action.doneLine);
    if (action.progress)
        Progress(action.progress);
    return 1;
}

int CConsoleServiceActions::Uninstall(int slot)
{
    auto run = [this](const char* name) { return control_.Remove(name); };
    return Carry(slot, {"uninstall", run, "Service uninstalled.", "Service uninstall failed.",
                        "Uninstalling..."});
}

int CConsoleServiceActions::StartWithHandshake(int slot, CManagerTable& table)
{
    auto run = [&](const char* name) {
        return control_.StartWithRunRequest(
            name, [&](uint32_t value) { return SaveRunRequested(slot, table, value); });
    };
    return Carry(slot, {"start", run, "Service started.", "Service start failed.", "Starting..."});
}

int CConsoleServiceActions::StopWithHandshake(int slot, CManagerTable& table)
{
    auto run = [&](const char* name) {
        // The hold lets the application host read the withdrawn run request and end the
        // application before the stop control reaches the service.
        ServiceResult result = control_.StopWithRunRequest(
            name, [&](uint32_t value) { return SaveRunRequested(slot, table, value); },
            [this](DWORD savedAt) {
                Progress("Stopping...");
                CServiceControl::HoldSince(savedAt, kStopHoldMs);
            });
        if (result.failedStep == ServiceStep::Stop)
            util_.WriteLog(static_cast<uint32_t>(slot), kLogError,
                           "Application couldn't terminated.");
        return result;
    };
    return Carry(slot, {"stop", run, "Service stopped.", "Service stop failed.", nullptr});
}

ServiceStatus CConsoleServiceActions::QueryStatus(int slot)
{
    return QueryRecordStatus(control_, RecordOf(slot));
}
