#pragma once
// Registration and control of the services of the table's records through the Service Control
// Manager, and the run-request handshakes with the records' application hosts, as the manager
// shows them: message boxes, progress dialogs and log lines over the window-free service control.

#include "Object.h"
#include "ServiceActions.h"
#include "ServiceControl.h"

#include <windows.h>
#include <cstdint>

class CManagerTable;
struct ServiceRecord;

class CServiceAction : public CObject, public IServiceActions {
public:
    // Opens the local SCM; on failure tells the user and goes on without it.
    CServiceAction();
    ~CServiceAction() override;

    // Each takes a slot 0..49 of the in-memory table, makes one SCM request, reports its own
    // failure (message box and log line) and returns 1 for success, 0 for failure.
    int Install(int slot) override;
    int Uninstall(int slot) override;
    int Start(int slot);
    int Stop(int slot);
    ServiceStatus QueryStatus(int slot) override;

    // runRequested 1 and a save, then Start; restored to 0 when the SCM refuses.
    int StartWithHandshake(int slot, CManagerTable& table) override;
    // runRequested 0 and a save, "Stopping..." for about 6 s so that the host sees the request
    // and ends the application, then Stop; restored to 1 when the SCM refuses.
    int StopWithHandshake(int slot, CManagerTable& table) override;

    // The end of the session, which may end the process before a waiting step returns: a stop
    // handshake in its hold sends its stop now (the handshake then does not send it again),
    // and the log line that waits for a progress confirmation or an error box is written now.
    // A failure on the way is logged without a box, which no one would answer.
    void FinishForSessionEnd();

    // The local SCM, opened with the manager's access.
    CServiceControl control;

private:
    // The slot's record, when the table exists and the slot lies within it.
    ServiceRecord* RecordOf(int slot) const;
    // The record's service name; false when there is no such record or its name is empty.
    bool ServiceNameOf(int slot, char (&name)[81]) const;
    int InstallFailed(int slot);
    int RegistryFailed(int slot);
    int ReportFailure(int slot, const char* text);
    void SaveOrReport(CManagerTable& table);
    void ShowError(const char* text) const;
    // Stop, and on its failure runRequested back to 1 and a save.
    int SendStop(int slot, CManagerTable& table);
    // A log line (text: a literal) that follows the step now on screen; written once, by
    // WritePendingLine after the step or by the end of the session during it.
    void AwaitLine(int slot, uint8_t type, const char* text);
    void WritePendingLine();

    struct PendingLine {
        int slot = -1;
        uint8_t type = 0;
        const char* text = nullptr;
    };
    // A stop handshake between its save of runRequested 0 and its stop request.
    struct HeldStop {
        int slot = -1;
        CManagerTable* table = nullptr;
        DWORD savedAt = 0; // tick count of the save
        bool sent = false; // by the end of the session
        int result = 0;
    };
    PendingLine pendingLine_;
    HeldStop heldStop_;
    bool sessionEnding_ = false; // within FinishForSessionEnd
};

// The manager's one service control object, created after its CUtil.
extern CServiceAction serviceAction;
