#include "Wnd.h"

#include <mutex>
#include <unordered_map>
#include <vector>

namespace {

// Which wrapper serves which window of this process. Every message looks its wrapper up, so the
// links live in the process rather than in window properties: reading a property is a round trip
// to the window server (tens of microseconds under Wine), which adds up when a list view notifies
// its parent of thousands of inserted rows. Made on first use and never destroyed: wrappers of
// program-wide objects may detach while the program's static objects are being destroyed.
std::mutex& WrappersLock()
{
    static std::mutex* lock = new std::mutex;
    return *lock;
}
std::unordered_map<HWND, CWnd*>& Wrappers()
{
    static std::unordered_map<HWND, CWnd*>* wrappers = new std::unordered_map<HWND, CWnd*>;
    return *wrappers;
}

// Screen coordinates are signed 16-bit halves of the message's lParam.
POINT PointOfLParam(LPARAM lParam)
{
    return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

} // namespace

CWnd::~CWnd()
{
    // A wrapper that goes before its window hands the window back to its own procedure.
    if (hooked_ && ::IsWindow(hwnd_))
        DetachFromWindow();
}

CWnd* CWnd::FromHandle(HWND hwnd)
{
    if (hwnd == NULL)
        return nullptr;
    std::lock_guard<std::mutex> lock(WrappersLock());
    auto found = Wrappers().find(hwnd);
    return found != Wrappers().end() ? found->second : nullptr;
}

void CWnd::AttachToWindow(HWND hwnd)
{
    hwnd_ = hwnd;
    hooked_ = true;
    std::lock_guard<std::mutex> lock(WrappersLock());
    Wrappers()[hwnd] = this;
}

void CWnd::DetachFromWindow()
{
    {
        std::lock_guard<std::mutex> lock(WrappersLock());
        Wrappers().erase(hwnd_);
    }
    if (previousProc_ != nullptr) {
        ::SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc_));
        previousProc_ = nullptr;
    }
    hooked_ = false;
    hwnd_ = NULL;
}

bool CWnd::CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                    int y, int width, int height, HWND parent, HMENU menuOrId)
{
    HWND hwnd = ::CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent,
                                  menuOrId, ::GetModuleHandleA(NULL), this);
    if (hwnd == NULL)
        return false;
    if (FromHandle(hwnd) != this && !Subclass(hwnd)) {
        ::DestroyWindow(hwnd);
        return false;
    }
    return true;
}

bool CWnd::DestroyWindow()
{
    return hwnd_ != NULL && ::DestroyWindow(hwnd_) != FALSE;
}

void CWnd::Attach(HWND hwnd)
{
    if (hooked_)
        DetachFromWindow();
    hwnd_ = hwnd;
}

HWND CWnd::Detach()
{
    HWND hwnd = hwnd_;
    if (hooked_)
        DetachFromWindow();
    hwnd_ = NULL;
    return hwnd;
}

bool CWnd::Subclass(HWND hwnd)
{
    if (hwnd == NULL || FromHandle(hwnd) != nullptr)
        return false;
    AttachToWindow(hwnd);
    previousProc_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StaticWndProc)));
    return true;
}

bool CWnd::RegisterWindowClass(const char* className, UINT style, int backgroundColor)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    if (::GetClassInfoExA(::GetModuleHandleA(NULL), className, &wc))
        return true;
    wc.cbSize = sizeof(wc);
    wc.style = style;
    wc.lpfnWndProc = &CWnd::StaticWndProc;
    wc.hInstance = ::GetModuleHandleA(NULL);
    wc.hCursor = ::LoadCursorA(NULL, MAKEINTRESOURCEA(32512)); // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(backgroundColor + 1));
    wc.lpszClassName = className;
    return ::RegisterClassExA(&wc) != 0;
}

LRESULT CALLBACK CWnd::StaticWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* self = FromHandle(hwnd);
    if (self == nullptr && message == WM_NCCREATE) {
        const CREATESTRUCTA* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        self = static_cast<CWnd*>(cs->lpCreateParams);
        if (self != nullptr)
            self->AttachToWindow(hwnd);
    }
    if (self == nullptr)
        return ::DefWindowProcA(hwnd, message, wParam, lParam);

    LRESULT result = 0;
    try {
        result = self->WindowProc(message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind into the system's code; the message counts as handled.
        result = 0;
    }
    if (message == WM_NCDESTROY) {
        self->DetachFromWindow();
        self->PostNcDestroy();
    }
    return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (previousProc_ != nullptr)
        return ::CallWindowProcA(previousProc_, hwnd_, message, wParam, lParam);
    return ::DefWindowProcA(hwnd_, message, wParam, lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnCreate(reinterpret_cast<CREATESTRUCTA*>(lParam)) == -1 ? -1 : 0;
    case WM_COMMAND:
        if (OnCommand(wParam, lParam))
            return 0;
        break;
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (OnNotify(wParam, reinterpret_cast<NMHDR*>(lParam), &result))
            return result;
        break;
    }
    case WM_TIMER:
        if (lParam != 0) // a timer with a callback of its own
            break;
        OnTimer(wParam);
        return 0;
    case WM_CONTEXTMENU:
        OnContextMenu(reinterpret_cast<HWND>(wParam), PointOfLParam(lParam));
        return 0;
    case WM_SIZE:
        OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_SYSCOMMAND:
        OnSysCommand(static_cast<UINT>(wParam), lParam);
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_ENDSESSION:
        OnEndSession(wParam != FALSE);
        return 0;
    default:
        break;
    }
    return DefWindowProc(message, wParam, lParam);
}

int CWnd::OnCreate(CREATESTRUCTA* cs)
{
    return static_cast<int>(DefWindowProc(WM_CREATE, 0, reinterpret_cast<LPARAM>(cs)));
}

BOOL CWnd::OnCommand(WPARAM, LPARAM)
{
    return FALSE;
}

bool CWnd::OnNotify(WPARAM, NMHDR* header, LRESULT* result)
{
    // A child that wraps itself may handle its own notification first.
    CWnd* child = header != nullptr ? FromHandle(header->hwndFrom) : nullptr;
    return child != nullptr && child != this && child->OnNotifyReflect(header, result);
}

bool CWnd::OnNotifyReflect(NMHDR*, LRESULT*)
{
    return false;
}

void CWnd::OnTimer(UINT_PTR id)
{
    DefWindowProc(WM_TIMER, id, 0);
}

void CWnd::OnContextMenu(HWND window, POINT screenPoint)
{
    DefWindowProc(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window),
                  MAKELPARAM(screenPoint.x, screenPoint.y));
}

void CWnd::OnSize(UINT type, int width, int height)
{
    DefWindowProc(WM_SIZE, type, MAKELPARAM(width, height));
}

void CWnd::OnClose()
{
    DefWindowProc(WM_CLOSE, 0, 0);
}

void CWnd::OnSysCommand(UINT command, LPARAM lParam)
{
    DefWindowProc(WM_SYSCOMMAND, command, lParam);
}

void CWnd::OnDestroy()
{
    DefWindowProc(WM_DESTROY, 0, 0);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::SendMessageA(hwnd_, message, wParam, lParam);
}

bool CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::PostMessageA(hwnd_, message, wParam, lParam) != FALSE;
}

bool CWnd::ShowWindow(int command) const
{
    return ::ShowWindow(hwnd_, command) != FALSE;
}

void CWnd::UpdateWindow() const
{
    ::UpdateWindow(hwnd_);
}

bool CWnd::IsVisible() const
{
    return hwnd_ != NULL && (::GetWindowLongA(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0;
}

void CWnd::SetWindowText(const char* text) const
{
    ::SetWindowTextA(hwnd_, text);
}

int CWnd::GetWindowText(char* buffer, int size) const
{
    return ::GetWindowTextA(hwnd_, buffer, size);
}

RECT CWnd::GetClientRect() const
{
    RECT rect = {0, 0, 0, 0};
    ::GetClientRect(hwnd_, &rect);
    return rect;
}

void CWnd::MoveWindow(const RECT& rect, bool repaint) const
{
    ::MoveWindow(hwnd_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 repaint ? TRUE : FALSE);
}

HWND CWnd::GetDlgItem(int id) const
{
    return ::GetDlgItem(hwnd_, id);
}

std::string CWnd::ControlText(int id) const
{
    HWND control = GetDlgItem(id);
    int length = control ? ::GetWindowTextLengthA(control) : 0;
    std::vector<char> text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    int copied =
        control ? ::GetWindowTextA(control, text.data(), static_cast<int>(text.size())) : 0;
    return std::string(text.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapseMs) const
{
    return ::SetTimer(hwnd_, id, elapseMs, NULL);
}

bool CWnd::KillTimer(UINT_PTR id) const
{
    return ::KillTimer(hwnd_, id) != FALSE;
}

void CWnd::CenterWindow(HWND over) const
{
    RECT area;
    if (over != NULL && ::IsWindowVisible(over) && !::IsIconic(over))
        ::GetWindowRect(over, &area);
    else
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    RECT own;
    ::GetWindowRect(hwnd_, &own);
    int width = own.right - own.left;
    int height = own.bottom - own.top;
    int x = area.left + ((area.right - area.left) - width) / 2;
    int y = area.top + ((area.bottom - area.top) - height) / 2;
    // Keep the window on the screen when the owner hangs over its edge.
    RECT screen;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &screen, 0);
    if (x + width > screen.right)
        x = screen.right - width;
    if (y + height > screen.bottom)
        y = screen.bottom - height;
    if (x < screen.left)
        x = screen.left;
    if (y < screen.top)
        y = screen.top;
    ::SetWindowPos(hwnd_, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
