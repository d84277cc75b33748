// A stop racing the application's own exit, fifty times: twice, twenty-five hosts whose
// applications end every moment and are relaunched, all told to stop by one save. No launch
// follows any host's stop, and nothing launched is left running. (Twenty-five at a time keeps
// the load on the machine within what the suites running beside this one allow for.)

#include "SupervisionFixture.h"

#include "RecordOptions.h"

#include <cstring>
#include <memory>
#include <set>

using namespace host_times;

namespace {

const int kHosts = 25;
const int kRounds = 2;

std::string SlotText(int slot)
{
    char text[4];
    std::snprintf(text, sizeof(text), "%02d", slot);
    return text;
}

bool IsStopLine(const std::string& message)
{
    return message.find("terminated by Halyard by request of Ravelin manager.") !=
           std::string::npos;
}

} // namespace

class StopRaceTest : public SupervisionTest {
protected:
    void TearDown() override
    {
        EndHosts(); // first, so that no host relaunches after its children are ended
        SupervisionTest::TearDown();
    }
    void EndHosts()
    {
        for (auto& process : hosts) {
            ::TerminateProcess(process->Handle(), 0);
            process->WaitExit(5000);
        }
        hosts.clear();
    }
    void RunRound(int round);

    std::vector<std::unique_ptr<CTestProcess>> hosts;
};

void StopRaceTest::RunRound(int round)
{
    SCOPED_TRACE("round " + std::to_string(round));
    TableImage image;
    for (int slot = 0; slot < kHosts; ++slot) {
        std::string name = "Race " + SlotText(slot);
        // Runs of 0.2 to 1.7 s and waits of 0 to 0.8 s: at the stop, some applications run,
        // some have just ended, some wait to be relaunched.
        FillRecord(image[slot], slot, name.c_str(), BinPath("TestChild.exe"), workDir,
                   "--exit-after " + std::to_string(200 + (slot + round * 7) * 37 % 1500), 0);
        image[slot].SetRunRequested(1);
        ASSERT_TRUE(PutServiceOptions(image[slot], RestartOptions(kRestartAlways, slot % 5 * 200, 0)));
    }
    WriteTable(tablePath, image);

    for (int slot = 0; slot < kHosts; ++slot) {
        hosts.emplace_back(new CTestProcess);
        ASSERT_TRUE(hosts.back()->Start(BinPath("Halyard.exe"), "Halyard.exe " + SlotText(slot)));
    }
    // Every host has relaunched at least once before the stop.
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (int slot = 0; slot < kHosts; ++slot) {
                std::vector<std::string> messages = LogMessages(SlotText(slot) + ".log");
                if (FindMessage(messages, "EVENT: Application restarted by Halyard, attempt 1.") ==
                    std::string::npos)
                    return false;
            }
            return true;
        },
        60000));

    TableImage stop;
    ASSERT_TRUE(ReadTable(tablePath, stop));
    for (int slot = 0; slot < kHosts; ++slot)
        stop[slot].SetRunRequested(0);
    ReplaceTableBytes(stop.bytes);

    auto allStopped = [&] {
        for (int slot = 0; slot < kHosts; ++slot) {
            bool found = false;
            for (const std::string& message : LogMessages(SlotText(slot) + ".log"))
                found = found || IsStopLine(message);
            if (!found)
                return false;
        }
        return true;
    };
    ASSERT_TRUE(WaitUntil(allStopped, 2 * kPollMs + kStartMs));
    ::Sleep(kQuietPollsMs); // deliberately idle: any relaunch after a stop would come now

    std::set<DWORD> logged;
    for (int slot = 0; slot < kHosts; ++slot) {
        std::vector<std::string> messages = LogMessages(SlotText(slot) + ".log");
        size_t stopAt = messages.size();
        for (size_t i = 0; i < messages.size(); ++i) {
            if (IsStopLine(messages[i]) && stopAt == messages.size())
                stopAt = i;
            const std::string success = "EVENT: CallApplication success: ";
            if (messages[i].rfind(success, 0) == 0) {
                logged.insert(std::strtoul(messages[i].c_str() + success.size(), nullptr, 10));
                EXPECT_LT(i, stopAt) << "slot " << slot << ": a launch after the stop";
            }
        }
        for (size_t i = stopAt + 1; i < messages.size(); ++i)
            EXPECT_EQ(std::string::npos, messages[i].find("restarted"))
                << "slot " << slot << ": " << messages[i];
        EXPECT_FALSE(hosts[slot]->WaitExit(0)) << "slot " << slot;
    }
    std::vector<ChildRecord> children = ReadChildRecords(childDir);
    EXPECT_GE(children.size(), static_cast<size_t>(2 * kHosts));
    for (const ChildRecord& child : children) {
        EXPECT_EQ(1u, logged.count(child.pid)) << "a launch the logs do not tell: " << child.pid;
        EXPECT_FALSE(IsProcessAlive(child.pid)) << child.pid;
    }
    EndHosts();
    // The next round starts from empty logs and no records.
    for (int slot = 0; slot < kHosts; ++slot)
        ::DeleteFileA((dataDir + "\\" + SlotText(slot) + ".log").c_str());
    for (const ChildRecord& child : children)
        ::DeleteFileA((childDir + "\\child-" + std::to_string(child.pid) + ".txt").c_str());
}

TEST_F(StopRaceTest, StopRacingTheApplicationsExitNeverLaunchesAfterTheStop)
{
    for (int round = 0; round < kRounds; ++round) {
        RunRound(round);
        if (HasFatalFailure())
            return;
    }
}
