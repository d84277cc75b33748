#include "OptionsForm.h"

#include "BoundedText.h"
#include "RecordText.h"

#include <cstring>

namespace {

// Stands for a text that is no number: out of every field's range, so the range check refuses
// it with the field's own message.
const uint64_t kNotANumber = ~0ULL;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The decimal number in text, blanks around it ignored; kNotANumber for anything else (an empty
// text, a sign, other characters, a value above 2^63).
uint64_t ParseNumber(const std::string& text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    if (begin == end)
        return kNotANumber;
    uint64_t value = 0;
    for (size_t i = begin; i < end; ++i) {
        char c = text[i];
        if (c < '0' || c > '9' || value > (kNotANumber / 2 - 9) / 10)
            return kNotANumber;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return value;
}

uint32_t ParseNumber32(const std::string& text)
{
    uint64_t value = ParseNumber(text);
    return value > 0xFFFFFFFFULL ? 0xFFFFFFFFu : static_cast<uint32_t>(value);
}

// A path text into its field: one that does not fit fills the field without a terminator,
// which the range check then refuses as too long.
void PutPath(char (&field)[kOutputPathSize], const std::string& text)
{
    std::memset(field, 0, sizeof(field));
    std::memcpy(field, text.data(), text.size() < sizeof(field) ? text.size() : sizeof(field));
}

// Each line of the text, without its "\r\n" or "\n".
template <class Visit> bool ForEachLine(const std::string& text, Visit visit)
{
    size_t at = 0;
    int number = 1;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        size_t next = end == std::string::npos ? text.size() : end + 1;
        if (end == std::string::npos)
            end = text.size();
        if (end > at && text[end - 1] == '\r')
            --end;
        if (!visit(text.substr(at, end - at), number))
            return false;
        at = next;
        ++number;
    }
    return true;
}

bool IsBlankLine(const std::string& line)
{
    for (char c : line)
        if (!IsBlank(c))
            return false;
    return true;
}

// The environment lines into options; false with the message on the first bad line.
bool ReadEnvironment(const std::string& text, ServiceOptions& options, char* message,
                     size_t size)
{
    ClearEnvironment(options);
    return ForEachLine(text, [&](const std::string& line, int number) {
        if (IsBlankLine(line))
            return true;
        size_t equals = line.find('=');
        std::string name = equals == std::string::npos ? line : line.substr(0, equals);
        std::string value = equals == std::string::npos ? "" : line.substr(equals + 1);
        if (equals != std::string::npos && IsEnvironmentNameValid(name.c_str()) &&
            SetEnvironmentEntry(options, name.c_str(), value.c_str()))
            return true;
        char reason[160];
        if (equals != std::string::npos && IsEnvironmentNameValid(name.c_str())) {
            FormatText(reason, sizeof(reason),
                       "The environment must fit in %u bytes of NAME=VALUE texts.",
                       static_cast<unsigned>(kEnvironmentSize));
        } else {
            // The shared check's own words for an entry that is not NAME=VALUE.
            ServiceOptions entry;
            CopyText(entry.environment, sizeof(entry.environment), "=");
            CheckServiceOptions(entry, reason, sizeof(reason));
        }
        FormatText(message, size, "%s\n\nLine %d: %.60s", reason, number, line.c_str());
        return false;
    });
}

// One field's value checked on its own: the defaults with that one value of read.
bool CheckField(OptionsField field, const ServiceOptions& read, char* message, size_t size)
{
    ServiceOptions trial;
    switch (field) {
    case OptionsField::StopMethod: trial.stopMethod = read.stopMethod; break;
    case OptionsField::StopTimeout: trial.stopTimeoutMs = read.stopTimeoutMs; break;
    case OptionsField::Restart: trial.restart = read.restart; break;
    case OptionsField::RestartDelay: trial.restartDelayMs = read.restartDelayMs; break;
    case OptionsField::MaxRestarts: trial.maxRestarts = read.maxRestarts; break;
    case OptionsField::StdoutPath:
        std::memcpy(trial.stdoutPath, read.stdoutPath, sizeof(trial.stdoutPath));
        break;
    case OptionsField::StderrPath:
        std::memcpy(trial.stderrPath, read.stderrPath, sizeof(trial.stderrPath));
        break;
    case OptionsField::RotateBytes: trial.rotateBytes = read.rotateBytes; break;
    case OptionsField::RotateKeep: trial.rotateKeep = read.rotateKeep; break;
    default: break;
    }
    return CheckServiceOptions(trial, message, size);
}

// The fields in the dialog's order, the environment last.
const OptionsField kFieldOrder[] = {
    OptionsField::StopMethod,  OptionsField::StopTimeout, OptionsField::Restart,
    OptionsField::RestartDelay, OptionsField::MaxRestarts, OptionsField::StdoutPath,
    OptionsField::StderrPath,  OptionsField::RotateBytes, OptionsField::RotateKeep,
};

} // namespace

OptionsForm FormOfOptions(const ServiceOptions& options)
{
    OptionsForm form;
    form.stopMethod = options.stopMethod;
    form.stopTimeout = std::to_string(options.stopTimeoutMs);
    form.restart = options.restart;
    form.restartDelay = std::to_string(options.restartDelayMs);
    form.maxRestarts = std::to_string(options.maxRestarts);
    form.killTree = options.killTree;
    form.stdoutPath = FieldText(options.stdoutPath);
    form.stderrPath = FieldText(options.stderrPath);
    form.rotateBytes = std::to_string(options.rotateBytes);
    form.rotateKeep = std::to_string(options.rotateKeep);
    for (const char* entry = FirstEnvironmentEntry(options); entry != NULL;
         entry = NextEnvironmentEntry(options, entry)) {
        form.environment += entry;
        form.environment += "\r\n";
    }
    return form;
}

OptionsField ReadOptionsForm(const OptionsForm& form, ServiceOptions& options, char* message,
                             size_t size)
{
    ServiceOptions read;
    read.stopMethod = form.stopMethod;
    read.stopTimeoutMs = ParseNumber32(form.stopTimeout);
    read.restart = form.restart;
    read.restartDelayMs = ParseNumber32(form.restartDelay);
    read.maxRestarts = ParseNumber32(form.maxRestarts);
    read.killTree = form.killTree;
    read.rotateBytes = ParseNumber(form.rotateBytes);
    read.rotateKeep = ParseNumber32(form.rotateKeep);
    PutPath(read.stdoutPath, form.stdoutPath);
    PutPath(read.stderrPath, form.stderrPath);

    for (OptionsField field : kFieldOrder)
        if (!CheckField(field, read, message, size))
            return field;
    if (!ReadEnvironment(form.environment, read, message, size))
        return OptionsField::Environment;
    // Every value passed on its own; the whole is checked once more as it will be stored.
    if (!CheckServiceOptions(read, message, size))
        return OptionsField::Environment;
    options = read;
    return OptionsField::None;
}

bool SameServiceOptions(const ServiceOptions& first, const ServiceOptions& second)
{
    // Compared as stored: the same area bytes are the same options.
    ServiceRecord a;
    ServiceRecord b;
    std::memset(&a, 0, sizeof(a));
    std::memset(&b, 0, sizeof(b));
    if (!WriteServiceOptions(first, a) || !WriteServiceOptions(second, b))
        return false;
    return std::memcmp(a.reserved2, b.reserved2, sizeof(a.reserved2)) == 0;
}
