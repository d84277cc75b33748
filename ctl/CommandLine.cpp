#include "CommandLine.h"

#include "OptionArguments.h"

#include <algorithm>

namespace {

bool Contains(const std::vector<std::string>& list, const std::string& word)
{
    return std::find(list.begin(), list.end(), word) != list.end();
}

// The service options of add and edit after the command's own.
std::vector<std::string> WithOptionFlags(std::vector<std::string> flags)
{
    flags.insert(flags.end(), ServiceOptionFlags().begin(), ServiceOptionFlags().end());
    return flags;
}

std::vector<std::string> WithValuedOptions(std::vector<std::string> valued)
{
    valued.insert(valued.end(), ServiceOptionValued().begin(), ServiceOptionValued().end());
    return valued;
}

bool TakesServiceOptions(const CommandSpec& spec)
{
    return Contains(spec.valued, ServiceOptionValued().front());
}

} // namespace

const std::vector<CommandSpec>& CommandSpecs()
{
    static const std::vector<CommandSpec> specs = {
        {"list", 0, 0, {"--json"}, {}, "[--json]", "every service: slot, status, name, application"},
        {"show", 1, 1, {"--json"}, {}, "NAME [--json]", "all values of one service and its status"},
        {"status", 1, 1, {"--json"}, {}, "NAME [--json]",
         "the service's status; exit code 10 Unknown, 11 Ready, 12 Started, 13 Stopped"},
        {"add", 2, 2, WithOptionFlags({"--no-revive", "--install", "--start"}),
         WithValuedOptions({"--dir", "--params"}),
         "NAME APP [--dir DIR] [--params TEXT] [--no-revive] [--install] [--start]\n"
         "      [SERVICE OPTIONS]",
         "a new service in the lowest free slot"},
        {"edit", 1, 1, WithOptionFlags({}),
         WithValuedOptions({"--name", "--app", "--dir", "--params", "--revive"}),
         "NAME [--name NEW] [--app APP] [--dir DIR] [--params TEXT] [--revive on|off]\n"
         "      [SERVICE OPTIONS]",
         "new values for a service; an installed one is reinstalled (and restarted if\n"
         "      running); service options alone are saved without either"},
        {"delete", 1, 1, {"--yes"}, {}, "NAME [--yes]",
         "stops and uninstalls the service as needed, then removes it and its log"},
        {"install", 1, 1, {}, {}, "NAME", "registers a Ready service with the system"},
        {"uninstall", 1, 1, {}, {}, "NAME", "removes a Stopped service from the system"},
        {"start", 1, 1, {}, {}, "NAME", "starts a Stopped service"},
        {"stop", 1, 1, {}, {}, "NAME",
         "stops a Started service (the host ends the application first, about 5 s)"},
        {"log", 1, 1, {"--newest-first", "--json"}, {"--lines"},
         "NAME [--newest-first] [--lines N] [--json]", "the service's event log"},
        {"clear-log", 1, 1, {"--yes"}, {}, "NAME [--yes]", "deletes the service's event log"},
        {"export", 0, 1, {}, {}, "[FILE]", "every service as a JSON file (or to the console)"},
        {"import", 1, 1, {"--install", "--start"}, {}, "FILE [--install] [--start]",
         "adds the services of an exported file: all of them or, if one is refused, none"},
    };
    return specs;
}

const CommandSpec* FindCommandSpec(const std::string& name)
{
    for (const CommandSpec& spec : CommandSpecs()) {
        if (name == spec.name)
            return &spec;
    }
    return nullptr;
}

bool CCommandLine::Parse(const std::vector<std::string>& words, std::string& error)
{
    if (words.size() < 2) {
        error = "No command given. Try RavelinCtl --help.";
        return false;
    }
    const std::string& first = words[1];
    if (first == "--help" || first == "-h" || first == "/?" || first == "help") {
        help_ = true;
        // "help COMMAND" is that command's help.
        if (first == "help" && words.size() > 2)
            spec_ = FindCommandSpec(words[2]);
        return true;
    }
    if (first == "--version") {
        version_ = true;
        return true;
    }
    spec_ = FindCommandSpec(first);
    if (!spec_) {
        error = "Unknown command \"" + first + "\". Try RavelinCtl --help.";
        return false;
    }
    command_ = first;
    for (size_t i = 2; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "--help" || word == "-h") {
            help_ = true;
            return true;
        }
        if (word.size() > 2 && word.compare(0, 2, "--") == 0) {
            if (Has(word) && !Contains(RepeatableOptions(), word)) {
                error = command_ + ": option " + word + " given twice.";
                return false;
            }
            if (Contains(spec_->flags, word)) {
                options_.emplace_back(word, "");
                continue;
            }
            if (Contains(spec_->valued, word)) {
                if (i + 1 >= words.size()) {
                    error = command_ + ": option " + word + " needs a value.";
                    return false;
                }
                options_.emplace_back(word, words[++i]);
                continue;
            }
            error = command_ + ": unknown option " + word + ".";
            return false;
        }
        arguments_.push_back(word);
    }
    int count = static_cast<int>(arguments_.size());
    if (count < spec_->minArguments || count > spec_->maxArguments) {
        error = std::string("usage: RavelinCtl ") + spec_->name + " " + spec_->usage;
        return false;
    }
    return true;
}

bool CCommandLine::Has(const std::string& option) const
{
    for (const auto& entry : options_) {
        if (entry.first == option)
            return true;
    }
    return false;
}

std::vector<std::string> CCommandLine::Values(const std::string& option) const
{
    std::vector<std::string> values;
    for (const auto& entry : options_) {
        if (entry.first == option)
            values.push_back(entry.second);
    }
    return values;
}

std::string CCommandLine::Value(const std::string& option, const std::string& fallback) const
{
    for (const auto& entry : options_) {
        if (entry.first == option)
            return entry.second;
    }
    return fallback;
}

std::string HelpText(const CommandSpec* spec)
{
    if (spec) {
        std::string text = std::string("usage: RavelinCtl ") + spec->name + " " + spec->usage +
                           "\n  " + spec->summary +
                           "\nNAME is a service's name or its two-digit slot.\n";
        if (TakesServiceOptions(*spec))
            text += "\n" + ServiceOptionsHelp();
        return text;
    }
    std::string text =
        "RavelinCtl: the Ravelin service commands from the command line.\n"
        "usage: RavelinCtl COMMAND [ARGUMENTS] [OPTIONS]\n"
        "       RavelinCtl COMMAND --help | --help | --version\n\ncommands:\n";
    for (const CommandSpec& command : CommandSpecs()) {
        std::string line = std::string("  ") + command.name + " " + command.usage;
        text += line + "\n      " + command.summary + "\n";
    }
    text +=
        "\nNAME is a service's name (exactly, letter case included) or its two-digit slot.\n"
        "Commands that change the service table refuse while RavelinManager is running.\n"
        "exit codes: 0 success, 1 failed, 2 usage, 3 not found, 4 refused by the service's\n"
        "status, 5 values refused, 6 the manager is running, 7 answered No;\n"
        "status: 10 Unknown, 11 Ready, 12 Started, 13 Stopped.\n";
    return text + "\n" + ServiceOptionsHelp();
}
