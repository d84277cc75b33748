#include "ServiceFixture.h"

#include <cstdio>
#include <cstring>

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

DWORD MsSince(DWORD start)
{
    return ::GetTickCount() - start;
}

void ServiceTest::SetUp()
{
    scm.Reset(::OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS));
    ASSERT_TRUE(scm);
    ::CreateDirectoryA(kServiceChildRecords, NULL);
    for (const ChildRecord& child : ReadChildRecords(kServiceChildRecords)) {
        KillProcess(child.pid);
        ::DeleteFileA((std::string(kServiceChildRecords) + "\\child-" +
                       std::to_string(child.pid) + ".txt").c_str());
    }
}

// Children first: a service whose program ignores the close request would otherwise hold its
// stop for the whole bound.
void ServiceTest::TearDown()
{
    for (const ChildRecord& child : ReadChildRecords(kServiceChildRecords)) {
        KillProcess(child.pid);
        if (child.spawned)
            KillProcess(child.spawned);
    }
    for (const std::string& name : services) {
        Stop(name);
        EXPECT_TRUE(WaitState(name, SERVICE_STOPPED, 15000)) << name;
        CScHandle service(::OpenServiceA(scm.Get(), name.c_str(), DELETE));
        ::DeleteService(service.Get());
    }
}

std::string ServiceTest::CreateHostedService(const char* application, const char* appParameters)
{
    static int counter = 0;
    std::string name = "RavelinTest-" + std::to_string(++counter);
    CScHandle service(::CreateServiceA(scm.Get(), name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                       0x110, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                       Quoted(BinPath("Ravelin.exe")).c_str(), NULL, NULL, NULL,
                                       NULL, NULL));
    EXPECT_TRUE(service) << ::GetLastError();
    services.push_back(name);
    if (!application && !appParameters)
        return name;

    HKEY key = NULL;
    std::string path = "SYSTEM\\CurrentControlSet\\Services\\" + name + "\\Parameters";
    EXPECT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, NULL, 0,
                                               KEY_ALL_ACCESS, NULL, &key, NULL));
    CRegKey parameters(key);
    auto set = [&](const char* value, const char* text) {
        if (text)
            ::RegSetValueExA(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                             static_cast<DWORD>(std::strlen(text) + 1));
    };
    set("Application", application);
    set("AppParameters", appParameters);
    return name;
}

SERVICE_STATUS_PROCESS ServiceTest::Status(const std::string& name)
{
    SERVICE_STATUS_PROCESS status = {};
    CScHandle service(::OpenServiceA(scm.Get(), name.c_str(), SERVICE_QUERY_STATUS));
    DWORD needed = 0;
    if (!::QueryServiceStatusEx(service.Get(), SC_STATUS_PROCESS_INFO,
                                reinterpret_cast<BYTE*>(&status), sizeof(status), &needed))
        status.dwCurrentState = 0;
    return status;
}

bool ServiceTest::WaitState(const std::string& name, DWORD state, DWORD timeoutMs)
{
    return WaitUntil([&] { return Status(name).dwCurrentState == state; }, timeoutMs);
}

std::set<DWORD> ServiceTest::StatesUntilStopped(const std::string& name, DWORD timeoutMs)
{
    std::set<DWORD> seen;
    DWORD start = ::GetTickCount();
    DWORD state = 0;
    do {
        state = Status(name).dwCurrentState;
        seen.insert(state);
        if (state != SERVICE_STOPPED)
            ::Sleep(1);
    } while (state != SERVICE_STOPPED && MsSince(start) < timeoutMs);
    return seen;
}

bool ServiceTest::Start(const std::string& name)
{
    CScHandle service(::OpenServiceA(scm.Get(), name.c_str(), SERVICE_START));
    if (service && ::StartServiceA(service.Get(), 0, NULL))
        return true;
    std::printf("[ start ] %s refused: %lu\n", name.c_str(), ::GetLastError());
    return false;
}

void ServiceTest::StartFailingService(const std::string& name)
{
    if (!Start(name))
        std::printf("[ note ] the SCM refused the start of %s, whose host ends it at once\n",
                    name.c_str());
}

bool ServiceTest::Stop(const std::string& name)
{
    CScHandle service(::OpenServiceA(scm.Get(), name.c_str(), SERVICE_STOP));
    SERVICE_STATUS status;
    return service && ::ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);
}

std::vector<ChildRecord> ServiceTest::WaitChildren(size_t count, DWORD timeoutMs)
{
    return WaitChildRecords(kServiceChildRecords, count, timeoutMs);
}
