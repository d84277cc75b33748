#pragma once
// The service commands as flows, each step in its order: New, Edit, Delete, and Install,
// Uninstall, Start and Stop of a record's system service, with every save and log line. The
// flows act on the in-memory table, the Service Control Manager and the log; their dialogs,
// questions, messages and rows go through the front end that runs them.

#include "ServiceCommandUi.h"
#include "ServiceStatus.h"

#include <functional>

class CManagerTable;
class IServiceActions;
class CUtil;
struct ServiceOptions;
struct ServiceRecord;

enum class ServiceControl { Install, Uninstall, Start, Stop };

// How a flow ended, for front ends that report it; the manager's list shows the result itself.
enum class FlowOutcome {
    Done,       // carried out
    Cancelled,  // a dialog was cancelled or the question answered No; nothing changed
    NotAllowed, // the service's status or the table's capacity does not allow it
    Failed,     // a step failed; its own message has been shown
};

class CServiceCommandFlows {
public:
    CServiceCommandFlows(CUtil& util, CManagerTable& table, IServiceActions& actions,
                         IServiceCommandUi& ui);
    CServiceCommandFlows(const CServiceCommandFlows&) = delete;
    CServiceCommandFlows& operator=(const CServiceCommandFlows&) = delete;

    // A new record in the lowest free slot, then the next actions the user chooses.
    // createdSlot, when given, receives the new record's slot (-1 without one).
    FlowOutcome NewService(int* createdSlot = nullptr);
    // The record's new values, and its installed service brought in line with them.
    FlowOutcome EditService(int slot);
    // The record's service options, as the Service options dialog changes them: saved at once
    // under the table lock into the record as the file holds it then, and logged when they
    // changed. Nothing else of the record changes; the application gets them at its next launch.
    FlowOutcome ChangeOptions(int slot);
    // After the user's Yes: the service stopped and removed as needed, then the record, its
    // row and its log.
    FlowOutcome DeleteService(int slot);
    // One system action, carried out only in the one status that allows it.
    FlowOutcome ControlService(int slot, ServiceControl action);
    // The slot's log in the log viewer.
    FlowOutcome ShowLog(int slot);

    // The status that the last Edit, Delete or control decided on.
    ServiceStatus LastStatus() const { return lastStatus_; }

    enum class OptionsSave {
        Saved,     // changed and saved
        Unchanged, // the change left the stored options as they were; nothing saved
        Missing,   // the table could not be read under its lock, or the slot no longer holds
                   // the service named name
        Refused,   // change returned false
        Failed,    // the save failed
    };
    // Changes the options of the slot's record as the file holds it now: the table is reloaded
    // under its lock, change is applied to the stored options, and the record is saved, still
    // under the lock, only when they differ. Nothing else of the record changes; nothing is
    // shown or logged. name is the record's displayName when the change was chosen.
    OptionsSave StoreOptions(int slot, const char* name,
                             const std::function<bool(ServiceOptions&)>& change);

private:
    bool IsServiceSlot(int slot);
    // The dialog's five values into the record, in the order appPath, workDir, displayName,
    // appParams, reviveOnSessionEnd.
    static void CopyEntry(ServiceRecord& record, const ServiceEntry& entry);
    // CopyEntry and a save.
    void StoreEntry(int slot, const ServiceEntry& entry);
    void Save();
    // Install and start as the Next actions dialog asks; false when a step failed.
    bool RunNextActions(int slot);

    CUtil& util_;
    CManagerTable& table_;
    IServiceActions& actions_;
    IServiceCommandUi& ui_;
    ServiceStatus lastStatus_ = Unknown;
};
