#pragma once
// The application object: one per program. The framework's WinMain runs it: InitInstance,
// then the message loop with idle-time updates, then ExitInstance.

#include "CmdTarget.h"

#include <windows.h>
#include <memory>
#include <string>
#include <vector>

class CSingleDocTemplate;
class CWnd;

class CWinApp : public CCmdTarget {
public:
    CWinApp();
    ~CWinApp() override;

    // Builds the program's windows. Returning false, or true without a main window, ends the
    // program with exit code 0.
    virtual bool InitInstance();
    // The message loop; returns ExitInstance's result once WM_QUIT arrives.
    virtual int Run();
    // Idle-time work after the queue has emptied; count is 0 on the first call of an idle
    // period. Returning true asks for another call before the loop waits again.
    virtual bool OnIdle(long count);
    // Clean-up after the loop; its result is the program's exit code (WM_QUIT's wParam).
    virtual int ExitInstance();

    CWnd* GetMainWnd() const { return mainWnd_; }
    void SetMainWnd(CWnd* window) { mainWnd_ = window; }
    int GetCmdShow() const { return cmdShow_; }
    void SetCmdShow(int cmdShow) { cmdShow_ = cmdShow; }
    // The program's file name without extension; names its profile key and its message boxes.
    const char* GetAppName() const { return appName_; }

    // Per-user settings under HKEY_CURRENT_USER\Software\<company>\<app name>\<section>.
    void SetRegistryKey(const char* company);
    // The standard settings: nothing is kept beyond a recent-file list of the given length,
    // and the framework keeps no such list, so nothing is read.
    void LoadStdProfileSettings(unsigned recentFileCount);
    UINT GetProfileInt(const char* section, const char* entry, UINT defaultValue) const;
    bool WriteProfileInt(const char* section, const char* entry, UINT value) const;
    std::string GetProfileString(const char* section, const char* entry,
                                 const char* defaultValue) const;
    bool WriteProfileString(const char* section, const char* entry, const char* value) const;

    // The application takes ownership of its templates.
    void AddDocTemplate(CSingleDocTemplate* docTemplate);
    // Command-line processing: the program takes no file names, so it always starts with a
    // new empty document.
    bool ProcessShellCommand();
    // New empty document with its frame and view from the first template; on failure the
    // standard box "Failed to create empty document." and false.
    bool OnFileNew();
    void CloseAllDocuments();

    bool HandleCommand(UINT id) override;

    // Commands that wait in dialogs, questions or progress count themselves in with a
    // CCommandScope for as long as they run (their modal loops dispatch whatever else arrives).
    bool IsCommandRunning() const { return commandDepth_ > 0; }
    // Asked by every way of closing the main window: while a command runs, the close is
    // remembered and true returned; the close then comes as WM_CLOSE to the main window once
    // the outermost command has ended. False: close now.
    bool PutOffClose();
    // A command that arrives while another runs (only another program can send one: the main
    // window is disabled): it comes again as WM_COMMAND to the main window, in order, once the
    // outermost command has ended, unless a close is waiting by then.
    void PutOffCommand(UINT id) { putOffCommands_.push_back(id); }

protected:
    // ID_APP_EXIT: closes the main window the way its close box does.
    void OnAppExit();

private:
    friend class CCommandScope;
    void EnterCommand() { ++commandDepth_; }
    void LeaveCommand();

    bool OpenSectionKey(const char* section, bool create, HKEY* key) const;
    static bool IsIdleMessage(const MSG& message);

    CWnd* mainWnd_ = nullptr;
    int cmdShow_ = SW_SHOWNORMAL;
    int exitCode_ = 0;
    int commandDepth_ = 0;
    bool closePending_ = false;
    std::vector<UINT> putOffCommands_;
    char appName_[MAX_PATH];
    char registryKey_[256];
    std::vector<std::unique_ptr<CSingleDocTemplate>> templates_;
};

// The program's one application object, or nullptr outside its lifetime.
CWinApp* TheApp();

// Marks a command as running from construction to destruction: closing the main window waits
// until no command runs, so that nothing a command still uses is destroyed under it.
class CCommandScope {
public:
    CCommandScope() : app_(TheApp()) { if (app_ != nullptr) app_->EnterCommand(); }
    ~CCommandScope() { if (app_ != nullptr) app_->LeaveCommand(); }
    CCommandScope(const CCommandScope&) = delete;
    CCommandScope& operator=(const CCommandScope&) = delete;

private:
    CWinApp* app_;
};

// What the framework's WinMain does: runs the application object and returns the exit code.
int RunApplication(int cmdShow);
