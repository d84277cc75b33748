// Fifty services at once, end to end under Wine: fifty records installed as auto-start services,
// all started at once as at boot, each host launching its test child; all stopped through the
// stop handshake; started again, and ten of them stopped while the other forty still launch.
// Meanwhile the real manager shows the table and must stay responsive and show every status.

#include "FiftyServices.h"
#include "ManagerHarness.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// Bounds with a wide margin for a machine shared with other work; the figures are printed.
const DWORD kAllRunningMs = 150000;
const DWORD kAllStoppedMs = 90000;
const DWORD kListShowsMs = 20000;
// The stop handshake's hold: the progress dialog's second plus 5000 ms.
const DWORD kStopHoldMs = 6000;
// The longest the manager may take to answer a message while all this goes on.
const DWORD kResponseBoundMs = 5000;

// Asks the manager's window every 250 ms whether it answers, and keeps the longest wait.
class CResponseProbe {
public:
    explicit CResponseProbe(HWND window)
        : thread_([this, window] {
              while (!stop_) {
                  DWORD started = ::GetTickCount();
                  DWORD_PTR result = 0;
                  if (!::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &result))
                      ++failures_;
                  DWORD took = ::GetTickCount() - started;
                  if (took > longest_)
                      longest_ = took;
                  ++answers_;
                  ::Sleep(250);
              }
          })
    {
    }
    ~CResponseProbe()
    {
        stop_ = true;
        thread_.join();
    }
    DWORD Longest() const { return longest_; }
    int Answers() const { return answers_; }
    int Failures() const { return failures_; }

private:
    std::atomic<bool> stop_{false};
    std::atomic<DWORD> longest_{0};
    std::atomic<int> answers_{0};
    std::atomic<int> failures_{0};
    std::thread thread_;
};

bool ListShows(CManagerHarness& manager, const std::vector<int>& slots, const char* status)
{
    std::vector<std::string> column = manager.Column(1);
    if (column.size() != static_cast<size_t>(kLoadServices))
        return false;
    for (int slot : slots)
        if (column[slot] != status)
            return false;
    return true;
}

bool AllLogged(CFiftyServices& services, const std::vector<int>& slots, const char* message,
               size_t times)
{
    for (int slot : slots) {
        std::vector<std::string> messages = services.LogMessages(slot);
        if (static_cast<size_t>(std::count(messages.begin(), messages.end(), message)) < times)
            return false;
    }
    return true;
}

// For a failure message: each slot whose log lacks the line so often, with its last lines.
std::string WhoLacks(CFiftyServices& services, const std::vector<int>& slots, const char* message,
                     size_t times)
{
    std::string report;
    for (int slot : slots) {
        std::vector<std::string> messages = services.LogMessages(slot);
        if (static_cast<size_t>(std::count(messages.begin(), messages.end(), message)) >= times)
            continue;
        report += "\nslot " + std::to_string(slot) + " (state " +
                  std::to_string(services.State(slot)) + "), last lines:";
        size_t first = messages.size() > 6 ? messages.size() - 6 : 0;
        for (size_t i = first; i < messages.size(); ++i)
            report += "\n    " + messages[i];
    }
    return report;
}

std::vector<std::string> Only(const std::vector<std::string>& messages, bool hostLines)
{
    std::vector<std::string> kept;
    for (const std::string& message : messages)
        if ((message.find("Halyard") != std::string::npos ||
             message.find("CallApplication") != std::string::npos) == hostLines)
            kept.push_back(message.find("CallApplication success: ") != std::string::npos
                               ? "EVENT: CallApplication success"
                               : message);
    return kept;
}

const char kTerminated[] = "EVENT: Application terminated by Halyard by request of Ravelin manager.";

} // namespace

TEST(FiftyServicesTest, StartedAtOnceStoppedAndStartedAgainWithNothingLost)
{
    CManagerHarness manager;
    CFiftyServices services(manager.DataDir());
    std::string error;
    ASSERT_TRUE(services.CreateRecords(&error)) << error;
    ASSERT_TRUE(services.InstallAll(&error)) << error;
    ASSERT_TRUE(manager.Start());
    ASSERT_EQ(kLoadServices, manager.RowCount());
    const std::vector<int> all = CFiftyServices::Slots(0, kLoadServices);
    const std::vector<int> early = CFiftyServices::Slots(0, 10);
    const std::vector<int> rest = CFiftyServices::Slots(10, kLoadServices - 10);
    ASSERT_TRUE(WaitUntil([&] { return ListShows(manager, all, "Stopped"); }, kListShowsMs));

    CResponseProbe probe(manager.Frame());

    // Round one: every service started at once.
    DWORD started = ::GetTickCount();
    ASSERT_TRUE(services.StartAll(all, &error)) << error;
    ASSERT_TRUE(WaitUntil([&] { return services.RunningChildren().size() >= 50; }, kAllRunningMs))
        << services.RunningChildren().size() << " children running";
    std::printf("[ measured ] 50 children running %lu ms after the first start request\n",
                ::GetTickCount() - started);
    EXPECT_TRUE(WaitUntil([&] { return services.CountInState(all, SERVICE_RUNNING) == 50; },
                          kAllRunningMs));
    EXPECT_TRUE(WaitUntil([&] { return ListShows(manager, all, "Started"); }, kListShowsMs));
    std::printf("[ measured ] the list shows 50 \"Started\" %lu ms after the first start request\n",
                ::GetTickCount() - started);

    // All stopped through the stop handshake: the stop requests saved, the hold, the controls.
    started = ::GetTickCount();
    ASSERT_TRUE(services.RequestStops(all, &error)) << error;
    ::Sleep(kStopHoldMs); // the handshake's hold
    ASSERT_TRUE(WaitUntil([&] { return AllLogged(services, all, kTerminated, 1); }, kAllStoppedMs));
    ASSERT_TRUE(services.SendStops(all, &error)) << error;
    EXPECT_TRUE(WaitUntil([&] { return services.CountInState(all, SERVICE_STOPPED) == 50; },
                          kAllStoppedMs));
    EXPECT_TRUE(WaitUntil([&] { return services.RunningChildren().empty(); }, kAllStoppedMs));
    std::printf("[ measured ] 50 services stopped %lu ms after the first stop request\n",
                ::GetTickCount() - started);
    EXPECT_TRUE(WaitUntil([&] { return ListShows(manager, all, "Stopped"); }, kListShowsMs));

    std::printf("[ measured ] the list shows 50 \"Stopped\" %lu ms after the first stop request\n",
                ::GetTickCount() - started);

    // Round two: all started again, and ten stop requests saved while the others launch.
    started = ::GetTickCount();
    ASSERT_TRUE(services.StartAll(all, &error)) << error;
    ASSERT_TRUE(services.RequestStops(early, &error)) << error;
    ASSERT_TRUE(WaitUntil([&] { return AllLogged(services, early, kTerminated, 2); },
                          kAllRunningMs))
        << "a stop request saved while other hosts launched was lost"
        << WhoLacks(services, early, kTerminated, 2);
    ASSERT_TRUE(WaitUntil([&] {
        return AllLogged(services, rest, "EVENT: Application executed by Halyard.", 2);
    }, kAllRunningMs)) << WhoLacks(services, rest, "EVENT: Application executed by Halyard.", 2);
    ::Sleep(kStopHoldMs); // whatever the hosts did last, the hold has passed for the ten too
    ASSERT_TRUE(services.SendStops(early, &error)) << error;
    EXPECT_TRUE(WaitUntil([&] {
        return services.CountInState(early, SERVICE_STOPPED) == 10 &&
               services.CountInState(rest, SERVICE_RUNNING) == 40;
    }, kAllStoppedMs));
    EXPECT_TRUE(WaitUntil([&] { return services.RunningChildren().size() == 40; }, kAllStoppedMs))
        << services.RunningChildren().size() << " children running instead of 40";
    EXPECT_TRUE(WaitUntil([&] {
        return ListShows(manager, early, "Stopped") && ListShows(manager, rest, "Started");
    }, kListShowsMs));

    ASSERT_TRUE(services.RequestStops(rest, &error)) << error;
    ::Sleep(kStopHoldMs);
    ASSERT_TRUE(WaitUntil([&] { return AllLogged(services, rest, kTerminated, 2); }, kAllStoppedMs));
    ASSERT_TRUE(services.SendStops(rest, &error)) << error;
    EXPECT_TRUE(WaitUntil([&] { return services.CountInState(all, SERVICE_STOPPED) == 50; },
                          kAllStoppedMs));
    std::printf("[ measured ] second round done %lu ms after its first start request\n",
                ::GetTickCount() - started);
    EXPECT_TRUE(WaitUntil([&] { return ListShows(manager, all, "Stopped"); }, kListShowsMs));

    // Every child ran and was ended; none is left.
    EXPECT_TRUE(WaitUntil([&] { return services.RunningChildren().empty(); }, kAllStoppedMs));
    for (int slot : all) {
        std::vector<DWORD> launches = services.LoggedLaunches(slot);
        EXPECT_EQ(2u, launches.size()) << "slot " << slot;
        for (DWORD pid : launches)
            EXPECT_FALSE(IsTestChildRunning(pid)) << "slot " << slot << ": " << pid;
    }
    // Each log holds its lines in order: the host's among themselves, the manager's likewise.
    for (int slot : all) {
        std::vector<std::string> messages = services.LogMessages(slot);
        EXPECT_THAT(Only(messages, true),
                    ElementsAre("EVENT: Application executed by Halyard.",
                                "EVENT: CallApplication success", kTerminated,
                                "EVENT: Application executed by Halyard.",
                                "EVENT: CallApplication success", kTerminated))
            << "slot " << slot;
        EXPECT_THAT(Only(messages, false),
                    ElementsAre("EVENT: Service created.", "EVENT: Service installed.",
                                "EVENT: Service started.", "EVENT: Service stopped.",
                                "EVENT: Service started.", "EVENT: Service stopped."))
            << "slot " << slot;
    }
    // The table holds every record as the manager last saved it. The manager's saves carry the
    // hosts' fields as its last load found them, and a save waits for the table lock while the
    // hosts publish theirs: a host's launch saved between the manager's load and its save is
    // replaced by what the slot held at that load, an earlier launch of that slot or, when the
    // load came before the slot's first publication, 0 (the host remembers its own launch, so
    // nothing depends on it). Never another slot's launch or anything else.
    TableImage onDisk;
    ASSERT_TRUE(ReadTable(services.TablePath(), onDisk));
    for (int slot : all) {
        TestRecord record = onDisk[slot];
        uint32_t appProcessId = record.Number(table_layout::kAppProcessId);
        if (appProcessId != 0) {
            EXPECT_THAT(services.LoggedLaunches(slot), Contains(appProcessId)) << "slot " << slot;
        }
        EXPECT_EQ(0u, record.Number(table_layout::kRunRequested)) << "slot " << slot;
        EXPECT_EQ(0, std::memcmp(record.Bytes(), &services.Table().records[slot],
                                 table_layout::kRecordSize))
            << "slot " << slot << " differs from what the manager saved";
    }
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((manager.DataDir() + "\\rvt*.tmp").c_str(), &found);
    EXPECT_EQ(INVALID_HANDLE_VALUE, search) << "temporary table left: " << found.cFileName;
    if (search != INVALID_HANDLE_VALUE)
        ::FindClose(search);

    std::printf("[ measured ] the manager answered %d times, at worst after %lu ms\n",
                probe.Answers(), probe.Longest());
    EXPECT_EQ(0, probe.Failures());
    EXPECT_LE(probe.Longest(), kResponseBoundMs);
}
