#pragma once
// Launching and terminating the application of the host's slot.

#include <windows.h>
#include <cstddef>

const size_t kDetailSize = 512;

class CUtil;
struct ServiceRecord;
class CLaunches;
struct ServiceOptions;

// Loads the table and launches the slot's application with appPath, " " + appParams and workDir.
// Writes "CallApplication success: %d" or "CallApplication fail: %d" into detail (left empty when
// the table cannot be loaded). 1 launched, 0 not.
int CallApplication(CUtil& util, CLaunches& launches, char (&detail)[kDetailSize]);

// Creates the process with the host's own start-up information and records its identifier in the
// record's appProcessId and in launchedProcessId. 1/0. With every option off the process is
// created exactly as it always was; otherwise the options add its output files (standard input
// the NUL device, those handles the only ones it inherits), its extra environment variables and
// its job (the whole tree ended by a stop).
int StartProcess(CUtil& util, CLaunches& launches, const char* applicationName, char* commandLine,
                 const char* workingDirectory, const ServiceOptions& options);

// Terminates the application: the host's own latest launch while it runs; otherwise the record's
// appProcessId, but only when that process runs the record's appPath. Writes the failed call's
// "OpenProcess: ..." or "TerminateProcess: ..." detail. 1 terminated, 0 not. The launch is
// marked as ended by the host first, so it is never restarted; with its job, every process the
// application started is ended too, and the call returns once none is left (or after a bounded
// wait).
int TerminateApplication(CUtil& util, CLaunches& launches, char (&detail)[kDetailSize]);

// Opens the record's appProcessId with access (SYNCHRONIZE and the image query added) while
// that process runs and runs the record's appPath. Otherwise NULL, with the call and the error
// that a termination's detail names: "OpenProcess" (no such process, or another program has
// the identifier by now) or "TerminateProcess" (an ended process whose handle someone keeps).
HANDLE OpenRecordedApplication(const ServiceRecord& record, DWORD access, const char** failedCall,
                               DWORD* error);

// PROCESS_QUERY_LIMITED_INFORMATION, which the XP-level headers leave out.
const DWORD kProcessQueryLimitedInformation = 0x1000;

// The access that ProcessRunsImage needs on the process handle.
DWORD ImageQueryAccess();

// True when the process's main image is the file at appPath (full, long paths compared without
// case). Works for a process of either bitness.
bool ProcessRunsImage(HANDLE process, const char* appPath);
