#include "FrameWnd.h"

#include "BoundedText.h"
#include "CommandText.h"
#include "CommonControls.h"
#include "ControlBar.h"
#include "DocTemplate.h"
#include "Document.h"
#include "ReBar.h"
#include "StatusBar.h"
#include "View.h"
#include "WinApp.h"

#include <algorithm>

namespace {

const char kFrameClass[] = "RavelinFrame";
const char kIdleText[] = "Ready";

} // namespace

bool CFrameWnd::LoadFrame(UINT resourceId, CSingleDocTemplate* docTemplate, CDocument* document)
{
    EnsureCommonControls();
    if (!RegisterWindowClass(kFrameClass, CS_DBLCLKS, COLOR_BTNFACE))
        return false;
    HINSTANCE instance = ::GetModuleHandleA(NULL);
    if (!LoadResourceText(resourceId, frameTitle_, sizeof(frameTitle_)))
        GetProgramName(frameTitle_, sizeof(frameTitle_));
    HMENU menu = ::LoadMenuA(instance, MAKEINTRESOURCEA(resourceId));

    CREATESTRUCTA cs = {};
    cs.hInstance = instance;
    cs.hMenu = menu;
    cs.cx = CW_USEDEFAULT;
    cs.cy = CW_USEDEFAULT;
    cs.x = CW_USEDEFAULT;
    cs.y = CW_USEDEFAULT;
    cs.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    cs.lpszName = frameTitle_;
    cs.lpszClass = kFrameClass;
    docTemplate_ = docTemplate;
    creatingDocument_ = document;
    bool created = PreCreateWindow(cs) &&
                   CreateEx(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, cs.x, cs.y, cs.cx,
                            cs.cy, cs.hwndParent, cs.hMenu);
    creatingDocument_ = nullptr;
    if (!created) {
        // A window that never came to be leaves its menu behind.
        if (menu != NULL && ::IsMenu(menu))
            ::DestroyMenu(menu);
        return false;
    }

    HICON icon = static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(resourceId), IMAGE_ICON,
                                                 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    HICON smallIcon = static_cast<HICON>(
        ::LoadImageA(instance, MAKEINTRESOURCEA(resourceId), IMAGE_ICON,
                     ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    if (icon != NULL)
        SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    if (smallIcon != NULL)
        SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
    autoDelete_ = true;
    return true;
}

bool CFrameWnd::PreCreateWindow(CREATESTRUCTA&)
{
    return true;
}

int CFrameWnd::OnCreate(CREATESTRUCTA* cs)
{
    if (CWnd::OnCreate(cs) == -1)
        return -1;
    return OnCreateClient() ? 0 : -1;
}

bool CFrameWnd::OnCreateClient()
{
    if (docTemplate_ == nullptr)
        return true;
    CView* view = docTemplate_->CreateView();
    if (view == nullptr)
        return false;
    if (!view->Create(this, IDW_PANE_FIRST, creatingDocument_)) {
        delete view;
        return false;
    }
    view_ = view;
    return true;
}

void CFrameWnd::InitialUpdateFrame(CDocument*)
{
    if (view_ != nullptr)
        view_->OnInitialUpdate();
    OnUpdateFrameTitle();
    RecalcLayout();
}

CDocument* CFrameWnd::GetActiveDocument() const
{
    return view_ != nullptr ? view_->GetDocument() : nullptr;
}

void CFrameWnd::OnUpdateFrameTitle()
{
    CDocument* document = GetActiveDocument();
    char title[600];
    if (document != nullptr && document->GetTitle()[0] != '\0')
        FormatText(title, sizeof(title), "%s - %s", document->GetTitle(), frameTitle_);
    else
        CopyText(title, frameTitle_);
    SetWindowText(title);
}

void CFrameWnd::OnViewDestroyed(CView* view)
{
    if (view_ == view)
        view_ = nullptr;
}

void CFrameWnd::AddControlBar(CControlBar* bar)
{
    if (std::find(bars_.begin(), bars_.end(), bar) == bars_.end())
        bars_.push_back(bar);
}

CControlBar* CFrameWnd::GetControlBar(UINT id) const
{
    for (CControlBar* bar : bars_) {
        if (::IsWindow(bar->GetSafeHwnd()) &&
            static_cast<UINT>(::GetDlgCtrlID(bar->GetSafeHwnd())) == id)
            return bar;
    }
    return nullptr;
}

CStatusBar* CFrameWnd::GetStatusBar() const
{
    return dynamic_cast<CStatusBar*>(GetControlBar(IDW_STATUS_BAR));
}

void CFrameWnd::ShowControlBar(CControlBar* bar, bool show)
{
    CReBar* rebar = bar->GetReBar();
    if (rebar != nullptr) {
        rebar->ShowBand(bar, show);
        rebar->ShowWindow(rebar->HasVisibleBand() ? SW_SHOWNA : SW_HIDE);
    } else {
        bar->ShowWindow(show ? SW_SHOWNA : SW_HIDE);
    }
    RecalcLayout();
}

void CFrameWnd::RecalcLayout()
{
    // Placing the rebar can make it report a new height, which asks for a layout again.
    if (inLayout_ || !::IsWindow(GetSafeHwnd()) || ::IsIconic(GetSafeHwnd()))
        return;
    inLayout_ = true;
    RECT remaining = GetClientRect();
    for (CControlBar* bar : bars_) {
        // A bar inside a rebar band goes where the rebar puts it.
        if (bar->GetReBar() != nullptr || !::IsWindow(bar->GetSafeHwnd()) || !bar->IsVisible())
            continue;
        bar->Layout(remaining);
    }
    if (view_ != nullptr && ::IsWindow(view_->GetSafeHwnd()))
        view_->MoveWindow(remaining);
    inLayout_ = false;
}

bool CFrameWnd::RouteUpdate(CCmdUI& ui)
{
    CDocument* document = GetActiveDocument();
    CWinApp* app = TheApp();
    return (view_ != nullptr && view_->UpdateCommand(ui)) ||
           (document != nullptr && document->UpdateCommand(ui)) || UpdateCommand(ui) ||
           (app != nullptr && app->UpdateCommand(ui));
}

bool CFrameWnd::RouteCommand(UINT id)
{
    // The state is asked once more: a command that became unavailable since its menu item or
    // button was last updated is dropped.
    CCmdUI ui(id);
    if (RouteUpdate(ui) && !ui.IsEnabled())
        return true;
    // A handler may close this frame: nothing of it is touched after one has run.
    CDocument* document = GetActiveDocument();
    CWinApp* app = TheApp();
    if (view_ != nullptr && view_->HandleCommand(id))
        return true;
    if (document != nullptr && document->HandleCommand(id))
        return true;
    if (HandleCommand(id))
        return true;
    return app != nullptr && app->HandleCommand(id);
}

bool CFrameWnd::HandleCommand(UINT id)
{
    switch (id) {
    case ID_VIEW_TOOLBAR: OnBarCheck(id); return true;
    case ID_VIEW_STATUS_BAR: OnBarCheck(id); return true;
    default: break;
    }
    return CWnd::HandleCommand(id);
}

bool CFrameWnd::UpdateCommand(CCmdUI& ui)
{
    switch (ui.GetID()) {
    case ID_VIEW_TOOLBAR: OnUpdateBarCheck(ui); return true;
    case ID_VIEW_STATUS_BAR: OnUpdateBarCheck(ui); return true;
    default: break;
    }
    return CWnd::UpdateCommand(ui);
}

void CFrameWnd::OnBarCheck(UINT id)
{
    CControlBar* bar = GetControlBar(id);
    if (bar != nullptr)
        ShowControlBar(bar, !bar->IsVisible());
}

void CFrameWnd::OnUpdateBarCheck(CCmdUI& ui)
{
    CControlBar* bar = GetControlBar(ui.GetID());
    ui.Enable(bar != nullptr);
    ui.SetCheck(bar != nullptr && bar->IsVisible() ? 1 : 0);
}

void CFrameWnd::SetMessageText(UINT id)
{
    SendMessage(WM_SETMESSAGESTRING, id);
}

void CFrameWnd::SetMessageText(const char* text)
{
    SendMessage(WM_SETMESSAGESTRING, 0, reinterpret_cast<LPARAM>(text));
}

LRESULT CFrameWnd::OnSetMessageString(WPARAM id, LPARAM text)
{
    char buffer[512] = "";
    const char* shown = buffer;
    if (id == IDS_IDLE_MESSAGE) {
        if (!LoadResourceText(IDS_IDLE_MESSAGE, buffer, sizeof(buffer)))
            shown = kIdleText;
    } else if (id != 0) {
        GetCommandPrompt(static_cast<UINT>(id), buffer, sizeof(buffer));
    } else if (text != 0) {
        shown = reinterpret_cast<const char*>(text);
    }
    CStatusBar* status = GetStatusBar();
    if (status != nullptr)
        status->SetPaneText(0, shown);
    UINT previous = lastMessageId_;
    lastMessageId_ = static_cast<UINT>(id);
    trackingId_ = static_cast<UINT>(id);
    return previous;
}

void CFrameWnd::OnIdleUpdate()
{
    for (CControlBar* bar : bars_) {
        if (::IsWindow(bar->GetSafeHwnd()) && bar->IsVisible())
            bar->OnUpdateCmdUI(this);
    }
    if (trackingId_ != lastMessageId_)
        SetMessageText(trackingId_);
}

void CFrameWnd::OnInitMenuPopup(HMENU popup)
{
    int count = ::GetMenuItemCount(popup);
    for (int i = 0; i < count; ++i) {
        UINT id = ::GetMenuItemID(popup, i);
        if (id == 0 || id == static_cast<UINT>(-1)) // separator or submenu
            continue;
        CCmdUI ui(id);
        if (!RouteUpdate(ui))
            continue;
        ::EnableMenuItem(popup, i, MF_BYPOSITION | (ui.IsEnabled() ? MF_ENABLED : MF_GRAYED));
        if (ui.HasCheck())
            ::CheckMenuItem(popup, i, MF_BYPOSITION | (ui.GetCheck() ? MF_CHECKED : MF_UNCHECKED));
    }
}

void CFrameWnd::OnMenuSelect(UINT item, UINT flags, HMENU menu)
{
    if (flags == 0xFFFF && menu == NULL)
        trackingId_ = IDS_IDLE_MESSAGE; // the menu has closed
    else if (flags & (MF_SEPARATOR | MF_POPUP | MF_SYSMENU))
        trackingId_ = 0;
    else
        trackingId_ = item;
    SetMessageText(trackingId_);
}

void CFrameWnd::OnToolTipText(NMHDR* header)
{
    // A toolbar's tool ids are its command ids.
    UINT id = static_cast<UINT>(header->idFrom);
    char tip[80];
    GetCommandTip(id, tip, sizeof(tip));
    if (header->code == TTN_GETDISPINFOA) {
        NMTTDISPINFOA* info = reinterpret_cast<NMTTDISPINFOA*>(header);
        if (info->uFlags & TTF_IDISHWND)
            return;
        CopyText(info->szText, tip);
        info->lpszText = info->szText;
    } else {
        NMTTDISPINFOW* info = reinterpret_cast<NMTTDISPINFOW*>(header);
        if (info->uFlags & TTF_IDISHWND)
            return;
        if (::MultiByteToWideChar(CP_ACP, 0, tip, -1, info->szText, ARRAYSIZE(info->szText)) == 0)
            info->szText[0] = L'\0';
        info->lpszText = info->szText;
    }
}

bool CFrameWnd::OnNotify(WPARAM wParam, NMHDR* header, LRESULT* result)
{
    switch (header->code) {
    case TTN_GETDISPINFOA:
    case TTN_GETDISPINFOW:
        OnToolTipText(header);
        *result = 0;
        return true;
    case TBN_HOTITEMCHANGE: {
        const NMTBHOTITEM* hot = reinterpret_cast<const NMTBHOTITEM*>(header);
        trackingId_ = (hot->dwFlags & HICF_LEAVING) ? IDS_IDLE_MESSAGE : hot->idNew;
        SetMessageText(trackingId_);
        *result = 0; // the hot item may change
        return true;
    }
    case RBN_HEIGHTCHANGE:
        RecalcLayout();
        *result = 0;
        return true;
    default:
        break;
    }
    return CWnd::OnNotify(wParam, header, result);
}

BOOL CFrameWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    // Menus (0), accelerators (1) and toolbar buttons (BN_CLICKED, 0) carry commands.
    if (HIWORD(wParam) <= 1 && RouteCommand(LOWORD(wParam)))
        return TRUE;
    return CWnd::OnCommand(wParam, lParam);
}

void CFrameWnd::OnSize(UINT type, int width, int height)
{
    CWnd::OnSize(type, width, height);
    if (type != SIZE_MINIMIZED)
        RecalcLayout();
}

void CFrameWnd::OnClose()
{
    CDocument* document = GetActiveDocument();
    if (document != nullptr && !document->CanCloseFrame(this))
        return;
    HWND self = GetSafeHwnd();
    CWinApp* app = TheApp();
    // Closing a document destroys this frame, and the frame deletes itself: from here on only
    // the window handle is used.
    if (app != nullptr && app->GetMainWnd() == this)
        app->CloseAllDocuments();
    else if (document != nullptr)
        document->OnCloseDocument();
    if (::IsWindow(self))
        ::DestroyWindow(self);
}

void CFrameWnd::PostNcDestroy()
{
    CWinApp* app = TheApp();
    if (app != nullptr && app->GetMainWnd() == this) {
        app->SetMainWnd(nullptr);
        ::PostQuitMessage(0);
    }
    if (autoDelete_)
        delete this;
}

LRESULT CFrameWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITMENUPOPUP:
        if (!HIWORD(lParam)) // not the system menu
            OnInitMenuPopup(reinterpret_cast<HMENU>(wParam));
        return 0;
    case WM_MENUSELECT:
        OnMenuSelect(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HMENU>(lParam));
        return 0;
    case WM_SETMESSAGESTRING:
        return OnSetMessageString(wParam, lParam);
    case WM_SETFOCUS:
        if (view_ != nullptr && ::IsWindow(view_->GetSafeHwnd())) {
            ::SetFocus(view_->GetSafeHwnd());
            return 0;
        }
        break;
    default:
        break;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}
