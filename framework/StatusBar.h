#pragma once
// A status bar along the bottom of the frame: pane 0 is the message pane that shows the idle
// text and command prompts; further indicator panes show their string and keep its width.

#include "ControlBar.h"
#include "FrameworkIds.h"

#include <windows.h>
#include <commctrl.h>
#include <string>
#include <vector>

class CStatusBar : public CControlBar {
public:
    CStatusBar() = default;

    bool Create(CFrameWnd* frame, DWORD style = WS_CHILD | WS_VISIBLE | CCS_BOTTOM | SBARS_SIZEGRIP,
                UINT id = IDW_STATUS_BAR);
    // One pane per id: ID_SEPARATOR for the message pane (which stretches), any other id
    // for a pane showing that string.
    bool SetIndicators(const UINT* ids, int count);

    bool SetPaneText(int index, const char* text);
    std::string GetPaneText(int index) const;
    int GetPaneCount() const { return static_cast<int>(ids_.size()); }

    void Layout(RECT& remaining) override;

private:
    void ApplyParts();

    std::vector<UINT> ids_;
    std::vector<int> widths_; // fixed widths of the panes after the message pane
};
