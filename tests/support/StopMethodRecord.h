#pragma once
// A record's stop method and stop timeout, written into its options area the way the front ends
// write them (WriteServiceOptions), for tests that prepare a table image.

#include "RecordOptions.h"
#include "ServiceOptions.h"
#include "TableBytes.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <string>

inline void SetStopMethod(TestRecord record, uint32_t method, uint32_t stopTimeoutMs)
{
    ServiceOptions options;
    options.stopMethod = method;
    options.stopTimeoutMs = stopTimeoutMs;
    ASSERT_TRUE(PutServiceOptions(record, options));
}

// The requests to end that a test child with --record-close received, one per line; empty when
// it received none.
inline std::string CloseRequests(const std::string& folder, DWORD pid)
{
    std::string path = folder + "\\closed-" + std::to_string(pid) + ".txt";
    return FileExists(path) ? ReadFileBytes(path) : std::string();
}
