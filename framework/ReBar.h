#pragma once
// A rebar across the top of the frame whose bands hold other bars (the toolbar); hiding such a
// bar hides its band, and the rebar itself when no band is left.

#include "ControlBar.h"
#include "FrameworkIds.h"

#include <windows.h>
#include <commctrl.h>

class CReBar : public CControlBar {
public:
    CReBar() = default;

    // rebarStyle: RBS_ values, band borders by default.
    bool Create(CFrameWnd* frame, DWORD rebarStyle = RBS_BANDBORDERS,
                DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                UINT id = IDW_REBAR);
    // Moves bar into a new band sized for it; bandStyle gives the gripper and background rules.
    bool AddBar(CControlBar* bar, DWORD bandStyle = RBBS_GRIPPERALWAYS | RBBS_FIXEDBMP);

    int GetBandCount() const;
    // The band that holds bar, or -1.
    int FindBand(const CControlBar* bar) const;
    void ShowBand(const CControlBar* bar, bool show);
    bool HasVisibleBand() const;

    void Layout(RECT& remaining) override;
};
