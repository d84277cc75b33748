// RavelinCtl's read-only commands: the list, one service, its status, its log, and the export.

#include "BoundedText.h"
#include "RecordText.h"
#include "ConsoleFeedback.h"
#include "CtlCommands.h"
#include "ExitCodes.h"
#include "HandleT.h"
#include "Json.h"
#include "LogRows.h"
#include "ManagerUtil.h"
#include "ServiceActions.h"
#include "ServiceFile.h"
#include "ServiceOptionItems.h"
#include "ServiceOptions.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// What every report of a service begins with: "slot", "name", "status".
Json Identity(int slot, const std::string& name, int status)
{
    Json json = Json::object();
    json["slot"] = SlotText(slot);
    json["name"] = JsonOfAnsi(name);
    json["status"] = StatusText(status);
    return json;
}

void Print(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
}

// Parses N of --lines: a whole number from 1 to 1000000.
bool ParseLineCount(const std::string& text, size_t& count)
{
    if (text.empty() || text.size() > 7)
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    unsigned long value = std::strtoul(text.c_str(), nullptr, 10);
    if (value < 1 || value > 1000000)
        return false;
    count = value;
    return true;
}

// The options as show prints them, one per line, each variable of the environment on its own.
void PrintServiceOptions(const ServiceRecord& record)
{
    ServiceOptions options;
    if (!ReadServiceOptions(record, options)) {
        // Never written is all zero; anything else failed a check and is not trusted.
        for (uint8_t byte : record.reserved2) {
            if (byte != 0) {
                std::printf("Options:         unreadable, so every option is off\n");
                break;
            }
        }
    }
    for (const OptionItem& item : OptionItems())
        std::printf("%-17s%s\n", item.label, OptionText(options, item).c_str());
    const char* label = "Environment:";
    for (const auto& variable : EnvironmentVariables(options)) {
        std::printf("%-17s%s=%s\n", label, variable.first.c_str(), variable.second.c_str());
        label = "";
    }
    if (*label)
        std::printf("%s\n", label);
}

} // namespace

int CCtlCommands::List(const CCommandLine& line)
{
    struct Row {
        int slot;
        int status;
        std::string name;
        std::string app;
    };
    std::vector<Row> rows;
    size_t nameWidth = 4;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const ServiceRecord& record = util_.serviceTable->records[slot];
        if (IsSlotFree(record))
            continue;
        rows.push_back({slot, actions_.QueryStatus(slot), FieldText(record.displayName),
                        FieldText(record.appPath)});
        if (rows.back().name.size() > nameWidth)
            nameWidth = rows.back().name.size();
    }
    if (line.Has("--json")) {
        Json json = Json::array();
        for (const Row& row : rows) {
            Json service = Identity(row.slot, row.name, row.status);
            service["application"] = JsonOfAnsi(row.app);
            json.push_back(std::move(service));
        }
        Print(JsonText(json));
        return kExitOk;
    }
    std::printf("Slot  Status   %-*s  Application\n", static_cast<int>(nameWidth), "Name");
    for (const Row& row : rows)
        std::printf("%02d    %-7s  %-*s  %s\n", row.slot, StatusText(row.status),
                    static_cast<int>(nameWidth), row.name.c_str(), row.app.c_str());
    return kExitOk;
}

int CCtlCommands::Show(const CCommandLine& line, int slot)
{
    const ServiceRecord& record = util_.serviceTable->records[slot];
    std::string name = FieldText(record.displayName);
    char serviceName[kDisplayNameSize];
    CUtil::MakeServiceName(name.c_str(), serviceName, sizeof(serviceName));
    int status = actions_.QueryStatus(slot);
    if (line.Has("--json")) {
        Json json = Identity(slot, name, status);
        json["serviceName"] = JsonOfAnsi(serviceName);
        AddServiceValues(json, record);
        json["runRequested"] = record.runRequested;
        json["hostWindow"] = record.hostWindow;
        json["appProcessId"] = record.appProcessId;
        Print(JsonText(json));
        return kExitOk;
    }
    std::printf("Slot:            %02d\n", slot);
    std::printf("Name:            %s\n", name.c_str());
    std::printf("Service name:    %s\n", serviceName);
    std::printf("Status:          %s\n", StatusText(status));
    std::printf("Application:     %s\n", FieldText(record.appPath).c_str());
    std::printf("Directory:       %s\n", FieldText(record.workDir).c_str());
    std::printf("Parameters:      %s\n", FieldText(record.appParams).c_str());
    std::printf("Revive:          %s\n", record.reviveOnSessionEnd ? "on" : "off");
    std::printf("Run requested:   %u\n", static_cast<unsigned>(record.runRequested));
    std::printf("Host window:     0x%08X\n", static_cast<unsigned>(record.hostWindow));
    std::printf("Application pid: %u\n", static_cast<unsigned>(record.appProcessId));
    PrintServiceOptions(record);
    return kExitOk;
}

int CCtlCommands::Status(const CCommandLine& line, int slot)
{
    int status = actions_.QueryStatus(slot);
    if (line.Has("--json")) {
        Print(JsonText(
            Identity(slot, FieldText(util_.serviceTable->records[slot].displayName), status)));
    } else {
        std::printf("%s\n", StatusText(status));
    }
    return kExitStatusBase + status;
}

int CCtlCommands::Log(const CCommandLine& line, int slot)
{
    size_t lines = 0;
    if (line.Has("--lines") && !ParseLineCount(line.Value("--lines"), lines)) {
        PrintError("log: --lines takes a whole number from 1 to 1000000.");
        return kExitUsage;
    }
    bool newestFirst = line.Has("--newest-first");
    bool json = line.Has("--json");
    ui_.showLog = [this, newestFirst, lines, json](int logSlot) {
        PrintLog(logSlot, newestFirst, lines, json);
    };
    return ExitOf(flows_.ShowLog(slot));
}

void CCtlCommands::PrintLog(int slot, bool newestFirst, size_t lines, bool json)
{
    char path[256];
    CLogRows rows;
    if (!util_.MakeLogPath(static_cast<uint32_t>(slot), path, sizeof(path)) || !rows.Load(path))
        PrintError("The log could not be read whole.");
    // Row 0 is the newest entry; with --lines only the newest N are shown.
    int count = rows.Count();
    if (lines > 0 && static_cast<size_t>(count) > lines)
        count = static_cast<int>(lines);
    Json entries = Json::array();
    for (int i = 0; i < count; ++i) {
        int row = newestFirst ? i : count - 1 - i;
        if (json) {
            Json entry = Json::object();
            entry["time"] = JsonOfAnsi(rows.Field(row, 0));
            entry["type"] = JsonOfAnsi(rows.Field(row, 1));
            entry["message"] = JsonOfAnsi(rows.Field(row, 2));
            entries.push_back(std::move(entry));
        } else {
            std::printf("%s  %-7s  %s\n", rows.Field(row, 0), rows.Field(row, 1),
                        rows.Field(row, 2));
        }
    }
    if (json)
        Print(JsonText(entries));
}

int CCtlCommands::Export(const CCommandLine& line)
{
    std::string text = ServiceFileText(util_);
    if (line.Arguments().empty()) {
        Print(text);
        return kExitOk;
    }
    const std::string& path = line.Arguments()[0];
    CStdioFile file(std::fopen(path.c_str(), "wb"));
    if (!file || std::fwrite(text.data(), 1, text.size(), file.Get()) != text.size() ||
        std::fflush(file.Get()) != 0) {
        PrintError(("Cannot write " + path + ".").c_str());
        return kExitFailed;
    }
    return kExitOk;
}
