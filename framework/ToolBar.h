#pragma once
// A toolbar with flat buttons and tooltips, loaded from a layout resource (type 241: WORDs
// version 1, image width, image height, count, then the command ids, 0 for a separator) and a
// bitmap of the same id with the images side by side. Tooltips and status-bar prompts come
// from the command's string through the frame; button states from its update handlers.

#include "ControlBar.h"
#include "FrameworkIds.h"

#include <windows.h>
#include <commctrl.h>

class CToolBar : public CControlBar {
public:
    CToolBar() = default;
    ~CToolBar() override;

    // toolbarStyle: TBSTYLE_ values added to flat buttons with tooltips.
    bool CreateEx(CFrameWnd* frame, DWORD toolbarStyle = TBSTYLE_FLAT,
                  DWORD style = WS_CHILD | WS_VISIBLE, UINT id = IDW_TOOLBAR);
    bool LoadToolBar(UINT resourceId);

    int GetButtonCount() const;
    // The command id of the button at index (0 for a separator).
    UINT GetItemID(int index) const;

    void Layout(RECT& remaining) override;
    SIZE CalcFixedSize() const override;
    void OnUpdateCmdUI(CFrameWnd* target) override;

private:
    HBITMAP bitmap_ = NULL;
};
