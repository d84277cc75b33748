#pragma once
// Reads racing saves of the table file: a writer thread saves two tables alternately while the
// test reads, and each read must yield what one of the two tables holds, whole.

#include <functional>
#include <string>

struct TableRaceResult {
    int saves = 0;        // saves that succeeded
    int failedSaves = 0;
    int reads = 0;        // reads that succeeded
    int failedReads = 0;
    int torn = 0;         // reads that yielded neither table's text
    bool sawFirst = false;
    bool sawSecond = false;
};

// Saves first, second, first, ... (count saves in all) through the table writer, and meanwhile
// calls read until the writer is done; read returns 0 when it failed, else 1 and its text, which
// is compared with firstText and secondText (what a read of each table yields).
TableRaceResult ReadWhileSavesAlternate(const std::string& path, const std::string& first,
                                        const std::string& second, int count,
                                        const std::function<int(std::string*)>& read,
                                        const std::string& firstText,
                                        const std::string& secondText);
