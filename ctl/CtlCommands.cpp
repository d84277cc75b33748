#include "CtlCommands.h"

#include "BoundedText.h"
#include "ConsoleFeedback.h"
#include "ExitCodes.h"
#include "HandleT.h"
#include "Json.h"
#include "ManagerTable.h"
#include "ManagerUtil.h"
#include "OptionArguments.h"
#include "ProductNames.h"
#include "ServiceActions.h"
#include "ServiceFile.h"
#include "ServiceOptions.h"

#include <windows.h>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const char kClearLogQuestion[] = "Are you sure you want to delete the log for this service ?";

const char* ControlWord(ServiceControl action)
{
    switch (action) {
    case ServiceControl::Install: return "install";
    case ServiceControl::Uninstall: return "uninstall";
    case ServiceControl::Start: return "start";
    case ServiceControl::Stop: return "stop";
    }
    return "";
}

const char* RequiredStatusText(ServiceControl action)
{
    switch (action) {
    case ServiceControl::Install: return StatusText(Ready);
    case ServiceControl::Stop: return StatusText(Started);
    default: return StatusText(Stopped);
    }
}

bool ParseSwitch(const std::string& text, uint32_t& value)
{
    if (text == "on") {
        value = 1;
        return true;
    }
    if (text == "off") {
        value = 0;
        return true;
    }
    return false;
}

// The whole file, if it exists and is at most limit bytes.
int ReadSmallFile(const std::string& path, size_t limit, std::string& bytes)
{
    CStdioFile file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        PrintError(("Cannot open " + path + ".").c_str());
        return kExitNotFound;
    }
    bytes.clear();
    char buffer[4096];
    size_t read;
    while ((read = std::fread(buffer, 1, sizeof(buffer), file.Get())) > 0) {
        bytes.append(buffer, read);
        if (bytes.size() > limit) {
            PrintError((path + ": the file is larger than 1 MB.").c_str());
            return kExitInvalid;
        }
    }
    if (std::ferror(file.Get())) {
        PrintError(("Cannot read " + path + ".").c_str());
        return kExitFailed;
    }
    return kExitOk;
}

} // namespace

std::string FullPath(const std::string& path)
{
    char full[MAX_PATH * 2];
    DWORD length = ::GetFullPathNameA(path.c_str(), sizeof(full), full, NULL);
    if (length == 0 || length >= sizeof(full))
        return path;
    return std::string(full, length);
}

CCtlCommands::CCtlCommands(CUtil& util, CManagerTable& table, IServiceActions& actions)
    : util_(util), table_(table), actions_(actions), ui_(util, actions),
      flows_(util, table, actions, ui_)
{
}

int CCtlCommands::Run(const CCommandLine& line)
{
    if (!table_.InitProperties()) {
        PrintError("Internal error:\n\nInitProperties - memory allocation failed.");
        return kExitFailed;
    }
    // A table that exists but cannot be read would be replaced by an empty one at the first save.
    if (!table_.LoadProperties() &&
        ::GetFileAttributesA(util_.propertiesPath) != INVALID_FILE_ATTRIBUTES) {
        PrintError((std::string("Cannot read the service table ") + util_.propertiesPath +
                    "; nothing was done.")
                       .c_str());
        return kExitFailed;
    }

    const std::string& command = line.Command();
    if (command == "list")
        return List(line);
    if (command == "export")
        return Export(line);
    if (command == "add")
        return Add(line);
    if (command == "import")
        return Import(line);

    int slot = FindNamed(line.Arguments()[0]);
    if (slot < 0)
        return kExitNotFound;
    if (command == "show")
        return Show(line, slot);
    if (command == "status")
        return Status(line, slot);
    if (command == "log")
        return Log(line, slot);
    if (command == "edit")
        return Edit(line, slot);
    if (command == "delete")
        return Delete(line, slot);
    if (command == "clear-log")
        return ClearLog(line, slot);
    if (command == "install")
        return Control(ServiceControl::Install, slot);
    if (command == "uninstall")
        return Control(ServiceControl::Uninstall, slot);
    if (command == "start")
        return Control(ServiceControl::Start, slot);
    if (command == "stop")
        return Control(ServiceControl::Stop, slot);
    return kExitUsage;
}

int CCtlCommands::FindNamed(const std::string& name)
{
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const ServiceRecord& record = util_.serviceTable->records[slot];
        if (!IsSlotFree(record) && FieldEquals(record.displayName, name.c_str()))
            return slot;
    }
    if (name.size() == 2 && name[0] >= '0' && name[0] <= '9' && name[1] >= '0' &&
        name[1] <= '9') {
        int slot = (name[0] - '0') * 10 + (name[1] - '0');
        if (slot < kSlotCount && !IsSlotFree(util_.serviceTable->records[slot]))
            return slot;
    }
    PrintError(("No service is named \"" + name + "\".").c_str());
    return -1;
}

bool CCtlCommands::RefusedWhileManagerRuns()
{
    if (!CUtil::FindWindowByTitle(kManagerWindowTitle))
        return false;
    PrintError("RavelinManager is running. It keeps its own copy of the service table and would "
               "overwrite this change when it next saves; close it first.");
    return true;
}

int CCtlCommands::ExitOf(FlowOutcome outcome) const
{
    switch (outcome) {
    case FlowOutcome::Done: return kExitOk;
    case FlowOutcome::Failed: return kExitFailed;
    case FlowOutcome::NotAllowed: return kExitRefusedStatus;
    case FlowOutcome::Cancelled:
        if (ui_.ValuesRefused())
            return kExitInvalid;
        return ui_.QuestionNotAsked() ? kExitUsage : kExitCancelled;
    }
    return kExitFailed;
}

int CCtlCommands::Add(const CCommandLine& line)
{
    if (line.Has("--start") && !line.Has("--install")) {
        PrintError("add: --start needs --install (a service starts only once it is installed).");
        return kExitUsage;
    }
    ServiceOptions options;
    std::string error;
    if (!ApplyServiceOptions(line, options, error)) {
        PrintError(("add: " + error).c_str());
        return kExitInvalid;
    }
    if (RefusedWhileManagerRuns())
        return kExitManagerRunning;
    std::string app = FullPath(line.Arguments()[1]);
    if (::GetFileAttributesA(app.c_str()) == INVALID_FILE_ATTRIBUTES)
        PrintError(("Warning: " + app + " does not exist (yet).").c_str());
    EntryChanges changes;
    changes.displayName = line.Arguments()[0];
    changes.appPath = app;
    if (line.Has("--dir"))
        changes.workDir = line.Value("--dir");
    changes.appParams = line.Value("--params");
    changes.reviveOnSessionEnd = line.Has("--no-revive") ? 0 : 1;
    changes.options = options;
    return AddService(changes, line.Has("--install"), line.Has("--start"));
}

int CCtlCommands::Edit(const CCommandLine& line, int slot)
{
    uint32_t revive = 0;
    if (line.Has("--revive") && !ParseSwitch(line.Value("--revive"), revive)) {
        PrintError("edit: --revive takes on or off.");
        return kExitUsage;
    }
    // Checked here over the stored options (a damaged area counts as every option off), so that
    // a refusal comes before anything is done.
    ServiceOptions options;
    ReadServiceOptions(util_.serviceTable->records[slot], options);
    std::string error;
    if (!ApplyServiceOptions(line, options, error)) {
        PrintError(("edit: " + error).c_str());
        return kExitInvalid;
    }
    if (RefusedWhileManagerRuns())
        return kExitManagerRunning;
    if (line.Has("--name"))
        ui_.changes.displayName = line.Value("--name");
    if (line.Has("--app"))
        ui_.changes.appPath = FullPath(line.Value("--app"));
    if (line.Has("--dir"))
        ui_.changes.workDir = line.Value("--dir");
    if (line.Has("--params"))
        ui_.changes.appParams = line.Value("--params");
    if (line.Has("--revive"))
        ui_.changes.reviveOnSessionEnd = revive;
    if (!HasServiceOptions(line))
        return ExitOf(flows_.EditService(slot));

    // Options alone are saved without touching the service: they take effect at the
    // application's next launch. With other values, those are checked first, so that a refusal
    // saves nothing, and then go through Edit after the options (a restart then has them).
    bool valuesGiven = line.Has("--name") || line.Has("--app") || line.Has("--dir") ||
                       line.Has("--params") || line.Has("--revive");
    std::string message;
    if (valuesGiven && !CheckEntry(util_, slot, ApplyChanges(util_, slot, ui_.changes), message)) {
        PrintError(message.c_str());
        return kExitInvalid;
    }
    // Set again over the options as the file holds them at the save.
    int exitCode = SaveOptions(
        slot,
        [&line](ServiceOptions& stored, std::string& refusal) {
            if (ApplyServiceOptions(line, stored, refusal))
                return true;
            refusal = "edit: " + refusal;
            return false;
        },
        true);
    if (exitCode != kExitOk)
        return exitCode;
    if (valuesGiven)
        return ExitOf(flows_.EditService(slot));
    ui_.ShowServiceRow(slot, false);
    return kExitOk;
}

int CCtlCommands::Delete(const CCommandLine& line, int slot)
{
    if (RefusedWhileManagerRuns())
        return kExitManagerRunning;
    ui_.assumeYes = line.Has("--yes");
    return ExitOf(flows_.DeleteService(slot));
}

int CCtlCommands::Control(ServiceControl action, int slot)
{
    // Install and uninstall leave the table as it is; start and stop save runRequested.
    bool changesTable = action == ServiceControl::Start || action == ServiceControl::Stop;
    if (changesTable && RefusedWhileManagerRuns())
        return kExitManagerRunning;
    FlowOutcome outcome = flows_.ControlService(slot, action);
    if (outcome == FlowOutcome::NotAllowed) {
        // Where the manager would do nothing silently, say why.
        char name[kDisplayNameSize];
        CopyField(name, util_.serviceTable->records[slot].displayName);
        char text[256];
        FormatText(text, sizeof(text), "Cannot %s \"%s\": its status is %s; %s needs %s.",
                   ControlWord(action), name, StatusText(flows_.LastStatus()), ControlWord(action),
                   RequiredStatusText(action));
        PrintError(text);
    }
    return ExitOf(outcome);
}

int CCtlCommands::ClearLog(const CCommandLine& line, int slot)
{
    ui_.assumeYes = line.Has("--yes");
    if (!ui_.AskYesNo(kClearLogQuestion))
        return ui_.QuestionNotAsked() ? kExitUsage : kExitCancelled;
    util_.DeleteLog(static_cast<uint32_t>(slot));
    char path[256];
    if (util_.MakeLogPath(static_cast<uint32_t>(slot), path, sizeof(path)) &&
        ::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) {
        PrintError((std::string("Cannot delete ") + path + ".").c_str());
        return kExitFailed;
    }
    return kExitOk;
}

bool CCtlCommands::CheckImport(const std::vector<EntryChanges>& entries)
{
    std::vector<char> saved(sizeof(ServiceTable));
    std::memcpy(saved.data(), util_.serviceTable, sizeof(ServiceTable));
    bool passed = true;
    for (size_t i = 0; passed && i < entries.size(); ++i) {
        ServiceEntry entry = ApplyChanges(util_, -1, entries[i]);
        std::string message = "Ravelin capacity full.";
        if (util_.HasFreeSlot() && CheckEntry(util_, -1, entry, message)) {
            // The entry takes its slot in the scratch table, so the next ones are checked
            // against it as well.
            ServiceRecord& record = util_.serviceTable->records[util_.FindFreeSlot()];
            CopyText(record.displayName, entry.displayName.c_str());
            CopyText(record.appPath, entry.appPath.c_str());
            continue;
        }
        PrintError(("Entry " + std::to_string(i + 1) + " (\"" + entry.displayName +
                    "\"): " + message + "\nNothing was imported.")
                       .c_str());
        passed = false;
    }
    std::memcpy(util_.serviceTable, saved.data(), sizeof(ServiceTable));
    return passed;
}

int CCtlCommands::Import(const CCommandLine& line)
{
    if (line.Has("--start") && !line.Has("--install")) {
        PrintError("import: --start needs --install (a service starts only once it is "
                   "installed).");
        return kExitUsage;
    }
    if (RefusedWhileManagerRuns())
        return kExitManagerRunning;
    const std::string& path = line.Arguments()[0];
    std::string bytes;
    int read = ReadSmallFile(path, kJsonMaxInput, bytes);
    if (read != kExitOk)
        return read;
    std::vector<EntryChanges> entries;
    std::string error;
    if (!ReadServiceFile(bytes, entries, error)) {
        PrintError((path + ": " + error + "\nNothing was imported.").c_str());
        return kExitInvalid;
    }
    if (!CheckImport(entries))
        return kExitInvalid;

    int exitCode = kExitOk;
    for (const EntryChanges& entry : entries) {
        int result = AddService(entry, line.Has("--install"), line.Has("--start"));
        if (result != kExitOk)
            exitCode = result;
    }
    return exitCode;
}
