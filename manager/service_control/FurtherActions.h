#pragma once
// Asks, after a service has been created or edited while not installed, whether it is now to
// be installed and started. OK stores both boxes' states; Cancel leaves both members at 1.

#include "Dialog.h"

#include <cstdint>

class CFurtherActions : public CDialog {
public:
    explicit CFurtherActions(CWnd* parent = nullptr);

    int32_t installChosen = 1; // "Install service": 1 ticked, 0 clear
    int32_t startChosen = 1;   // "Start service"

protected:
    void DoDataExchange(CDataExchange* dx) override;
};
