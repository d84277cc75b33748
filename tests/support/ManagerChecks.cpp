#include "ManagerChecks.h"

#include "Screenshot.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <set>

namespace {

struct Expected {
    UINT id;
    bool enabled;
    const char* name;
};

std::vector<Expected> ExpectedOf(const ServiceCommands& commands)
{
    // Options, like Edit, is available for a selected service whatever its status.
    return {{command::kEdit, commands.edit, "Edit"},
            {command::kOptions, commands.edit, "Options"},
            {command::kDelete, commands.remove, "Delete"},
            {command::kInstall, commands.install, "Install"},
            {command::kUninstall, commands.uninstall, "Uninstall"},
            {command::kStart, commands.start, "Start"},
            {command::kStop, commands.stop, "Stop"},
            {command::kLog, commands.log, "Log"}};
}

bool OnToolbar(UINT id)
{
    return id != command::kDelete && id != command::kLog && id != command::kOptions;
}

} // namespace

void ExpectServiceCommands(CManagerHarness& manager, const ServiceCommands& commands,
                           const char* situation)
{
    SCOPED_TRACE(situation);
    std::vector<Expected> expected = ExpectedOf(commands);
    auto toolbarAgrees = [&] {
        for (const Expected& item : expected)
            if (OnToolbar(item.id) && manager.ButtonEnabled(item.id) != item.enabled)
                return false;
        return true;
    };
    // The toolbar follows at the manager's next idle moment.
    WaitUntil(
        [&] {
            manager.PromptIdleUpdate();
            return toolbarAgrees();
        },
        8000);
    EXPECT_TRUE(manager.ButtonEnabled(command::kNew)) << "toolbar New";
    for (const Expected& item : expected) {
        if (OnToolbar(item.id)) {
            EXPECT_EQ(item.enabled, manager.ButtonEnabled(item.id)) << "toolbar " << item.name;
        }
    }

    std::vector<MenuItemState> menu = manager.MenuBar();
    ASSERT_FALSE(menu.empty()) << "menu bar unreadable: " << manager.Menus().Error();
    EXPECT_TRUE(FindMenuItem(menu, command::kNew).IsEnabled()) << "menu New";
    EXPECT_TRUE(FindMenuItem(menu, command::kOpenDataFolder).IsEnabled())
        << "menu Open Data Folder";
    for (const Expected& item : expected) {
        MenuItemState found = FindMenuItem(menu, item.id);
        EXPECT_EQ(item.id, found.id) << "menu has no " << item.name;
        EXPECT_EQ(item.enabled, found.IsEnabled()) << "menu " << item.name;
    }
}

std::string LogFilePath(const CManagerHarness& manager, int slot)
{
    char name[16];
    std::snprintf(name, sizeof(name), "\\%02d.log", slot);
    return manager.DataDir() + name;
}

std::vector<std::string> LogFileMessages(const CManagerHarness& manager, int slot)
{
    // Each line is "yyyy/mm/dd [hh:mm:ss]*TYPE**message" and ends with CR LF.
    std::vector<std::string> messages;
    std::string bytes = ReadFileBytes(LogFilePath(manager, slot));
    size_t start = 0;
    for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
        std::string line = bytes.substr(start, end - start);
        size_t marks = line.find("**");
        messages.push_back(marks == std::string::npos ? "(no message) " + line
                                                      : line.substr(marks + 2));
    }
    return messages;
}

void TakePicture(CManagerHarness& manager, HWND window, const char* file)
{
    ASSERT_TRUE(manager.Flush());
    ::RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ASSERT_TRUE(manager.Flush());
    std::string path = ScreenshotDir() + "\\" + file;
    ::DeleteFileA(path.c_str());
    ASSERT_TRUE(SaveWindowShot(window, path)) << path;
    EXPECT_GT(ReadFileBytes(path).size(), 54u) << "an empty picture";
    std::printf("[ picture  ] %s\n", path.c_str());
}

std::vector<SeenBox> AnswerBoxesUntilExit(CTestProcess& process, DWORD timeoutMs)
{
    std::vector<SeenBox> seen;
    std::set<HWND> answered;
    WaitUntil(
        [&] {
            for (HWND box : VisibleWindowsOf(process.Id(), "#32770")) {
                HWND text = ::GetDlgItem(box, 0xFFFF);
                if (answered.count(box) || text == NULL)
                    continue;
                seen.push_back({RemoteText(box), RemoteText(text)});
                answered.insert(box);
                ::PostMessageA(box, WM_COMMAND, IDOK, 0);
            }
            return process.WaitExit(0);
        },
        timeoutMs);
    return seen;
}
