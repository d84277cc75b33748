#include "HostFixture.h"

#include "TableFile.h"

void HostTest::SetUp()
{
    dataDir = MakeScratchDir("data");
    childDir = MakeScratchDir("children");
    workDir = MakeScratchDir("work dir");
    tablePath = dataDir + "\\Properties.dat";
    // The host passes its environment on, so the children learn where to record themselves.
    ::SetEnvironmentVariableA("RAVELIN_CHILD_RECORDS", childDir.c_str());
    SetSetting("dataPath", dataDir);
}

void HostTest::TearDown()
{
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
    ASSERT_EQ(1, WriteTableFile(tablePath.c_str(), image.bytes.data(), image.bytes.size()));
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
