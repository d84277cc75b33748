#pragma once
// The service options one by one, as RavelinCtl offers them: the command-line option, the JSON
// member and the label of `show` of each, and the setting of each from a text or a JSON value.
// A refused value leaves the options as they were, with the message of the one range check
// (CheckServiceOptions), which names the option and its range.

#include "Json.h"
#include "ServiceOptions.h"

#include <cstdint>
#include <string>
#include <vector>

enum class OptionKind { StopMethod, Restart, Milliseconds, Count, Bytes, Switch, Path };

struct OptionItem {
    const char* flag;   // "--stop-timeout"
    const char* member; // "stopTimeoutMs", in show --json and the services file
    const char* label;  // "Stop timeout:", in show
    OptionKind kind;
    uint32_t ServiceOptions::*number = nullptr;             // Milliseconds and Count
    char (ServiceOptions::*path)[kOutputPathSize] = nullptr; // Path
};

// Every option but the environment, in the order of show and the services file.
const std::vector<OptionItem>& OptionItems();
const OptionItem* FindOptionItem(const std::string& flagOrMember);

// A whole number in decimal digits only: no sign, no blanks, no other character, no overflow.
bool ParseWholeNumber(const std::string& text, uint64_t& value);

// The item's value from a command-line text: a word, a whole number, on/off, or a path as given
// (an empty one clears it).
bool SetOptionFromText(ServiceOptions& options, const OptionItem& item, const std::string& text,
                       std::string& error);
// The item's value from a services file: a text for words and paths, a whole number, true/false.
bool SetOptionFromJson(ServiceOptions& options, const OptionItem& item, const Json& value,
                       std::string& error);

// Adds or replaces one environment variable; false with a message naming the fault.
bool SetEnvironmentVariable(ServiceOptions& options, const std::string& name,
                            const std::string& value, std::string& error);

// The item's value as show prints it, and as show --json and export write it.
std::string OptionText(const ServiceOptions& options, const OptionItem& item);
Json OptionJson(const ServiceOptions& options, const OptionItem& item);

// Every option's member, then "environment" as an object of name to value.
void AddServiceOptions(Json& object, const ServiceOptions& options);
// The option members of a services file's entry, over the defaults (the others are left for the
// caller to check); false with "\"member\": what is wrong", and the path of the value at fault
// within the entry in at.
bool ReadServiceOptionMembers(const Json& entry, ServiceOptions& options, std::string& error,
                              std::vector<std::string>& at);
bool IsServiceOptionMember(const std::string& name);

// The environment's entries as name and value.
std::vector<std::pair<std::string, std::string>> EnvironmentVariables(
    const ServiceOptions& options);
