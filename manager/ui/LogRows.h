#pragma once
// The rows of the log viewer without a window: a slot's log file read by the reading rule and
// kept compactly, given back newest entry first, as if every entry had gone to the top of the list.

#include <cstddef>
#include <string>
#include <vector>

class CLogRows {
public:
    // Reads the file at path; a file that cannot be opened gives no rows. False only when the
    // memory for the rows ran out (the rows read until then are kept).
    bool Load(const char* path);

    int Count() const { return static_cast<int>(starts_.size()); }
    // Field 0 (timestamp), 1 (type word) or 2 (message) of the row at index, 0 being the last
    // entry of the file. The text stays valid until the next Load.
    const char* Field(int row, int field) const;

private:
    // The three fields of every entry, each ended by its NUL, one entry after the other in
    // file order; starts_ holds where each entry begins.
    std::string texts_;
    std::vector<size_t> starts_;
};
