#include "ServiceFile.h"

#include "BoundedText.h"
#include "RecordText.h"
#include "Json.h"
#include "ManagerUtil.h"

namespace {

const char kFormat[] = "Ravelin services";
const int kVersion = 1;

// A text member; absent is allowed when optional.
bool TextMember(const JsonValue& object, const char* name, bool required,
                std::optional<std::string>& value, std::string& error)
{
    const JsonValue* member = object.Member(name);
    if (!member) {
        if (required)
            error = std::string("\"") + name + "\" is missing";
        return !required;
    }
    if (member->kind != JsonValue::String) {
        error = std::string("\"") + name + "\" must be a text";
        return false;
    }
    value = member->text;
    return true;
}

bool ReadEntry(const JsonValue& item, EntryChanges& entry, std::string& error)
{
    if (item.kind != JsonValue::Object) {
        error = "must be an object";
        return false;
    }
    for (const auto& member : item.members) {
        const std::string& name = member.first;
        if (name != "name" && name != "application" && name != "directory" &&
            name != "parameters" && name != "revive") {
            error = "unknown member \"" + name + "\"";
            return false;
        }
    }
    if (!TextMember(item, "name", true, entry.displayName, error) ||
        !TextMember(item, "application", true, entry.appPath, error) ||
        !TextMember(item, "directory", false, entry.workDir, error) ||
        !TextMember(item, "parameters", false, entry.appParams, error))
        return false;
    if (!entry.appParams)
        entry.appParams = std::string();
    entry.reviveOnSessionEnd = 1;
    if (const JsonValue* revive = item.Member("revive")) {
        if (revive->kind != JsonValue::Bool) {
            error = "\"revive\" must be true or false";
            return false;
        }
        entry.reviveOnSessionEnd = revive->boolean ? 1 : 0;
    }
    return true;
}

} // namespace

void WriteServiceValues(CJsonWriter& json, const ServiceRecord& record)
{
    json.Key("application");
    json.String(FieldText(record.appPath));
    json.Key("directory");
    json.String(FieldText(record.workDir));
    json.Key("parameters");
    json.String(FieldText(record.appParams));
    json.Key("revive");
    json.Bool(record.reviveOnSessionEnd != 0);
}

std::string ServiceFileText(const CUtil& util)
{
    CJsonWriter json;
    json.BeginObject();
    json.Key("format");
    json.String(kFormat);
    json.Key("version");
    json.Number(kVersion);
    json.Key("services");
    json.BeginArray();
    for (int slot = 0; util.serviceTable && slot < kSlotCount; ++slot) {
        const ServiceRecord& record = util.serviceTable->records[slot];
        if (IsSlotFree(record))
            continue;
        json.BeginObject();
        json.Key("name");
        json.String(FieldText(record.displayName));
        WriteServiceValues(json, record);
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    return json.Text();
}

bool ReadServiceFile(const std::string& bytes, std::vector<EntryChanges>& entries,
                     std::string& error)
{
    entries.clear();
    JsonValue document;
    if (!ParseJson(bytes, document, error))
        return false;
    if (document.kind != JsonValue::Object) {
        error = "the document must be an object";
        return false;
    }
    for (const auto& member : document.members) {
        if (member.first != "format" && member.first != "version" &&
            member.first != "services") {
            error = "unknown member \"" + member.first + "\"";
            return false;
        }
    }
    const JsonValue* format = document.Member("format");
    const JsonValue* version = document.Member("version");
    const JsonValue* services = document.Member("services");
    if (!format || format->kind != JsonValue::String || format->text != kFormat) {
        error = std::string("\"format\" must be \"") + kFormat + "\"";
        return false;
    }
    if (!version || version->kind != JsonValue::Number || version->number != kVersion) {
        error = "\"version\" must be 1";
        return false;
    }
    if (!services || services->kind != JsonValue::Array) {
        error = "\"services\" must be a list";
        return false;
    }
    if (services->items.size() > static_cast<size_t>(kSlotCount)) {
        error = "more services than the table's 50 slots";
        return false;
    }
    for (size_t i = 0; i < services->items.size(); ++i) {
        EntryChanges entry;
        std::string fault;
        if (!ReadEntry(services->items[i], entry, fault)) {
            error = "services[" + std::to_string(i) + "]: " + fault;
            entries.clear();
            return false;
        }
        entries.push_back(entry);
    }
    return true;
}
