#include "HostFixture.h"

#include "HandleT.h"
#include "TableFile.h"

#include <cstdint>
#include <cstdio>

namespace {

const char kChildRecordsVariable[] = "RAVELIN_CHILD_RECORDS";

} // namespace

CProcessStateGuard::CProcessStateGuard()
{
    char value[MAX_PATH];
    DWORD length = ::GetEnvironmentVariableA(kChildRecordsVariable, value, sizeof(value));
    variableSet_ = length > 0 && length < sizeof(value);
    if (variableSet_)
        variable_.assign(value, length);

    char current[MAX_PATH];
    length = ::GetCurrentDirectoryA(sizeof(current), current);
    if (length > 0 && length < sizeof(current))
        currentDir_.assign(current, length);
}

CProcessStateGuard::~CProcessStateGuard()
{
    if (!currentDir_.empty())
        ::SetCurrentDirectoryA(currentDir_.c_str());
    ::SetEnvironmentVariableA(kChildRecordsVariable, variableSet_ ? variable_.c_str() : NULL);
}

void HostTest::SetUp()
{
    dataDir = MakeScratchDir("data");
    childDir = MakeScratchDir("children");
    workDir = MakeScratchDir("work dir");
    tablePath = dataDir + "\\Properties.dat";
    // The host passes its environment on, so the children learn where to record themselves.
    ::SetEnvironmentVariableA(kChildRecordsVariable, childDir.c_str());
    SetSetting("dataPath", dataDir);
}

void HostTest::TearDown()
{
    // The host first, so that no revive launches a child after the children are gone.
    if (host.Handle() && !host.WaitExit(0)) {
        ::TerminateProcess(host.Handle(), 99);
        host.WaitExit(5000);
    }
    for (const ChildRecord& child : ReadChildRecords(childDir)) {
        KillProcess(child.pid);
        if (child.spawned)
            KillProcess(child.spawned);
    }
}

void HostTest::PutRecord(int slot, const std::string& appParams, uint32_t revive,
                         uint32_t runRequested, const std::string& appPath)
{
    TableImage image;
    FillRecord(image[slot], slot, "Test Service",
               appPath.empty() ? BinPath("TestChild.exe") : appPath, workDir, appParams, revive);
    image[slot].SetRunRequested(runRequested);
    WriteTable(tablePath, image);
}

void HostTest::EditRecord(int slot, const std::function<void(TestRecord&)>& change)
{
    // Read and replaced with the programs' own file calls, which tolerate a host's reads and
    // saves at the same moment; the record itself is changed through the test's layout.
    TableImage image;
    ASSERT_EQ(1, ReadTableFile(tablePath.c_str(), &image.bytes[0], image.bytes.size()));
    TestRecord record = image[slot];
    change(record);
    ReplaceTableBytes(image.bytes);
}

void HostTest::ReplaceTableBytes(const std::string& bytes)
{
    ASSERT_EQ(1, WriteTableFile(tablePath.c_str(), bytes.data(), bytes.size()));
}

RecordFields HostTest::RecordOnDisk(int slot)
{
    TableImage image;
    EXPECT_EQ(1, ReadTableFile(tablePath.c_str(), &image.bytes[0], image.bytes.size()));
    return image.Fields(slot);
}

void HostTest::StartHost(const std::string& argument)
{
    ASSERT_TRUE(host.Start(BinPath("Halyard.exe"), "Halyard.exe " + argument));
}

DWORD HostTest::StartHostAndAwaitLaunch()
{
    StartHost("07");
    std::vector<ChildRecord> children = WaitChildren(1);
    if (children.size() != 1) {
        ADD_FAILURE() << children.size() << " applications launched instead of one";
        return 0;
    }
    if (!WaitLogLines(2, host_times::kStartMs)) {
        ADD_FAILURE() << "the launch was not logged";
        return 0;
    }
    return children[0].pid;
}

std::vector<ChildRecord> HostTest::WaitChildren(size_t count, DWORD timeoutMs)
{
    return WaitChildRecords(childDir, count, timeoutMs);
}

ChildRecord HostTest::ChildOtherThan(const std::vector<ChildRecord>& children, DWORD pid)
{
    for (const ChildRecord& child : children)
        if (child.pid != pid)
            return child;
    return ChildRecord();
}

std::vector<LogEntry> HostTest::Log(const std::string& fileName)
{
    return ReadLogFile((dataDir + "\\" + fileName).c_str());
}

std::vector<std::string> HostTest::LogMessages(const std::string& fileName)
{
    std::vector<std::string> messages;
    for (const LogEntry& entry : Log(fileName))
        messages.push_back(std::string(entry.type) + ": " + entry.message);
    return messages;
}

bool HostTest::WaitLogLines(size_t count, DWORD timeoutMs, const std::string& fileName)
{
    return WaitUntil([&] { return Log(fileName).size() >= count; }, timeoutMs);
}

HWND HostTest::HostWindow(int slot)
{
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(RecordOnDisk(slot).hostWindow));
}

std::string Num(DWORD value)
{
    return std::to_string(static_cast<int>(value));
}

std::string FirstTableDifference(const std::string& expected, const std::string& actual)
{
    if (expected.size() != actual.size())
        return "size " + std::to_string(actual.size()) + " instead of " +
               std::to_string(expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        if (expected[i] == actual[i])
            continue;
        char where[96];
        std::snprintf(where, sizeof(where), "record %u, offset %u: 0x%02X instead of 0x%02X",
                      static_cast<unsigned>(i / table_layout::kRecordSize),
                      static_cast<unsigned>(i % table_layout::kRecordSize),
                      static_cast<unsigned char>(actual[i]),
                      static_cast<unsigned char>(expected[i]));
        return where;
    }
    return std::string();
}
