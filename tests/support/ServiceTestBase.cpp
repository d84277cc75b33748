#include "ServiceTestBase.h"

#include "TableBytes.h"
#include "TestSupport.h"

#include <gmock/gmock.h>
#include <cstdio>
#include <cstring>

// The suite's objects. missedBoxes answers any box that nobody else answered within 3 s, so that
// a missed box fails its test instead of holding the suite until its timeout; it is made first,
// so that start-up boxes count too.
CDialogWatcher missedBoxes(3000);
CUtil util;
CServiceAction serviceAction;

std::vector<std::string> LogOf(int slot)
{
    char path[256];
    std::snprintf(path, sizeof(path), "%s\\%02d.log", util.dataPath, slot);
    std::vector<std::string> messages;
    for (const LogEntry& entry : ReadLogFile(path))
        messages.push_back(std::string(entry.type) + ": " + entry.message);
    return messages;
}

RecordFields OnDisk(int slot)
{
    TableImage image;
    EXPECT_TRUE(ReadTable(util.propertiesPath, image));
    return image.Fields(slot);
}

DWORD CurrentState(const char* serviceName)
{
    CScHandle scm(::OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT));
    CScHandle service(::OpenServiceA(scm.Get(), serviceName, SERVICE_QUERY_STATUS));
    SERVICE_STATUS status = {};
    if (!service || !::QueryServiceStatus(service.Get(), &status))
        return 0;
    return status.dwCurrentState;
}

DWORD ServiceProcessId(const char* serviceName)
{
    CScHandle scm(::OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT));
    CScHandle service(::OpenServiceA(scm.Get(), serviceName, SERVICE_QUERY_STATUS));
    SERVICE_STATUS_PROCESS status = {};
    DWORD needed = 0;
    if (!service || !::QueryServiceStatusEx(service.Get(), SC_STATUS_PROCESS_INFO,
                                            reinterpret_cast<BYTE*>(&status), sizeof(status),
                                            &needed))
        return 0;
    return status.dwProcessId;
}

bool ServiceExists(const char* serviceName)
{
    CScHandle scm(::OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT));
    CScHandle service(::OpenServiceA(scm.Get(), serviceName, SERVICE_QUERY_STATUS));
    return service.IsValid();
}

uint64_t LastWriteMs(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return ((static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
            data.ftLastWriteTime.dwLowDateTime) / 10000;
}

void DisableService(const char* name)
{
    CScHandle scm(::OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT));
    CScHandle service(::OpenServiceA(scm.Get(), name, SERVICE_CHANGE_CONFIG));
    ASSERT_TRUE(::ChangeServiceConfigA(service.Get(), SERVICE_NO_CHANGE, SERVICE_DISABLED,
                                       SERVICE_NO_CHANGE, NULL, NULL, NULL, NULL, NULL, NULL,
                                       NULL));
}

CHeldFile::CHeldFile(const std::string& path)
{
    static int counter = 0;
    std::string tag = std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++counter);
    std::string readyName = "RavelinHolderReady-" + tag;
    std::string releaseName = "RavelinHolderRelease-" + tag;
    ready_.Reset(::CreateEventA(NULL, TRUE, FALSE, readyName.c_str()));
    release_.Reset(::CreateEventA(NULL, TRUE, FALSE, releaseName.c_str()));
    held_ = ready_ && release_ &&
            holder_.Start(BinPath("TableHolder.exe"),
                          "TableHolder.exe \"" + path + "\" " + readyName + " " + releaseName) &&
            ::WaitForSingleObject(ready_.Get(), 20000) == WAIT_OBJECT_0;
}

bool CHeldFile::Release()
{
    if (release_)
        ::SetEvent(release_.Get());
    return holder_.WaitExit(20000) && holder_.ExitCode() == 0;
}

void CServiceTestBase::SetUp()
{
    std::memcpy(savedInstallPath, util.installPath, sizeof(savedInstallPath));
    ASSERT_EQ(1, table.InitProperties());
    std::snprintf(util.installPath, sizeof(util.installPath), "%s", BinDir().c_str());
    workDir = MakeScratchDir("work dir");
    ::DeleteFileA(util.propertiesPath);
}

namespace {

// Ends every test child that has recorded itself and forgets its record.
void EndServiceChildren()
{
    for (const ChildRecord& child : ReadChildRecords(kServiceChildRecords)) {
        KillProcess(child.pid);
        if (child.spawned)
            KillProcess(child.spawned);
        ::DeleteFileA((std::string(kServiceChildRecords) + "\\child-" +
                       std::to_string(child.pid) + ".txt")
                          .c_str());
    }
}

} // namespace

void CServiceTestBase::TearDown()
{
    // Children first: a program that ignores the close request would hold its stop.
    EndServiceChildren();
    CScHandle scm(::OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS));
    for (const std::string& name : services) {
        CScHandle service(::OpenServiceA(scm.Get(), name.c_str(), SERVICE_ALL_ACCESS));
        if (!service)
            continue;
        SERVICE_STATUS status;
        ::ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);
        EXPECT_TRUE(WaitUntil([&] { return CurrentState(name.c_str()) == SERVICE_STOPPED; },
                              40000))
            << name;
        ::DeleteService(service.Get());
    }
    // And again once every service has stopped: a host still starting when the test ended
    // may have launched its application since, and an application outlives its host's stop.
    EndServiceChildren();
    for (int slot = 0; slot < table_layout::kSlots; ++slot)
        util.DeleteLog(slot);
    std::memcpy(util.installPath, savedInstallPath, sizeof(savedInstallPath));
    EXPECT_THAT(TextsOf(missedBoxes.TakeMessageBoxes()), ::testing::IsEmpty())
        << "a message box nobody expected";
}

void CServiceTestBase::Put(int slot, const char* name, const std::string& params,
                           const std::string& appPath)
{
    FillRecord(TestRecord(reinterpret_cast<char*>(&table.Record(slot))), slot, name, appPath,
               workDir, params, 0);
    ASSERT_EQ(1, table.SaveProperties());
    Track(name);
}

void CServiceTestBase::Track(const char* displayName)
{
    char serviceName[81];
    CUtil::MakeServiceName(displayName, serviceName, sizeof(serviceName));
    services.push_back(serviceName);
}

uint32_t CServiceTestBase::RunRequestedOnDisk(int slot)
{
    TableImage image;
    EXPECT_TRUE(ReadTable(util.propertiesPath, image));
    return image.Fields(slot).runRequested;
}

std::string CServiceTestBase::DefaultApp()
{
    return BinPath("TestChild.exe");
}
