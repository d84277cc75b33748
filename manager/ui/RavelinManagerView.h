#pragma once
// The service list: one row per service record, each service's state refreshed every
// 3 seconds, the service commands with their enable rule, and the manager's in-memory service
// table, which the view owns from its construction to its destruction.

#include "CmdUI.h"
#include "HandleT.h"
#include "ListView.h"
#include "ManagerCommandUi.h"
#include "ManagerTable.h"
#include "ServiceCommandFlows.h"

#include <windows.h>
#include <commctrl.h>

struct ImageListTraits {
    static HIMAGELIST Invalid() { return NULL; }
    static void Close(HIMAGELIST images) { ::ImageList_Destroy(images); }
};
using CImageListHandle = CHandleT<HIMAGELIST, ImageListTraits>;

class CRavelinManagerView : public CListView {
public:
    // Allocates and loads the table; a failed allocation is reported and leaves the view
    // without a table, its list empty.
    CRavelinManagerView();
    ~CRavelinManagerView() override;

    void OnInitialUpdate() override;
    bool HandleCommand(UINT id) override;
    bool UpdateCommand(CCmdUI& ui) override;

    // Shows record slot: as a new row at index slot, or by rewriting its existing row (none:
    // nothing but the status query); then its status and "SID" cells.
    void ShowServiceRow(int slot, bool asNewRow);
    // Writes every row's current status into column "Status"; rows without a record are left.
    void RefreshStatusColumn();
    // The slot of a row by its "SID" text, or -1.
    int SlotOfRow(int row);
    // The first row whose "SID" text is the slotId of record slot, or -1.
    int RowOfSlot(int slot);
    // The slot of the one selected row; -1 without exactly one selected row or its record.
    int SelectedSlot();
    // The enable rule for one command, for the selected record's status of this moment.
    void EnableServiceCommand(CCmdUI& state, UINT command);
    // Enables or greys the context menu's eight items by the same rule.
    void PrepareContextMenu(HMENU popup);
    // Sorts rows low..high (high -1: the last row) by the text of column.
    void SortRowsByColumn(int column, bool ascending, int low, int high);

    bool HasTable() const { return table.HasTable(); }

    // The one in-memory service table of the manager.
    CManagerTable table;
    // The direction of the next header-click sort, for all columns alike.
    bool sortAscending;

protected:
    bool PreCreateWindow(CREATESTRUCTA& cs) override;
    void OnColumnClick(int column) override;
    void OnContextMenu(HWND window, POINT screenPoint) override;
    void OnTimer(UINT_PTR id) override;
    void OnDestroy() override;

private:
    // A row for every record in use, in slot order.
    void FillRows();
    bool CreateRowImages();

    // The service commands and Open Data Folder, which the view handles.
    static bool IsViewCommand(UINT id);
    bool RunViewCommand(UINT id);
    // The service commands (flows in ServiceCommands.cpp).
    void OnServiceNew();
    void OnServiceEdit();
    void OnServiceOptions();
    void OnServiceDelete();
    void OnServiceInstall();
    void OnServiceUninstall();
    void OnServiceStart();
    void OnServiceStop();
    void ControlSelectedService(ServiceControl action);
    void OnServiceLog();
    void OnOpenDataFolder();

    CImageListHandle rowImages_;
    // The commands' flows, with the manager's dialogs and this list as their front end.
    CManagerCommandUi commandUi_;
    CServiceCommandFlows flows_;
};
