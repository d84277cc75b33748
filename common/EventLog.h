#pragma once
// The per-slot service event log: "timestamp*TYPE**message" lines ending in CR LF,
// appended one whole line at a time by the manager and the slot's host.

#include <windows.h>
#include <cstddef>
#include <cstdint>
#include <vector>

const uint8_t kLogEvent = 1;
const uint8_t kLogError = 2;

const size_t kTimeStampSize = 81;
const size_t kLogLineSize = 513;   // a whole line with its newline, before CR LF translation
const size_t kLogReadSize = 512;   // one read of the reading rule takes at most 511 characters
const size_t kLogFieldSize = 81;   // timestamp and type fields of a read line, 80 characters
const size_t kLogMessageSize = 513;

// "EVENT" for 1, "ERROR" for 2, "UNKNOWN" for any other type code.
const char* LogTypeWord(uint8_t type);

// "%02d/%02d/%02d [%02d:%02d:%02d]" of year, month, day, hour, minute, second.
void FormatTimeStamp(const SYSTEMTIME& time, char* buffer, size_t size);
// The current local time as a timestamp, into a buffer of 81 characters.
void MakeTimeStamp(char* buffer, size_t size = kTimeStampSize);

// Forms "%s*%s**%s\n" into a 513-byte line buffer. A message too long for the line is cut so that
// the line still ends in its newline.
void FormatLogLine(char (&line)[kLogLineSize], const char* timeStamp, uint8_t type,
                   const char* message);

// Appends one line, stamped now, to the log file at path: one open, one write, one close.
// A line that cannot be written is dropped silently.
void AppendLogLine(const char* path, uint8_t type, const char* message);

struct LogEntry {
    char timeStamp[kLogFieldSize];
    char type[kLogFieldSize];
    char message[kLogMessageSize];
};

// Splits one read of the reading rule into its three fields. False when the line has no
// asterisk, or no pair of asterisks after the first one; such a line is skipped.
// Timestamp and type fields longer than 80 characters are cut to 80.
bool SplitLogLine(const char* line, LogEntry* entry);

// Where the fields of a read lie, as offsets from its start: the timestamp is [0, stampEnd), the
// type word [typeBegin, typeEnd), the message [messageBegin, messageEnd), already cut at its
// first CR or LF.
struct LogFieldSpans {
    size_t stampEnd;
    size_t typeBegin;
    size_t typeEnd;
    size_t messageBegin;
    size_t messageEnd;
};

// The separators of one read of length bytes (which a NUL ends earlier, as in a C string);
// false when the read is skipped. SplitLogLine is this on a terminated line.
bool FindLogFields(const char* text, size_t length, LogFieldSpans* spans);
// SplitLogLine on a read of length bytes that need not be terminated.
bool SplitLogText(const char* text, size_t length, LogEntry* entry);

// Reads every line of a log file by the reading rule, in file order. A missing file has no entries.
std::vector<LogEntry> ReadLogFile(const char* path);
