#include "ManagerHarness.h"

#include "HandleT.h"
#include "RemoteBuffer.h"
#include "RemoteList.h"

#include <commctrl.h>
#include <cstdio>
#include <cstring>

const char kManagerTitle[] = "Ravelin - Morvane";

namespace {

const size_t kTextBuffer = 1024;

} // namespace

std::string RemoteText(HWND window)
{
    char text[kTextBuffer] = "";
    SendWithin5s(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    text[sizeof(text) - 1] = '\0';
    return text;
}

HWND FindWindowOf(DWORD pid, const char* title)
{
    for (HWND window : VisibleWindowsOf(pid, nullptr))
        if (RemoteText(window) == title)
            return window;
    return NULL;
}

CManagerHarness::CManagerHarness() : dataDir_(MakeScratchDir("manager data"))
{
    SetSetting("dataPath", dataDir_);
    SetSetting("path", BinDir());
}

CManagerHarness::~CManagerHarness()
{
    if (process_.Handle() != NULL && !process_.WaitExit(0)) {
        if (frame_ != NULL)
            ::PostMessageA(frame_, WM_COMMAND, 57665, 0);
        process_.WaitExit(10000);
    }
    // A manager that did not end is terminated by the process object.
}

void CManagerHarness::WriteTable(const TableImage& image)
{
    ::WriteTable(dataDir_ + "\\Properties.dat", image);
}

bool CManagerHarness::Launch(CTestProcess& process) const
{
    return process.Start(BinPath(program_.c_str()), program_, BinDir());
}

bool CManagerHarness::Start(DWORD timeoutMs)
{
    return Launch(process_) && Attach(timeoutMs);
}

bool CManagerHarness::Attach(DWORD timeoutMs)
{
    menus_.reset(new CMenuReader(process_.Handle()));
    return WaitUntil([&] { return FindControls(); }, timeoutMs);
}

bool CManagerHarness::FindControls()
{
    frame_ = FindWindowOf(process_.Id(), kManagerTitle);
    if (frame_ == NULL)
        return false;
    list_ = ::FindWindowExA(frame_, NULL, "SysListView32", NULL);
    rebar_ = ::FindWindowExA(frame_, NULL, "ReBarWindow32", NULL);
    toolbar_ = rebar_ ? ::FindWindowExA(rebar_, NULL, "ToolbarWindow32", NULL) : NULL;
    statusBar_ = ::FindWindowExA(frame_, NULL, "msctls_statusbar32", NULL);
    header_ = list_ ? reinterpret_cast<HWND>(SendWithin5s(list_, LVM_GETHEADER)) : NULL;
    return list_ && rebar_ && toolbar_ && statusBar_ && header_;
}

int CManagerHarness::RowCount() const
{
    return ListRowCount(list_);
}

std::string CManagerHarness::Cell(int row, int column) const
{
    return ListCell(ProcessHandle(), list_, row, column);
}

std::vector<std::string> CManagerHarness::Column(int column) const
{
    std::vector<std::string> texts;
    int rows = RowCount();
    for (int row = 0; row < rows; ++row)
        texts.push_back(Cell(row, column));
    return texts;
}

bool CManagerHarness::Item(int row, ListItemInfo* info) const
{
    CRemoteBuffer buffer(ProcessHandle(), sizeof(LVITEMA));
    LVITEMA item = {};
    item.mask = LVIF_IMAGE | LVIF_PARAM | LVIF_STATE;
    item.iItem = row;
    item.stateMask = static_cast<UINT>(-1);
    if (!buffer.Write(&item, sizeof(item)) || !SendWithin5s(list_, LVM_GETITEMA, 0, buffer.AsParam()) ||
        !buffer.Read(&item, sizeof(item)))
        return false;
    info->image = item.iImage;
    info->param = item.lParam;
    info->state = item.state;
    return true;
}

RECT CManagerHarness::RowRect(int row) const
{
    CRemoteBuffer buffer(ProcessHandle(), sizeof(RECT));
    RECT rect = {LVIR_BOUNDS, 0, 0, 0};
    if (!buffer.Write(&rect, sizeof(rect)) || !SendWithin5s(list_, LVM_GETITEMRECT, row, buffer.AsParam()) ||
        !buffer.Read(&rect, sizeof(rect)))
        return RECT{0, 0, 0, 0};
    return rect;
}

int CManagerHarness::ColumnCount() const
{
    return static_cast<int>(SendWithin5s(header_, HDM_GETITEMCOUNT));
}

std::string CManagerHarness::ColumnHeading(int column) const
{
    return ListColumnHeading(ProcessHandle(), list_, column);
}

int CManagerHarness::ColumnWidth(int column) const
{
    return ListColumnWidth(list_, column);
}

bool CManagerHarness::SelectRow(int row)
{
    CRemoteBuffer buffer(ProcessHandle(), sizeof(LVITEMA));
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = 0;
    if (!buffer.Write(&item, sizeof(item)) ||
        !SendWithin5s(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), buffer.AsParam()))
        return false;
    if (row < 0)
        return true;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    return buffer.Write(&item, sizeof(item)) &&
           SendWithin5s(list_, LVM_SETITEMSTATE, row, buffer.AsParam()) != 0;
}

std::vector<int> CManagerHarness::SelectedRows() const
{
    std::vector<int> rows;
    int count = RowCount();
    for (int row = 0; row < count; ++row)
        if (SendWithin5s(list_, LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED)
            rows.push_back(row);
    return rows;
}

bool CManagerHarness::ClickHeader(int column)
{
    return ListClickHeader(ProcessHandle(), list_, column);
}

bool CManagerHarness::Flush() const
{
    return ListFlush(list_);
}

bool CManagerHarness::WaitCell(int row, int column, const std::string& text,
                               DWORD timeoutMs) const
{
    return WaitUntil([&] { return Cell(row, column) == text; }, timeoutMs);
}

std::string CManagerHarness::StatusText() const
{
    CRemoteBuffer buffer(ProcessHandle(), kTextBuffer);
    const char empty = '\0';
    if (!buffer.Write(&empty, 1))
        return "<no buffer>";
    LRESULT length = SendWithin5s(statusBar_, SB_GETTEXTLENGTHA, 0);
    if (LOWORD(length) >= kTextBuffer)
        return "<too long>";
    SendWithin5s(statusBar_, SB_GETTEXTA, 0, buffer.AsParam());
    return buffer.ReadText(0);
}

int CManagerHarness::StatusParts() const
{
    return static_cast<int>(SendWithin5s(statusBar_, SB_GETPARTS, 0, 0));
}

std::vector<UINT> CManagerHarness::ButtonIds() const
{
    std::vector<UINT> ids;
    int count = static_cast<int>(SendWithin5s(toolbar_, TB_BUTTONCOUNT));
    CRemoteBuffer buffer(ProcessHandle(), sizeof(TBBUTTON));
    for (int i = 0; i < count; ++i) {
        TBBUTTON button = {};
        if (!buffer.Write(&button, sizeof(button)) ||
            !SendWithin5s(toolbar_, TB_GETBUTTON, i, buffer.AsParam()) ||
            !buffer.Read(&button, sizeof(button)))
            ids.push_back(static_cast<UINT>(-1));
        else
            ids.push_back(button.fsStyle & BTNS_SEP ? 0 : static_cast<UINT>(button.idCommand));
    }
    return ids;
}

bool CManagerHarness::ButtonEnabled(UINT id) const
{
    return SendWithin5s(toolbar_, TB_ISBUTTONENABLED, id) != 0;
}

void CManagerHarness::PromptIdleUpdate() const
{
    ::PostMessageA(frame_, WM_NULL, 0, 0);
}

std::vector<MenuItemState> CManagerHarness::MenuBar()
{
    return menus_->ReadMenuBar(frame_);
}

std::vector<HWND> CManagerHarness::WindowsOfClass(const char* className) const
{
    return VisibleWindowsOf(process_.Id(), className);
}
