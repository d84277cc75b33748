#include "TableRace.h"

#include "TableFile.h"

#include <atomic>
#include <thread>

TableRaceResult ReadWhileSavesAlternate(const std::string& path, const std::string& first,
                                        const std::string& second, int count,
                                        const std::function<int(std::string*)>& read,
                                        const std::string& firstText,
                                        const std::string& secondText)
{
    TableRaceResult result;
    std::atomic<bool> done(false);
    std::atomic<int> saves(0);
    std::atomic<int> failedSaves(0);
    std::thread writer([&] {
        for (int i = 0; i < count; ++i) {
            const std::string& table = i % 2 ? second : first;
            if (WriteTableFile(path.c_str(), table.data(), table.size()))
                ++saves;
            else
                ++failedSaves;
        }
        done = true;
    });
    std::string text;
    while (!done) {
        if (!read(&text)) {
            ++result.failedReads;
            continue;
        }
        ++result.reads;
        if (text == firstText)
            result.sawFirst = true;
        else if (text == secondText)
            result.sawSecond = true;
        else
            ++result.torn;
    }
    writer.join();
    result.saves = saves;
    result.failedSaves = failedSaves;
    return result;
}
