#pragma once
// Runs RavelinCtl.exe as a user's script does and keeps what it wrote and how it ended. Its
// standard input is an empty pipe (not a terminal); its output goes to files, which no process
// that it happens to start can hold open, as it could a pipe.

#include <windows.h>
#include <string>
#include <vector>

struct CtlResult {
    bool ended = false;       // false: it did not end within the time and was terminated
    DWORD exitCode = 0;
    std::string out;          // standard output, CR LF made LF
    std::string err;          // standard error, likewise
    std::string openWindows;  // the windows it still showed when it had to be terminated
};

// One command line of RavelinCtl.exe from the test program's folder, each argument quoted as
// the C runtime splits it.
CtlResult RunCtl(const std::vector<std::string>& arguments, DWORD timeoutMs = 60000);

// An argument quoted for CreateProcess, backslashes and quotes escaped as the C runtime reads them.
std::string QuoteArgument(const std::string& argument);
