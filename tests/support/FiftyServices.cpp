#include "FiftyServices.h"

#include "ApplicationControl.h"
#include "BoundedText.h"
#include "EventLog.h"
#include "HandleT.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

namespace {

const char kServicesKey[] = "SYSTEM\\CurrentControlSet\\Services\\";
const DWORD kStopWaitMs = 60000;

bool SetText(HKEY key, const char* name, const std::string& text)
{
    return ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

std::string Slot2(int slot)
{
    char text[8];
    std::snprintf(text, sizeof(text), "%02d", slot);
    return text;
}

} // namespace

CFiftyServices::CFiftyServices(const std::string& dataDir)
    : dataDir_(dataDir), tablePath_(dataDir + "\\Properties.dat")
{
    data_.Init();
}

CFiftyServices::~CFiftyServices()
{
    CScHandle scm(::OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS));
    for (int slot : installed_) {
        CScHandle service(::OpenServiceA(scm.Get(), ServiceName(slot).c_str(), SERVICE_ALL_ACCESS));
        SERVICE_STATUS status;
        if (service && State(slot) != SERVICE_STOPPED)
            ::ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);
    }
    for (int slot : installed_) {
        WaitUntil([&] { DWORD s = State(slot); return s == SERVICE_STOPPED || s == 0; },
                  kStopWaitMs);
        CScHandle service(::OpenServiceA(scm.Get(), ServiceName(slot).c_str(), DELETE));
        if (service)
            ::DeleteService(service.Get());
    }
    for (const ChildRecord& child : ReadChildRecords(kServiceChildRecords)) {
        KillProcess(child.pid);
        ::DeleteFileA((std::string(kServiceChildRecords) + "\\child-" + std::to_string(child.pid) +
                       ".txt")
                          .c_str());
    }
}

std::string CFiftyServices::ServiceName(int slot)
{
    return "Load-Service-" + Slot2(slot);
}

std::vector<int> CFiftyServices::Slots(int first, int count)
{
    std::vector<int> slots;
    for (int slot = first; slot < first + count; ++slot)
        slots.push_back(slot);
    return slots;
}

void CFiftyServices::Log(int slot, uint8_t type, const char* message) const
{
    AppendLogLine((dataDir_ + "\\" + Slot2(slot) + ".log").c_str(), type, message);
}

bool CFiftyServices::Save(std::string* error)
{
    if (data_.Save(tablePath_.c_str()))
        return true;
    *error = "the manager's save failed";
    return false;
}

bool CFiftyServices::CreateRecords(std::string* error)
{
    for (int slot = 0; slot < kLoadServices; ++slot) {
        ServiceRecord& record = data_.Record(slot);
        std::memset(&record, 0, sizeof(record));
        std::string name = "Load Service " + Slot2(slot);
        CopyText(record.slotId, Slot2(slot).c_str());
        CopyText(record.displayName, name.c_str());
        CopyText(record.appPath, BinPath("TestChild.exe").c_str());
        CopyText(record.workDir, dataDir_.c_str());
        CopyText(record.appParams, ("load " + Slot2(slot)).c_str());
        if (!Save(error))
            return false;
        Log(slot, kLogEvent, "Service created.");
    }
    return true;
}

bool CFiftyServices::InstallAll(std::string* error)
{
    CScHandle scm(::OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS));
    std::string image = "\"" + BinPath("Ravelin.exe") + "\"";
    for (int slot = 0; slot < kLoadServices; ++slot) {
        std::string name = ServiceName(slot);
        CScHandle service(::CreateServiceA(scm.Get(), name.c_str(), data_.Record(slot).displayName,
                                           SERVICE_ALL_ACCESS, 0x110, SERVICE_AUTO_START,
                                           SERVICE_ERROR_NORMAL, image.c_str(), NULL, NULL, NULL,
                                           NULL, NULL));
        if (!service) {
            *error = "CreateService " + name + ": " + std::to_string(::GetLastError());
            return false;
        }
        installed_.push_back(slot);
        HKEY created = NULL;
        if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kServicesKey + name + "\\Parameters").c_str(),
                              0, NULL, 0, KEY_SET_VALUE, NULL, &created, NULL) != ERROR_SUCCESS) {
            *error = "cannot create the Parameters key of " + name;
            return false;
        }
        CRegKey parameters(created);
        if (!SetText(parameters.Get(), "Application", "\"" + BinPath("Halyard.exe") + "\"") ||
            !SetText(parameters.Get(), "AppParameters", data_.Record(slot).slotId)) {
            *error = "cannot write the Parameters values of " + name;
            return false;
        }
        Log(slot, kLogEvent, "Service installed.");
    }
    return true;
}

bool CFiftyServices::StartAll(const std::vector<int>& slots, std::string* error)
{
    CScHandle scm(::OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT));
    for (int slot : slots) {
        // As the manager's Start: load first, so the hosts' fields go out as they are.
        data_.Load(tablePath_.c_str());
        data_.Record(slot).runRequested = 1;
        if (!Save(error))
            return false;
        CScHandle service(::OpenServiceA(scm.Get(), ServiceName(slot).c_str(), SERVICE_START));
        if (!service || !::StartServiceA(service.Get(), 0, NULL)) {
            *error = "StartService " + ServiceName(slot) + ": " + std::to_string(::GetLastError());
            return false;
        }
        Log(slot, kLogEvent, "Service started.");
    }
    return true;
}

bool CFiftyServices::RequestStops(const std::vector<int>& slots, std::string* error)
{
    for (int slot : slots) {
        data_.Load(tablePath_.c_str());
        data_.Record(slot).runRequested = 0;
        if (!Save(error))
            return false;
    }
    return true;
}

bool CFiftyServices::SendStops(const std::vector<int>& slots, std::string* error)
{
    CScHandle scm(::OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT));
    for (int slot : slots) {
        CScHandle service(::OpenServiceA(scm.Get(), ServiceName(slot).c_str(), SERVICE_STOP));
        SERVICE_STATUS status;
        if (!service || !::ControlService(service.Get(), SERVICE_CONTROL_STOP, &status)) {
            *error = "ControlService " + ServiceName(slot) + ": " + std::to_string(::GetLastError());
            return false;
        }
        Log(slot, kLogEvent, "Service stopped.");
    }
    return true;
}

DWORD CFiftyServices::State(int slot) const
{
    CScHandle scm(::OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT));
    CScHandle service(::OpenServiceA(scm.Get(), ServiceName(slot).c_str(), SERVICE_QUERY_STATUS));
    SERVICE_STATUS status = {};
    if (!service || !::QueryServiceStatus(service.Get(), &status))
        return 0;
    return status.dwCurrentState;
}

int CFiftyServices::CountInState(const std::vector<int>& slots, DWORD state) const
{
    int count = 0;
    for (int slot : slots)
        count += State(slot) == state ? 1 : 0;
    return count;
}

bool IsTestChildRunning(DWORD pid)
{
    // Identifiers are used again: the record of an ended child may name a newer process.
    CHandle process(::OpenProcess(SYNCHRONIZE | ImageQueryAccess(), FALSE, pid));
    return process && ::WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT &&
           ProcessRunsImage(process.Get(), BinPath("TestChild.exe").c_str());
}

std::vector<DWORD> CFiftyServices::RunningChildren() const
{
    std::set<DWORD> running;
    for (const ChildRecord& child : ReadChildRecords(kServiceChildRecords))
        if (IsTestChildRunning(child.pid))
            running.insert(child.pid);
    return std::vector<DWORD>(running.begin(), running.end());
}

std::vector<std::string> CFiftyServices::LogMessages(int slot) const
{
    std::vector<std::string> messages;
    for (const LogEntry& entry : ReadLogFile((dataDir_ + "\\" + Slot2(slot) + ".log").c_str()))
        messages.push_back(std::string(entry.type) + ": " + entry.message);
    return messages;
}

std::vector<DWORD> CFiftyServices::LoggedLaunches(int slot) const
{
    const std::string success = "EVENT: CallApplication success: ";
    std::vector<DWORD> pids;
    for (const std::string& message : LogMessages(slot))
        if (message.compare(0, success.size(), success) == 0)
            pids.push_back(std::strtoul(message.c_str() + success.size(), nullptr, 10));
    return pids;
}
