#include "LogRows.h"

#include "HandleT.h"

#include <windows.h>
#include <algorithm>
#include <cstring>
#include <new>

namespace {

// One read of the reading rule: at most 511 characters.
const size_t kReadChars = kLogReadSize - 1;
// The file is read in blocks of this size into the one buffer that holds it.
const DWORD kReadBlock = 4u << 20;
// Below this, a file that does not fit is given up.
const size_t kSmallestTail = 64u << 10;

// Reads bytes from the file's current position into buffer; the number read (fewer when the file
// ended early or a read failed: *failed tells which).
size_t ReadBlocks(HANDLE file, char* buffer, size_t bytes, bool* failed)
{
    size_t done = 0;
    *failed = false;
    while (done < bytes) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes - done, kReadBlock));
        DWORD got = 0;
        if (!::ReadFile(file, buffer + done, chunk, &got, NULL)) {
            *failed = true;
            break;
        }
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

} // namespace

bool CLogRows::Load(const char* path, size_t maxBytes)
{
    text_.reset();
    size_ = 0;
    starts_.clear();
    starts_.shrink_to_fit();
    cachedRow_ = -1;
    // Shared as a text-mode stream opens it: the host may append while the file is read.
    CFileHandle file(::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                   OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, NULL));
    if (!file)
        return true;
    LARGE_INTEGER fileSize;
    if (!::GetFileSizeEx(file.Get(), &fileSize) || fileSize.QuadPart < 0)
        return false;
    // The whole file in one buffer, or as much of its end as memory allows.
    unsigned long long whole = static_cast<unsigned long long>(fileSize.QuadPart);
    // No buffer can take half the address space, and the size with its terminator must not wrap.
    size_t limit = std::min(maxBytes, std::numeric_limits<size_t>::max() / 2);
    size_t bytes = static_cast<size_t>(std::min<unsigned long long>(whole, limit));
    bool complete = bytes == whole;
    for (;;) {
        text_.reset(new (std::nothrow) char[bytes + 1]);
        if (text_ || bytes <= kSmallestTail)
            break;
        bytes /= 2;
        complete = false;
    }
    if (!text_)
        return false;
    LARGE_INTEGER from;
    from.QuadPart = static_cast<LONGLONG>(whole - bytes);
    if (!::SetFilePointerEx(file.Get(), from, NULL, FILE_BEGIN))
        return false;
    bool failed = false;
    size_ = ReadBlocks(file.Get(), text_.get(), bytes, &failed);
    text_[size_] = '\0';
    file.Reset();

    // A text-mode stream ends at the first Ctrl+Z.
    if (const void* eof = std::memchr(text_.get(), 0x1A, size_))
        size_ = static_cast<size_t>(static_cast<const char*>(eof) - text_.get());
    size_t start = 0;
    if (from.QuadPart > 0) {
        // The end of a file that did not fit: its first line is likely a part of one.
        const void* newline = std::memchr(text_.get(), '\n', size_);
        start = newline ? static_cast<size_t>(static_cast<const char*>(newline) - text_.get()) + 1
                        : size_;
    }
    try {
        LogFieldSpans spans;
        while (start < size_) {
            size_t end = ReadEnd(start);
            if (FindLogFields(text_.get() + start, end - start, &spans))
                starts_.push_back(start);
            start = end;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return complete && !failed;
}

size_t CLogRows::ReadEnd(size_t start) const
{
    const char* text = text_.get();
    const char* p = text + start;
    const char* end = text + size_;
    // Usually the line fits one read: 511 characters and its newline, CR LF being one.
    const char* newline =
        static_cast<const char*>(std::memchr(p, '\n', std::min<size_t>(end - p, kReadChars + 1)));
    if (newline != nullptr) {
        size_t chars = static_cast<size_t>(newline - p) + 1;
        if (newline > p && newline[-1] == '\r')
            --chars;
        if (chars <= kReadChars)
            return static_cast<size_t>(newline + 1 - text);
    }
    // A longer line: counted character by character.
    for (size_t chars = 0; p < end && chars < kReadChars; ++chars, ++p) {
        if (*p == '\n')
            return static_cast<size_t>(p + 1 - text);
        if (*p == '\r' && p + 1 < end && p[1] == '\n')
            return static_cast<size_t>(p + 2 - text);
    }
    return static_cast<size_t>(p - text);
}

void CLogRows::Split(int row) const
{
    if (row == cachedRow_)
        return;
    size_t start = starts_[starts_.size() - 1 - static_cast<size_t>(row)];
    if (!SplitLogText(text_.get() + start, ReadEnd(start) - start, &cache_))
        cache_ = LogEntry{};
    cachedRow_ = row;
}

const char* CLogRows::Field(int row, int field) const
{
    if (row < 0 || row >= Count() || field < 0 || field > 2)
        return "";
    Split(row);
    return field == 0 ? cache_.timeStamp : field == 1 ? cache_.type : cache_.message;
}

bool CLogRows::StampMatches(int row, const char* text, size_t length, bool partial) const
{
    const char* stamp = Field(row, 0);
    size_t stampLength = std::strlen(stamp);
    if (partial ? stampLength < length : stampLength != length)
        return false;
    return ::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, stamp,
                            static_cast<int>(length), text,
                            static_cast<int>(length)) == CSTR_EQUAL;
}

int CLogRows::FindTimeStamp(const char* text, int after, bool partial, bool wrap) const
{
    int count = Count();
    if (text == nullptr || count == 0)
        return -1;
    size_t length = std::strlen(text);
    if (after < -1 || after >= count)
        after = -1;
    for (int row = after + 1; row < count; ++row)
        if (StampMatches(row, text, length, partial))
            return row;
    if (wrap)
        for (int row = 0; row <= after; ++row)
            if (StampMatches(row, text, length, partial))
                return row;
    return -1;
}
