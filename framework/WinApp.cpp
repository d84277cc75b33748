#include "WinApp.h"

#include "AppMessageBox.h"
#include "BoundedText.h"
#include "CommandText.h"
#include "DocTemplate.h"
#include "FrameWnd.h"
#include "FrameworkIds.h"
#include "HandleT.h"

#include <cstring>

namespace {

CWinApp* theApp = nullptr;

} // namespace

CWinApp* TheApp()
{
    return theApp;
}

CWinApp::CWinApp()
{
    theApp = this;
    GetProgramName(appName_, sizeof(appName_));
    registryKey_[0] = '\0';
}

CWinApp::~CWinApp()
{
    templates_.clear();
    if (theApp == this)
        theApp = nullptr;
}

bool CWinApp::InitInstance()
{
    return true;
}

bool CWinApp::IsIdleMessage(const MSG& message)
{
    // Painting and the caret's blink timer change no command state.
    return message.message != WM_PAINT && message.message != 0x0118;
}

int CWinApp::Run()
{
    bool idle = true;
    long idleCount = 0;
    MSG message;
    for (;;) {
        while (idle && !::PeekMessageA(&message, NULL, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++))
                idle = false;
        }
        do {
            BOOL got = ::GetMessageA(&message, NULL, 0, 0);
            if (got == 0) {
                exitCode_ = static_cast<int>(message.wParam);
                return ExitInstance();
            }
            if (got == -1)
                continue;
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
            if (IsIdleMessage(message)) {
                idle = true;
                idleCount = 0;
            }
        } while (::PeekMessageA(&message, NULL, 0, 0, PM_NOREMOVE));
    }
}

bool CWinApp::OnIdle(long count)
{
    if (count == 0) {
        CFrameWnd* frame = dynamic_cast<CFrameWnd*>(mainWnd_);
        if (frame != nullptr && ::IsWindow(frame->GetSafeHwnd()))
            frame->OnIdleUpdate();
    }
    return false;
}

int CWinApp::ExitInstance()
{
    return exitCode_;
}

void CWinApp::SetRegistryKey(const char* company)
{
    CopyText(registryKey_, company);
}

void CWinApp::LoadStdProfileSettings(unsigned)
{
}

bool CWinApp::OpenSectionKey(const char* section, bool create, HKEY* key) const
{
    *key = NULL;
    if (registryKey_[0] == '\0')
        return false;
    char path[1024];
    if (!FormatText(path, sizeof(path), "Software\\%s\\%s\\%s", registryKey_, appName_, section))
        return false;
    if (create)
        return ::RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, NULL, 0, KEY_READ | KEY_WRITE, NULL,
                                 key, NULL) == ERROR_SUCCESS;
    return ::RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, key) == ERROR_SUCCESS;
}

UINT CWinApp::GetProfileInt(const char* section, const char* entry, UINT defaultValue) const
{
    HKEY opened;
    if (!OpenSectionKey(section, false, &opened))
        return defaultValue;
    CRegKey key(opened);
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof(value);
    if (::RegQueryValueExA(key.Get(), entry, NULL, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(value))
        return defaultValue;
    return value;
}

bool CWinApp::WriteProfileInt(const char* section, const char* entry, UINT value) const
{
    HKEY opened;
    if (!OpenSectionKey(section, true, &opened))
        return false;
    CRegKey key(opened);
    DWORD data = value;
    return ::RegSetValueExA(key.Get(), entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                            sizeof(data)) == ERROR_SUCCESS;
}

std::string CWinApp::GetProfileString(const char* section, const char* entry,
                                      const char* defaultValue) const
{
    std::string fallback = defaultValue != nullptr ? defaultValue : "";
    HKEY opened;
    if (!OpenSectionKey(section, false, &opened))
        return fallback;
    CRegKey key(opened);
    char value[1024];
    DWORD type = 0;
    DWORD size = sizeof(value) - 1;
    if (::RegQueryValueExA(key.Get(), entry, NULL, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return fallback;
    value[size < sizeof(value) ? size : sizeof(value) - 1] = '\0';
    return value;
}

bool CWinApp::WriteProfileString(const char* section, const char* entry, const char* value) const
{
    HKEY opened;
    if (!OpenSectionKey(section, true, &opened))
        return false;
    CRegKey key(opened);
    if (value == nullptr) // no text: the entry goes
        return ::RegDeleteValueA(key.Get(), entry) == ERROR_SUCCESS;
    size_t length = std::strlen(value);
    return ::RegSetValueExA(key.Get(), entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                            static_cast<DWORD>(length + 1)) == ERROR_SUCCESS;
}

void CWinApp::AddDocTemplate(CSingleDocTemplate* docTemplate)
{
    templates_.emplace_back(docTemplate);
}

bool CWinApp::ProcessShellCommand()
{
    return OnFileNew();
}

bool CWinApp::OnFileNew()
{
    if (!templates_.empty() && templates_.front()->OpenNewDocument())
        return true;
    AppMessageBox("Failed to create empty document.");
    return false;
}

void CWinApp::CloseAllDocuments()
{
    for (auto& docTemplate : templates_)
        docTemplate->CloseAllDocuments();
}

bool CWinApp::HandleCommand(UINT id)
{
    switch (id) {
    case ID_APP_EXIT: OnAppExit(); return true;
    default: break;
    }
    return CCmdTarget::HandleCommand(id);
}

bool CWinApp::PutOffClose()
{
    if (commandDepth_ == 0)
        return false;
    closePending_ = true;
    return true;
}

void CWinApp::LeaveCommand()
{
    if (--commandDepth_ > 0)
        return;
    std::vector<UINT> commands;
    commands.swap(putOffCommands_);
    bool close = closePending_;
    closePending_ = false;
    if (mainWnd_ == nullptr || !::IsWindow(mainWnd_->GetSafeHwnd()))
        return;
    // Posted, so that they run from the message loop once the command's handler has returned,
    // never from inside it. A close that is asked for wins over commands that wait.
    if (close) {
        mainWnd_->PostMessage(WM_CLOSE);
        return;
    }
    for (UINT id : commands)
        mainWnd_->PostMessage(WM_COMMAND, id);
}

void CWinApp::OnAppExit()
{
    if (mainWnd_ != nullptr)
        mainWnd_->SendMessage(WM_CLOSE);
}

int RunApplication(int cmdShow)
{
    CWinApp* app = TheApp();
    if (app == nullptr)
        return 1;
    app->SetCmdShow(cmdShow);
    if (!app->InitInstance()) {
        if (app->GetMainWnd() != nullptr)
            app->GetMainWnd()->DestroyWindow();
        app->ExitInstance();
        return 0;
    }
    if (app->GetMainWnd() == nullptr) {
        app->ExitInstance();
        return 0;
    }
    return app->Run();
}
