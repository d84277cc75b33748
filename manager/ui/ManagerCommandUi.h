#pragma once
// The manager's answers to the service command flows: its New/Edit, Next actions and log
// dialogs, its message boxes, and the rows of its service list.

#include "ServiceCommandUi.h"

class CRavelinManagerView;

class CManagerCommandUi : public IServiceCommandUi {
public:
    explicit CManagerCommandUi(CRavelinManagerView& view) : view_(view) {}

    bool EnterServiceValues(int editSlot, ServiceEntry& entry) override;
    bool EnterServiceOptions(int slot, ServiceOptions& options) override;
    bool ChooseNextActions(bool& install, bool& start) override;
    bool AskYesNo(const char* question) override;
    void ShowLog(int slot) override;
    void Inform(const char* text) override;
    void ReportError(const char* text) override;
    void ShowServiceRow(int slot, bool asNewRow) override;
    void RemoveServiceRow(int slot) override;

private:
    CRavelinManagerView& view_;
};
