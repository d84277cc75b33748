#pragma once
// A window wrapper: holds an HWND it does not own and turns the window's messages into calls
// of virtual handlers. Windows of our own classes find their wrapper from WM_NCCREATE on;
// windows of system classes (list view, dialogs) are subclassed once they exist.

#include "CmdTarget.h"

#include <windows.h>
#include <string>

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    ~CWnd() override;

    HWND GetSafeHwnd() const { return hwnd_; }
    // The wrapper that receives the window's messages, or nullptr.
    static CWnd* FromHandle(HWND hwnd);

    // Creates the window. For a class registered with StaticWndProc the wrapper is attached
    // from WM_NCCREATE on; any other class is subclassed right after creation.
    bool CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                  int y, int width, int height, HWND parent, HMENU menuOrId);
    bool DestroyWindow();

    // Wraps a window without receiving its messages (controls whose parent handles them).
    void Attach(HWND hwnd);
    HWND Detach();
    // Routes an existing window's messages through this wrapper until WM_NCDESTROY.
    bool Subclass(HWND hwnd);

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    bool PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    bool ShowWindow(int command) const;
    void UpdateWindow() const;
    bool IsVisible() const; // its own WS_VISIBLE bit, whatever its parent's state
    void SetWindowText(const char* text) const;
    int GetWindowText(char* buffer, int size) const;
    RECT GetClientRect() const;
    void MoveWindow(const RECT& rect, bool repaint = true) const;
    HWND GetDlgItem(int id) const;
    // The whole text of the child control with that id ("" when there is none).
    std::string ControlText(int id) const;
    UINT_PTR SetTimer(UINT_PTR id, UINT elapseMs) const;
    bool KillTimer(UINT_PTR id) const;
    // Centres the window over another one, or over the work area when that is NULL.
    void CenterWindow(HWND over) const;

    // The window procedure every wrapped window shares.
    static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Registers a window class of this program that uses StaticWndProc, once; true when the
    // class exists afterwards.
    static bool RegisterWindowClass(const char* className, UINT style, int backgroundColor);

protected:
    // Fans a message out to the handlers below; anything not handled gets default handling.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The handling the window would get without this wrapper.
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Handlers. Returning false from OnCommand/OnNotify asks for default handling; the void
    // handlers do default handling unless overridden.
    virtual int OnCreate(CREATESTRUCTA* cs);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual bool OnNotify(WPARAM wParam, NMHDR* header, LRESULT* result);
    // A notification this window sent to its parent, handed back to it by the parent.
    virtual bool OnNotifyReflect(NMHDR* header, LRESULT* result);
    virtual void OnTimer(UINT_PTR id);
    virtual void OnContextMenu(HWND window, POINT screenPoint);
    virtual void OnSize(UINT type, int width, int height);
    virtual void OnClose();
    virtual void OnSysCommand(UINT command, LPARAM lParam);
    virtual void OnDestroy();
    // WM_ENDSESSION: ending is true when the session does end; the process may then be ended
    // as soon as the handler returns.
    virtual void OnEndSession(bool ending) { (void)ending; }
    // After the window's last message; the object may delete itself here.
    virtual void PostNcDestroy() {}

private:
    void AttachToWindow(HWND hwnd);
    void DetachFromWindow();

    HWND hwnd_ = NULL;
    WNDPROC previousProc_ = nullptr; // set while a system class's window is subclassed
    bool hooked_ = false;            // the window's messages come to this wrapper
};
