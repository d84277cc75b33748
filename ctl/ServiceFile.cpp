#include "ServiceFile.h"

#include "BoundedText.h"
#include "RecordText.h"
#include "Json.h"
#include "ManagerUtil.h"
#include "ServiceOptionItems.h"
#include "ServiceOptions.h"

namespace {

const char kFormat[] = "Ravelin services";
// Version 2 added the service options; version 1 files import with every option off.
const int kVersion = 2;

// A text member; absent is allowed when optional.
bool TextMember(const Json& object, const char* name, bool required,
                std::optional<std::string>& value, std::string& error,
                std::vector<std::string>& at)
{
    at = {name};
    auto member = object.find(name);
    if (member == object.end()) {
        if (required)
            error = std::string("\"") + name + "\" is missing";
        return !required;
    }
    if (!member->is_string()) {
        error = std::string("\"") + name + "\" must be a text";
        return false;
    }
    value = AnsiOfJson(*member);
    return true;
}

// One entry; at receives the path, within the entry, of the value at fault.
bool ReadEntry(const Json& item, int version, EntryChanges& entry, std::string& error,
               std::vector<std::string>& at)
{
    if (!item.is_object()) {
        error = "must be an object";
        return false;
    }
    for (const auto& member : item.items()) {
        const std::string& name = member.key();
        bool known = name == "name" || name == "application" || name == "directory" ||
                     name == "parameters" || name == "revive" ||
                     (version >= 2 && IsServiceOptionMember(name));
        if (!known) {
            at = {name};
            error = "unknown member \"" + AnsiOfJson(Json(name)) + "\"";
            return false;
        }
    }
    if (!TextMember(item, "name", true, entry.displayName, error, at) ||
        !TextMember(item, "application", true, entry.appPath, error, at) ||
        !TextMember(item, "directory", false, entry.workDir, error, at) ||
        !TextMember(item, "parameters", false, entry.appParams, error, at))
        return false;
    if (!entry.appParams)
        entry.appParams = std::string();
    entry.reviveOnSessionEnd = 1;
    auto revive = item.find("revive");
    if (revive != item.end()) {
        if (!revive->is_boolean()) {
            at = {"revive"};
            error = "\"revive\" must be true or false";
            return false;
        }
        entry.reviveOnSessionEnd = revive->get<bool>() ? 1 : 0;
    }
    ServiceOptions options;
    if (!ReadServiceOptionMembers(item, options, error, at))
        return false;
    entry.options = options;
    return true;
}

} // namespace

void AddServiceValues(Json& object, const ServiceRecord& record)
{
    object["application"] = JsonOfAnsi(FieldText(record.appPath));
    object["directory"] = JsonOfAnsi(FieldText(record.workDir));
    object["parameters"] = JsonOfAnsi(FieldText(record.appParams));
    object["revive"] = record.reviveOnSessionEnd != 0;
    ServiceOptions options;
    ReadServiceOptions(record, options);
    AddServiceOptions(object, options);
}

std::string ServiceFileText(const CUtil& util)
{
    Json services = Json::array();
    for (int slot = 0; util.serviceTable && slot < kSlotCount; ++slot) {
        const ServiceRecord& record = util.serviceTable->records[slot];
        if (IsSlotFree(record))
            continue;
        Json service = Json::object();
        service["name"] = JsonOfAnsi(FieldText(record.displayName));
        AddServiceValues(service, record);
        services.push_back(std::move(service));
    }
    Json document = Json::object();
    document["format"] = kFormat;
    document["version"] = kVersion;
    document["services"] = std::move(services);
    return JsonText(document);
}

bool ReadServiceFile(const std::string& bytes, std::vector<EntryChanges>& entries,
                     std::string& error)
{
    entries.clear();
    Json document;
    if (!ParseJson(bytes, document, error))
        return false;
    // A fault in the values is named with the place of the value at path, as a fault of the text
    // is by the reader.
    auto refuse = [&bytes, &error](const std::vector<std::string>& path, const std::string& what) {
        std::string place = JsonPlace(bytes, path);
        error = place.empty() ? what : place + ": " + what;
        return false;
    };
    if (!document.is_object())
        return refuse({}, "the document must be an object");
    for (const auto& member : document.items()) {
        if (member.key() != "format" && member.key() != "version" &&
            member.key() != "services")
            return refuse({member.key()},
                          "unknown member \"" + AnsiOfJson(Json(member.key())) + "\"");
    }
    auto format = document.find("format");
    auto version = document.find("version");
    auto services = document.find("services");
    if (format == document.end() || !format->is_string() || *format != kFormat)
        return refuse({"format"}, std::string("\"format\" must be \"") + kFormat + "\"");
    if (version == document.end() || !version->is_number() ||
        (version->get<double>() != 1 && version->get<double>() != kVersion))
        return refuse({"version"}, "\"version\" must be 1 or 2");
    int fileVersion = version->get<double>() == 1 ? 1 : kVersion;
    if (services == document.end() || !services->is_array())
        return refuse({"services"}, "\"services\" must be a list");
    if (services->size() > static_cast<size_t>(kSlotCount))
        return refuse({"services"}, "more services than the table's 50 slots");
    for (size_t i = 0; i < services->size(); ++i) {
        EntryChanges entry;
        std::string fault;
        std::vector<std::string> at;
        if (!ReadEntry((*services)[i], fileVersion, entry, fault, at)) {
            entries.clear();
            at.insert(at.begin(), {"services", std::to_string(i)});
            return refuse(at, "services[" + std::to_string(i) + "]: " + fault);
        }
        entries.push_back(entry);
    }
    return true;
}
