#pragma once
// Reads the menus of another process by running the menu probe library inside it.

#include "MenuProbeShared.h"

#include <windows.h>
#include <string>
#include <vector>

struct MenuItemState {
    UINT id = 0;
    UINT state = 0;
    int level = 0;
    std::string text;

    bool IsSeparator() const { return (state & MF_SEPARATOR) != 0; }
    bool IsEnabled() const { return (state & (MF_GRAYED | MF_DISABLED)) == 0; }
    bool IsChecked() const { return (state & MF_CHECKED) != 0; }
};

class CMenuReader {
public:
    // process: a handle with the rights to create threads and use memory in it.
    explicit CMenuReader(HANDLE process);

    // Loads the probe into the process; false (with a reason in Error()) when that fails.
    bool Load();
    // The frame's menu bar, each submenu updated as if opened; empty when it cannot be read.
    std::vector<MenuItemState> ReadMenuBar(HWND frame);
    // An open popup menu (from MN_GETHMENU) as it stands.
    std::vector<MenuItemState> ReadPopup(HMENU menu);
    // Ends whatever menu the process is tracking.
    bool CloseMenus();
    const std::string& Error() const { return error_; }

private:
    std::vector<MenuItemState> Read(HWND frame, HMENU menu);
    // Runs the function at the address in the process with the argument; its exit code.
    bool RunRemote(void* function, void* argument, DWORD* exitCode);
    // Where the named module of this process lies in the target process.
    void* RemoteAddressOf(const char* module, void* localAddress);

    HANDLE process_;
    std::string error_;
    bool loaded_ = false;
};

// The item with the command id (the first one), or an item with id 0 when there is none.
MenuItemState FindMenuItem(const std::vector<MenuItemState>& items, UINT id);
