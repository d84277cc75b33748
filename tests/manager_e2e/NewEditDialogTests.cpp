// The New/Edit service dialog of the running manager, opened by the Service menu's New and Edit
// and driven through its controls: what it shows, Apply's checks and their messages, Browse
// through the system's open-file dialog, the field limits, Cancel, and a picture of it.

#include "DialogDriver.h"
#include "ManagerChecks.h"
#include "ManagerHarness.h"
#include "Screenshot.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace control;
const char* const kCaption = kNewEditCaption;
const char kFileDialogCaption[] = "Select File";

// The two programs the file dialog chooses in these tests, created for the suite.
const char kToolsFolder[] = "C:\\Tools";
const char kToolsApp[] = "C:\\Tools\\app.exe";
const char kRootApp[] = "C:\\app.exe";

class NewEditDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ::CreateDirectoryA(kToolsFolder, NULL);
        WriteFileBytes(kToolsApp, "MZ");
        WriteFileBytes(kRootApp, "MZ");
    }
    static void TearDownTestSuite()
    {
        ::DeleteFileA(kToolsApp);
        ::DeleteFileA(kRootApp);
        ::RemoveDirectoryA(kToolsFolder);
    }

    // The manager with the records: 0 "Notepad", 3 "Tools service" (C:\Tools\app.exe).
    void StartWithRecords()
    {
        TableImage table;
        FillRecord(table[0], 0, "Notepad", "C:\\windows\\notepad.exe", "C:\\windows", "", 1);
        FillRecord(table[3], 3, "Tools service", kToolsApp, "C:\\Work dir", "-x --y", 0);
        manager.WriteTable(table);
        ASSERT_TRUE(manager.Start());
        ASSERT_EQ(2, manager.RowCount());
    }

    // Opens the dialog by a command of the Service menu; NULL when it does not appear.
    HWND Open(UINT command) { return dialogs.OpenByCommand(command, kCaption); }
    HWND OpenEdit(int row)
    {
        if (!manager.SelectRow(row))
            return NULL;
        return Open(command::kEdit);
    }
    // Presses Apply and returns the message box's text after answering it with OK, or "" when
    // the dialog closed instead.
    std::string Apply(HWND dialog) { return dialogs.PressAndRead(dialog, IDOK); }
    // After an Apply that stored a service not installed: the next actions are declined.
    void DeclineNextActions()
    {
        HWND next = dialogs.WaitTopLevel("Next actions");
        ASSERT_NE(nullptr, next) << "no Next actions dialog after Apply";
        Click(next, IDCANCEL);
        EXPECT_TRUE(WaitGone(next));
    }

    // Every entry of the dialog, to compare before and after a step.
    static std::vector<std::string> Entries(HWND dialog)
    {
        return {Text(dialog, kName), Text(dialog, kPath), Text(dialog, kWorkDir),
                Text(dialog, kParams), Checked(dialog, kRevive) ? "checked" : "clear"};
    }

    // The open-file dialog opened by Browse, and the edit control of its file name.
    HWND OpenFileDialog(HWND dialog)
    {
        Click(dialog, kBrowse);
        HWND files = dialogs.WaitTopLevel(kFileDialogCaption, 20000);
        EXPECT_NE(nullptr, files) << "Browse opened no \"Select File\" dialog";
        return files;
    }
    // Types the name into the file dialog and confirms it; true once the file dialog is gone.
    bool ChooseFile(HWND dialog, const char* name)
    {
        HWND files = OpenFileDialog(dialog);
        HWND field = files ? FileNameEdit(files) : NULL;
        if (field == NULL)
            return false;
        EXPECT_EQ("", RemoteText(field)) << "the file dialog did not start with an empty name";
        ::SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name));
        ::PostMessageA(::GetDlgItem(files, IDOK), BM_CLICK, 0, 0);
        return WaitGone(files);
    }

    // Types the text into a field one character at a time, as the keyboard would.
    static void Type(HWND dialog, int id, const std::string& text)
    {
        HWND field = ::GetDlgItem(dialog, id);
        for (char c : text)
            ::PostMessageA(field, WM_CHAR, static_cast<unsigned char>(c), 1);
    }
    // Puts the text on the clipboard and pastes it into the field.
    static bool Paste(HWND dialog, int id, const std::string& text)
    {
        if (!::OpenClipboard(NULL))
            return false;
        ::EmptyClipboard();
        HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
        bool placed = false;
        if (memory != NULL) {
            if (void* bytes = ::GlobalLock(memory)) {
                std::memcpy(bytes, text.c_str(), text.size() + 1);
                ::GlobalUnlock(memory);
                placed = ::SetClipboardData(CF_TEXT, memory) != NULL;
            }
            if (!placed)
                ::GlobalFree(memory);
        }
        ::CloseClipboard();
        if (placed)
            ::SendMessageA(::GetDlgItem(dialog, id), WM_PASTE, 0, 0);
        return placed;
    }

    CManagerHarness manager;
    CDialogDriver dialogs{manager};
};

} // namespace

TEST_F(NewEditDialogTest, NewOpensEmptyWithTheBoxCheckedAndTheFocusInTheName)
{
    StartWithRecords();
    HWND dialog = Open(command::kNew);
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(kCaption, RemoteText(dialog));
    EXPECT_EQ((std::vector<std::string>{"", "", "", "", "checked"}), Entries(dialog));
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(::GetGUIThreadInfo(::GetWindowThreadProcessId(dialog, NULL), &info));
    EXPECT_EQ(::GetDlgItem(dialog, kName), info.hwndFocus);

    // The template: controls in tab order, what takes a tab stop, the edit fields' styles, and
    // Apply as a plain push button.
    std::vector<int> ids;
    std::vector<int> tabStops;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        int id = ::GetDlgCtrlID(child);
        ids.push_back(id);
        if (::GetWindowLongA(child, GWL_STYLE) & WS_TABSTOP)
            tabStops.push_back(id);
    }
    const int kStatic = -1; // IDC_STATIC
    EXPECT_EQ((std::vector<int>{kStatic, kName, kStatic, kPath, kBrowse, kStatic, kWorkDir, kStatic,
                                kParams, kStatic, kStatic, kRevive, IDOK, IDCANCEL}),
              ids);
    EXPECT_EQ((std::vector<int>{kName, kPath, kBrowse, kWorkDir, kParams, kRevive, IDOK, IDCANCEL}),
              tabStops);
    for (int id : {kName, kPath, kWorkDir, kParams}) {
        HWND field = ::GetDlgItem(dialog, id);
        LONG style = ::GetWindowLongA(field, GWL_STYLE);
        // The edit control turns WS_BORDER into a sunken client edge.
        bool bordered = (style & WS_BORDER) ||
                        (::GetWindowLongA(field, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
        EXPECT_TRUE(bordered) << "field " << id << " style " << std::hex << style;
        EXPECT_TRUE(style & ES_AUTOHSCROLL) << "field " << id;
        EXPECT_EQ(id == kPath, (style & ES_READONLY) != 0) << "field " << id;
    }
    EXPECT_EQ(BS_PUSHBUTTON, ::GetWindowLongA(::GetDlgItem(dialog, IDOK), GWL_STYLE) & BS_TYPEMASK);
    EXPECT_EQ(BS_AUTOCHECKBOX,
              ::GetWindowLongA(::GetDlgItem(dialog, kRevive), GWL_STYLE) & BS_TYPEMASK);
    LONG frame = ::GetWindowLongA(dialog, GWL_STYLE);
    EXPECT_TRUE((frame & WS_CAPTION) == WS_CAPTION && (frame & WS_SYSMENU) &&
                (frame & DS_MODALFRAME));

    // Enter acts on Apply although Apply is not the default button; Escape cancels.
    ::PostMessageA(::GetDlgItem(dialog, kName), WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_EQ("Please enter the service name.", dialogs.MessageOrClosed(dialog));
    ::PostMessageA(::GetDlgItem(dialog, kName), WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_TRUE(WaitGone(dialog)) << "Escape did not close the dialog";
}

TEST_F(NewEditDialogTest, NewWithEverySlotInUseSaysSoAndOpensNoDialog)
{
    TableImage table;
    for (int slot = 0; slot < 50; ++slot) {
        char name[16];
        std::snprintf(name, sizeof(name), "Service %02d", slot);
        FillRecord(table[slot], slot, name, "C:\\windows\\notepad.exe", "", "", 1);
    }
    manager.WriteTable(table);
    ASSERT_TRUE(manager.Start());
    ::PostMessageA(manager.Frame(), WM_COMMAND, command::kNew, 0);
    EXPECT_EQ("Ravelin capacity full.", dialogs.AnswerBox("Ravelin", IDOK));
    ASSERT_TRUE(manager.Flush());
    EXPECT_EQ(nullptr, FindWindowOf(manager.Process().Id(), kCaption));
}

TEST_F(NewEditDialogTest, EditShowsTheRecordAndApplyWithoutChangesPasses)
{
    StartWithRecords();
    HWND dialog = OpenEdit(1); // Tools service
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(kCaption, RemoteText(dialog));
    EXPECT_EQ((std::vector<std::string>{"Tools service", kToolsApp, "C:\\Work dir", "-x --y",
                                        "clear"}),
              Entries(dialog));
    EXPECT_EQ("", Apply(dialog)) << "the record's own name and path must not conflict";
    DeclineNextActions();

    dialog = OpenEdit(0); // Notepad, box set
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ((std::vector<std::string>{"Notepad", "C:\\windows\\notepad.exe", "C:\\windows", "",
                                        "checked"}),
              Entries(dialog));
    // The close box cancels, after changes too.
    SetText(dialog, kName, "Changed");
    ::PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(WaitGone(dialog)) << "the close box did not close the dialog";
}

TEST_F(NewEditDialogTest, ApplyChecksInOrderAndKeepsTheEntriesAfterEachMessage)
{
    StartWithRecords();
    HWND dialog = Open(command::kNew);
    ASSERT_NE(nullptr, dialog);
    SetText(dialog, kWorkDir, "C:\\typed");
    SetText(dialog, kParams, "-p 1");
    ::SendMessageA(::GetDlgItem(dialog, kRevive), BM_SETCHECK, BST_UNCHECKED, 0);

    // Name and path both empty: the name comes first.
    std::vector<std::string> before = Entries(dialog);
    EXPECT_EQ("Please enter the service name.", Apply(dialog));
    EXPECT_EQ(before, Entries(dialog));

    // A name of blanks is a name; the path is next.
    SetText(dialog, kName, "   ");
    before = Entries(dialog);
    EXPECT_EQ("Please choose the application executable file path by Browse button.",
              Apply(dialog));
    EXPECT_EQ(before, Entries(dialog));

    // The name of an existing service, in New.
    SetText(dialog, kName, "Notepad");
    SetText(dialog, kPath, kToolsApp); // the read-only field, as Browse would fill it
    before = Entries(dialog);
    EXPECT_EQ("The service name is already exist.", Apply(dialog));
    EXPECT_EQ(before, Entries(dialog));

    // Names that would be the same service in the SCM are taken too: another letter case,
    // a hyphen for a blank.
    for (const char* taken : {"notepad", "TOOLS-SERVICE", "tools service"}) {
        SetText(dialog, kName, taken);
        before = Entries(dialog);
        EXPECT_EQ("The service name is already exist.", Apply(dialog)) << taken;
        EXPECT_EQ(before, Entries(dialog));
    }

    // Another name; the executable of "Tools service" is taken.
    SetText(dialog, kName, "Notepad2");
    before = Entries(dialog);
    EXPECT_EQ("The application is already registered by name of:\n\nTools service",
              Apply(dialog));
    EXPECT_EQ(before, Entries(dialog));

    // Another letter case is another path: every check passes and the dialog closes.
    SetText(dialog, kPath, "C:\\TOOLS\\app.exe");
    EXPECT_EQ("", Apply(dialog));
    DeclineNextActions();
}

TEST_F(NewEditDialogTest, EditRefusesAnotherServicesNameAndExecutable)
{
    StartWithRecords();
    HWND dialog = OpenEdit(1); // Tools service
    ASSERT_NE(nullptr, dialog);
    SetText(dialog, kName, "Notepad");
    EXPECT_EQ("The service name is already exist.", Apply(dialog));
    SetText(dialog, kName, "NOTEPAD");
    EXPECT_EQ("The service name is already exist.", Apply(dialog));
    SetText(dialog, kName, "Tools service");
    SetText(dialog, kPath, "C:\\windows\\notepad.exe");
    EXPECT_EQ("The application is already registered by name of:\n\nNotepad", Apply(dialog));
    Click(dialog, IDCANCEL);
    EXPECT_TRUE(WaitGone(dialog));
}

TEST_F(NewEditDialogTest, TwoRecordsOfOneScmNameLoadAsTheyAreAndEachRecordMayChangeItsOwnCase)
{
    // Made by an earlier version or by hand: "Web Cache" and "web-cache" are one SCM service.
    TableImage table;
    FillRecord(table[0], 0, "Web Cache", "C:\\Web\\one.exe", "C:\\Web", "", 1);
    FillRecord(table[1], 1, "web-cache", "C:\\Web\\two.exe", "C:\\Web", "", 1);
    FillRecord(table[3], 3, "Mail Relay", "C:\\Mail\\relay.exe", "C:\\Mail", "", 1);
    manager.WriteTable(table);
    std::string path = manager.DataDir() + "\\Properties.dat";
    std::string before = ReadFileBytes(path);
    ASSERT_TRUE(manager.Start());
    ASSERT_EQ(3, manager.RowCount());
    EXPECT_EQ("Web Cache", manager.Cell(0, 0));
    EXPECT_EQ("web-cache", manager.Cell(1, 0));
    EXPECT_TRUE(before == ReadFileBytes(path)) << "loading changed the table file";

    // Either of the pair, applied unchanged, meets the other one.
    HWND dialog = OpenEdit(0);
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ("The service name is already exist.", Apply(dialog));
    Click(dialog, IDCANCEL);
    EXPECT_TRUE(WaitGone(dialog));

    // A record renamed to another letter case of its own name is still itself.
    dialog = OpenEdit(2);
    ASSERT_NE(nullptr, dialog);
    SetText(dialog, kName, "MAIL-relay");
    EXPECT_EQ("", Apply(dialog));
    DeclineNextActions();
    EXPECT_TRUE(WaitUntil([&] { return manager.Cell(2, 0) == "MAIL-relay"; }, 8000));
    TableImage saved;
    ASSERT_TRUE(ReadTable(path, saved));
    EXPECT_EQ("MAIL-relay", saved.Fields(3).displayName);
    EXPECT_EQ("Web Cache", saved.Fields(0).displayName);
    EXPECT_EQ("web-cache", saved.Fields(1).displayName);
}

TEST_F(NewEditDialogTest, BrowseFillsThePathAndReplacesTheWorkingDirectory)
{
    StartWithRecords();
    HWND dialog = Open(command::kNew);
    ASSERT_NE(nullptr, dialog);
    SetText(dialog, kName, "Browsed");
    SetText(dialog, kWorkDir, "C:\\typed by hand");

    ASSERT_TRUE(ChooseFile(dialog, kToolsApp));
    EXPECT_TRUE(WaitUntil([&] { return Text(dialog, kPath) == kToolsApp; }, 5000))
        << Text(dialog, kPath);
    EXPECT_EQ("C:\\Tools", Text(dialog, kWorkDir));

    // A file in the root: the drive alone, without a backslash.
    ASSERT_TRUE(ChooseFile(dialog, kRootApp));
    EXPECT_TRUE(WaitUntil([&] { return Text(dialog, kPath) == kRootApp; }, 5000))
        << Text(dialog, kPath);
    EXPECT_EQ("C:", Text(dialog, kWorkDir));

    // Cancel in the file dialog changes nothing.
    SetText(dialog, kWorkDir, "C:\\typed again");
    std::vector<std::string> before = Entries(dialog);
    HWND files = OpenFileDialog(dialog);
    ASSERT_NE(nullptr, files);
    ::PostMessageA(::GetDlgItem(files, IDCANCEL), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitGone(files));
    ASSERT_TRUE(manager.Flush());
    EXPECT_EQ(before, Entries(dialog));
    Click(dialog, IDCANCEL);
    EXPECT_TRUE(WaitGone(dialog));
}

TEST_F(NewEditDialogTest, BrowseInEditStartsInTheRootWithAnEmptyName)
{
    StartWithRecords();
    HWND dialog = OpenEdit(1); // its executable is C:\Tools\app.exe
    ASSERT_NE(nullptr, dialog);
    // A bare name is taken in the folder the file dialog shows: c:\, not C:\Tools.
    ASSERT_TRUE(ChooseFile(dialog, "app.exe"));
    EXPECT_TRUE(WaitUntil([&] { return Text(dialog, kPath) == kRootApp; }, 5000))
        << Text(dialog, kPath);
    EXPECT_EQ("C:", Text(dialog, kWorkDir));
    Click(dialog, IDCANCEL);
    EXPECT_TRUE(WaitGone(dialog));
}

TEST_F(NewEditDialogTest, FieldsTakeNoMoreThanTheRecordHolds)
{
    StartWithRecords();
    HWND dialog = Open(command::kNew);
    ASSERT_NE(nullptr, dialog);
    Type(dialog, kName, std::string(85, 'n'));
    Type(dialog, kParams, std::string(260, 'p'));
    ASSERT_TRUE(manager.Flush());
    EXPECT_EQ(std::string(80, 'n'), Text(dialog, kName));
    EXPECT_EQ(std::string(255, 'p'), Text(dialog, kParams));

    ASSERT_TRUE(Paste(dialog, kWorkDir, std::string(300, 'w')));
    EXPECT_EQ(std::string(255, 'w'), Text(dialog, kWorkDir));
    // A paste into a nearly full field keeps what fits.
    SetText(dialog, kName, std::string(78, 'a').c_str());
    ::SendMessageA(::GetDlgItem(dialog, kName), EM_SETSEL, 78, 78);
    ASSERT_TRUE(Paste(dialog, kName, "bcdef"));
    EXPECT_EQ(std::string(78, 'a') + "bc", Text(dialog, kName));
    Click(dialog, IDCANCEL);
    EXPECT_TRUE(WaitGone(dialog));
}

TEST_F(NewEditDialogTest, PictureOfTheFilledDialog)
{
    StartWithRecords();
    HWND dialog = Open(command::kNew);
    ASSERT_NE(nullptr, dialog);
    SetText(dialog, kName, "Tools helper");
    ASSERT_TRUE(ChooseFile(dialog, kToolsApp));
    SetText(dialog, kParams, "--port 8080 --verbose");
    ASSERT_TRUE(WaitUntil([&] { return Text(dialog, kPath) == kToolsApp; }, 5000));
    ASSERT_TRUE(manager.Flush());
    ::RedrawWindow(dialog, NULL, NULL,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ASSERT_TRUE(manager.Flush());

    std::string path = ScreenshotDir() + "\\new_edit_dialog.bmp";
    ::DeleteFileA(path.c_str());
    ASSERT_TRUE(SaveWindowShot(dialog, path)) << path;
    EXPECT_GT(ReadFileBytes(path).size(), 54u);
    std::printf("[ picture  ] %s\n", path.c_str());
    Click(dialog, IDCANCEL);
    EXPECT_TRUE(WaitGone(dialog));
}
