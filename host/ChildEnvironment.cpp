#include "ChildEnvironment.h"

#include "ServiceOptions.h"

#include <windows.h>
#include <cstring>

namespace {

// The name part of an entry. A leading '=' belongs to the name (the per-drive current
// folders, "=C:=C:\\Work").
std::string EntryName(const std::string& entry)
{
    size_t equals = entry.find('=', 1);
    return entry.substr(0, equals == std::string::npos ? entry.size() : equals);
}

bool SameName(const std::string& a, const std::string& b)
{
    return a.size() == b.size() &&
           ::CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, a.data(),
                            static_cast<int>(a.size()), b.data(),
                            static_cast<int>(b.size())) == CSTR_EQUAL;
}

} // namespace

std::vector<std::string> EnvironmentEntries(const char* block)
{
    std::vector<std::string> entries;
    if (!block)
        return entries;
    for (const char* entry = block; *entry; entry += std::strlen(entry) + 1)
        entries.emplace_back(entry);
    return entries;
}

std::vector<char> MergedEnvironment(const char* hostBlock, const ServiceOptions& options)
{
    const char* added = FirstEnvironmentEntry(options);
    if (!added)
        return std::vector<char>();
    std::vector<std::string> entries = EnvironmentEntries(hostBlock);
    for (; added; added = NextEnvironmentEntry(options, added)) {
        std::string entry = added;
        std::string name = EntryName(entry);
        bool replaced = false;
        for (std::string& existing : entries) {
            if (SameName(EntryName(existing), name)) {
                existing = entry;
                replaced = true;
                break;
            }
        }
        if (!replaced)
            entries.push_back(entry);
    }
    std::vector<char> block;
    for (const std::string& entry : entries)
        block.insert(block.end(), entry.c_str(), entry.c_str() + entry.size() + 1);
    block.push_back('\0');
    if (entries.empty())
        block.push_back('\0'); // an empty block is two terminators
    return block;
}
