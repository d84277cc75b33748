#pragma once
// The command-line tool's answers to the service command flows: the values come from the
// command's arguments and pass the New/Edit dialog's checks, the next actions from its options,
// the question from --yes or the terminal; rows become one status line.

#include "ServiceCommandUi.h"
#include "ServiceOptions.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class IServiceActions;
class CUtil;

// The values a command sets; the others keep the record's (or, for a new service, the dialog's
// initial ones: empty texts, revive on). An application without a working directory brings its
// own folder as the directory, as Browse does.
struct EntryChanges {
    std::optional<std::string> displayName;
    std::optional<std::string> appPath;
    std::optional<std::string> workDir;
    std::optional<std::string> appParams;
    std::optional<uint32_t> reviveOnSessionEnd;
    // A new service's options (add, import); without them every option is off. Edit saves
    // options apart from these values.
    std::optional<ServiceOptions> options;
};

// The record's limits: false with the message when a value does not fit its field.
bool CheckEntryLengths(const ServiceEntry& entry, std::string& message);
// The limits, then the New/Edit dialog's checks against the table, passing over the record in
// editSlot (-1: a new service): false with the first failure's message.
bool CheckEntry(const CUtil& util, int editSlot, const ServiceEntry& entry, std::string& message);

class CConsoleCommandUi : public IServiceCommandUi {
public:
    CConsoleCommandUi(CUtil& util, IServiceActions& actions) : util_(util), actions_(actions) {}

    EntryChanges changes;
    bool install = false;
    bool start = false;
    bool assumeYes = false;
    // While set, rows are not printed: a command of several flows prints the last row itself.
    bool holdRows = false;
    std::function<void(int slot)> showLog;

    bool EnterServiceValues(int editSlot, ServiceEntry& entry) override;
    bool ChooseNextActions(bool& installChosen, bool& startChosen) override;
    bool AskYesNo(const char* question) override;
    void ShowLog(int slot) override;
    void Inform(const char* text) override;
    void ReportError(const char* text) override;
    void ShowServiceRow(int slot, bool asNewRow) override;
    void RemoveServiceRow(int slot) override;

    // Why the last flow ended without acting: its values were refused, or the question could
    // not be asked (input is not a terminal), or was answered No.
    bool ValuesRefused() const { return valuesRefused_; }
    bool QuestionNotAsked() const { return questionNotAsked_; }

private:
    CUtil& util_;
    IServiceActions& actions_;
    bool valuesRefused_ = false;
    bool questionNotAsked_ = false;
};

// The entry that the changes make of a record (editSlot -1: a new service).
ServiceEntry ApplyChanges(const CUtil& util, int editSlot, const EntryChanges& changes);
// Whether standard input is a console that a person can answer from.
bool InputIsTerminal();
