#pragma once
// What the service command flows ask of the front end that runs them: the values of a new or
// changed service, the next actions, a yes/no question, the log viewer, messages, and the rows
// of a service list. The manager answers with its dialogs and its list; a test or another
// front end answers without windows.

#include <cstdint>
#include <string>

struct ServiceOptions;

// The five values the user gives a service, as the New/Edit dialog hands them back.
struct ServiceEntry {
    std::string displayName;
    std::string appPath;
    std::string workDir;
    std::string appParams;
    uint32_t reviveOnSessionEnd = 1;
};

class IServiceCommandUi {
public:
    virtual ~IServiceCommandUi() = default;

    // The New/Edit dialog: editSlot -1 for a new service (empty texts, revive set), otherwise
    // the record in that slot. True with the checked values, false when the user cancelled.
    virtual bool EnterServiceValues(int editSlot, ServiceEntry& entry) = 0;
    // The Service options dialog for the record in slot, showing options. True with the
    // checked options, false when the user cancelled. A front end without the dialog cancels.
    virtual bool EnterServiceOptions(int slot, ServiceOptions& options)
    {
        (void)slot;
        (void)options;
        return false;
    }
    // The Next actions dialog: true when confirmed, with the two choices.
    virtual bool ChooseNextActions(bool& install, bool& start) = 0;
    // A question with Yes and No; true for Yes.
    virtual bool AskYesNo(const char* question) = 0;
    // The service's log, shown modally.
    virtual void ShowLog(int slot) = 0;

    // Information and errors, worded for the user.
    virtual void Inform(const char* text) = 0;
    virtual void ReportError(const char* text) = 0;

    // The service list: the record's row added at its slot's index or rewritten, or removed.
    // A removal comes while the record still names its row.
    virtual void ShowServiceRow(int slot, bool asNewRow) = 0;
    virtual void RemoveServiceRow(int slot) = 0;
};
