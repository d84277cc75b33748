#pragma once
// The service options on RavelinCtl's add and edit: the options the two commands take, their
// help, and the options that a command line sets over a service's present ones.

#include <string>
#include <vector>

class CCommandLine;
struct ServiceOptions;

// "--clear-env"; the options with a value ("--stop-method", ..., "--env", "--unset-env"); and
// those of them that may be given more than once ("--env", "--unset-env").
const std::vector<std::string>& ServiceOptionFlags();
const std::vector<std::string>& ServiceOptionValued();
const std::vector<std::string>& RepeatableOptions();

// The help's section on the service options.
std::string ServiceOptionsHelp();

// Whether the line gives any service option.
bool HasServiceOptions(const CCommandLine& line);

// Sets the line's options over options, each option on its own; paths are made full, an empty
// one clears. The environment: --clear-env first, then every --unset-env, then every --env in
// the order given. False, options unchanged, with a message that names the first refused option
// and its range.
bool ApplyServiceOptions(const CCommandLine& line, ServiceOptions& options, std::string& error);
