#include "MenuReader.h"

#include "HandleT.h"
#include "RemoteBuffer.h"
#include "TestSupport.h"

#include <psapi.h>
#include <cstring>

namespace {
const char kProbeLibrary[] = "MenuProbe.dll";
} // namespace

CMenuReader::CMenuReader(HANDLE process) : process_(process) {}

bool CMenuReader::RunRemote(void* function, void* argument, DWORD* exitCode)
{
    CHandle thread(::CreateRemoteThread(process_, NULL, 0,
                                        reinterpret_cast<LPTHREAD_START_ROUTINE>(function),
                                        argument, 0, NULL));
    if (!thread) {
        error_ = "CreateRemoteThread failed: " + std::to_string(::GetLastError());
        return false;
    }
    if (::WaitForSingleObject(thread.Get(), 15000) != WAIT_OBJECT_0) {
        error_ = "the remote thread did not end within 15 s";
        return false;
    }
    return ::GetExitCodeThread(thread.Get(), exitCode) != 0;
}

void* CMenuReader::RemoteAddressOf(const char* module, void* localAddress)
{
    HMODULE local = ::GetModuleHandleA(module);
    if (local == NULL || localAddress == nullptr)
        return nullptr;
    HMODULE modules[512];
    DWORD needed = 0;
    if (!::EnumProcessModules(process_, modules, sizeof(modules), &needed))
        return nullptr;
    DWORD count = needed / sizeof(HMODULE);
    for (DWORD i = 0; i < count && i < ARRAYSIZE(modules); ++i) {
        char name[MAX_PATH] = "";
        if (::GetModuleBaseNameA(process_, modules[i], name, sizeof(name)) &&
            ::lstrcmpiA(name, module) == 0)
            return reinterpret_cast<char*>(modules[i]) +
                   (static_cast<char*>(localAddress) - reinterpret_cast<char*>(local));
    }
    return nullptr;
}

bool CMenuReader::Load()
{
    if (loaded_)
        return true;
    std::string path = BinPath(kProbeLibrary);
    // Loaded here too, to learn where its exports lie relative to its base.
    if (::LoadLibraryA(path.c_str()) == NULL) {
        error_ = "cannot load " + path + " here";
        return false;
    }
    void* loadLibrary = RemoteAddressOf(
        "kernel32.dll",
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "LoadLibraryA")));
    if (loadLibrary == nullptr) {
        error_ = "kernel32.dll not found in the process";
        return false;
    }
    CRemoteBuffer name(process_, path.size() + 1);
    if (!name.Write(path.c_str(), path.size() + 1)) {
        error_ = "cannot write the library's path into the process";
        return false;
    }
    DWORD result = 0;
    if (!RunRemote(loadLibrary, name.Address(), &result))
        return false;
    if (result == 0) {
        error_ = "LoadLibraryA failed in the process";
        return false;
    }
    loaded_ = true;
    return true;
}

std::vector<MenuItemState> CMenuReader::Read(HWND frame, HMENU menu)
{
    std::vector<MenuItemState> items;
    if (!Load())
        return items;
    void* readMenu = RemoteAddressOf(
        kProbeLibrary, reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA(kProbeLibrary),
                                                                "ReadMenu")));
    if (readMenu == nullptr) {
        error_ = "the probe is not in the process";
        return items;
    }
    MenuProbeRequest request;
    std::memset(&request, 0, sizeof(request));
    request.frame = frame;
    request.menu = menu;
    CRemoteBuffer buffer(process_, sizeof(request));
    DWORD result = 0;
    if (!buffer.Write(&request, sizeof(request)) || !RunRemote(readMenu, buffer.Address(), &result) ||
        !buffer.Read(&request, sizeof(request))) {
        if (error_.empty())
            error_ = "cannot exchange the request with the probe";
        return items;
    }
    if (result == 0 || request.failed) {
        error_ = "the probe could not read the menu";
        return items;
    }
    for (int i = 0; i < request.count && i < kMenuProbeMaxItems; ++i) {
        MenuItemState item;
        item.id = request.items[i].id;
        item.state = request.items[i].state;
        item.level = request.items[i].level;
        item.text.assign(request.items[i].text,
                         strnlen(request.items[i].text, sizeof(request.items[i].text)));
        items.push_back(item);
    }
    return items;
}

std::vector<MenuItemState> CMenuReader::ReadMenuBar(HWND frame)
{
    return Read(frame, NULL);
}

std::vector<MenuItemState> CMenuReader::ReadPopup(HMENU menu)
{
    return Read(NULL, menu);
}

bool CMenuReader::CloseMenus()
{
    if (!Load())
        return false;
    void* closeMenus = RemoteAddressOf(
        kProbeLibrary, reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA(kProbeLibrary),
                                                                "CloseMenus")));
    DWORD result = 0;
    return closeMenus != nullptr && RunRemote(closeMenus, nullptr, &result);
}

MenuItemState FindMenuItem(const std::vector<MenuItemState>& items, UINT id)
{
    for (const MenuItemState& item : items)
        if (item.id == id)
            return item;
    return MenuItemState();
}
