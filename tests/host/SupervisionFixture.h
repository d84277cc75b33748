#pragma once
// The real host with a record whose options area the test writes, through the programs' own
// layout (ServiceOptions), and what the test child tells beyond its usual record.

#include "HostFixture.h"
#include "ServiceOptions.h"

#include <string>
#include <vector>

class SupervisionTest : public HostTest {
protected:
    // A record of slot 7 running the test child with these parameters and options.
    void PutSupervisedRecord(const std::string& appParams, const ServiceOptions& options,
                             uint32_t revive = 1);
    // Writes raw bytes over the start of the record's reserved2 area.
    void PutAreaBytes(int slot, const std::string& bytes);

    // A value of the child's record ("breakaway", "probe"); empty when it has none.
    std::string ChildValue(DWORD pid, const std::string& key);
    // The child's environment as dumped by --dump-env, one entry a line.
    std::vector<std::string> ChildEnvironment(DWORD pid);
    // The index of the first log message equal to text at or after from; npos when none.
    size_t FindMessage(const std::vector<std::string>& messages, const std::string& text,
                       size_t from = 0);
    // Waits until the log holds the message.
    bool WaitMessage(const std::string& text, DWORD timeoutMs);
    // Starts the host on a --tree record and waits for count processes of the tree and the
    // launch's log lines; the tree's records and the application's id.
    void StartTree(size_t count, std::vector<ChildRecord>* tree, DWORD* app);
    // Stops the application as the manager does: runRequested 0, then waits for the host's
    // line about it.
    void RequestStop();
};

ServiceOptions RestartOptions(uint32_t policy, uint32_t delayMs, uint32_t maxRestarts);
