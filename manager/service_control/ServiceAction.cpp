#include "ServiceAction.h"

#include "BoundedText.h"
#include "ManagerTable.h"
#include "ManagerUtil.h"
#include "RecordService.h"

namespace {

const char kCannotSave[] = "Internal error:\n\nCannot save the service data.";
// What remains of the stop's hold at the end of the session: one poll of the host and a margin.
const DWORD kSessionEndHoldMs = 2500;

} // namespace

CServiceAction::CServiceAction()
    : control(kManagerScmAccess)
{
    if (!control.Connected())
        util.ErrorBox("Internal error:\n\nFailed to get the Service Control Manager handle.\n\n"
                      "You cannot use the Ravelin at this time.\nPlease log on as an "
                      "administrator and try again.");
}

CServiceAction::~CServiceAction() = default;

ServiceRecord* CServiceAction::RecordOf(int slot) const
{
    if (!util.serviceTable || slot < 0 || slot >= kSlotCount)
        return nullptr;
    return &util.serviceTable->records[slot];
}

bool CServiceAction::ServiceNameOf(int slot, char (&name)[81]) const
{
    const ServiceRecord* record = RecordOf(slot);
    if (!record || IsSlotFree(*record))
        return false;
    char displayName[sizeof(record->displayName) + 1];
    CopyField(displayName, record->displayName);
    CUtil::MakeServiceName(displayName, name, sizeof(name));
    return true;
}

int CServiceAction::Install(int slot)
{
    char serviceName[81];
    if (!control.Connected() || !ServiceNameOf(slot, serviceName))
        return InstallFailed(slot);
    RecordRegistration registration;
    if (!registration.Make(*RecordOf(slot), util.installPath)) {
        ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return InstallFailed(slot);
    }
    ServiceResult result = control.Register(registration.Registration());
    if (result.failedStep == ServiceStep::Parameters)
        return RegistryFailed(slot);
    if (!result.Succeeded()) {
        // The install box is chosen by the system's error.
        ::SetLastError(result.error);
        return InstallFailed(slot);
    }
    AwaitLine(slot, kLogEvent, "Service installed.");
    util.ShowProgress("Installing...");
    WritePendingLine();
    return 1;
}

int CServiceAction::InstallFailed(int slot)
{
    AwaitLine(slot, kLogError, "Service install failed.");
    if (!sessionEnding_)
        util.ShowInstallError();
    WritePendingLine();
    return 0;
}

// The service exists but its Parameters key does not: remove the service again.
int CServiceAction::RegistryFailed(int slot)
{
    static const char text[] = "Service install failed. Registry manipulation failed.";
    AwaitLine(slot, kLogError, text);
    ShowError(text);
    WritePendingLine();
    Uninstall(slot);
    return 0;
}

int CServiceAction::ReportFailure(int slot, const char* text)
{
    AwaitLine(slot, kLogError, text);
    ShowError(text);
    WritePendingLine();
    return 0;
}

void CServiceAction::ShowError(const char* text) const
{
    if (!sessionEnding_)
        util.ErrorBox(text);
}

void CServiceAction::AwaitLine(int slot, uint8_t type, const char* text)
{
    pendingLine_.slot = slot;
    pendingLine_.type = type;
    pendingLine_.text = text;
}

void CServiceAction::WritePendingLine()
{
    if (pendingLine_.text == nullptr)
        return;
    util.WriteLog(static_cast<uint32_t>(pendingLine_.slot), pendingLine_.type, pendingLine_.text);
    pendingLine_ = PendingLine();
}

int CServiceAction::Uninstall(int slot)
{
    char serviceName[81];
    if (!ServiceNameOf(slot, serviceName) || !control.Remove(serviceName).Succeeded())
        return ReportFailure(slot, "Service uninstall failed.");
    AwaitLine(slot, kLogEvent, "Service uninstalled.");
    util.ShowProgress("Uninstalling...");
    WritePendingLine();
    return 1;
}

int CServiceAction::Start(int slot)
{
    char serviceName[81];
    if (!ServiceNameOf(slot, serviceName) || !control.Start(serviceName).Succeeded())
        return ReportFailure(slot, "Service start failed.");
    AwaitLine(slot, kLogEvent, "Service started.");
    util.ShowProgress("Starting...");
    WritePendingLine();
    return 1;
}

int CServiceAction::Stop(int slot)
{
    char serviceName[81];
    if (!ServiceNameOf(slot, serviceName))
        return ReportFailure(slot, "Service stop failed.");
    ServiceResult result = control.SendStop(serviceName);
    if (result.failedStep == ServiceStep::Stop)
        util.WriteLog(slot, kLogError, "Application couldn't terminated.");
    if (!result.Succeeded())
        return ReportFailure(slot, "Service stop failed.");
    util.WriteLog(slot, kLogEvent, "Service stopped.");
    return 1;
}

ServiceStatus CServiceAction::QueryStatus(int slot)
{
    return QueryRecordStatus(control, RecordOf(slot));
}

void CServiceAction::SaveOrReport(CManagerTable& table)
{
    if (!table.SaveProperties())
        ShowError(kCannotSave);
}

int CServiceAction::StartWithHandshake(int slot, CManagerTable& table)
{
    ServiceRecord* record = RecordOf(slot);
    if (!record)
        return Start(slot);
    record->runRequested = 1;
    SaveOrReport(table);
    if (Start(slot))
        return 1;
    record->runRequested = 0;
    SaveOrReport(table);
    return 0;
}

int CServiceAction::StopWithHandshake(int slot, CManagerTable& table)
{
    ServiceRecord* record = RecordOf(slot);
    if (!record)
        return Stop(slot);
    record->runRequested = 0;
    SaveOrReport(table);
    heldStop_ = HeldStop();
    heldStop_.slot = slot;
    heldStop_.table = &table;
    heldStop_.savedAt = ::GetTickCount();
    util.progressHoldMs = 5000;
    util.ShowProgress("Stopping...");
    util.progressHoldMs = 0;
    HeldStop held = heldStop_;
    heldStop_ = HeldStop();
    return held.sent ? held.result : SendStop(slot, table);
}

int CServiceAction::SendStop(int slot, CManagerTable& table)
{
    if (Stop(slot))
        return 1;
    ServiceRecord* record = RecordOf(slot);
    if (record) {
        record->runRequested = 1;
        SaveOrReport(table);
    }
    return 0;
}

void CServiceAction::FinishForSessionEnd()
{
    // A box would hold this handler, and with it the session's end, until someone answered.
    sessionEnding_ = true;
    WritePendingLine();
    // The hold lets the host see runRequested 0 and end the application before the service
    // stops. Here only a few seconds remain, so it is cut to one poll of the host (every
    // 2000 ms) with a margin, counted from the save.
    if (heldStop_.slot >= 0 && !heldStop_.sent) {
        CServiceControl::HoldSince(heldStop_.savedAt, kSessionEndHoldMs);
        heldStop_.result = SendStop(heldStop_.slot, *heldStop_.table);
        heldStop_.sent = true;
    }
    sessionEnding_ = false;
}
