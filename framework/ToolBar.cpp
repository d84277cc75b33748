#include "ToolBar.h"

#include "CmdUI.h"
#include "FrameWnd.h"

#include <vector>

CToolBar::~CToolBar()
{
    if (bitmap_ != NULL)
        ::DeleteObject(bitmap_);
}

bool CToolBar::CreateEx(CFrameWnd* frame, DWORD toolbarStyle, DWORD style, UINT id)
{
    // The frame places the bar: it neither aligns nor sizes itself.
    DWORD all = style | toolbarStyle | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NODIVIDER |
                CCS_NOPARENTALIGN | CCS_NORESIZE;
    if (!CreateBar(frame, TOOLBARCLASSNAMEA, all, id, BarAlign::Top))
        return false;
    SendMessage(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
    return true;
}

bool CToolBar::LoadToolBar(UINT resourceId)
{
    HINSTANCE instance = ::GetModuleHandleA(NULL);
    HRSRC found = ::FindResourceA(instance, MAKEINTRESOURCEA(resourceId),
                                  MAKEINTRESOURCEA(RT_TOOLBAR_LAYOUT));
    HGLOBAL loaded = found != NULL ? ::LoadResource(instance, found) : NULL;
    const WORD* words = loaded != NULL ? static_cast<const WORD*>(::LockResource(loaded)) : nullptr;
    DWORD bytes = found != NULL ? ::SizeofResource(instance, found) : 0;
    if (words == nullptr || bytes < 4 * sizeof(WORD) || words[0] != 1)
        return false;
    int width = words[1];
    int height = words[2];
    int count = words[3];
    if (bytes < (4 + static_cast<DWORD>(count)) * sizeof(WORD))
        return false;

    std::vector<TBBUTTON> buttons(count);
    int images = 0;
    for (int i = 0; i < count; ++i) {
        TBBUTTON& button = buttons[i];
        button = TBBUTTON{};
        button.idCommand = words[4 + i];
        if (button.idCommand == ID_SEPARATOR) {
            button.fsStyle = BTNS_SEP;
        } else {
            button.iBitmap = images++;
            button.fsState = TBSTATE_ENABLED;
            button.fsStyle = BTNS_BUTTON;
        }
    }

    // Black, greys and white of the bitmap become the user's button colours.
    HBITMAP bitmap = ::CreateMappedBitmap(instance, resourceId, 0, NULL, 0);
    if (bitmap == NULL)
        return false;
    if (bitmap_ != NULL)
        ::DeleteObject(bitmap_);
    bitmap_ = bitmap;

    SendMessage(TB_SETBITMAPSIZE, 0, MAKELONG(width, height));
    SendMessage(TB_SETBUTTONSIZE, 0, MAKELONG(width + 7, height + 7));
    TBADDBITMAP add = {NULL, reinterpret_cast<UINT_PTR>(bitmap)};
    if (images > 0 && SendMessage(TB_ADDBITMAP, images, reinterpret_cast<LPARAM>(&add)) == -1)
        return false;
    if (count > 0 &&
        !SendMessage(TB_ADDBUTTONSA, count, reinterpret_cast<LPARAM>(buttons.data())))
        return false;
    SendMessage(TB_AUTOSIZE);
    return true;
}

int CToolBar::GetButtonCount() const
{
    return static_cast<int>(SendMessage(TB_BUTTONCOUNT));
}

UINT CToolBar::GetItemID(int index) const
{
    TBBUTTON button = {};
    if (!SendMessage(TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button)))
        return ID_SEPARATOR;
    return (button.fsStyle & BTNS_SEP) ? ID_SEPARATOR : static_cast<UINT>(button.idCommand);
}

SIZE CToolBar::CalcFixedSize() const
{
    SIZE size = {0, 0};
    SendMessage(TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));
    DWORD button = static_cast<DWORD>(SendMessage(TB_GETBUTTONSIZE));
    if (size.cy < HIWORD(button))
        size.cy = HIWORD(button);
    return size;
}

void CToolBar::Layout(RECT& remaining)
{
    SIZE size = CalcFixedSize();
    RECT place = {remaining.left, remaining.top, remaining.right, remaining.top + size.cy};
    MoveWindow(place);
    remaining.top = place.bottom;
}

void CToolBar::OnUpdateCmdUI(CFrameWnd* target)
{
    int count = GetButtonCount();
    for (int i = 0; i < count; ++i) {
        TBBUTTON button = {};
        if (!SendMessage(TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button)) ||
            (button.fsStyle & BTNS_SEP))
            continue;
        CCmdUI ui(button.idCommand);
        if (!target->RouteUpdate(ui))
            continue;
        bool enabled = (button.fsState & TBSTATE_ENABLED) != 0;
        if (enabled != ui.IsEnabled())
            SendMessage(TB_ENABLEBUTTON, button.idCommand, MAKELONG(ui.IsEnabled() ? 1 : 0, 0));
        bool checked = (button.fsState & TBSTATE_CHECKED) != 0;
        if (ui.HasCheck() && checked != (ui.GetCheck() != 0))
            SendMessage(TB_CHECKBUTTON, button.idCommand, MAKELONG(ui.GetCheck() != 0 ? 1 : 0, 0));
    }
}
