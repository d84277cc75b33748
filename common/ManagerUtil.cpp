#include "ManagerUtil.h"

#include "BoundedText.h"
#include "BoxOwner.h"
#include "PathText.h"
#include "ProductNames.h"
#include "RegistrySettings.h"

#include <shlobj.h>
#include <shellapi.h>
#include <cstring>

char dataFolderForShell[kDataFolderCopySize];

namespace {

const char kBoxCaption[] = "Ravelin";

// The slot's record when a table exists and the slot lies within it.
const ServiceRecord* RecordOf(const ServiceTable* table, int slot)
{
    return table && slot >= 0 && slot < kSlotCount ? &table->records[slot] : nullptr;
}

} // namespace

CUtil::CUtil(IUtilFeedback* feedback)
    : ownerWindow(NULL), newMode(0), editSlot(0), progressHoldMs(0), logSlot(0),
      serviceTable(nullptr), feedback(feedback)
{
    std::memset(installPath, 0, sizeof(installPath));
    std::memset(dataPath, 0, sizeof(dataPath));
    std::memset(propertiesPath, 0, sizeof(propertiesPath));
    std::memset(progressTitle, 0, sizeof(progressTitle));

    if (IsUnsupportedPlatform()) {
        ErrorBox("Sorry, Ravelin is not compatible with Windows 95/98/ME.\n\nProgram will be "
                 "terminated.");
        ::PostQuitMessage(0);
    }
    GetInstallPath();
    if (!GetDataPath(installPath)) {
        ErrorBox("Internal error:\n\nGetDataPath - cannot find/create a data folder.");
        ::PostQuitMessage(0);
    }
    MakePropertiesPath();
}

CUtil::~CUtil() = default;

int CUtil::GetInstallPath()
{
    char value[kSettingBufferSize];
    if (ReadSetting(kInstallPathValue, value) && CopyText(installPath, value))
        return 1;
    CopyText(installPath, ".");
    return 0;
}

int CUtil::GetDataPath(const char* fallback)
{
    std::memset(dataFolderForShell, 0, sizeof(dataFolderForShell));
    char value[kSettingBufferSize];
    if (ReadSetting(kDataPathValue, value)) {
        int result = ::SHCreateDirectoryExA(NULL, value, NULL);
        if (result == ERROR_SUCCESS || result == ERROR_FILE_EXISTS ||
            result == ERROR_ALREADY_EXISTS) {
            CopyText(dataPath, value);
            CopyText(dataFolderForShell, value);
            return 1;
        }
    }
    CopyText(dataPath, fallback);
    CopyText(dataFolderForShell, fallback);
    return 0;
}

int CUtil::MakePropertiesPath()
{
    return MakePropertiesFilePath(propertiesPath, sizeof(propertiesPath), dataPath) ? 1 : 0;
}

int CUtil::CountServices() const
{
    int count = 0;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const ServiceRecord* record = RecordOf(serviceTable, slot);
        if (record && !IsSlotFree(*record))
            ++count;
    }
    return count;
}

bool CUtil::HasFreeSlot() const
{
    return CountServices() < kSlotCount;
}

int CUtil::FindFreeSlot() const
{
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const ServiceRecord* record = RecordOf(serviceTable, slot);
        if (record && IsSlotFree(*record))
            return slot;
    }
    return -1;
}

int CUtil::FindServiceByName(const char* name, int editSlot) const
{
    return FindService(name, editSlot, [](const ServiceRecord& record, const char* text) {
        return FieldEquals(record.displayName, text);
    });
}

int CUtil::FindServiceByAppPath(const char* appPath, int editSlot) const
{
    return FindService(appPath, editSlot, [](const ServiceRecord& record, const char* text) {
        return FieldEquals(record.appPath, text);
    });
}

int CUtil::FindServiceBySystemName(const char* name, int editSlot) const
{
    char wanted[512];
    MakeServiceName(name, wanted, sizeof(wanted));
    return FindService(wanted, editSlot, [](const ServiceRecord& record, const char* text) {
        if (IsSlotFree(record))
            return false;
        char systemName[kDisplayNameSize + 1];
        CopyField(systemName, sizeof(systemName), record.displayName, sizeof(record.displayName));
        MakeServiceName(systemName, systemName, sizeof(systemName));
        return SameServiceName(systemName, text);
    });
}

bool CUtil::SameServiceName(const char* first, const char* second)
{
    // The names are ANSI text in the system's code page, which is the code page of the system
    // locale: compared in that locale, so that a double-byte character is read as one (the
    // invariant locale would read its bytes as code page 1252 and fold a trail byte as a letter).
    // String sort, so that "-" weighs as any other character and not as the word sort's
    // hyphen (lstrcmpiA uses word sort, and the user's locale).
    return ::CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE | SORT_STRINGSORT, first, -1,
                            second, -1) == CSTR_EQUAL;
}

int CUtil::FindService(const char* text, int editSlot,
                       bool (*matches)(const ServiceRecord&, const char*)) const
{
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const ServiceRecord* record = RecordOf(serviceTable, slot);
        if (!record || slot == editSlot)
            continue;
        if (matches(*record, text))
            return slot;
    }
    return -1;
}

int CUtil::ShowMessage(const char* text, UINT icon) const
{
    if (feedback) {
        feedback->Message(text, icon == MB_ICONERROR);
        return IDOK;
    }
    // While a dialog is open, the box belongs to it, so that the dialog waits for the answer.
    return ::MessageBoxA(BoxOwnerFor(ownerWindow), text, kBoxCaption, MB_OK | icon);
}

int CUtil::ErrorBox(const char* text) const
{
    return ShowMessage(text, MB_ICONERROR);
}

int CUtil::InfoBox(const char* text) const
{
    return ShowMessage(text, MB_ICONINFORMATION);
}

int CUtil::ShowInstallError() const
{
    const char* text;
    switch (::GetLastError()) {
    case ERROR_ACCESS_DENIED:
        text = "The handle to the specified service control manager database does not have "
               "SC_MANAGER_CREATE_SERVICE access.";
        break;
    case ERROR_INVALID_HANDLE:
        text = "The handle to the specified service control manager database is invalid.";
        break;
    case ERROR_DUP_NAME:
        text = "The display name already exists in the service control manager database either "
               "as a service name or as another display name.";
        break;
    case ERROR_INVALID_PARAMETER:
        text = "A parameter that was specified is invalid.";
        break;
    case ERROR_INVALID_NAME:
        text = "The specified service name is invalid.";
        break;
    case ERROR_INVALID_SERVICE_ACCOUNT:
        text = "The user account name specified does not exist.";
        break;
    case ERROR_CIRCULAR_DEPENDENCY:
        text = "A circular service dependency was specified.";
        break;
    case ERROR_SERVICE_EXISTS:
        text = "The specified service already exists in this database.";
        break;
    default:
        text = "Service install failed.";
        break;
    }
    return ShowMessage(text, MB_ICONERROR);
}

void CUtil::MakeServiceName(const char* text, char* name, size_t size)
{
    if (name != text)
        CopyText(name, size, text);
    for (char* c = name; *c; ++c)
        if (*c == ' ')
            *c = '-';
}

void CUtil::GetFolderOfPath(const char* path, char* folder, size_t size)
{
    CopyText(folder, size, path);
    // By character: in a double-byte code page a trail byte may be 0x5C.
    if (const char* slash = FindLastSeparator(folder))
        folder[slash - folder] = '\0';
}

HINSTANCE CUtil::OpenWithShell(const char* target)
{
    return ::ShellExecuteA(NULL, "open", target, NULL, ".", SW_SHOWNORMAL);
}

HWND CUtil::FindWindowByTitle(const char* text)
{
    char title[1024];
    for (HWND window = ::GetWindow(::GetDesktopWindow(), GW_CHILD); window;
         window = ::GetWindow(window, GW_HWNDNEXT)) {
        title[0] = '\0';
        ::GetWindowTextA(window, title, sizeof(title));
        if (std::strstr(title, text))
            return window;
    }
    return NULL;
}

void CUtil::BringWindowToFront(HWND window)
{
    RECT rect;
    ::GetWindowRect(window, &rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    ::SetWindowPos(window, HWND_TOPMOST, rect.left, rect.top, width, height, SWP_SHOWWINDOW);
    ::SetWindowPos(window, HWND_NOTOPMOST, rect.left, rect.top, width, height, SWP_SHOWWINDOW);
    ::ShowWindow(window, SW_RESTORE);
}

int CUtil::IsUnsupportedPlatform()
{
    OSVERSIONINFOA version;
    std::memset(&version, 0, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version); // 148
    if (!::GetVersionExA(&version))
        return 1;
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT ? 0 : 1;
}

bool CUtil::MakeLogPath(uint32_t slot, char* path, size_t size) const
{
    return slot <= 99 && MakeLogFilePath(path, size, dataPath, static_cast<int>(slot));
}

void CUtil::WriteLog(uint32_t slot, uint8_t type, const char* message) const
{
    char path[256];
    if (MakeLogPath(slot, path, sizeof(path)))
        AppendLogLine(path, type, message);
}

void CUtil::MakeTimeStamp(char* buffer)
{
    ::MakeTimeStamp(buffer, kTimeStampSize);
}

void CUtil::DeleteLog(uint32_t slot) const
{
    char path[256];
    if (MakeLogPath(slot, path, sizeof(path)))
        ::DeleteFileA(path);
}
