#include "RemoteList.h"

#include "RemoteBuffer.h"
#include "TestSupport.h"

#include <commctrl.h>

namespace {

const size_t kTextBuffer = 1024;

} // namespace

LRESULT SendWithin5s(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, 5000, &result))
        return 0;
    return static_cast<LRESULT>(result);
}

int ListRowCount(HWND list)
{
    return static_cast<int>(SendWithin5s(list, LVM_GETITEMCOUNT));
}

std::string ListCell(HANDLE process, HWND list, int row, int column)
{
    CRemoteBuffer buffer(process, sizeof(LVITEMA) + kTextBuffer);
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = static_cast<char*>(buffer.Address(sizeof(LVITEMA)));
    item.cchTextMax = kTextBuffer;
    const char empty = '\0';
    if (!buffer.Write(&item, sizeof(item)) || !buffer.Write(&empty, 1, sizeof(LVITEMA)))
        return "<no buffer>";
    SendWithin5s(list, LVM_GETITEMTEXTA, row, buffer.AsParam());
    return buffer.ReadText(sizeof(LVITEMA));
}

std::string ListColumnHeading(HANDLE process, HWND list, int column)
{
    CRemoteBuffer buffer(process, sizeof(LVCOLUMNA) + kTextBuffer);
    LVCOLUMNA info = {};
    info.mask = LVCF_TEXT;
    info.pszText = static_cast<char*>(buffer.Address(sizeof(LVCOLUMNA)));
    info.cchTextMax = kTextBuffer;
    const char empty = '\0';
    if (!buffer.Write(&info, sizeof(info)) || !buffer.Write(&empty, 1, sizeof(LVCOLUMNA)))
        return "<no buffer>";
    if (!SendWithin5s(list, LVM_GETCOLUMNA, column, buffer.AsParam()))
        return "<no column>";
    return buffer.ReadText(sizeof(LVCOLUMNA));
}

int ListColumnWidth(HWND list, int column)
{
    return static_cast<int>(SendWithin5s(list, LVM_GETCOLUMNWIDTH, column));
}

bool ListClickHeader(HANDLE process, HWND list, int column)
{
    HWND header = reinterpret_cast<HWND>(SendWithin5s(list, LVM_GETHEADER));
    CRemoteBuffer buffer(process, sizeof(RECT));
    RECT rect = {};
    if (header == NULL || !buffer.Write(&rect, sizeof(rect)) ||
        !SendWithin5s(header, HDM_GETITEMRECT, column, buffer.AsParam()) ||
        !buffer.Read(&rect, sizeof(rect)))
        return false;
    LPARAM centre = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    // Posted like the mouse's own messages: the header captures the mouse on the press and
    // reports an item click on the release over the same item.
    ::PostMessageA(header, WM_MOUSEMOVE, 0, centre);
    ::PostMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, centre);
    ::PostMessageA(header, WM_LBUTTONUP, 0, centre);
    return ListFlush(list);
}

bool ListFlush(HWND list)
{
    int width = ListColumnWidth(list, 2);
    ::PostMessageA(list, LVM_SETCOLUMNWIDTH, 2, MAKELPARAM(width + 7, 0));
    bool done = WaitUntil([&] { return ListColumnWidth(list, 2) == width + 7; }, 10000);
    SendWithin5s(list, LVM_SETCOLUMNWIDTH, 2, MAKELPARAM(width, 0));
    return done;
}
