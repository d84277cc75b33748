#include "OptionArguments.h"

#include "BoundedText.h"
#include "CommandLine.h"
#include "CtlCommands.h"
#include "ServiceOptionItems.h"
#include "ServiceOptions.h"

#include <cstdio>

namespace {

const char kClearEnv[] = "--clear-env";
const char kEnv[] = "--env";
const char kUnsetEnv[] = "--unset-env";

} // namespace

const std::vector<std::string>& ServiceOptionFlags()
{
    static const std::vector<std::string> flags = {kClearEnv};
    return flags;
}

const std::vector<std::string>& ServiceOptionValued()
{
    static const std::vector<std::string> valued = [] {
        std::vector<std::string> list;
        for (const OptionItem& item : OptionItems())
            list.push_back(item.flag);
        list.push_back(kEnv);
        list.push_back(kUnsetEnv);
        return list;
    }();
    return valued;
}

const std::vector<std::string>& RepeatableOptions()
{
    static const std::vector<std::string> repeatable = {kEnv, kUnsetEnv};
    return repeatable;
}

std::string ServiceOptionsHelp()
{
    char text[2048];
    FormatText(
        text, sizeof(text),
        "SERVICE OPTIONS of add and edit (edit keeps those it is not given); they take effect\n"
        "at the application's next launch; the default in brackets:\n"
        "  --stop-method terminate|graceful   graceful: ask the application to end, wait for\n"
        "                                     the stop timeout, then terminate (terminate)\n"
        "  --stop-timeout MS                  %u to %u (%u)\n"
        "  --restart never|on-failure|always  relaunch an application that ends by itself;\n"
        "                                     on-failure: a non-zero exit code (never)\n"
        "  --restart-delay MS                 wait before a relaunch, %u to %u (%u)\n"
        "  --max-restarts N                   give up after N relaunches in 10 minutes,\n"
        "                                     %u to %u, 0 never gives up (%u)\n"
        "  --kill-tree on|off                 a stop ends every process the application\n"
        "                                     started (off)\n"
        "  --stdout PATH, --stderr PATH       append the output to a file; \"\" clears (none)\n"
        "  --rotate-bytes N                   at launch, set aside an output file larger than\n"
        "                                     N bytes, 0 to %llu; 0 is off (0)\n"
        "  --rotate-keep N                    set-aside files kept, %u to %u (%u)\n"
        "  --env NAME=VALUE                   add or replace a variable (repeatable)\n"
        "  --unset-env NAME                   remove a variable (repeatable)\n"
        "  --clear-env                        remove every variable, before the two above\n",
        0u, static_cast<unsigned>(kMaxStopTimeoutMs), static_cast<unsigned>(kDefaultStopTimeoutMs),
        0u, static_cast<unsigned>(kMaxRestartDelayMs),
        static_cast<unsigned>(kDefaultRestartDelayMs), 0u,
        static_cast<unsigned>(kMaxMaxRestarts), static_cast<unsigned>(kDefaultMaxRestarts),
        static_cast<unsigned long long>(kMaxRotateBytes), static_cast<unsigned>(kMinRotateKeep),
        static_cast<unsigned>(kMaxRotateKeep), static_cast<unsigned>(kDefaultRotateKeep));
    return text;
}

bool HasServiceOptions(const CCommandLine& line)
{
    if (line.Has(kClearEnv))
        return true;
    for (const std::string& option : ServiceOptionValued()) {
        if (line.Has(option))
            return true;
    }
    return false;
}

bool ApplyServiceOptions(const CCommandLine& line, ServiceOptions& options, std::string& error)
{
    ServiceOptions changed = options;
    for (const OptionItem& item : OptionItems()) {
        if (!line.Has(item.flag))
            continue;
        std::string text = line.Value(item.flag);
        if (item.kind == OptionKind::Path && !text.empty())
            text = FullPath(text);
        if (!SetOptionFromText(changed, item, text, error))
            return false;
    }
    if (line.Has(kClearEnv))
        ClearEnvironment(changed);
    for (const std::string& name : line.Values(kUnsetEnv))
        UnsetEnvironmentEntry(changed, name.c_str());
    for (const std::string& assignment : line.Values(kEnv)) {
        size_t equals = assignment.find('=');
        std::string name = assignment.substr(0, equals);
        std::string value = equals == std::string::npos ? "" : assignment.substr(equals + 1);
        std::string message;
        if (equals == std::string::npos) {
            // No name can be had: the check words what an entry must be.
            SetEnvironmentVariable(changed, "", "", message);
        } else if (SetEnvironmentVariable(changed, name, value, message)) {
            continue;
        }
        error = std::string(kEnv) + " \"" + assignment + "\": " + message;
        return false;
    }
    options = changed;
    return true;
}
