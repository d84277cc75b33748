#include "InstallerSession.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <cstdio>
#include <fstream>
#include <sstream>

const char kSettingsKeyName[] = "SOFTWARE\\Morvane\\Ravelin";
const char kUninstallKeyName[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ravelin";
const char kEventSourceKeyName[] =
    "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Ravelin";

namespace {

const char kIcaclsCalls[] = "C:\\icacls calls.txt";
const char kIcaclsExitCode[] = "C:\\icacls exit code.txt";
const DWORD kSetupMs = 90000;
const DWORD kUninstallMs = 60000;

std::string FolderOf(int csidl)
{
    char path[MAX_PATH] = "";
    ::SHGetFolderPathA(NULL, csidl, NULL, SHGFP_TYPE_CURRENT, path);
    return path;
}

} // namespace

std::string ProgramFilesDir()
{
    return FolderOf(CSIDL_PROGRAM_FILES);
}

std::string DefaultInstallDir()
{
    return ProgramFilesDir() + "\\Morvane\\Ravelin";
}

std::string DefaultDataDir()
{
    return FolderOf(CSIDL_COMMON_APPDATA) + "\\Morvane\\Ravelin";
}

std::string StartMenuFolder()
{
    return FolderOf(CSIDL_COMMON_PROGRAMS) + "\\Ravelin";
}

std::string ReadMachineText(const char* key, const char* value, bool* present)
{
    if (present)
        *present = false;
    HKEY opened = NULL;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return std::string();
    CRegKey owner(opened);
    char data[1024] = "";
    DWORD size = sizeof(data) - 1;
    DWORD type = 0;
    if (::RegQueryValueExA(opened, value, NULL, &type, reinterpret_cast<BYTE*>(data), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return std::string();
    if (present)
        *present = true;
    return std::string(data, strnlen(data, size));
}

bool ReadMachineNumber(const char* key, const char* value, DWORD* number)
{
    HKEY opened = NULL;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return false;
    CRegKey owner(opened);
    DWORD size = sizeof(*number);
    DWORD type = 0;
    return ::RegQueryValueExA(opened, value, NULL, &type, reinterpret_cast<BYTE*>(number),
                              &size) == ERROR_SUCCESS &&
           type == REG_DWORD;
}

bool MachineKeyExists(const char* key)
{
    HKEY opened = NULL;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(opened);
    return true;
}

ShortcutInfo ReadShortcut(const std::string& path)
{
    ShortcutInfo info;
    ::CoInitialize(NULL);
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                     reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            wchar_t widePath[MAX_PATH];
            ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, MAX_PATH);
            if (SUCCEEDED(file->Load(widePath, STGM_READ))) {
                char text[MAX_PATH] = "";
                info.loaded = SUCCEEDED(link->GetPath(text, sizeof(text), NULL, 0));
                info.target = text;
                text[0] = '\0';
                link->GetArguments(text, sizeof(text));
                info.arguments = text;
                text[0] = '\0';
                link->GetWorkingDirectory(text, sizeof(text));
                info.workDir = text;
            }
            file->Release();
        }
        link->Release();
    }
    ::CoUninitialize();
    return info;
}

std::string FileVersionText(const std::string& path)
{
    DWORD handle = 0;
    DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0)
        return std::string();
    std::vector<char> block(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!::GetFileVersionInfoA(path.c_str(), 0, size, block.data()) ||
        !::VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed)
        return std::string();
    char text[64];
    std::snprintf(text, sizeof(text), "%u.%u.%u", static_cast<unsigned>(HIWORD(fixed->dwFileVersionMS)),
                  static_cast<unsigned>(LOWORD(fixed->dwFileVersionMS)),
                  static_cast<unsigned>(HIWORD(fixed->dwFileVersionLS)));
    return text;
}

std::vector<std::string> IcaclsCalls()
{
    std::vector<std::string> calls;
    std::istringstream lines(ReadFileBytes(kIcaclsCalls));
    std::string line;
    while (std::getline(lines, line))
        if (!line.empty())
            calls.push_back(line);
    return calls;
}

CInstallerSession::CInstallerSession()
{
    DeleteSettingsKey();
    char system[MAX_PATH] = "";
    ::GetSystemDirectoryA(system, sizeof(system));
    std::string icacls = std::string(system) + "\\icacls.exe";
    // Wine's own icacls.exe is hard-linked from the run's template prefix: unlinked here first, so
    // that the copy cannot write through the link into the template.
    ::DeleteFileA(icacls.c_str());
    ::CopyFileA(BinPath("IcaclsRecorder.exe").c_str(), icacls.c_str(), FALSE);
    // Wine runs its built-in programs in preference to a file of the same name unless told not to.
    HKEY overrides = NULL;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides", 0, NULL, 0,
                          KEY_SET_VALUE, NULL, &overrides, NULL) == ERROR_SUCCESS) {
        CRegKey key(overrides);
        ::RegSetValueExA(overrides, "icacls.exe", 0, REG_SZ, reinterpret_cast<const BYTE*>("native"),
                         7);
    }
    ::DeleteFileA(kIcaclsCalls);
    ::DeleteFileA(kIcaclsExitCode);
}

CInstallerSession::~CInstallerSession()
{
    ::DeleteFileA(kIcaclsExitCode);
    if (FileExists(DefaultInstallDir() + "\\Uninstall.exe"))
        RunUninstall(DefaultInstallDir());
    std::string data = DefaultDataDir();
    ::DeleteFileA((data + "\\Properties.dat").c_str());
    for (int slot = 0; slot < 50; ++slot) {
        char name[16];
        std::snprintf(name, sizeof(name), "\\%02d.log", slot);
        ::DeleteFileA((data + name).c_str());
    }
    ::RemoveDirectoryA(data.c_str());
    DeleteSettingsKey();
    ::DeleteFileA(kIcaclsCalls);
    EndServiceChildren();
}

int CInstallerSession::RunSetup(const std::string& arguments, DWORD* elapsedMs)
{
    std::string setup = BinPath("RavelinSetup.exe");
    CTestProcess process;
    DWORD start = ::GetTickCount();
    if (!process.Start(setup, "\"" + setup + "\" " + arguments, BinDir()) ||
        !process.WaitExit(kSetupMs))
        return -1;
    if (elapsedMs)
        *elapsedMs = ::GetTickCount() - start;
    return static_cast<int>(process.ExitCode());
}

bool CInstallerSession::RunUninstall(const std::string& installDir, DWORD* elapsedMs)
{
    std::string uninstaller = installDir + "\\Uninstall.exe";
    CTestProcess process;
    DWORD start = ::GetTickCount();
    if (!process.Start(uninstaller, "\"" + uninstaller + "\" /S", installDir) ||
        !process.WaitExit(kUninstallMs))
        return false;
    bool done = WaitUntil(
        [&] {
            return !FileExists(installDir) && !MachineKeyExists(kUninstallKeyName) &&
                   !MachineKeyExists(kSettingsKeyName) && !MachineKeyExists(kEventSourceKeyName);
        },
        kUninstallMs);
    if (elapsedMs)
        *elapsedMs = ::GetTickCount() - start;
    return done;
}

void CInstallerSession::SetIcaclsExitCode(int code)
{
    WriteFileBytes(kIcaclsExitCode, std::to_string(code));
}

bool InstallRavelinService(const std::string& name, const std::string& programDir, int slot,
                           bool withParameters)
{
    CScHandle scm(::OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS));
    std::string image = "\"" + programDir + "\\Ravelin.exe\"";
    // Started on demand: a prefix that boots again does not start it by itself.
    CScHandle service(::CreateServiceA(scm.Get(), name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                       0x110, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                       image.c_str(), NULL, NULL, NULL, NULL, NULL));
    if (!service)
        return false;
    if (!withParameters)
        return true;
    std::string keyName = "SYSTEM\\CurrentControlSet\\Services\\" + name + "\\Parameters";
    HKEY created = NULL;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyName.c_str(), 0, NULL, 0, KEY_SET_VALUE, NULL,
                          &created, NULL) != ERROR_SUCCESS)
        return false;
    CRegKey key(created);
    std::string application = "\"" + programDir + "\\Halyard.exe\"";
    char slotText[8];
    std::snprintf(slotText, sizeof(slotText), "%02d", slot);
    return ::RegSetValueExA(created, "Application", 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(application.c_str()),
                            static_cast<DWORD>(application.size() + 1)) == ERROR_SUCCESS &&
           ::RegSetValueExA(created, "AppParameters", 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(slotText), 3) == ERROR_SUCCESS;
}

void WriteChildService(const std::string& dataDir, int slot, const char* displayName)
{
    TableImage image;
    FillRecord(image[slot], slot, displayName, BinPath("TestChild.exe"), BinDir(), "", 0);
    // As the manager's start leaves it: the run request set before the service starts.
    image[slot].SetRunRequested(1);
    WriteTable(dataDir + "\\Properties.dat", image);
}

std::vector<ChildRecord> LiveServiceChildren()
{
    std::vector<ChildRecord> live;
    for (const ChildRecord& child : ReadChildRecords(kServiceChildRecords))
        if (IsProcessAlive(child.pid))
            live.push_back(child);
    return live;
}

void EndServiceChildren()
{
    for (const ChildRecord& child : ReadChildRecords(kServiceChildRecords)) {
        KillProcess(child.pid);
        ::DeleteFileA(
            (std::string(kServiceChildRecords) + "\\child-" + std::to_string(child.pid) + ".txt")
                .c_str());
    }
}
