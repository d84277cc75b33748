#include "ListView.h"

#include "CommonControls.h"

bool CListView::PreCreateWindow(CREATESTRUCTA& cs)
{
    EnsureCommonControls();
    cs.lpszClass = WC_LISTVIEWA;
    return CView::PreCreateWindow(cs);
}

bool CListView::OnNotifyReflect(NMHDR* header, LRESULT* result)
{
    if (header->code == LVN_COLUMNCLICK) {
        OnColumnClick(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
        *result = 0;
        return true;
    }
    return CView::OnNotifyReflect(header, result);
}
