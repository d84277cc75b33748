#pragma once
// RavelinCtl's commands over the manager's own table and command flows and the service control:
// each takes the parsed command line and returns the program's exit code, having told the user
// why when it is not 0.

#include "CommandLine.h"
#include "ConsoleCommandUi.h"
#include "ServiceCommandFlows.h"

#include <functional>
#include <string>

class CManagerTable;
class IServiceActions;
class CUtil;

class CCtlCommands {
public:
    CCtlCommands(CUtil& util, CManagerTable& table, IServiceActions& actions);
    CCtlCommands(const CCtlCommands&) = delete;
    CCtlCommands& operator=(const CCtlCommands&) = delete;

    int Run(const CCommandLine& line);

private:
    // Read-only commands (CtlReports.cpp); they work while the manager runs.
    int List(const CCommandLine& line);
    int Show(const CCommandLine& line, int slot);
    int Status(const CCommandLine& line, int slot);
    int Log(const CCommandLine& line, int slot);
    int Export(const CCommandLine& line);
    void PrintLog(int slot, bool newestFirst, size_t lines, bool json);

    // Commands that change the table or the system.
    int Add(const CCommandLine& line);
    int Edit(const CCommandLine& line, int slot);
    int Delete(const CCommandLine& line, int slot);
    int Control(ServiceControl action, int slot);
    int ClearLog(const CCommandLine& line, int slot);
    int Import(const CCommandLine& line);
    // A new service as add and import make it: its record, then its options if it has any
    // (before the next actions, so that its first launch has them), then the next actions.
    int AddService(const EntryChanges& changes, bool install, bool start);
    // Changes the options of the slot's record as the file holds it now, under the table's lock,
    // so that nothing else is changed; saved and logged ("Service options changed.", when
    // logChange) only when they differ from the stored ones. change returns false, with a
    // message, to refuse.
    int SaveOptions(int slot, const std::function<bool(ServiceOptions&, std::string&)>& change,
                    bool logChange);
    // Every entry through the New/Edit checks against the table and the entries before it,
    // on a scratch copy of the table that is put back afterwards.
    bool CheckImport(const std::vector<EntryChanges>& entries);

    // The slot that NAME names: a service's exact name, else a two-digit used slot; -1 with a
    // message when there is none.
    int FindNamed(const std::string& name);
    // True, with the message, while the manager's window exists.
    bool RefusedWhileManagerRuns();
    // The exit code of a flow's outcome, from what the front end saw.
    int ExitOf(FlowOutcome outcome) const;

    CUtil& util_;
    CManagerTable& table_;
    IServiceActions& actions_;
    CConsoleCommandUi ui_;
    CServiceCommandFlows flows_;
};

// An application path as Browse gives it: full, with its folder.
std::string FullPath(const std::string& path);
