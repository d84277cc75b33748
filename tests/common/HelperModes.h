#pragma once
// What the common tests share with the helper modes of their own program (see CommonTestMain.cpp):
// event names that tie a test to its helper process, and the clock arithmetic of log timestamps.

#include <windows.h>
#include <cstdint>
#include <cstdio>
#include <string>

// Suffixes of the named manual-reset events that a test creates and its helper opens.
const char kReadySuffix[] = "-ready";     // the helper is set up and waits at the gate
const char kHeldSuffix[] = "-held";       // the helper holds the table file open
const char kReleaseSuffix[] = "-release"; // the test tells the holder to let go

// Exit codes of the helper modes.
const int kHelperOk = 0;
const int kHelperUsage = 1;
const int kHelperNoEvent = 2;
const int kHelperNoFile = 3;
const int kHelperGateTimeout = 4;

// A name for a family of named events no other test or run uses; tag is one word.
inline std::string UniqueEventName(const char* tag)
{
    static LONG counter = 0;
    char name[128];
    std::snprintf(name, sizeof(name), "RavelinCommonTests-%lu-%lu-%ld-%s", ::GetCurrentProcessId(),
                  ::GetTickCount(), ::InterlockedIncrement(&counter), tag);
    return name;
}

// Whole seconds since 1601 of a calendar time (milliseconds dropped).
inline int64_t SecondsOf(const SYSTEMTIME& time)
{
    SYSTEMTIME whole = time;
    whole.wMilliseconds = 0;
    FILETIME file;
    if (!::SystemTimeToFileTime(&whole, &file))
        return -1;
    ULARGE_INTEGER value;
    value.LowPart = file.dwLowDateTime;
    value.HighPart = file.dwHighDateTime;
    return static_cast<int64_t>(value.QuadPart / 10000000u);
}

// Minutes by which this process's local time is ahead of UTC, from GetLocalTime and GetSystemTime.
inline int LocalMinusUtcMinutes()
{
    SYSTEMTIME local;
    SYSTEMTIME utc;
    ::GetSystemTime(&utc);
    ::GetLocalTime(&local);
    int64_t seconds = SecondsOf(local) - SecondsOf(utc);
    return static_cast<int>((seconds + (seconds >= 0 ? 30 : -30)) / 60);
}

// Seconds since 1601 of a log timestamp "yyyy/mm/dd [hh:mm:ss]"; -1 when it is not one.
inline int64_t SecondsOfStamp(const char* stamp)
{
    SYSTEMTIME time = {};
    int year, month, day, hour, minute, second;
    char end;
    if (std::sscanf(stamp, "%4d/%2d/%2d [%2d:%2d:%2d%c", &year, &month, &day, &hour, &minute,
                    &second, &end) != 7 ||
        end != ']')
        return -1;
    time.wYear = static_cast<WORD>(year);
    time.wMonth = static_cast<WORD>(month);
    time.wDay = static_cast<WORD>(day);
    time.wHour = static_cast<WORD>(hour);
    time.wMinute = static_cast<WORD>(minute);
    time.wSecond = static_cast<WORD>(second);
    return SecondsOf(time);
}
