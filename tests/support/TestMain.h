#pragma once
#include <string>

// The entry point every test program shares: GoogleTest and GoogleMock, and a deadline per test.

// Runs every test. A test that runs longer than its deadline (120 s, or RAVELIN_TEST_DEADLINE_S)
// is reported with the windows this process still shows and ends the program with a failure at
// once, instead of leaving a modal loop open until the suite's own time-out.
int RunTestsWithDeadline(int argc, char** argv);

// The windows of this process that a stuck test would be waiting on, for a report.
std::string DescribeOpenWindows();

// Ends every dialog of this process (a stuck modal loop), as Cancel would; returns how many.
int CloseOpenDialogs();
