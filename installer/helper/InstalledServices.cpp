#include "InstalledServices.h"

#include "ProductNames.h"

#include <cstdlib>
#include <cstring>

namespace {

const DWORD kPollMs = 100;
const size_t kEnumBatchBytes = 64 * 1024;

std::string TrimFolder(std::string folder)
{
    while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/'))
        folder.pop_back();
    return folder;
}

std::string ReadParameter(const std::string& service, const char* value)
{
    std::string keyName = std::string(kServicesKey) + "\\" + service + "\\Parameters";
    HKEY opened = NULL;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyName.c_str(), 0, KEY_QUERY_VALUE, &opened) !=
        ERROR_SUCCESS)
        return std::string();
    CRegKey key(opened);
    char data[64] = "";
    DWORD size = sizeof(data) - 1;
    DWORD type = 0;
    if (::RegQueryValueExA(key.Get(), value, NULL, &type, reinterpret_cast<BYTE*>(data), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return std::string();
    return std::string(data, strnlen(data, size));
}

std::string ImagePathOf(SC_HANDLE scm, const char* name)
{
    CScHandle service(::OpenServiceA(scm, name, SERVICE_QUERY_CONFIG));
    if (!service)
        return std::string();
    DWORD needed = 0;
    ::QueryServiceConfigA(service.Get(), NULL, 0, &needed);
    if (needed == 0)
        return std::string();
    std::vector<char> buffer(needed);
    QUERY_SERVICE_CONFIGA* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    if (!::QueryServiceConfigA(service.Get(), config, needed, &needed) ||
        config->lpBinaryPathName == NULL)
        return std::string();
    return config->lpBinaryPathName;
}

bool QueryStatus(SC_HANDLE scm, const std::string& name, SERVICE_STATUS_PROCESS* status)
{
    CScHandle service(::OpenServiceA(scm, name.c_str(), SERVICE_QUERY_STATUS));
    DWORD needed = 0;
    return service && ::QueryServiceStatusEx(service.Get(), SC_STATUS_PROCESS_INFO,
                                             reinterpret_cast<BYTE*>(status), sizeof(*status),
                                             &needed);
}

} // namespace

std::string ImageOfCommand(const std::string& command)
{
    size_t start = command.find_first_not_of(" \t");
    if (start == std::string::npos)
        return std::string();
    if (command[start] == '"') {
        size_t end = command.find('"', start + 1);
        return command.substr(start + 1, end == std::string::npos ? std::string::npos
                                                                  : end - start - 1);
    }
    size_t end = command.find_last_not_of(" \t");
    return command.substr(start, end - start + 1);
}

bool SameImage(const std::string& image, const std::string& installDir, const char* program)
{
    std::string expected = TrimFolder(installDir) + "\\" + program;
    return _stricmp(image.c_str(), expected.c_str()) == 0;
}

int SlotOfParameter(const std::string& text)
{
    if (text.size() != 2 || text[0] < '0' || text[0] > '9' || text[1] < '0' || text[1] > '9')
        return -1;
    int slot = (text[0] - '0') * 10 + (text[1] - '0');
    return slot < 50 ? slot : -1;
}

CInstalledServices::CInstalledServices()
    : scm_(::OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE))
{
}

std::vector<InstalledService> CInstalledServices::Find(const std::string& installDir) const
{
    std::vector<InstalledService> found;
    if (!scm_)
        return found;
    // Read in batches: a batch that does not take every service reports ERROR_MORE_DATA and
    // continues at the resume handle.
    std::vector<char> buffer(kEnumBatchBytes);
    DWORD resume = 0;
    for (;;) {
        DWORD needed = 0;
        DWORD count = 0;
        ENUM_SERVICE_STATUSA* services = reinterpret_cast<ENUM_SERVICE_STATUSA*>(buffer.data());
        BOOL all = ::EnumServicesStatusA(scm_.Get(), SERVICE_WIN32, SERVICE_STATE_ALL, services,
                                         static_cast<DWORD>(buffer.size()), &needed, &count,
                                         &resume);
        if (!all && ::GetLastError() != ERROR_MORE_DATA)
            break;
        for (DWORD i = 0; i < count; ++i) {
            const char* name = services[i].lpServiceName;
            if (!SameImage(ImageOfCommand(ImagePathOf(scm_.Get(), name)), installDir,
                           "Ravelin.exe"))
                continue;
            InstalledService service;
            service.name = name;
            service.slot = SlotOfParameter(ReadParameter(name, "AppParameters"));
            service.state = services[i].ServiceStatus.dwCurrentState;
            service.processId = ProcessId(name);
            found.push_back(service);
        }
        if (all)
            break;
        if (count == 0 && needed == 0)
            break;
        if (count == 0)
            buffer.resize(buffer.size() + needed);
    }
    return found;
}

DWORD CInstalledServices::State(const std::string& name) const
{
    SERVICE_STATUS_PROCESS status = {};
    return QueryStatus(scm_.Get(), name, &status) ? status.dwCurrentState : 0;
}

DWORD CInstalledServices::ProcessId(const std::string& name) const
{
    SERVICE_STATUS_PROCESS status = {};
    return QueryStatus(scm_.Get(), name, &status) ? status.dwProcessId : 0;
}

bool CInstalledServices::Start(const std::string& name) const
{
    CScHandle service(::OpenServiceA(scm_.Get(), name.c_str(), SERVICE_START));
    return service && ::StartServiceA(service.Get(), 0, NULL);
}

bool CInstalledServices::SendStop(const std::string& name) const
{
    CScHandle service(::OpenServiceA(scm_.Get(), name.c_str(), SERVICE_STOP));
    SERVICE_STATUS status;
    return service && ::ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);
}

bool CInstalledServices::Delete(const std::string& name) const
{
    CScHandle service(::OpenServiceA(scm_.Get(), name.c_str(), DELETE));
    return service && ::DeleteService(service.Get());
}

bool CInstalledServices::WaitState(const std::string& name, DWORD state, DWORD timeoutMs) const
{
    DWORD start = ::GetTickCount();
    for (;;) {
        if (State(name) == state)
            return true;
        if (::GetTickCount() - start >= timeoutMs)
            return false;
        ::Sleep(kPollMs);
    }
}
