#include "ServiceOptionItems.h"

#include "BoundedText.h"

#include <cstdio>
#include <cstring>
#include <limits>

namespace {

const char kEnvironmentMember[] = "environment";

// The check's message for the item's value when no value of its range can be had from the input:
// the value is set out of every range (a path without room for its terminator, an environment
// entry without a name) and the one check words the refusal.
std::string RangeMessage(ServiceOptions trial, const OptionItem* item)
{
    if (!item) {
        ClearEnvironment(trial);
        CopyText(trial.environment, "?");
    } else {
        switch (item->kind) {
        case OptionKind::StopMethod: trial.stopMethod = std::numeric_limits<uint32_t>::max(); break;
        case OptionKind::Restart: trial.restart = std::numeric_limits<uint32_t>::max(); break;
        case OptionKind::Milliseconds:
        case OptionKind::Count: trial.*item->number = std::numeric_limits<uint32_t>::max(); break;
        case OptionKind::Bytes: trial.rotateBytes = std::numeric_limits<uint64_t>::max(); break;
        case OptionKind::Path: std::memset(trial.*item->path, 'x', kOutputPathSize); break;
        case OptionKind::Switch: return "The kill tree option must be on or off.";
        }
    }
    char message[256] = "";
    CheckServiceOptions(trial, message, sizeof(message));
    return message;
}

// Sets a number (valid false: the input held none); false with the check's message.
bool SetNumber(ServiceOptions& options, const OptionItem& item, bool valid, uint64_t value,
               std::string& message)
{
    ServiceOptions trial = options;
    if (valid && item.kind == OptionKind::Bytes) {
        trial.rotateBytes = value;
    } else if (valid && value <= std::numeric_limits<uint32_t>::max()) {
        trial.*item.number = static_cast<uint32_t>(value);
    } else {
        message = RangeMessage(options, &item);
        return false;
    }
    char text[256] = "";
    if (!CheckServiceOptions(trial, text, sizeof(text))) {
        message = text;
        return false;
    }
    options = trial;
    return true;
}

bool IsNumberKind(OptionKind kind)
{
    return kind == OptionKind::Milliseconds || kind == OptionKind::Count ||
           kind == OptionKind::Bytes;
}

// Words, switch and path from a text; numbers are the callers'.
bool SetFromText(ServiceOptions& options, const OptionItem& item, const std::string& text,
                 std::string& message)
{
    ServiceOptions trial = options;
    bool valid = true;
    switch (item.kind) {
    case OptionKind::StopMethod: valid = ParseStopMethod(text.c_str(), trial.stopMethod); break;
    case OptionKind::Restart: valid = ParseRestartPolicy(text.c_str(), trial.restart); break;
    case OptionKind::Switch:
        valid = text == "on" || text == "off";
        trial.killTree = text == "on";
        break;
    case OptionKind::Path:
        valid = text.size() < kOutputPathSize && text.find('\0') == std::string::npos;
        CopyText(trial.*item.path, text.c_str());
        break;
    default: valid = false; break;
    }
    if (!valid) {
        message = RangeMessage(options, &item);
        return false;
    }
    options = trial;
    return true;
}

} // namespace

const std::vector<OptionItem>& OptionItems()
{
    static const std::vector<OptionItem> items = {
        {"--stop-method", "stopMethod", "Stop method:", OptionKind::StopMethod},
        {"--stop-timeout", "stopTimeoutMs", "Stop timeout:", OptionKind::Milliseconds,
         &ServiceOptions::stopTimeoutMs},
        {"--restart", "restart", "Restart:", OptionKind::Restart},
        {"--restart-delay", "restartDelayMs", "Restart delay:", OptionKind::Milliseconds,
         &ServiceOptions::restartDelayMs},
        {"--max-restarts", "maxRestarts", "Max restarts:", OptionKind::Count,
         &ServiceOptions::maxRestarts},
        {"--kill-tree", "killTree", "Kill tree:", OptionKind::Switch},
        {"--stdout", "stdout", "Stdout:", OptionKind::Path, nullptr, &ServiceOptions::stdoutPath},
        {"--stderr", "stderr", "Stderr:", OptionKind::Path, nullptr, &ServiceOptions::stderrPath},
        {"--rotate-bytes", "rotateBytes", "Rotate bytes:", OptionKind::Bytes},
        {"--rotate-keep", "rotateKeep", "Rotate keep:", OptionKind::Count,
         &ServiceOptions::rotateKeep},
    };
    return items;
}

const OptionItem* FindOptionItem(const std::string& flagOrMember)
{
    for (const OptionItem& item : OptionItems()) {
        if (flagOrMember == item.flag || flagOrMember == item.member)
            return &item;
    }
    return nullptr;
}

bool ParseWholeNumber(const std::string& text, uint64_t& value)
{
    if (text.empty())
        return false;
    uint64_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        unsigned digit = static_cast<unsigned>(c - '0');
        if (result > (std::numeric_limits<uint64_t>::max() - digit) / 10)
            return false;
        result = result * 10 + digit;
    }
    value = result;
    return true;
}

bool SetOptionFromText(ServiceOptions& options, const OptionItem& item, const std::string& text,
                       std::string& error)
{
    std::string message;
    bool set;
    if (IsNumberKind(item.kind)) {
        uint64_t value = 0;
        bool valid = ParseWholeNumber(text, value);
        set = SetNumber(options, item, valid, value, message);
    } else {
        set = SetFromText(options, item, text, message);
    }
    if (!set)
        error = std::string(item.flag) + " \"" + text + "\": " + message;
    return set;
}

bool SetOptionFromJson(ServiceOptions& options, const OptionItem& item, const Json& value,
                       std::string& error)
{
    std::string message;
    std::string member = std::string("\"") + item.member + "\"";
    if (IsNumberKind(item.kind)) {
        if (!value.is_number_unsigned()) {
            error = member + " must be a whole number: " + RangeMessage(options, &item);
            return false;
        }
        if (!SetNumber(options, item, true, value.get<uint64_t>(), message)) {
            error = member + ": " + message;
            return false;
        }
        return true;
    }
    if (item.kind == OptionKind::Switch) {
        if (!value.is_boolean()) {
            error = member + " must be true or false";
            return false;
        }
        options.killTree = value.get<bool>();
        return true;
    }
    if (!value.is_string()) {
        error = member + " must be a text: " + RangeMessage(options, &item);
        return false;
    }
    if (!SetFromText(options, item, AnsiOfJson(value), message)) {
        error = member + ": " + message;
        return false;
    }
    return true;
}

bool SetEnvironmentVariable(ServiceOptions& options, const std::string& name,
                            const std::string& value, std::string& error)
{
    if (name.find('\0') != std::string::npos || !IsEnvironmentNameValid(name.c_str())) {
        error = RangeMessage(options, nullptr);
        return false;
    }
    if (value.find('\0') != std::string::npos ||
        !SetEnvironmentEntry(options, name.c_str(), value.c_str())) {
        char message[128];
        FormatText(message, sizeof(message),
                   "The environment must fit in %u bytes of NAME=VALUE texts.",
                   static_cast<unsigned>(kEnvironmentSize));
        error = message;
        return false;
    }
    return true;
}

std::string OptionText(const ServiceOptions& options, const OptionItem& item)
{
    char text[64] = "";
    switch (item.kind) {
    case OptionKind::StopMethod: return StopMethodName(options.stopMethod);
    case OptionKind::Restart: return RestartPolicyName(options.restart);
    case OptionKind::Milliseconds:
        FormatText(text, sizeof(text), "%u ms", static_cast<unsigned>(options.*item.number));
        return text;
    case OptionKind::Count:
        FormatText(text, sizeof(text), "%u", static_cast<unsigned>(options.*item.number));
        return text;
    case OptionKind::Bytes:
        FormatText(text, sizeof(text), "%llu",
                   static_cast<unsigned long long>(options.rotateBytes));
        return text;
    case OptionKind::Switch: return options.killTree ? "on" : "off";
    case OptionKind::Path:
        return std::string(options.*item.path, FieldLength(options.*item.path, kOutputPathSize));
    }
    return text;
}

Json OptionJson(const ServiceOptions& options, const OptionItem& item)
{
    switch (item.kind) {
    case OptionKind::Milliseconds:
    case OptionKind::Count: return options.*item.number;
    case OptionKind::Bytes: return options.rotateBytes;
    case OptionKind::Switch: return options.killTree;
    default: return JsonOfAnsi(OptionText(options, item));
    }
}

std::vector<std::pair<std::string, std::string>> EnvironmentVariables(
    const ServiceOptions& options)
{
    std::vector<std::pair<std::string, std::string>> variables;
    for (const char* entry = FirstEnvironmentEntry(options); entry;
         entry = NextEnvironmentEntry(options, entry)) {
        const char* equals = std::strchr(entry, '=');
        if (equals)
            variables.emplace_back(std::string(entry, equals), std::string(equals + 1));
    }
    return variables;
}

void AddServiceOptions(Json& object, const ServiceOptions& options)
{
    for (const OptionItem& item : OptionItems())
        object[item.member] = OptionJson(options, item);
    Json environment = Json::object();
    for (const auto& variable : EnvironmentVariables(options))
        environment[JsonOfAnsi(variable.first).get<std::string>()] = JsonOfAnsi(variable.second);
    object[kEnvironmentMember] = std::move(environment);
}

bool IsServiceOptionMember(const std::string& name)
{
    return name == kEnvironmentMember || FindOptionItem(name) != nullptr;
}

bool ReadServiceOptionMembers(const Json& entry, ServiceOptions& options, std::string& error,
                              std::vector<std::string>& at)
{
    for (const OptionItem& item : OptionItems()) {
        auto member = entry.find(item.member);
        if (member != entry.end() && !SetOptionFromJson(options, item, *member, error)) {
            at = {item.member};
            return false;
        }
    }
    auto environment = entry.find(kEnvironmentMember);
    if (environment == entry.end())
        return true;
    at = {kEnvironmentMember};
    if (!environment->is_object()) {
        error = "\"environment\" must be an object of names and their values";
        return false;
    }
    for (const auto& variable : environment->items()) {
        std::string name = AnsiOfJson(Json(variable.key()));
        at = {kEnvironmentMember, variable.key()};
        if (!variable.value().is_string()) {
            error = "\"environment\": the value of \"" + name + "\" must be a text";
            return false;
        }
        std::string message;
        if (!SetEnvironmentVariable(options, name, AnsiOfJson(variable.value()), message)) {
            error = "\"environment\": \"" + name + "\": " + message;
            return false;
        }
    }
    return true;
}
