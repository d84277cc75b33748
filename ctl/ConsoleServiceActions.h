#pragma once
// RavelinCtl's service control: the window-free service control with the manager's log lines
// and order of steps, the progress steps as lines on stdout, and each failure told on stderr in
// RavelinCtl's own words: the action and the system's text.

#include "ServiceActions.h"
#include "ServiceControl.h"

#include <cstdint>
#include <functional>

class CUtil;
struct ServiceRecord;

class CConsoleServiceActions : public IServiceActions {
public:
    // Opens the local SCM with the manager's access; a refusal is told when a command needs it.
    explicit CConsoleServiceActions(CUtil& util);

    int Install(int slot) override;
    int Uninstall(int slot) override;
    int StartWithHandshake(int slot, CManagerTable& table) override;
    int StopWithHandshake(int slot, CManagerTable& table) override;
    ServiceStatus QueryStatus(int slot) override;

private:
    // One request on a record's service with the words RavelinCtl tells it in.
    struct Action {
        const char* verb;                                        // "start"
        std::function<ServiceResult(const char* serviceName)> run;
        const char* doneLine;   // the log line of its success: "Service started."
        const char* failedLine; // and of its failure: "Service start failed."
        const char* progress;   // the line on stdout after its success, if any
    };
    // The request on the slot's service, then its log line and progress, or its failure told.
    int Carry(int slot, const Action& action);
    ServiceRecord* RecordOf(int slot) const;
    // The record's name and its service name; false when the slot holds no service.
    bool NamesOf(int slot, char (&displayName)[81], char (&serviceName)[81]) const;
    // "Cannot <action> the service "<name>": <system text>." on stderr, and the log line.
    int Failed(int slot, const char* action, const char* name, DWORD error,
               const char* logLine);
    void Progress(const char* text) const;
    // runRequested saved in the slot's record; false, with the message, when the save failed.
    bool SaveRunRequested(int slot, CManagerTable& table, uint32_t value);

    CUtil& util_;
    CServiceControl control_;
};
