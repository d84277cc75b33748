#pragma once
// Services created in the suite's Wine SCM with the built Ravelin.exe as their image; the test
// child (or the real Halyard) as the program they run.

#include "HandleT.h"
#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

std::string Quoted(const std::string& text);

class ServiceTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A new demand-start service of type 0x110 whose image is the quoted path of Ravelin.exe.
    // Its Parameters key gets the values that are not null.
    std::string CreateHostedService(const char* application, const char* appParameters);
    SERVICE_STATUS_PROCESS Status(const std::string& name);
    bool WaitState(const std::string& name, DWORD state, DWORD timeoutMs);
    // Polls closely from now until STOPPED (or the deadline); returns every state seen.
    std::set<DWORD> StatesUntilStopped(const std::string& name, DWORD timeoutMs);
    bool Start(const std::string& name);
    // Starts a service whose host is expected to end the start at once. Wine's SCM sometimes
    // refuses such a start when the host has already reported STOPPED by the time it looks;
    // the host ran all the same, and the tests judge it by its exit code.
    void StartFailingService(const std::string& name);
    bool Stop(const std::string& name);
    std::vector<ChildRecord> WaitChildren(size_t count, DWORD timeoutMs = 30000);

    CScHandle scm;
    std::vector<std::string> services;
};

// Milliseconds since start, for the measured timings the suites print.
DWORD MsSince(DWORD start);
