#include "LogRows.h"

#include "EventLog.h"
#include "HandleT.h"

#include <cstdio>
#include <cstring>
#include <new>

bool CLogRows::Load(const char* path)
{
    texts_.clear();
    starts_.clear();
    CStdioFile file(std::fopen(path, "r"));
    if (!file)
        return true;
    // The reading rule line by line (reads of at most 511 characters, split by SplitLogLine),
    // without keeping the fixed-size entries: a long log costs only its text.
    char line[kLogReadSize];
    LogEntry entry;
    try {
        while (std::fgets(line, sizeof(line), file.Get())) {
            if (!SplitLogLine(line, &entry))
                continue;
            size_t start = texts_.size();
            texts_.append(entry.timeStamp, std::strlen(entry.timeStamp) + 1);
            texts_.append(entry.type, std::strlen(entry.type) + 1);
            texts_.append(entry.message, std::strlen(entry.message) + 1);
            starts_.push_back(start);
        }
    } catch (const std::bad_alloc&) {
        // An entry half appended has no start yet and is never shown.
        return false;
    }
    return true;
}

const char* CLogRows::Field(int row, int field) const
{
    if (row < 0 || row >= Count() || field < 0 || field > 2)
        return "";
    const char* text = texts_.c_str() + starts_[starts_.size() - 1 - static_cast<size_t>(row)];
    for (int skip = 0; skip < field; ++skip)
        text += std::strlen(text) + 1;
    return text;
}
