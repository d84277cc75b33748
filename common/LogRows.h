#pragma once
// The rows of the log viewer without a window: a slot's log file read by the reading rule and
// kept compactly, given back newest entry first, as if every entry had gone to the top of the list.

#include "EventLog.h"

#include <cstddef>
#include <limits>
#include <memory>
#include <vector>

class CLogRows {
public:
    // Reads the file at path in one pass; a file that cannot be opened gives no rows. False when
    // the file could not be read whole: the memory ran out (then the newest entries that fit
    // are kept, at most maxBytes of the file's end) or a read failed (the entries read are kept).
    bool Load(const char* path, size_t maxBytes = std::numeric_limits<size_t>::max());

    int Count() const { return static_cast<int>(starts_.size()); }
    // Field 0 (timestamp), 1 (type word) or 2 (message) of the row at index, 0 being the last
    // entry of the file; "" for a row or field that does not exist. The text stays valid until
    // the next Load or the next call for another row.
    const char* Field(int row, int field) const;
    // The first row after the row after (-1: from row 0; with wrap, on from row 0 past the end
    // and up to after itself) whose timestamp begins with text (partial) or equals it, ignoring
    // letter case; -1 when none. The list's search (LVM_FINDITEM) leaves out its start row.
    int FindTimeStamp(const char* text, int after, bool partial, bool wrap) const;

private:
    // Where the read that begins at start ends, by the rules of a text-mode stream: a CR LF pair
    // is one character and ends the read as a newline does, and a read takes at most 511
    // characters.
    size_t ReadEnd(size_t start) const;
    // Splits the row's read into cache_ unless it is there already.
    void Split(int row) const;
    bool StampMatches(int row, const char* text, size_t length, bool partial) const;

    // The file's bytes as read (up to the first Ctrl+Z, where a text-mode stream ends), and
    // where each entry's read begins, in file order: the list asks for the texts as it draws
    // them, so they are split only then.
    std::unique_ptr<char[]> text_;
    size_t size_ = 0;
    std::vector<size_t> starts_;
    mutable int cachedRow_ = -1;
    mutable LogEntry cache_;
};
