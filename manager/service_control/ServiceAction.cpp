#include "ServiceAction.h"

#include "BoundedText.h"
#include "ManagerTable.h"
#include "ManagerUtil.h"
#include "ProductNames.h"

#include <cstring>

namespace {

// SC_MANAGER_CREATE_SERVICE | SC_MANAGER_QUERY_LOCK_STATUS | SC_MANAGER_MODIFY_BOOT_CONFIG | DELETE
const DWORD kScmAccess = 0x10032;
const char kCannotSave[] = "Internal error:\n\nCannot save the service data.";
// What remains of the stop's hold at the end of the session: one poll of the host and a margin.
const DWORD kSessionEndHoldMs = 2500;

// A quoted path of a program in the installation folder: "<installPath>\<program>".
bool QuotedProgramPath(const char* program, char (&path)[256])
{
    return FormatText(path, sizeof(path), "\"%s\\%s\"", util.installPath, program);
}

LONG SetText(HKEY key, const char* name, const char* text)
{
    // The terminating NUL is part of the data.
    return ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                            static_cast<DWORD>(std::strlen(text) + 1));
}

} // namespace

CServiceAction::CServiceAction()
    : scmHandle(::OpenSCManagerA(NULL, NULL, kScmAccess))
{
    if (!scmHandle)
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
    if (!scmHandle || !ServiceNameOf(slot, serviceName))
        return InstallFailed(slot);
    const ServiceRecord& record = *RecordOf(slot);
    char displayName[sizeof(record.displayName) + 1];
    CopyField(displayName, record.displayName);
    char imagePath[256];
    if (!QuotedProgramPath("Ravelin.exe", imagePath)) {
        ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return InstallFailed(slot);
    }

    CScHandle service(::CreateServiceA(scmHandle.Get(), serviceName, displayName,
                                       SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS,
                                       SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, imagePath, NULL,
                                       NULL, NULL, NULL, NULL));
    if (!service)
        return InstallFailed(slot);
    service.Reset();

    if (!WriteParameters(serviceName, record))
        return RegistryFailed(slot);
    AwaitLine(slot, kLogEvent, "Service installed.");
    util.ShowProgress("Installing...");
    WritePendingLine();
    return 1;
}

int CServiceAction::WriteParameters(const char* serviceName, const ServiceRecord& record)
{
    char keyPath[sizeof(kServicesKey) + 82];
    FormatText(keyPath, sizeof(keyPath), "%s\\%s", kServicesKey, serviceName);
    HKEY opened = NULL;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_ALL_ACCESS, &opened) != ERROR_SUCCESS)
        return 0;
    CRegKey serviceKey(opened);
    HKEY created = NULL;
    if (::RegCreateKeyA(serviceKey.Get(), "Parameters", &created) != ERROR_SUCCESS)
        return 0;
    CRegKey parameters(created);

    char application[256];
    char slotId[sizeof(record.slotId) + 1];
    CopyField(slotId, record.slotId);
    if (!QuotedProgramPath("Halyard.exe", application))
        return 0;
    if (SetText(parameters.Get(), "Application", application) != ERROR_SUCCESS)
        return 0;
    if (SetText(parameters.Get(), "AppParameters", slotId) != ERROR_SUCCESS)
        return 0;
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

CScHandle CServiceAction::OpenRecordService(int slot, DWORD access) const
{
    char serviceName[81];
    if (!scmHandle || !ServiceNameOf(slot, serviceName))
        return CScHandle();
    return CScHandle(::OpenServiceA(scmHandle.Get(), serviceName, access));
}

int CServiceAction::Uninstall(int slot)
{
    CScHandle service = OpenRecordService(slot, DELETE);
    if (!service || !::DeleteService(service.Get()))
        return ReportFailure(slot, "Service uninstall failed.");
    service.Reset();
    AwaitLine(slot, kLogEvent, "Service uninstalled.");
    util.ShowProgress("Uninstalling...");
    WritePendingLine();
    return 1;
}

int CServiceAction::Start(int slot)
{
    CScHandle service = OpenRecordService(slot, SERVICE_START);
    if (!service || !::StartServiceA(service.Get(), 0, NULL))
        return ReportFailure(slot, "Service start failed.");
    service.Reset();
    AwaitLine(slot, kLogEvent, "Service started.");
    util.ShowProgress("Starting...");
    WritePendingLine();
    return 1;
}

int CServiceAction::Stop(int slot)
{
    CScHandle service = OpenRecordService(slot, SERVICE_STOP);
    if (!service)
        return ReportFailure(slot, "Service stop failed.");
    SERVICE_STATUS status;
    if (!::ControlService(service.Get(), SERVICE_CONTROL_STOP, &status)) {
        service.Reset();
        util.WriteLog(slot, kLogError, "Application couldn't terminated.");
        return ReportFailure(slot, "Service stop failed.");
    }
    service.Reset();
    util.WriteLog(slot, kLogEvent, "Service stopped.");
    return 1;
}

ServiceStatus CServiceAction::QueryStatus(int slot)
{
    if (!scmHandle)
        return Unknown;
    const ServiceRecord* record = RecordOf(slot);
    if (!record)
        return Unknown;
    char displayName[sizeof(record->displayName) + 1];
    CopyField(displayName, record->displayName);
    char serviceName[81];
    CUtil::MakeServiceName(displayName, serviceName, sizeof(serviceName));
    CScHandle service(::OpenServiceA(scmHandle.Get(), serviceName, SERVICE_QUERY_STATUS));
    if (!service)
        return Ready;
    SERVICE_STATUS status;
    if (!::QueryServiceStatus(service.Get(), &status))
        return Unknown;
    return StatusOfState(status.dwCurrentState);
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
        DWORD held = ::GetTickCount() - heldStop_.savedAt;
        if (held < kSessionEndHoldMs)
            ::Sleep(kSessionEndHoldMs - held);
        heldStop_.result = SendStop(heldStop_.slot, *heldStop_.table);
        heldStop_.sent = true;
    }
    sessionEnding_ = false;
}
