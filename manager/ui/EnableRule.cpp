#include "EnableRule.h"

#include "resource.h"

const UINT kSelectionCommands[8] = {ID_SERVICE_EDIT,    ID_SERVICE_OPTIONS,   ID_SERVICE_DELETE,
                                    ID_SERVICE_INSTALL, ID_SERVICE_UNINSTALL, ID_SERVICE_START,
                                    ID_SERVICE_STOP,    ID_SERVICE_LOG};

namespace {

// One row per command: enabled for Ready, Started, Stopped, Unknown. A status the system cannot
// be asked about leaves every command available; the command itself then decides.
struct CommandRule {
    UINT command;
    bool ready;
    bool started;
    bool stopped;
    bool unknown;
};

const CommandRule kRules[] = {
    {ID_SERVICE_EDIT, true, true, true, true},
    // The options take effect at the next launch, so they may change in every status.
    {ID_SERVICE_OPTIONS, true, true, true, true},
    {ID_SERVICE_DELETE, true, false, false, true},
    {ID_SERVICE_INSTALL, true, false, false, true},
    {ID_SERVICE_UNINSTALL, false, false, true, true},
    {ID_SERVICE_START, false, false, true, true},
    {ID_SERVICE_STOP, false, true, false, true},
    {ID_SERVICE_LOG, true, true, true, true},
};

const CommandRule* RuleOf(UINT command)
{
    for (const CommandRule& rule : kRules) {
        if (rule.command == command)
            return &rule;
    }
    return nullptr;
}

} // namespace

bool NeedsSelection(UINT command)
{
    return RuleOf(command) != nullptr;
}

bool IsCommandEnabled(UINT command, int slot, ServiceStatus status)
{
    const CommandRule* rule = RuleOf(command);
    if (rule == nullptr)
        return true;
    if (slot < 0)
        return false;
    switch (status) {
    case Ready: return rule->ready;
    case Started: return rule->started;
    case Stopped: return rule->stopped;
    default: return rule->unknown;
    }
}

