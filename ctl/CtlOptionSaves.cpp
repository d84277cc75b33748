// RavelinCtl's saves of a new service with its options, and of a service's options alone.

#include "BoundedText.h"
#include "ConsoleFeedback.h"
#include "CtlCommands.h"
#include "ExitCodes.h"
#include "ManagerTable.h"
#include "ManagerUtil.h"
#include "ServiceOptions.h"

namespace {

const char kCannotSave[] = "Internal error:\n\nCannot save the service data.";
const uint8_t kEventLine = 1;

} // namespace

int CCtlCommands::AddService(const EntryChanges& changes, bool install, bool start)
{
    ui_.changes = changes;
    if (!changes.options || ServiceOptionsAreDefault(*changes.options)) {
        // The record as it always was: all options off.
        ui_.install = install;
        ui_.start = start;
        FlowOutcome outcome = flows_.NewService();
        // A full table is the only refusal New has; it is not a matter of the service's status.
        return outcome == FlowOutcome::NotAllowed ? kExitInvalid : ExitOf(outcome);
    }
    // The next actions wait for the options; the row is printed once, after the last step.
    ui_.install = false;
    ui_.start = false;
    ui_.holdRows = true;
    int slot = -1;
    FlowOutcome outcome = flows_.NewService(&slot);
    int exitCode = outcome == FlowOutcome::NotAllowed ? kExitInvalid : ExitOf(outcome);
    if (exitCode == kExitOk)
        exitCode = SaveOptions(
            slot,
            [&changes](ServiceOptions& options, std::string&) {
                options = *changes.options;
                return true;
            },
            false);
    if (exitCode == kExitOk && install)
        exitCode = ExitOf(flows_.ControlService(slot, ServiceControl::Install));
    if (exitCode == kExitOk && start)
        exitCode = ExitOf(flows_.ControlService(slot, ServiceControl::Start));
    ui_.holdRows = false;
    if (slot >= 0)
        ui_.ShowServiceRow(slot, true);
    return exitCode;
}

int CCtlCommands::SaveOptions(int slot,
                              const std::function<bool(ServiceOptions&, std::string&)>& change,
                              bool logChange)
{
    char name[kDisplayNameSize + 1];
    CopyField(name, table_.Record(slot).displayName);
    std::string error;
    switch (flows_.StoreOptions(slot, name, [&](ServiceOptions& options) {
        return change(options, error);
    })) {
    case CServiceCommandFlows::OptionsSave::Saved:
        if (logChange)
            util_.WriteLog(static_cast<uint32_t>(slot), kEventLine, "Service options changed.");
        return kExitOk;
    case CServiceCommandFlows::OptionsSave::Unchanged:
        return kExitOk;
    case CServiceCommandFlows::OptionsSave::Missing:
        PrintError((std::string("Cannot read the service \"") + name + "\" from " +
                    util_.propertiesPath + "; its options were not saved.")
                       .c_str());
        return kExitFailed;
    case CServiceCommandFlows::OptionsSave::Refused:
        PrintError(error.c_str());
        return kExitInvalid;
    default:
        PrintError(kCannotSave);
        return kExitFailed;
    }
}
