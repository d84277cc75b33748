#include "InstallationServices.h"

#include "EventLog.h"
#include "HandleT.h"
#include "ProductNames.h"
#include "RegistrySettings.h"
#include "SystemMessage.h"

#include <psapi.h>
#include <cstring>
#include <cstdio>

namespace {

const DWORD kManagerExitMs = 15000;
// The application hosts read the table every 2 s: after the run request is saved, each host has
// read it once this much later, whether or not the application it terminated could be watched.
const DWORD kHostPollMs = 2000;
const DWORD kRunRequestMinimumMs = kHostPollMs + 500;
const DWORD kRunRequestMaximumMs = 5 * kHostPollMs;
const DWORD kStopMs = 35000;
const DWORD kGoneMs = 15000;

struct ManagerSearch {
    std::vector<DWORD> processIds;
};

BOOL CALLBACK CollectManager(HWND window, LPARAM parameter)
{
    char title[256] = "";
    ::GetWindowTextA(window, title, sizeof(title));
    if (std::strcmp(title, kManagerWindowTitle) == 0) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(window, &pid);
        reinterpret_cast<ManagerSearch*>(parameter)->processIds.push_back(pid);
    }
    return TRUE;
}

// Waits for every process of the list that can still be opened to end.
bool WaitProcessesGone(const std::vector<DWORD>& processIds, DWORD timeoutMs)
{
    DWORD start = ::GetTickCount();
    bool allGone = true;
    for (DWORD pid : processIds) {
        if (pid == 0)
            continue;
        CHandle process(::OpenProcess(SYNCHRONIZE, FALSE, pid));
        if (!process)
            continue;
        DWORD spent = ::GetTickCount() - start;
        DWORD left = spent < timeoutMs ? timeoutMs - spent : 0;
        if (::WaitForSingleObject(process.Get(), left) != WAIT_OBJECT_0)
            allGone = false;
    }
    return allGone;
}

} // namespace

CInstallationServices::CInstallationServices(const std::string& installDir)
    : installDir_(installDir), scm_(kFinderScmAccess)
{
}

void CInstallationServices::ReportFailure(const char* action, const std::string& name,
                                          DWORD error)
{
    char reason[320];
    FormatSystemError(error, reason, sizeof(reason));
    std::printf("Cannot %s the service %s: %s.\n", action, name.c_str(), reason);
}

void CInstallationServices::ReportConnectFailure() const
{
    char reason[320];
    FormatSystemError(scm_.ConnectError(), reason, sizeof(reason));
    std::printf("Cannot open the Service Control Manager: %s.\n", reason);
}

bool CInstallationServices::CloseManager()
{
    ManagerSearch search;
    ::EnumWindows(CollectManager, reinterpret_cast<LPARAM>(&search));
    std::vector<DWORD> closing;
    for (DWORD pid : search.processIds) {
        CHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
        char image[MAX_PATH] = "";
        if (!process || !::GetModuleFileNameExA(process.Get(), NULL, image, sizeof(image)) ||
            !SameImage(image, installDir_, "RavelinManager.exe"))
            continue;
        HWND frame = NULL;
        // The frame of that process: the first top-level window with the manager's title.
        for (HWND window = ::FindWindowA(NULL, kManagerWindowTitle); window;
             window = ::FindWindowExA(NULL, window, NULL, kManagerWindowTitle)) {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            if (owner == pid) {
                frame = window;
                break;
            }
        }
        if (frame && ::PostMessageA(frame, WM_CLOSE, 0, 0)) {
            std::printf("Closing the manager (process %lu).\n", pid);
            closing.push_back(pid);
        }
    }
    if (!WaitProcessesGone(closing, kManagerExitMs)) {
        std::printf("The manager did not close.\n");
        return false;
    }
    return true;
}

bool CInstallationServices::LoadTable()
{
    char dataPath[kSettingBufferSize];
    if (!ReadSetting(kDataPathValue, dataPath))
        return false;
    dataPath_ = dataPath;
    tablePath_ = dataPath_ + "\\Properties.dat";
    return (table_.HasTable() || table_.Init()) && table_.Load(tablePath_.c_str());
}

bool CInstallationServices::SaveRunRequested(const std::vector<InstalledService>& services,
                                             uint32_t value)
{
    if (!LoadTable())
        return false;
    bool any = false;
    for (const InstalledService& service : services) {
        if (service.slot < 0 || IsSlotFree(table_.Record(service.slot)))
            continue;
        table_.Record(service.slot).runRequested = value;
        any = true;
    }
    return !any || table_.Save(tablePath_.c_str());
}

void CInstallationServices::Log(int slot, uint8_t type, const char* message) const
{
    if (slot < 0 || dataPath_.empty())
        return;
    char path[512];
    if (!MakeLogFilePath(path, sizeof(path), dataPath_.c_str(), slot))
        return;
    AppendLogLine(path, type, message);
}

bool CInstallationServices::StopServices(const std::vector<InstalledService>& running)
{
    if (running.empty())
        return true;
    // The stop request, saved for every service at once; then one wait for all the hosts.
    DWORD saved = ::GetTickCount();
    bool requested = SaveRunRequested(running, 0);
    if (!requested)
        std::printf("Cannot save the run request in the service table; the applications may "
                    "keep running.\n");
    std::vector<DWORD> applications;
    for (const InstalledService& service : running)
        if (requested && service.slot >= 0)
            applications.push_back(table_.Record(service.slot).appProcessId);
    if (!WaitProcessesGone(applications, kRunRequestMaximumMs))
        std::printf("An application did not end within %lu ms of the run request.\n",
                    kRunRequestMaximumMs);
    if (requested)
        CServiceControl::HoldSince(saved, kRunRequestMinimumMs);

    bool allStopped = true;
    std::vector<DWORD> hosts;
    for (const InstalledService& service : running) {
        ServiceResult result = scm_.SendStop(service.name.c_str());
        if (!result.Succeeded()) {
            DWORD state = 0;
            scm_.QueryState(service.name.c_str(), state);
            if (state == SERVICE_STOPPED)
                continue;
            ReportFailure("stop", service.name, result.error);
            Log(service.slot, kLogError, "Service stop failed.");
            allStopped = false;
            continue;
        }
        Log(service.slot, kLogEvent, "Service stopped.");
        hosts.push_back(service.processId);
    }
    for (const InstalledService& service : running) {
        if (!scm_.WaitState(service.name.c_str(), SERVICE_STOPPED, kStopMs)) {
            std::printf("The service %s did not stop.\n", service.name.c_str());
            allStopped = false;
        } else {
            std::printf("Stopped the service %s.\n", service.name.c_str());
        }
    }
    // The service host reports the stop as its last act; its file is free once it has ended.
    return WaitProcessesGone(hosts, kStopMs) && allStopped;
}

bool CInstallationServices::StopRunning(std::vector<std::string>* stopped)
{
    if (!scm_.Connected()) {
        ReportConnectFailure();
        return false;
    }
    std::vector<InstalledService> running;
    for (const InstalledService& service : scm_.Find(installDir_)) {
        if (service.state == SERVICE_STOPPED)
            continue;
        running.push_back(service);
        stopped->push_back(service.name);
    }
    return StopServices(running);
}

bool CInstallationServices::Start(const std::vector<std::string>& names)
{
    std::vector<InstalledService> services;
    for (const InstalledService& service : scm_.Find(installDir_))
        for (const std::string& name : names)
            if (_stricmp(service.name.c_str(), name.c_str()) == 0)
                services.push_back(service);
    bool allStarted = true;
    for (const InstalledService& service : services) {
        std::vector<InstalledService> one(1, service);
        auto save = [&](uint32_t value) {
            if (SaveRunRequested(one, value))
                return true;
            std::printf("Cannot save the run request of %s.\n", service.name.c_str());
            return false;
        };
        ServiceResult result = scm_.StartWithRunRequest(service.name.c_str(), save);
        if (result.Succeeded()) {
            std::printf("Started the service %s.\n", service.name.c_str());
            Log(service.slot, kLogEvent, "Service started.");
            continue;
        }
        ReportFailure("start", service.name, result.error);
        Log(service.slot, kLogError, "Service start failed.");
        allStarted = false;
    }
    return allStarted && services.size() == names.size();
}

bool CInstallationServices::RemoveAll()
{
    if (!scm_.Connected()) {
        ReportConnectFailure();
        return false;
    }
    std::vector<InstalledService> services = scm_.Find(installDir_);
    std::vector<InstalledService> running;
    for (const InstalledService& service : services)
        if (service.state != SERVICE_STOPPED)
            running.push_back(service);
    bool ok = StopServices(running);
    for (const InstalledService& service : services) {
        ServiceResult result = scm_.Remove(service.name.c_str());
        if (!result.Succeeded()) {
            ReportFailure("delete", service.name, result.error);
            Log(service.slot, kLogError, "Service uninstall failed.");
            ok = false;
            continue;
        }
        Log(service.slot, kLogEvent, "Service uninstalled.");
        if (scm_.WaitState(service.name.c_str(), 0, kGoneMs)) {
            std::printf("Removed the service %s.\n", service.name.c_str());
        } else {
            std::printf("The service %s is marked for deletion.\n", service.name.c_str());
            ok = false;
        }
    }
    return ok;
}
