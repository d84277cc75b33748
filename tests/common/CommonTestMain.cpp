// The common tests' entry point. With "--append-log <path> <count>" the program instead appends
// count lines to a log file, as a second writer for the concurrency test.

#include "EventLog.h"
#include "TestMain.h"

#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--append-log") == 0) {
        int count = std::atoi(argv[3]);
        for (int i = 0; i < count; ++i)
            AppendLogLine(argv[2], kLogEvent, "from the other");
        return 0;
    }
    return RunTestsWithDeadline(argc, argv);
}
