#include "SupervisionFixture.h"

#include "RecordOptions.h"

#include <cstring>
#include <sstream>

using namespace host_times;

ServiceOptions RestartOptions(uint32_t policy, uint32_t delayMs, uint32_t maxRestarts)
{
    ServiceOptions options;
    options.restart = policy;
    options.restartDelayMs = delayMs;
    options.maxRestarts = maxRestarts;
    return options;
}

void SupervisionTest::PutSupervisedRecord(const std::string& appParams,
                                          const ServiceOptions& options, uint32_t revive)
{
    TableImage image;
    FillRecord(image[7], 7, "Test Service", BinPath("TestChild.exe"), workDir, appParams, revive);
    image[7].SetRunRequested(1);
    ASSERT_TRUE(PutServiceOptions(image[7], options));
    WriteTable(tablePath, image);
}

void SupervisionTest::PutAreaBytes(int slot, const std::string& bytes)
{
    EditRecord(slot, [&](TestRecord& record) {
        std::memcpy(record.Bytes() + table_layout::kReserved2.offset, bytes.data(), bytes.size());
    });
}

std::string SupervisionTest::ChildValue(DWORD pid, const std::string& key)
{
    std::istringstream lines(ReadFileBytes(childDir + "\\child-" + std::to_string(pid) + ".txt"));
    std::string line;
    while (std::getline(lines, line))
        if (line.rfind(key + "=", 0) == 0)
            return line.substr(key.size() + 1);
    return std::string();
}

std::vector<std::string> SupervisionTest::ChildEnvironment(DWORD pid)
{
    std::string path = childDir + "\\env-" + std::to_string(pid) + ".txt";
    WaitUntil([&] { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; },
              kStartMs);
    std::istringstream lines(ReadFileBytes(path));
    std::vector<std::string> entries;
    std::string line;
    while (std::getline(lines, line))
        entries.push_back(line);
    return entries;
}

size_t SupervisionTest::FindMessage(const std::vector<std::string>& messages,
                                    const std::string& text, size_t from)
{
    for (size_t i = from; i < messages.size(); ++i)
        if (messages[i] == text)
            return i;
    return std::string::npos;
}

bool SupervisionTest::WaitMessage(const std::string& text, DWORD timeoutMs)
{
    return WaitUntil([&] { return FindMessage(LogMessages(), text) != std::string::npos; },
                     timeoutMs);
}

void SupervisionTest::RequestStop()
{
    EditRecord(7, [](TestRecord& record) { record.SetRunRequested(0); });
    EXPECT_TRUE(WaitUntil(
        [&] {
            for (const std::string& message : LogMessages())
                if (message.find("terminated by Halyard by request of Ravelin manager.") !=
                    std::string::npos)
                    return true;
            return false;
        },
        kPollMs));
}

void SupervisionTest::StartTree(size_t count, std::vector<ChildRecord>* tree, DWORD* app)
{
    StartHost("07");
    *tree = WaitChildren(count);
    ASSERT_EQ(count, tree->size());
    // The children may record themselves before the application does: it is the one whose
    // command line is the record's parameters.
    *app = 0;
    for (const ChildRecord& child : *tree)
        if (child.commandLine == " --tree")
            *app = child.pid;
    ASSERT_NE(0u, *app);
    ASSERT_TRUE(WaitLogLines(2, kStartMs));
}
