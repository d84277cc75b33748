#include "EventLog.h"

#include "BoundedText.h"
#include "HandleT.h"

#include <cstdio>
#include <cstring>

const char* LogTypeWord(uint8_t type)
{
    switch (type) {
    case kLogEvent:
        return "EVENT";
    case kLogError:
        return "ERROR";
    default:
        return "UNKNOWN";
    }
}

void FormatTimeStamp(const SYSTEMTIME& time, char* buffer, size_t size)
{
    FormatText(buffer, size, "%02d/%02d/%02d [%02d:%02d:%02d]", time.wYear, time.wMonth, time.wDay,
               time.wHour, time.wMinute, time.wSecond);
}

void MakeTimeStamp(char* buffer, size_t size)
{
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    FormatTimeStamp(now, buffer, size);
}

void FormatLogLine(char (&line)[kLogLineSize], const char* timeStamp, uint8_t type,
                   const char* message)
{
    if (FormatText(line, sizeof(line), "%s*%s**%s\n", timeStamp, LogTypeWord(type), message))
        return;
    // Cut: keep the line's end on the last byte that fits.
    line[kLogLineSize - 2] = '\n';
    line[kLogLineSize - 1] = '\0';
}

namespace {

// The text-mode translation of a stream opened with "a": every LF is stored as CR LF.
size_t TranslateLineEnds(const char* line, char* out, size_t size)
{
    size_t used = 0;
    for (const char* c = line; *c && used + 2 < size; ++c) {
        if (*c == '\n')
            out[used++] = '\r';
        out[used++] = *c;
    }
    return used;
}

} // namespace

void AppendLogLine(const char* path, uint8_t type, const char* message)
{
    char timeStamp[kTimeStampSize];
    MakeTimeStamp(timeStamp, sizeof(timeStamp));
    char line[kLogLineSize];
    FormatLogLine(line, timeStamp, type, message);
    char onDisk[2 * kLogLineSize];
    size_t length = TranslateLineEnds(line, onDisk, sizeof(onDisk));

    CFileHandle file(::CreateFileA(path, GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
    if (!file)
        return;
    // The manager and the slot's host may append at the same moment. Append-only access is not
    // atomic everywhere (Wine finds the end and writes there in two steps), so each writer holds
    // an exclusive lock on one byte far beyond any data while it finds the end and writes.
    // Readers are not affected: the locked byte never holds data.
    OVERLAPPED lockRange = {};
    lockRange.Offset = 0xFFFFFFFF;
    lockRange.OffsetHigh = 0x7FFFFFFF;
    if (!::LockFileEx(file.Get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &lockRange))
        return;
    LARGE_INTEGER end = {};
    DWORD written = 0;
    if (::SetFilePointerEx(file.Get(), end, NULL, FILE_END))
        ::WriteFile(file.Get(), onDisk, static_cast<DWORD>(length), &written, NULL);
    ::UnlockFileEx(file.Get(), 0, 1, 0, &lockRange);
}

namespace {

void CopySpan(char* dst, size_t size, const char* begin, size_t length)
{
    if (length >= size)
        length = size - 1;
    std::memcpy(dst, begin, length);
    dst[length] = '\0';
}

} // namespace

bool FindLogFields(const char* text, size_t length, LogFieldSpans* spans)
{
    // A NUL ends the text, as it ends a line read into a C string.
    if (const void* nul = std::memchr(text, '\0', length))
        length = static_cast<size_t>(static_cast<const char*>(nul) - text);
    const char* end = text + length;
    const char* firstStar = static_cast<const char*>(std::memchr(text, '*', length));
    if (!firstStar)
        return false;
    const char* pair = firstStar + 1;
    while (pair < end) {
        pair = static_cast<const char*>(std::memchr(pair, '*', static_cast<size_t>(end - pair)));
        if (!pair || pair + 1 >= end)
            return false;
        if (pair[1] == '*')
            break;
        pair += 2;
    }
    if (pair >= end)
        return false;
    const char* message = pair + 2;
    const char* messageEnd = message;
    while (messageEnd < end && *messageEnd != '\r' && *messageEnd != '\n')
        ++messageEnd;
    spans->stampEnd = static_cast<size_t>(firstStar - text);
    spans->typeBegin = spans->stampEnd + 1;
    spans->typeEnd = static_cast<size_t>(pair - text);
    spans->messageBegin = spans->typeEnd + 2;
    spans->messageEnd = static_cast<size_t>(messageEnd - text);
    return true;
}

bool SplitLogText(const char* text, size_t length, LogEntry* entry)
{
    LogFieldSpans spans;
    if (!FindLogFields(text, length, &spans))
        return false;
    CopySpan(entry->timeStamp, sizeof(entry->timeStamp), text, spans.stampEnd);
    CopySpan(entry->type, sizeof(entry->type), text + spans.typeBegin,
             spans.typeEnd - spans.typeBegin);
    CopySpan(entry->message, sizeof(entry->message), text + spans.messageBegin,
             spans.messageEnd - spans.messageBegin);
    return true;
}

bool SplitLogLine(const char* line, LogEntry* entry)
{
    return SplitLogText(line, std::strlen(line), entry);
}

std::vector<LogEntry> ReadLogFile(const char* path)
{
    std::vector<LogEntry> entries;
    CStdioFile file(std::fopen(path, "r"));
    if (!file)
        return entries;
    char line[kLogReadSize];
    LogEntry entry;
    while (std::fgets(line, sizeof(line), file.Get())) {
        if (SplitLogLine(line, &entry))
            entries.push_back(entry);
    }
    return entries;
}
