#pragma once
// The manager's application object: one running manager at a time, then the document, the main
// window and the service list from one single-document template.

#include "WinApp.h"

class CRavelinManagerApp : public CWinApp {
public:
    CRavelinManagerApp() = default;

    // With another manager running: brings its window forward and succeeds without a window,
    // which ends this process with exit code 0.
    bool InitInstance() override;
};
