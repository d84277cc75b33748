#pragma once
// Every stop of the application goes through EndApplication: the manager's stop request at the
// poll, the service's stop (from any controller, and at system shutdown) and the end of the
// session before a revive. The record's stop method chooses how: "terminate" ends the process
// at once; "graceful" asks it to end first and terminates it only when it has not ended within
// the stop timeout.

#include "ApplicationControl.h"

#include <cstdint>

class CUtil;
class CLaunches;

// Which way an EndApplication went, for the line that follows the caller's own.
struct ApplicationEnd {
    bool graceful = false;      // the stop method asked the application first
    bool closed = false;        // and it ended by itself within the stop timeout
    bool timedOut = false;      // it did not, and was terminated
    uint32_t stopTimeoutMs = 0;
};

// Ends the application as the own record's options say (the in-memory record: callers load it
// first when they want the file's current options). With the graceful method: WM_CLOSE to the
// application's top-level windows and, for a console program, Ctrl+C through its console; then
// a wait of up to the stop timeout, in which only messages sent to the host are handled; then
// TerminateApplication for what is left. Without a running application it is
// TerminateApplication's answer. 1 ended, 0 not (detail as TerminateApplication writes it).
int EndApplication(CUtil& util, CLaunches& launches, char (&detail)[kDetailSize],
                   ApplicationEnd& end);

// With the graceful method, the line that tells which way the application ended; nothing for
// the terminate method, so that a record without options logs as it always did.
void WriteApplicationEnd(CUtil& util, const ApplicationEnd& end);

// True while the host's application runs: the host's latest launch, or else the record's
// appProcessId when that process runs the record's appPath.
bool IsApplicationRunning(CUtil& util, const CLaunches& launches);
