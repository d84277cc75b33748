#pragma once
// A view whose window is a list-view control; header clicks and the control's other
// notifications come back to the view as virtual calls.

#include "ListCtrl.h"
#include "View.h"

class CListView : public CView {
public:
    CListView() = default;

    // The helpers over the view's own window.
    CListCtrl& GetListCtrl()
    {
        list_.Attach(GetSafeHwnd());
        return list_;
    }

protected:
    // Makes the window a "SysListView32"; a derived view adds its list styles after calling it.
    bool PreCreateWindow(CREATESTRUCTA& cs) override;
    bool OnNotifyReflect(NMHDR* header, LRESULT* result) override;
    // A click on the heading of column.
    virtual void OnColumnClick(int column) { (void)column; }

private:
    CListCtrl list_;
};
