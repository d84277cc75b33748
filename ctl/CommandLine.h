#pragma once
// RavelinCtl's command line: a command word, its arguments and its options, checked against
// what the command accepts.

#include <string>
#include <vector>

// What one command accepts.
struct CommandSpec {
    const char* name;
    int minArguments;
    int maxArguments;
    // Options without a value ("--json"), then options that take one ("--dir").
    std::vector<std::string> flags;
    std::vector<std::string> valued;
    const char* usage;   // the arguments part of the usage line
    const char* summary; // one line for the command list
};

// Every command, in the order the help lists them.
const std::vector<CommandSpec>& CommandSpecs();
const CommandSpec* FindCommandSpec(const std::string& name);

class CCommandLine {
public:
    // Splits argv (argv[0] being the program). False with a message for the user when the words
    // do not form a command: an unknown command or option, a value missing, too few or too many
    // arguments, an option given twice that cannot be repeated. "--help" and "--version"
    // alone, or "--help" after a command, are always valid.
    bool Parse(const std::vector<std::string>& words, std::string& error);

    const std::string& Command() const { return command_; }
    const CommandSpec* Spec() const { return spec_; }
    const std::vector<std::string>& Arguments() const { return arguments_; }
    bool HelpAsked() const { return help_; }
    bool VersionAsked() const { return version_; }
    bool Has(const std::string& option) const;
    // Every value of an option that may be repeated, in the order given.
    std::vector<std::string> Values(const std::string& option) const;
    // The option's value; fallback when the option is absent.
    std::string Value(const std::string& option, const std::string& fallback = "") const;

private:
    std::string command_;
    const CommandSpec* spec_ = nullptr;
    std::vector<std::string> arguments_;
    std::vector<std::pair<std::string, std::string>> options_;
    bool help_ = false;
    bool version_ = false;
};

// The whole help, or one command's.
std::string HelpText(const CommandSpec* spec);
