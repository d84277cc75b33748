#pragma once
// What RavelinCtl's suites against the real services share: RavelinCtl finds the built programs
// as its installation, each run must end by itself, and the slot's log without the host's lines.

#include "CtlRunner.h"
#include "ServiceTestBase.h"

#include <string>
#include <vector>

class CCtlTestBase : public CServiceTestBase {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the command and checks that it ended by itself, never waiting on a window.
    CtlResult Ctl(const std::vector<std::string>& arguments);

    // The manager's log lines of the slot, without the host's.
    static std::vector<std::string> ManagerLines(int slot);
};
