#pragma once
// RavelinCtl's exit codes, as its help and the README document them.

enum CtlExitCode {
    kExitOk = 0,
    kExitFailed = 1,        // the system, a file or a save refused a step
    kExitUsage = 2,         // unknown command or option, missing or extra argument
    kExitNotFound = 3,      // no service of that name or slot; no such file
    kExitRefusedStatus = 4, // the service's status does not allow the command
    kExitInvalid = 5,       // values refused by the service checks, a full table, a bad file
    kExitManagerRunning = 6,// the manager is running and would overwrite the change
    kExitCancelled = 7,     // the question was answered No
    // status: 10 + the status code
    kExitStatusBase = 10,   // 10 Unknown, 11 Ready, 12 Started, 13 Stopped
};
