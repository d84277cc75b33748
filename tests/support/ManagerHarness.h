#pragma once
// The real manager program run by a test: its data folder and service table, its process, its
// main window and the controls in it, read and driven from the test process by their messages.

#include "MenuReader.h"
#include "SettingsSnapshot.h"
#include "TestSupport.h"
#include "WindowList.h"

#include <windows.h>
#include <memory>
#include <string>
#include <vector>

// The main window's title, the text the single-instance rule looks for.
extern const char kManagerTitle[];

struct ListItemInfo {
    int image = -1;
    LPARAM param = -1;
    UINT state = 0;
};

class CManagerHarness {
public:
    // A new data folder, named in the settings for the manager to use.
    CManagerHarness();
    // Ends the manager when it still runs and puts the settings back.
    ~CManagerHarness();
    CManagerHarness(const CManagerHarness&) = delete;
    CManagerHarness& operator=(const CManagerHarness&) = delete;

    const std::string& DataDir() const { return dataDir_; }
    void WriteTable(const TableImage& image);

    // Another build of the manager to run instead of RavelinManager.exe.
    void SetProgram(const std::string& program) { program_ = program; }
    // Starts the program; true once its main window and its controls are found.
    bool Start(DWORD timeoutMs = 30000);
    // After Launch of Process(): true once the main window and its controls are found.
    bool Attach(DWORD timeoutMs = 30000);
    // Starts the program without waiting for anything.
    bool Launch(CTestProcess& process) const;
    CTestProcess& Process() { return process_; }
    HANDLE ProcessHandle() const { return process_.Handle(); }

    HWND Frame() const { return frame_; }
    HWND List() const { return list_; }
    HWND Header() const { return header_; }
    HWND Rebar() const { return rebar_; }
    HWND Toolbar() const { return toolbar_; }
    HWND StatusBar() const { return statusBar_; }

    // The list view.
    int RowCount() const;
    std::string Cell(int row, int column) const;
    // The texts of one column from the first row to the last.
    std::vector<std::string> Column(int column) const;
    bool Item(int row, ListItemInfo* info) const;
    // The row's bounds in the list's client area.
    RECT RowRect(int row) const;
    int ColumnCount() const;
    std::string ColumnHeading(int column) const;
    int ColumnWidth(int column) const;
    // Selects the one row (and focuses it) after clearing every selection; -1 clears only.
    bool SelectRow(int row);
    std::vector<int> SelectedRows() const;
    // A left click on the header item of the column, as the mouse makes it; returns once the
    // manager has handled it.
    bool ClickHeader(int column);
    // Waits until the cell shows the text; false at the deadline.
    bool WaitCell(int row, int column, const std::string& text, DWORD timeoutMs) const;

    // The status bar.
    std::string StatusText() const;
    int StatusParts() const;

    // The toolbar.
    std::vector<UINT> ButtonIds() const;
    bool ButtonEnabled(UINT id) const;
    // Lets the manager run its idle update of the toolbar, as any input would.
    void PromptIdleUpdate() const;

    // Menus, read inside the manager.
    CMenuReader& Menus() { return *menus_; }
    std::vector<MenuItemState> MenuBar();

    // Returns once the manager has handled everything posted to it so far.
    bool Flush() const;
    // The visible top-level windows of the manager's process with the class.
    std::vector<HWND> WindowsOfClass(const char* className) const;

private:
    bool FindControls();

    CSettingsSnapshot settings_;
    std::string program_ = "RavelinManager.exe";
    std::string dataDir_;
    CTestProcess process_;
    std::unique_ptr<CMenuReader> menus_;
    HWND frame_ = NULL;
    HWND list_ = NULL;
    HWND header_ = NULL;
    HWND rebar_ = NULL;
    HWND toolbar_ = NULL;
    HWND statusBar_ = NULL;
};

// The top-level window of the process whose title is exactly the text, or NULL.
HWND FindWindowOf(DWORD pid, const char* title);
// The text of another process's control through WM_GETTEXT.
std::string RemoteText(HWND window);
