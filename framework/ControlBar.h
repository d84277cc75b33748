#pragma once
// The common part of the bars a frame lays out around its view: a toolbar, a rebar or a status
// bar. A bar registers with its frame when created; its control id names it for the frame's
// show/hide commands. The frame handles the bar's notifications; the bar's own window is not
// subclassed.

#include "Wnd.h"

class CFrameWnd;
class CReBar;

enum class BarAlign { Top, Bottom };

class CControlBar : public CWnd {
public:
    CControlBar() = default;

    CFrameWnd* GetParentFrame() const { return frame_; }
    BarAlign GetAlign() const { return align_; }
    // The rebar whose band holds this bar, if any: the rebar then places it.
    CReBar* GetReBar() const { return rebar_; }
    void SetReBar(CReBar* rebar) { rebar_ = rebar; }

    // Places the bar at its edge of the remaining client rectangle and takes its room out.
    virtual void Layout(RECT& remaining) = 0;
    // The size the bar needs for its content (a rebar band uses it).
    virtual SIZE CalcFixedSize() const;
    // Idle-time: asks the frame's update handlers about the bar's commands.
    virtual void OnUpdateCmdUI(CFrameWnd* target) { (void)target; }

protected:
    // Creates the control as child id of the frame and registers it there.
    bool CreateBar(CFrameWnd* frame, const char* className, DWORD style, UINT id, BarAlign align);

private:
    CFrameWnd* frame_ = nullptr;
    CReBar* rebar_ = nullptr;
    BarAlign align_ = BarAlign::Top;
};
