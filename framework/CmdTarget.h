#pragma once
// Anything that takes part in command routing: the view, the document, the frame and the
// application each offer their own handlers; the frame asks them in that order.

#include "CmdUI.h"
#include "Object.h"

#include <windows.h>

class CCmdTarget : public CObject {
public:
    // Carries out the command when this object has a handler for it. A derived class writes a
    // switch with one line per command and ends with its base class's HandleCommand.
    virtual bool HandleCommand(UINT id)
    {
        (void)id;
        return false;
    }
    // Fills in the command's state when this object has an update handler for it.
    virtual bool UpdateCommand(CCmdUI& ui)
    {
        (void)ui;
        return false;
    }
};
