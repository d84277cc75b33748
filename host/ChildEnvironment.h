#pragma once
// The environment block of a launch: the host's own variables with the service's NAME=VALUE
// entries added or put in place of an inherited variable of the same name (names compare
// without case, as Windows compares them).

#include <string>
#include <vector>

struct ServiceOptions;

// The entries of an environment block (NAME=VALUE texts, each terminated, an empty text last).
std::vector<std::string> EnvironmentEntries(const char* block);

// The merged block, ready for CreateProcess; empty when the options add no variable (the
// application then inherits the host's environment as it is).
std::vector<char> MergedEnvironment(const char* hostBlock, const ServiceOptions& options);
