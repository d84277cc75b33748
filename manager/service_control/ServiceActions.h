#pragma once
// What the service command flows ask of a service control front: the record's service
// installed, removed, started and stopped with their handshakes, each reporting its own failure
// in the front's words, and its status. The manager answers with CServiceAction (boxes, progress
// dialogs, log lines); RavelinCtl with the console.

#include "ServiceStatus.h"

class CManagerTable;

class IServiceActions {
public:
    virtual ~IServiceActions() = default;

    // Each takes a slot 0..49 of the in-memory table and returns 1 for success, 0 for failure.
    virtual int Install(int slot) = 0;
    virtual int Uninstall(int slot) = 0;
    // runRequested 1 and a save, then the start; restored to 0 when the SCM refuses.
    virtual int StartWithHandshake(int slot, CManagerTable& table) = 0;
    // runRequested 0 and a save, the hold, then the stop; restored to 1 when the SCM refuses.
    virtual int StopWithHandshake(int slot, CManagerTable& table) = 0;
    virtual ServiceStatus QueryStatus(int slot) = 0;
};
