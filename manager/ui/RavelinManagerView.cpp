#include "RavelinManagerView.h"

#include "BoundedText.h"
#include "EnableRule.h"
#include "ListRowAccess.h"
#include "ManagerUtil.h"
#include "RowSort.h"
#include "ServiceAction.h"
#include "SlotLink.h"
#include "WinApp.h"
#include "resource.h"

#include <algorithm>
#include <iterator>

namespace {

// The status refresh: timer 3, every 3 seconds, for the life of the view's window.
const UINT_PTR kStatusTimer = 3;
const UINT kStatusPeriodMs = 3000;

const int kColumnCount = 3;
// The row image: bitmap 134 cut 47 pixels wide (one image, 48 high), magenta transparent.
const int kRowImageWidth = 47;
const COLORREF kRowImageMask = RGB(255, 0, 255);

struct MenuTraits {
    static HMENU Invalid() { return NULL; }
    static void Close(HMENU menu) { ::DestroyMenu(menu); }
};
using CMenuHandle = CHandleT<HMENU, MenuTraits>;

} // namespace

CRavelinManagerView::CRavelinManagerView()
    : table(util), sortAscending(false), commandUi_(*this),
      flows_(util, table, serviceAction, commandUi_)
{
    if (!table.InitProperties()) {
        util.ErrorBox("Internal error:\n\nInitProperties - memory allocation failed.");
        return;
    }
    // A missing or unreadable file leaves the table zero-filled: an empty list, no message.
    table.LoadProperties();
}

CRavelinManagerView::~CRavelinManagerView()
{
    table.FreeProperties();
}

bool CRavelinManagerView::PreCreateWindow(CREATESTRUCTA& cs)
{
    if (!CListView::PreCreateWindow(cs))
        return false;
    cs.style |= LVS_REPORT | LVS_SINGLESEL;
    return true;
}

void CRavelinManagerView::OnInitialUpdate()
{
    CListView::OnInitialUpdate();
    CListCtrl& list = GetListCtrl();
    list.InsertColumn(0, "Name", LVCFMT_LEFT, 300);
    list.InsertColumn(1, "Status", LVCFMT_LEFT, 70);
    list.InsertColumn(2, "SID", LVCFMT_LEFT, 40);
    if (CreateRowImages())
        list.SetImageList(rowImages_.Get(), LVSIL_SMALL);
    list.SetExtendedStyle(LVS_EX_FULLROWSELECT);
    FillRows();
    SetTimer(kStatusTimer, kStatusPeriodMs);
    util.ownerWindow = GetSafeHwnd();
}

bool CRavelinManagerView::CreateRowImages()
{
    HIMAGELIST images = ::ImageList_LoadImageA(::GetModuleHandleA(NULL),
                                               MAKEINTRESOURCEA(IDB_SERVICE_IMAGES),
                                               kRowImageWidth, 1, kRowImageMask, IMAGE_BITMAP, 0);
    rowImages_.Reset(images);
    return rowImages_.IsValid();
}

void CRavelinManagerView::FillRows()
{
    if (!HasTable())
        return;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (!IsSlotFree(table.Record(slot)))
            ShowServiceRow(slot, true);
    }
}

void CRavelinManagerView::OnDestroy()
{
    // The view releases its image list itself, after the control is gone.
    GetListCtrl().SetImageList(NULL, LVSIL_SMALL);
    // Message boxes after this have no owner rather than a destroyed one.
    if (util.ownerWindow == GetSafeHwnd())
        util.ownerWindow = NULL;
    CListView::OnDestroy();
}

void CRavelinManagerView::ShowServiceRow(int slot, bool asNewRow)
{
    if (!HasTable() || slot < 0 || slot >= kSlotCount)
        return;
    const ServiceRecord& record = table.Record(slot);
    char name[kDisplayNameSize + 1];
    CopyField(name, record.displayName);
    CListCtrl& list = GetListCtrl();
    int row;
    if (asNewRow) {
        row = list.InsertItem(slot, name, 0);
    } else {
        row = RowOfSlot(slot);
        if (row >= 0) {
            LVITEMA item = {};
            item.mask = LVIF_TEXT | LVIF_IMAGE;
            item.iItem = row;
            item.pszText = name;
            item.iImage = 0;
            list.SetItem(item);
        }
    }
    ServiceStatus status = serviceAction.QueryStatus(slot);
    if (row < 0)
        return;
    char sid[sizeof(record.slotId) + 1];
    CopyField(sid, record.slotId);
    list.SetItemText(row, 1, StatusText(status));
    list.SetItemText(row, 2, sid);
}

void CRavelinManagerView::RefreshStatusColumn()
{
    CListCtrl& list = GetListCtrl();
    int count = list.GetItemCount();
    for (int row = 0; row < count; ++row) {
        int slot = SlotOfRow(row);
        if (slot < 0)
            continue;
        list.SetItemText(row, 1, StatusText(serviceAction.QueryStatus(slot)));
    }
}

int CRavelinManagerView::SlotOfRow(int row)
{
    CListRowAccess rows(GetListCtrl(), kColumnCount);
    return ::SlotOfRow(rows, util.serviceTable, row);
}

int CRavelinManagerView::RowOfSlot(int slot)
{
    CListRowAccess rows(GetListCtrl(), kColumnCount);
    return ::RowOfSlot(rows, util.serviceTable, slot);
}

int CRavelinManagerView::SelectedSlot()
{
    CListCtrl& list = GetListCtrl();
    if (list.GetSelectedCount() != 1)
        return -1;
    int count = list.GetItemCount();
    for (int row = 0; row < count; ++row) {
        if (list.GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED)
            return SlotOfRow(row);
    }
    return -1;
}

void CRavelinManagerView::EnableServiceCommand(CCmdUI& state, UINT command)
{
    int slot = SelectedSlot();
    // The status is asked afresh for every decision; without a selection nothing is asked.
    ServiceStatus status = slot >= 0 ? serviceAction.QueryStatus(slot) : Unknown;
    state.Enable(IsCommandEnabled(command, slot, status));
}

void CRavelinManagerView::PrepareContextMenu(HMENU popup)
{
    for (UINT command : kSelectionCommands) {
        CCmdUI state(command);
        EnableServiceCommand(state, command);
        ::EnableMenuItem(popup, command, MF_BYCOMMAND | (state.IsEnabled() ? MF_ENABLED : MF_GRAYED));
    }
}

void CRavelinManagerView::SortRowsByColumn(int column, bool ascending, int low, int high)
{
    CListRowAccess rows(GetListCtrl(), kColumnCount);
    ::SortRowsByColumn(rows, column, ascending, low, high);
}

void CRavelinManagerView::OnColumnClick(int column)
{
    SortRowsByColumn(column, sortAscending, 0, -1);
    sortAscending = !sortAscending;
}

void CRavelinManagerView::OnContextMenu(HWND, POINT screenPoint)
{
    // A request from the keyboard comes with a point outside the list (-1, -1): nothing opens.
    RECT client = GetClientRect();
    ::MapWindowPoints(GetSafeHwnd(), NULL, reinterpret_cast<POINT*>(&client), 2);
    if (!::PtInRect(&client, screenPoint))
        return;
    CMenuHandle menu(::LoadMenuA(::GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDR_CONTEXT_MENU)));
    HMENU popup = menu ? ::GetSubMenu(menu.Get(), 0) : NULL;
    if (popup == NULL)
        return;
    PrepareContextMenu(popup);
    // The chosen command comes to the view as WM_COMMAND and takes the frame's route.
    ::TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, screenPoint.x, screenPoint.y, 0,
                     GetSafeHwnd(), NULL);
}

void CRavelinManagerView::OnTimer(UINT_PTR id)
{
    if (id == kStatusTimer) {
        RefreshStatusColumn();
        return;
    }
    CListView::OnTimer(id);
}

bool CRavelinManagerView::HandleCommand(UINT id)
{
    if (!IsViewCommand(id))
        return CListView::HandleCommand(id);
    CWinApp* app = TheApp();
    // One command at a time: a second one would change the record and row the first one holds.
    if (app != nullptr && app->IsCommandRunning()) {
        app->PutOffCommand(id);
        return true;
    }
    // Closing the manager waits until the command has ended.
    CCommandScope running;
    return RunViewCommand(id);
}

bool CRavelinManagerView::IsViewCommand(UINT id)
{
    return id == ID_SERVICE_NEW || id == ID_OPEN_DATA_FOLDER ||
           std::find(std::begin(kSelectionCommands), std::end(kSelectionCommands), id) !=
               std::end(kSelectionCommands);
}

bool CRavelinManagerView::RunViewCommand(UINT id)
{
    switch (id) {
    case ID_SERVICE_NEW: OnServiceNew(); return true;
    case ID_SERVICE_EDIT: OnServiceEdit(); return true;
    case ID_SERVICE_OPTIONS: OnServiceOptions(); return true;
    case ID_SERVICE_DELETE: OnServiceDelete(); return true;
    case ID_SERVICE_INSTALL: OnServiceInstall(); return true;
    case ID_SERVICE_UNINSTALL: OnServiceUninstall(); return true;
    case ID_SERVICE_START: OnServiceStart(); return true;
    case ID_SERVICE_STOP: OnServiceStop(); return true;
    case ID_SERVICE_LOG: OnServiceLog(); return true;
    case ID_OPEN_DATA_FOLDER: OnOpenDataFolder(); return true;
    default: break;
    }
    return false;
}

bool CRavelinManagerView::UpdateCommand(CCmdUI& ui)
{
    switch (ui.GetID()) {
    case ID_SERVICE_EDIT: EnableServiceCommand(ui, ID_SERVICE_EDIT); return true;
    case ID_SERVICE_OPTIONS: EnableServiceCommand(ui, ID_SERVICE_OPTIONS); return true;
    case ID_SERVICE_DELETE: EnableServiceCommand(ui, ID_SERVICE_DELETE); return true;
    case ID_SERVICE_INSTALL: EnableServiceCommand(ui, ID_SERVICE_INSTALL); return true;
    case ID_SERVICE_UNINSTALL: EnableServiceCommand(ui, ID_SERVICE_UNINSTALL); return true;
    case ID_SERVICE_START: EnableServiceCommand(ui, ID_SERVICE_START); return true;
    case ID_SERVICE_STOP: EnableServiceCommand(ui, ID_SERVICE_STOP); return true;
    case ID_SERVICE_LOG: EnableServiceCommand(ui, ID_SERVICE_LOG); return true;
    default: break;
    }
    return CListView::UpdateCommand(ui);
}
