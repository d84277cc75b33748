#include "ServiceCommandFlows.h"

#include "BoundedText.h"
#include "ManagerTable.h"
#include "ManagerUtil.h"
#include "OptionsForm.h"
#include "ServiceActions.h"
#include "ServiceOptions.h"
#include "TableLock.h"

#include <cstring>

namespace {

const uint8_t kEventLine = 1;
const char kCannotSave[] = "Internal error:\n\nCannot save the service data.";
const char kNoEmptyBuffer[] = "Internal error:\n\nCannot find an empty buffer.";
const char kDeleteQuestion[] = "Are you sure you want to delete the selected service ?";
// Without a known status the installed service cannot be brought in line with new values, so
// they are not stored rather than left to disagree with the system.
const char kChangesNotApplied[] =
    "The changes have not been applied.\n\nThe state of the service is unknown, so it cannot "
    "be changed at this time.\nPlease log on as an administrator and try again.";

// The status in which each action may run.
ServiceStatus RequiredStatus(ServiceControl action)
{
    switch (action) {
    case ServiceControl::Install: return Ready;
    case ServiceControl::Uninstall: return Stopped;
    case ServiceControl::Start: return Stopped;
    case ServiceControl::Stop: return Started;
    }
    return Unknown;
}

FlowOutcome OutcomeOf(bool succeeded)
{
    return succeeded ? FlowOutcome::Done : FlowOutcome::Failed;
}

} // namespace

CServiceCommandFlows::CServiceCommandFlows(CUtil& util, CManagerTable& table,
                                           IServiceActions& actions, IServiceCommandUi& ui)
    : util_(util), table_(table), actions_(actions), ui_(ui)
{
}

bool CServiceCommandFlows::IsServiceSlot(int slot)
{
    return table_.HasTable() && slot >= 0 && slot < kSlotCount &&
           !IsSlotFree(table_.Record(slot));
}

FlowOutcome CServiceCommandFlows::NewService(int* createdSlot)
{
    if (createdSlot)
        *createdSlot = -1;
    // Without a table (its allocation failed at start-up) nothing is created.
    if (!table_.HasTable())
        return FlowOutcome::Failed;
    if (!util_.HasFreeSlot()) {
        ui_.Inform("Ravelin capacity full.");
        return FlowOutcome::NotAllowed;
    }
    util_.newMode = 1;
    ServiceEntry entry;
    if (!ui_.EnterServiceValues(-1, entry))
        return FlowOutcome::Cancelled;

    int slot = util_.FindFreeSlot();
    if (slot < 0) {
        ui_.ReportError(kNoEmptyBuffer);
        return FlowOutcome::Failed;
    }
    ServiceRecord& record = table_.Record(slot);
    std::memset(&record, 0, sizeof(record));
    CopyEntry(record, entry);
    FormatText(record.slotId, sizeof(record.slotId), "%02d", slot);
    util_.WriteLog(static_cast<uint32_t>(slot), kEventLine, "Service created.");
    Save();
    if (createdSlot)
        *createdSlot = slot;

    bool succeeded = RunNextActions(slot);
    ui_.ShowServiceRow(slot, true);
    return OutcomeOf(succeeded);
}

FlowOutcome CServiceCommandFlows::EditService(int slot)
{
    if (!IsServiceSlot(slot))
        return FlowOutcome::NotAllowed;
    // A failed reload leaves the copy in memory as it is.
    table_.LoadProperties();
    util_.newMode = 0;
    util_.editSlot = slot;
    ServiceEntry entry;
    if (!ui_.EnterServiceValues(slot, entry))
        return FlowOutcome::Cancelled;

    bool stored = false;
    bool succeeded = false;
    lastStatus_ = actions_.QueryStatus(slot);
    switch (lastStatus_) {
    case Ready:
        StoreEntry(slot, entry);
        stored = true;
        succeeded = RunNextActions(slot);
        break;
    case Started:
        // Whatever the stop's result, the service goes: it is removed under the name it was
        // installed with, which the record still holds, and comes back under the new values.
        actions_.StopWithHandshake(slot, table_);
        if (!actions_.Uninstall(slot))
            break;
        StoreEntry(slot, entry);
        stored = true;
        succeeded = actions_.Install(slot) && actions_.StartWithHandshake(slot, table_);
        break;
    case Stopped:
        if (!actions_.Uninstall(slot))
            break;
        StoreEntry(slot, entry);
        stored = true;
        succeeded = actions_.Install(slot) != 0;
        break;
    default:
        ui_.Inform(kChangesNotApplied);
        break;
    }
    // Logged only when the new values were stored: a failed uninstall has its own box and line.
    if (stored)
        util_.WriteLog(static_cast<uint32_t>(slot), kEventLine, "Service changed.");
    ui_.ShowServiceRow(slot, false);
    if (lastStatus_ == Unknown)
        return FlowOutcome::NotAllowed;
    return OutcomeOf(succeeded);
}

FlowOutcome CServiceCommandFlows::ChangeOptions(int slot)
{
    if (!IsServiceSlot(slot))
        return FlowOutcome::NotAllowed;
    // A failed reload leaves the copy in memory as it is.
    table_.LoadProperties();
    if (IsSlotFree(table_.Record(slot)))
        return FlowOutcome::NotAllowed;
    ServiceOptions shown;
    ReadServiceOptions(table_.Record(slot), shown);
    char name[kDisplayNameSize + 1];
    CopyField(name, table_.Record(slot).displayName);
    ServiceOptions chosen = shown;
    if (!ui_.EnterServiceOptions(slot, chosen))
        return FlowOutcome::Cancelled;
    // OK without a change saves nothing, so it cannot undo what another program saved meanwhile.
    if (SameServiceOptions(shown, chosen))
        return FlowOutcome::Done;

    OptionsSave saved = StoreOptions(slot, name, [&chosen](ServiceOptions& options) {
        options = chosen;
        return true;
    });
    switch (saved) {
    case OptionsSave::Saved:
        util_.WriteLog(static_cast<uint32_t>(slot), kEventLine, "Service options changed.");
        return FlowOutcome::Done;
    case OptionsSave::Unchanged:
        return FlowOutcome::Done;
    default:
        // Reported once the lock is released: no writer waits while the box is open.
        ui_.ReportError(kCannotSave);
        return FlowOutcome::Failed;
    }
}

CServiceCommandFlows::OptionsSave CServiceCommandFlows::StoreOptions(
    int slot, const char* name, const std::function<bool(ServiceOptions&)>& change)
{
    // The lock is held from the reload to the save (the save takes it again, which the same
    // thread may), so that no host's or other program's write falls in between and is undone.
    CTableLock lock;
    if (!lock.IsHeld() || !table_.LoadProperties())
        return OptionsSave::Missing;
    ServiceRecord& record = table_.Record(slot);
    // Deleted or renamed by another program meanwhile: not the service the user chose.
    if (IsSlotFree(record) || !FieldEquals(record.displayName, name))
        return OptionsSave::Missing;
    ServiceOptions options;
    ReadServiceOptions(record, options);
    if (!change(options))
        return OptionsSave::Refused;
    uint8_t stored[sizeof(record.reserved2)];
    std::memcpy(stored, record.reserved2, sizeof(stored));
    if (!WriteServiceOptions(options, record))
        return OptionsSave::Refused;
    if (std::memcmp(stored, record.reserved2, sizeof(stored)) == 0)
        return OptionsSave::Unchanged;
    return table_.SaveProperties() ? OptionsSave::Saved : OptionsSave::Failed;
}

FlowOutcome CServiceCommandFlows::DeleteService(int slot)
{
    if (!IsServiceSlot(slot))
        return FlowOutcome::NotAllowed;
    if (!ui_.AskYesNo(kDeleteQuestion))
        return FlowOutcome::Cancelled;

    // The table is not reloaded: the record is the one the user chose from the list.
    lastStatus_ = actions_.QueryStatus(slot);
    if (lastStatus_ == Started)
        actions_.StopWithHandshake(slot, table_);
    if (lastStatus_ == Started || lastStatus_ == Stopped) {
        if (!actions_.Uninstall(slot)) {
            ui_.Inform("Service uninstall failed.");
            return FlowOutcome::Failed;
        }
    }
    ui_.RemoveServiceRow(slot);
    std::memset(&table_.Record(slot), 0, sizeof(ServiceRecord));
    util_.DeleteLog(static_cast<uint32_t>(slot));
    Save();
    return FlowOutcome::Done;
}

FlowOutcome CServiceCommandFlows::ControlService(int slot, ServiceControl action)
{
    if (!IsServiceSlot(slot))
        return FlowOutcome::NotAllowed;
    table_.LoadProperties();
    lastStatus_ = actions_.QueryStatus(slot);
    // The status may have changed since the command was offered: then nothing happens.
    if (lastStatus_ != RequiredStatus(action))
        return FlowOutcome::NotAllowed;

    int succeeded = 0;
    switch (action) {
    case ServiceControl::Install: succeeded = actions_.Install(slot); break;
    case ServiceControl::Uninstall: succeeded = actions_.Uninstall(slot); break;
    case ServiceControl::Start: succeeded = actions_.StartWithHandshake(slot, table_); break;
    case ServiceControl::Stop: succeeded = actions_.StopWithHandshake(slot, table_); break;
    }
    ui_.ShowServiceRow(slot, false);
    return OutcomeOf(succeeded != 0);
}

FlowOutcome CServiceCommandFlows::ShowLog(int slot)
{
    if (slot < 0 || slot > 99)
        return FlowOutcome::NotAllowed;
    util_.logSlot = slot;
    ui_.ShowLog(slot);
    return FlowOutcome::Done;
}

void CServiceCommandFlows::CopyEntry(ServiceRecord& record, const ServiceEntry& entry)
{
    // The front end hands over values that fit; a longer one would be cut, never overrun.
    CopyText(record.appPath, entry.appPath.c_str());
    CopyText(record.workDir, entry.workDir.c_str());
    CopyText(record.displayName, entry.displayName.c_str());
    CopyText(record.appParams, entry.appParams.c_str());
    record.reviveOnSessionEnd = entry.reviveOnSessionEnd != 0 ? 1 : 0;
}

void CServiceCommandFlows::StoreEntry(int slot, const ServiceEntry& entry)
{
    CopyEntry(table_.Record(slot), entry);
    Save();
}

void CServiceCommandFlows::Save()
{
    if (!table_.SaveProperties())
        ui_.ReportError(kCannotSave);
}

bool CServiceCommandFlows::RunNextActions(int slot)
{
    bool install = false;
    bool start = false;
    if (!ui_.ChooseNextActions(install, start) || !install)
        return true;
    if (!actions_.Install(slot))
        return false;
    return !start || actions_.StartWithHandshake(slot, table_);
}
