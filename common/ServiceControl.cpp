#include "ServiceControl.h"

#include "BoundedText.h"
#include "ProductNames.h"

#include <cstdlib>
#include <cstring>

namespace {

const DWORD kPollMs = 100;
const size_t kEnumBatchBytes = 64 * 1024;

LONG SetText(HKEY key, const char* name, const char* text)
{
    // The terminating NUL is part of the data.
    return ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                            static_cast<DWORD>(std::strlen(text) + 1));
}

// The Parameters key under the service's own key, with the application host and its argument.
LONG WriteParameters(const ServiceRegistration& registration)
{
    char keyPath[sizeof(kServicesKey) + 82];
    if (!FormatText(keyPath, sizeof(keyPath), "%s\\%s", kServicesKey, registration.serviceName))
        return ERROR_FILENAME_EXCED_RANGE;
    HKEY opened = NULL;
    LONG error = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_ALL_ACCESS, &opened);
    if (error != ERROR_SUCCESS)
        return error;
    CRegKey serviceKey(opened);
    HKEY created = NULL;
    error = ::RegCreateKeyA(serviceKey.Get(), "Parameters", &created);
    if (error != ERROR_SUCCESS)
        return error;
    CRegKey parameters(created);
    error = SetText(parameters.Get(), "Application", registration.application);
    if (error != ERROR_SUCCESS)
        return error;
    return SetText(parameters.Get(), "AppParameters", registration.appParameters);
}

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

} // namespace

ServiceResult ServiceResult::Failed(ServiceStep step, DWORD error)
{
    ServiceResult result;
    result.failedStep = step;
    result.error = error;
    return result;
}

CServiceControl::CServiceControl(DWORD scmAccess)
    : scm_(::OpenSCManagerA(NULL, NULL, scmAccess))
{
    if (!scm_)
        connectError_ = ::GetLastError();
}

CScHandle CServiceControl::OpenService(const char* serviceName, DWORD access,
                                       ServiceResult& result) const
{
    if (!scm_) {
        result = ServiceResult::Failed(ServiceStep::Connect, connectError_);
        return CScHandle();
    }
    CScHandle service(::OpenServiceA(scm_.Get(), serviceName, access));
    if (!service)
        result = ServiceResult::Failed(ServiceStep::Open, ::GetLastError());
    return service;
}

ServiceResult CServiceControl::Register(const ServiceRegistration& registration)
{
    if (!scm_)
        return ServiceResult::Failed(ServiceStep::Connect, connectError_);
    CScHandle service(::CreateServiceA(
        scm_.Get(), registration.serviceName, registration.displayName, SERVICE_ALL_ACCESS,
        SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS, SERVICE_AUTO_START,
        SERVICE_ERROR_NORMAL, registration.imagePath, NULL, NULL, NULL, NULL, NULL));
    if (!service)
        return ServiceResult::Failed(ServiceStep::Create, ::GetLastError());
    service.Reset();
    LONG error = WriteParameters(registration);
    if (error != ERROR_SUCCESS)
        return ServiceResult::Failed(ServiceStep::Parameters, static_cast<DWORD>(error));
    return ServiceResult();
}

ServiceResult CServiceControl::Remove(const char* serviceName)
{
    ServiceResult result;
    CScHandle service = OpenService(serviceName, DELETE, result);
    if (service && !::DeleteService(service.Get()))
        result = ServiceResult::Failed(ServiceStep::Delete, ::GetLastError());
    return result;
}

ServiceResult CServiceControl::Start(const char* serviceName)
{
    ServiceResult result;
    CScHandle service = OpenService(serviceName, SERVICE_START, result);
    if (service && !::StartServiceA(service.Get(), 0, NULL))
        result = ServiceResult::Failed(ServiceStep::Start, ::GetLastError());
    return result;
}

ServiceResult CServiceControl::SendStop(const char* serviceName)
{
    ServiceResult result;
    CScHandle service = OpenService(serviceName, SERVICE_STOP, result);
    SERVICE_STATUS status;
    if (service && !::ControlService(service.Get(), SERVICE_CONTROL_STOP, &status))
        result = ServiceResult::Failed(ServiceStep::Stop, ::GetLastError());
    return result;
}

ServiceResult CServiceControl::QueryState(const char* serviceName, DWORD& state,
                                          DWORD* processId) const
{
    state = 0;
    ServiceResult result;
    CScHandle service = OpenService(serviceName, SERVICE_QUERY_STATUS, result);
    if (!service)
        return result;
    SERVICE_STATUS_PROCESS status = {};
    DWORD needed = 0;
    if (!::QueryServiceStatusEx(service.Get(), SC_STATUS_PROCESS_INFO,
                                reinterpret_cast<BYTE*>(&status), sizeof(status), &needed))
        return ServiceResult::Failed(ServiceStep::Query, ::GetLastError());
    state = status.dwCurrentState;
    if (processId)
        *processId = status.dwProcessId;
    return result;
}

bool CServiceControl::WaitState(const char* serviceName, DWORD state,
                                DWORD timeoutMs) const
{
    DWORD start = ::GetTickCount();
    for (;;) {
        DWORD current = 0;
        QueryState(serviceName, current);
        if (current == state)
            return true;
        if (::GetTickCount() - start >= timeoutMs)
            return false;
        ::Sleep(kPollMs);
    }
}

ServiceResult CServiceControl::StartWithRunRequest(const char* serviceName,
                                                   const RunRequestSave& save, bool* saveFailed)
{
    bool saved = save(1);
    ServiceResult result = Start(serviceName);
    if (!result.Succeeded())
        saved = save(0) && saved;
    if (saveFailed)
        *saveFailed = !saved;
    return result;
}

ServiceResult CServiceControl::StopWithRunRequest(const char* serviceName,
                                                  const RunRequestSave& save,
                                                  const StopHold& hold, bool* saveFailed)
{
    bool saved = save(0);
    DWORD savedAt = ::GetTickCount();
    if (hold)
        hold(savedAt);
    else
        HoldSince(savedAt, kStopHoldMs);
    ServiceResult result = SendStop(serviceName);
    if (!result.Succeeded())
        saved = save(1) && saved;
    if (saveFailed)
        *saveFailed = !saved;
    return result;
}

void CServiceControl::HoldSince(DWORD since, DWORD holdMs)
{
    // Tick counts wrap after 49.7 days; the difference stays right across the wrap.
    DWORD spent = ::GetTickCount() - since;
    if (spent < holdMs)
        ::Sleep(holdMs - spent);
}

std::vector<InstalledService> CServiceControl::Find(const std::string& installDir) const
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
            DWORD state = 0;
            QueryState(name, state, &service.processId);
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
