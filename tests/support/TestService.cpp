#include "TestService.h"

#include "TestSupport.h"

#include <cstdio>

namespace {

bool SetText(HKEY key, const char* name, const std::string& text)
{
    return ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

} // namespace

CTestService::CTestService(const std::string& name, const std::string& displayName, int slot)
    : name_(name), displayName_(displayName), slot_(slot)
{
}

CTestService::~CTestService()
{
    if (!installed_)
        return;
    Remove();
    // Applications that outlived their host.
    for (const ChildRecord& child : ReadChildRecords(kServiceChildRecords)) {
        KillProcess(child.pid);
        ::DeleteFileA((std::string(kServiceChildRecords) + "\\child-" + std::to_string(child.pid) +
                       ".txt")
                          .c_str());
    }
}

bool CTestService::Remove()
{
    {
        CScHandle scm(::OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS));
        CScHandle service(::OpenServiceA(scm.Get(), name_.c_str(), SERVICE_ALL_ACCESS));
        if (service) {
            SERVICE_STATUS status;
            if (State() != SERVICE_STOPPED)
                ::ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);
            WaitState(SERVICE_STOPPED, 30000);
            ::DeleteService(service.Get());
        }
    }
    // A deleted service disappears once the last handle to it is closed.
    return WaitState(0, 15000);
}

bool CTestService::Install()
{
    CScHandle scm(::OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS));
    std::string binary = "\"" + BinPath("Ravelin.exe") + "\"";
    // Started on demand only: a prefix that boots again does not start it by itself.
    CScHandle service(::CreateServiceA(scm.Get(), name_.c_str(), displayName_.c_str(),
                                       SERVICE_ALL_ACCESS, 0x110, SERVICE_DEMAND_START,
                                       SERVICE_ERROR_NORMAL, binary.c_str(), NULL, NULL, NULL,
                                       NULL, NULL));
    if (!service) {
        error_ = "CreateService failed: " + std::to_string(::GetLastError());
        return false;
    }
    installed_ = true;
    std::string key = "SYSTEM\\CurrentControlSet\\Services\\" + name_ + "\\Parameters";
    HKEY created = NULL;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, NULL, 0, KEY_SET_VALUE, NULL,
                          &created, NULL) != ERROR_SUCCESS) {
        error_ = "cannot create " + key;
        return false;
    }
    CRegKey parameters(created);
    char slot[8];
    std::snprintf(slot, sizeof(slot), "%02d", slot_);
    if (!SetText(parameters.Get(), "Application", "\"" + BinPath("Halyard.exe") + "\"") ||
        !SetText(parameters.Get(), "AppParameters", slot)) {
        error_ = "cannot write the service's parameters";
        return false;
    }
    return true;
}

bool CTestService::Start()
{
    CScHandle scm(::OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT));
    CScHandle service(::OpenServiceA(scm.Get(), name_.c_str(), SERVICE_START));
    if (!service || !::StartServiceA(service.Get(), 0, NULL)) {
        error_ = "StartService failed: " + std::to_string(::GetLastError());
        return false;
    }
    return true;
}

bool CTestService::Stop()
{
    CScHandle scm(::OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT));
    CScHandle service(::OpenServiceA(scm.Get(), name_.c_str(), SERVICE_STOP));
    SERVICE_STATUS status;
    if (!service || !::ControlService(service.Get(), SERVICE_CONTROL_STOP, &status)) {
        error_ = "ControlService(STOP) failed: " + std::to_string(::GetLastError());
        return false;
    }
    return true;
}

DWORD CTestService::State() const
{
    CScHandle scm(::OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT));
    CScHandle service(::OpenServiceA(scm.Get(), name_.c_str(), SERVICE_QUERY_STATUS));
    SERVICE_STATUS status = {};
    if (!service || !::QueryServiceStatus(service.Get(), &status))
        return 0;
    return status.dwCurrentState;
}

bool CTestService::WaitState(DWORD state, DWORD timeoutMs) const
{
    return WaitUntil([&] { return State() == state; }, timeoutMs);
}
