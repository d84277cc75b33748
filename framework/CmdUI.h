#pragma once
// The state a command-state update handler gives one command: enabled or not, and its check
// mark. The frame applies it to a menu item or a toolbar button, or consults it before it
// carries the command out.

#include <windows.h>

class CCmdUI {
public:
    explicit CCmdUI(UINT id) : id_(id) {}

    UINT GetID() const { return id_; }
    void Enable(bool on = true) { enabled_ = on; }
    // 0 clear, 1 checked; a handler that never calls this leaves the mark alone.
    void SetCheck(int check = 1) { check_ = check; }

    bool IsEnabled() const { return enabled_; }
    int GetCheck() const { return check_; }
    bool HasCheck() const { return check_ >= 0; }

private:
    UINT id_;
    bool enabled_ = true;
    int check_ = -1;
};
