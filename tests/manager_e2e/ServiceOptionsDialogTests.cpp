// The Service options dialog of the running manager: its place on the Service menu and the
// context menu and when it is available, the record's options shown, a change saved at once into
// the real table file and logged, refusals of values out of range, Cancel, Browse, and the
// manager's other saves keeping a record's options.

#include "DialogDriver.h"
#include "ManagerChecks.h"
#include "ManagerHarness.h"
#include "Screenshot.h"
#include "ServiceOptions.h"
#include "TableLock.h"
#include "TestService.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const char kCaption[] = "Service options";
// The dialog's controls.
const int kServiceName = 1030;
const int kStopMethod = 1031;
const int kStopTimeout = 1032;
const int kRestart = 1033;
const int kRestartDelay = 1034;
const int kMaxRestarts = 1035;
const int kKillTree = 1036;
const int kStdout = 1037;
const int kStdoutBrowse = 1038;
const int kStderr = 1039;
const int kStderrBrowse = 1040;
const int kRotateBytes = 1041;
const int kRotateKeep = 1042;
const int kEnvironment = 1043;

const size_t kReserved2Offset = 872;

// The options of a record in a table image, through the product's own reading rule.
bool OptionsOf(const TableImage& image, int slot, ServiceOptions& options)
{
    ServiceRecord record;
    std::string bytes = image.Record(slot);
    std::memcpy(&record, bytes.data(), sizeof(record));
    return ReadServiceOptions(record, options);
}

void PutOptions(TableImage& image, int slot, const ServiceOptions& options)
{
    ServiceRecord record;
    std::memcpy(&record, image.Record(slot).data(), sizeof(record));
    ASSERT_TRUE(WriteServiceOptions(options, record));
    std::memcpy(&image.bytes[static_cast<size_t>(slot) * sizeof(record)], &record,
                sizeof(record));
}

// A set of options far from the defaults, every one of them changed.
ServiceOptions BusyOptions()
{
    ServiceOptions options;
    options.stopMethod = kStopGraceful;
    options.stopTimeoutMs = 1500;
    options.restart = kRestartOnFailure;
    options.restartDelayMs = 750;
    options.maxRestarts = 12;
    options.killTree = true;
    std::strcpy(options.stdoutPath, "C:\\Logs\\web.out.log");
    std::strcpy(options.stderrPath, "C:\\Logs\\web.err.log");
    options.rotateBytes = 1048576;
    options.rotateKeep = 3;
    SetEnvironmentEntry(options, "PORT", "8080");
    SetEnvironmentEntry(options, "MODE", "production");
    return options;
}

// The combo's selected text, as the user reads it.
std::string ComboText(HWND dialog, int id)
{
    return RemoteText(::GetDlgItem(dialog, id));
}

void SelectComboItem(HWND dialog, int id, int index)
{
    HWND combo = ::GetDlgItem(dialog, id);
    ::SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    // As the user's choice tells the dialog.
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(combo));
}

// The control with the keyboard focus in the window's thread.
HWND FocusOf(HWND window)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, NULL), &info))
        return NULL;
    return info.hwndFocus;
}

class ServiceOptionsDialogTest : public ::testing::Test {
protected:
    std::string TablePath() const { return manager.DataDir() + "\\Properties.dat"; }
    TableImage OnDisk()
    {
        TableImage image;
        EXPECT_TRUE(ReadTable(TablePath(), image));
        return image;
    }
    std::string LogPath(int slot) const { return LogFilePath(manager, slot); }
    std::vector<std::string> LogMessages(int slot) const { return LogFileMessages(manager, slot); }

    void StartWith(const TableImage& table, int rows)
    {
        manager.WriteTable(table);
        ASSERT_TRUE(manager.Start());
        ASSERT_EQ(rows, manager.RowCount());
    }
    // Selects the row and opens the dialog by the Service menu's command.
    HWND Open(int row)
    {
        if (!manager.SelectRow(row))
            return NULL;
        return dialogs.OpenByCommand(command::kOptions, kCaption);
    }
    // OK, then the wait until the manager has finished what OK began (the save and its log
    // line): the dialog is gone before the save. False when a message came instead.
    bool PressOk(HWND dialog)
    {
        std::string message = dialogs.PressAndRead(dialog, IDOK);
        EXPECT_EQ("", message) << "OK did not close the dialog";
        return message.empty() && manager.Flush();
    }
    void Cancel(HWND dialog)
    {
        Click(dialog, IDCANCEL);
        EXPECT_TRUE(WaitGone(dialog)) << "Cancel did not close the dialog";
    }
    void Picture(HWND window, const char* file) { TakePicture(manager, window, file); }

    CManagerHarness manager;
    CDialogDriver dialogs{manager};
};

} // namespace

TEST_F(ServiceOptionsDialogTest, OptionsFollowsEditAndIsAvailableForASelectedServiceInEveryStatus)
{
    std::string work = MakeScratchDir("options work");
    TableImage table;
    FillRecord(table[0], 0, "Options Ready", BinPath("TestChild.exe"), work, "", 0);
    FillRecord(table[1], 1, "Options Stopped", BinPath("TestChild.exe"), work, "", 0);
    FillRecord(table[2], 2, "Options Started", BinPath("TestChild.exe"), work, "", 0);
    table[2].SetRunRequested(1);
    CTestService stopped("Options-Stopped", "Options Stopped", 1);
    CTestService started("Options-Started", "Options Started", 2);
    ASSERT_TRUE(stopped.Install()) << stopped.LastError();
    ASSERT_TRUE(started.Install()) << started.LastError();
    ASSERT_TRUE(started.Start()) << started.LastError();
    ASSERT_TRUE(started.WaitState(SERVICE_RUNNING, 30000));
    StartWith(table, 3);
    ASSERT_TRUE(WaitUntil(
        [&] {
            return manager.Column(1) == std::vector<std::string>{"Ready", "Stopped", "Started"};
        },
        8000))
        << ::testing::PrintToString(manager.Column(1));
    ASSERT_TRUE(manager.Menus().Load()) << manager.Menus().Error();

    // On the Service menu, right after Edit; the toolbar keeps its six buttons.
    std::vector<MenuItemState> menu = manager.MenuBar();
    ASSERT_FALSE(menu.empty()) << manager.Menus().Error();
    size_t edit = 0;
    while (edit < menu.size() && menu[edit].id != command::kEdit)
        ++edit;
    ASSERT_LT(edit + 1, menu.size());
    EXPECT_EQ(command::kOptions, menu[edit + 1].id);
    EXPECT_EQ("&Options...", menu[edit + 1].text);
    EXPECT_EQ(menu[edit].level, menu[edit + 1].level);
    EXPECT_THAT(manager.ButtonIds(),
                ElementsAre(command::kNew, command::kEdit, command::kInstall, command::kUninstall,
                            command::kStart, command::kStop));

    // Greyed without a selection, available for each status (the check reads the menu too).
    ExpectServiceCommands(manager, kNoSelection, "nothing selected");
    EXPECT_FALSE(FindMenuItem(manager.MenuBar(), command::kOptions).IsEnabled());
    const ServiceCommands* expected[] = {&kReadyCommands, &kStoppedCommands, &kStartedCommands};
    for (int row = 0; row < 3; ++row) {
        ASSERT_TRUE(manager.SelectRow(row));
        ExpectServiceCommands(manager, *expected[row], manager.Cell(row, 0).c_str());
        EXPECT_TRUE(FindMenuItem(manager.MenuBar(), command::kOptions).IsEnabled()) << row;
    }

    // The context menu's second item opens the dialog for the started service.
    RECT rect = manager.RowRect(2);
    POINT point = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ::ClientToScreen(manager.List(), &point);
    ::PostMessageA(manager.List(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(manager.List()),
                   MAKELPARAM(point.x, point.y));
    ASSERT_TRUE(WaitUntil([&] { return !manager.WindowsOfClass("#32768").empty(); }, 10000))
        << "no context menu";
    ::PostMessageA(manager.List(), WM_KEYDOWN, VK_DOWN, 1);
    ::PostMessageA(manager.List(), WM_KEYDOWN, VK_DOWN, 1);
    ::PostMessageA(manager.List(), WM_KEYDOWN, VK_RETURN, 1);
    HWND dialog = dialogs.WaitTopLevel(kCaption);
    ASSERT_NE(nullptr, dialog) << "the context menu's Options... opened no dialog";
    EXPECT_EQ("Service: Options Started", Text(dialog, kServiceName));
    Cancel(dialog);
    EXPECT_EQ(SERVICE_RUNNING, started.State()) << "opening the options touched the service";
}

TEST_F(ServiceOptionsDialogTest, TheDialogShowsTheRecordsOptionsAndCancelSavesNothing)
{
    TableImage table;
    FillRecord(table[0], 0, "Plain", BinPath("TestChild.exe"), "C:\\", "", 1);
    FillRecord(table[4], 4, "Web Front", BinPath("TestChild.exe"), "C:\\", "--web", 1);
    PutOptions(table, 4, BusyOptions());
    StartWith(table, 2);

    // A record that never had options shows the defaults.
    HWND dialog = Open(0);
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ("Service: Plain", Text(dialog, kServiceName));
    EXPECT_EQ("terminate", ComboText(dialog, kStopMethod));
    EXPECT_EQ("5000", Text(dialog, kStopTimeout));
    EXPECT_EQ("never", ComboText(dialog, kRestart));
    EXPECT_EQ("2000", Text(dialog, kRestartDelay));
    EXPECT_EQ("5", Text(dialog, kMaxRestarts));
    EXPECT_FALSE(Checked(dialog, kKillTree));
    EXPECT_EQ("", Text(dialog, kStdout));
    EXPECT_EQ("", Text(dialog, kStderr));
    EXPECT_EQ("0", Text(dialog, kRotateBytes));
    EXPECT_EQ("5", Text(dialog, kRotateKeep));
    EXPECT_EQ("", Text(dialog, kEnvironment));
    EXPECT_EQ(2, ::SendMessageA(::GetDlgItem(dialog, kStopMethod), CB_GETCOUNT, 0, 0));
    EXPECT_EQ(3, ::SendMessageA(::GetDlgItem(dialog, kRestart), CB_GETCOUNT, 0, 0));
    Cancel(dialog);

    dialog = Open(1);
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ("Service: Web Front", Text(dialog, kServiceName));
    EXPECT_EQ("graceful", ComboText(dialog, kStopMethod));
    EXPECT_EQ("1500", Text(dialog, kStopTimeout));
    EXPECT_EQ("on-failure", ComboText(dialog, kRestart));
    EXPECT_EQ("750", Text(dialog, kRestartDelay));
    EXPECT_EQ("12", Text(dialog, kMaxRestarts));
    EXPECT_TRUE(Checked(dialog, kKillTree));
    EXPECT_EQ("C:\\Logs\\web.out.log", Text(dialog, kStdout));
    EXPECT_EQ("C:\\Logs\\web.err.log", Text(dialog, kStderr));
    EXPECT_EQ("1048576", Text(dialog, kRotateBytes));
    EXPECT_EQ("3", Text(dialog, kRotateKeep));
    EXPECT_EQ("PORT=8080\r\nMODE=production\r\n", Text(dialog, kEnvironment));
    Picture(dialog, "service_options_dialog.bmp");

    // Every field changed, then Cancel: the file stays as it was, byte for byte, and no line.
    std::string before = ReadFileBytes(TablePath());
    SelectComboItem(dialog, kStopMethod, 0);
    SetText(dialog, kStopTimeout, "100");
    SelectComboItem(dialog, kRestart, 2);
    SetChecked(dialog, kKillTree, false);
    SetText(dialog, kStdout, "C:\\other.log");
    SetText(dialog, kEnvironment, "X=1");
    Cancel(dialog);
    ASSERT_TRUE(manager.Flush());
    EXPECT_EQ(before, ReadFileBytes(TablePath())) << "Cancel saved something";
    EXPECT_FALSE(FileExists(LogPath(4))) << "Cancel logged something";
}

TEST_F(ServiceOptionsDialogTest, OkSavesAChangeAtOnceAndLogsItOnce)
{
    TableImage table;
    FillRecord(table[0], 0, "First", BinPath("TestChild.exe"), "C:\\", "", 1);
    FillRecord(table[2], 2, "Report Mailer", BinPath("TestChild.exe"), "C:\\Work", "-q", 0);
    table[2].SetRunRequested(1);
    table[2].SetAppProcessId(4242);
    StartWith(table, 2);

    HWND dialog = Open(1);
    ASSERT_NE(nullptr, dialog);
    SelectComboItem(dialog, kStopMethod, 1);
    SetText(dialog, kStopTimeout, "3000");
    SelectComboItem(dialog, kRestart, 2);
    SetText(dialog, kRestartDelay, "500");
    SetText(dialog, kMaxRestarts, "0");
    SetChecked(dialog, kKillTree, true);
    SetText(dialog, kStdout, "C:\\Logs\\mailer.log");
    SetText(dialog, kStderr, "C:\\Logs\\mailer.log");
    SetText(dialog, kRotateBytes, "10485760");
    SetText(dialog, kRotateKeep, "7");
    SetText(dialog, kEnvironment, "SMTP_HOST=mail.example\r\n\r\nSMTP_PORT=25\r\n");
    ASSERT_TRUE(PressOk(dialog));

    TableImage saved = OnDisk();
    ServiceOptions options;
    ASSERT_TRUE(OptionsOf(saved, 2, options)) << "no valid options in the saved record";
    EXPECT_EQ(static_cast<uint32_t>(kStopGraceful), options.stopMethod);
    EXPECT_EQ(3000u, options.stopTimeoutMs);
    EXPECT_EQ(static_cast<uint32_t>(kRestartAlways), options.restart);
    EXPECT_EQ(500u, options.restartDelayMs);
    EXPECT_EQ(0u, options.maxRestarts);
    EXPECT_TRUE(options.killTree);
    EXPECT_STREQ("C:\\Logs\\mailer.log", options.stdoutPath);
    EXPECT_STREQ("C:\\Logs\\mailer.log", options.stderrPath);
    EXPECT_EQ(10485760u, options.rotateBytes);
    EXPECT_EQ(7u, options.rotateKeep);
    std::vector<std::string> environment;
    for (const char* entry = FirstEnvironmentEntry(options); entry != NULL;
         entry = NextEnvironmentEntry(options, entry))
        environment.push_back(entry);
    EXPECT_THAT(environment, ElementsAre("SMTP_HOST=mail.example", "SMTP_PORT=25"));

    // Nothing else of the table changed: every byte outside the record's options area.
    std::string expected = table.bytes;
    size_t area = 2 * table_layout::kRecordSize + kReserved2Offset;
    expected.replace(area, table_layout::kReserved2.size,
                     saved.bytes.substr(area, table_layout::kReserved2.size));
    EXPECT_TRUE(expected == saved.bytes) << "the save changed more than the options";
    EXPECT_THAT(LogMessages(2), ElementsAre("Service options changed."));
    EXPECT_FALSE(FileExists(LogPath(0)));

    // Opened again, the dialog shows what was saved; OK without a change saves and logs nothing.
    dialog = Open(1);
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ("always", ComboText(dialog, kRestart));
    EXPECT_EQ("SMTP_HOST=mail.example\r\nSMTP_PORT=25\r\n", Text(dialog, kEnvironment));
    ASSERT_TRUE(PressOk(dialog));
    ASSERT_TRUE(manager.Flush());
    EXPECT_TRUE(saved.bytes == ReadFileBytes(TablePath()));
    EXPECT_THAT(LogMessages(2), ElementsAre("Service options changed."));

    // Back to every default: the area is all zero again, as in a record that never had options.
    dialog = Open(1);
    ASSERT_NE(nullptr, dialog);
    SelectComboItem(dialog, kStopMethod, 0);
    SetText(dialog, kStopTimeout, "5000");
    SelectComboItem(dialog, kRestart, 0);
    SetText(dialog, kRestartDelay, "2000");
    SetText(dialog, kMaxRestarts, "5");
    SetChecked(dialog, kKillTree, false);
    SetText(dialog, kStdout, "");
    SetText(dialog, kStderr, "");
    SetText(dialog, kRotateBytes, "0");
    SetText(dialog, kRotateKeep, "5");
    SetText(dialog, kEnvironment, "");
    ASSERT_TRUE(PressOk(dialog));
    EXPECT_TRUE(table.bytes == ReadFileBytes(TablePath())) << "defaults left bytes behind";
    EXPECT_THAT(LogMessages(2),
                ElementsAre("Service options changed.", "Service options changed."));
}

TEST_F(ServiceOptionsDialogTest, AValueOutOfRangeIsRefusedNamingTheOptionAndNothingIsSaved)
{
    TableImage table;
    FillRecord(table[1], 1, "Careful", BinPath("TestChild.exe"), "C:\\", "", 1);
    PutOptions(table, 1, BusyOptions());
    StartWith(table, 1);
    std::string before = ReadFileBytes(TablePath());

    struct Case {
        int control;
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {kStopTimeout, "60001", "The stop timeout must be between 0 and 60000 ms."},
        {kRestartDelay, "-5", "The restart delay must be between 0 and 60000 ms."},
        {kMaxRestarts, "1001", "The maximum number of restarts must be between 0 and 1000."},
        {kRotateBytes, "1099511627777",
         "The rotation size must be between 0 and 1099511627776 bytes."},
        {kRotateKeep, "0", "The number of files to keep must be between 1 and 100."},
        {kEnvironment, "PORT=8080\r\nno value here",
         "The environment must hold NAME=VALUE entries with names of 1 to 259 characters "
         "without '='.\n\nLine 2: no value here"},
    };
    HWND dialog = Open(0);
    ASSERT_NE(nullptr, dialog);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        std::string good = Text(dialog, c.control);
        SetText(dialog, c.control, c.text);
        EXPECT_EQ(c.message, dialogs.PressAndRead(dialog, IDOK));
        // The dialog stays, the focus on the refused field.
        HWND field = ::GetDlgItem(dialog, c.control);
        EXPECT_TRUE(WaitUntil([&] { return FocusOf(dialog) == field; }, 5000))
            << "the focus is not on the refused field";
        SetText(dialog, c.control, good);
    }
    Cancel(dialog);
    ASSERT_TRUE(manager.Flush());
    EXPECT_TRUE(before == ReadFileBytes(TablePath())) << "a refused value was saved";
    EXPECT_FALSE(FileExists(LogPath(1))) << "a refusal was logged";
}

TEST_F(ServiceOptionsDialogTest, BrowseChoosesAnOutputFileWithoutAskingToReplaceIt)
{
    std::string folder = MakeScratchDir("options browse");
    std::string existing = folder + "\\service.log";
    WriteFileBytes(existing, "earlier output\r\n");
    TableImage table;
    FillRecord(table[0], 0, "Browser", BinPath("TestChild.exe"), "C:\\", "", 1);
    StartWith(table, 1);

    HWND dialog = Open(0);
    ASSERT_NE(nullptr, dialog);
    struct Case {
        int button;
        int field;
        const char* title;
        std::string typed;
        std::string chosen;
    };
    // An existing file is taken as it is; a bare name gets the .log ending.
    const Case cases[] = {
        {kStdoutBrowse, kStdout, "Standard output file", existing, existing},
        {kStderrBrowse, kStderr, "Standard error file", folder + "\\errors", folder + "\\errors.log"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        Click(dialog, c.button);
        HWND files = dialogs.WaitTopLevel(c.title, 20000);
        ASSERT_NE(nullptr, files) << "Browse opened no save-file dialog";
        HWND name = FileNameEdit(files);
        ASSERT_NE(nullptr, name) << "no file name field";
        ::SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.typed.c_str()));
        ::PostMessageA(::GetDlgItem(files, IDOK), BM_CLICK, 0, 0);
        EXPECT_TRUE(WaitGone(files)) << "the save-file dialog stayed (a question?)";
        EXPECT_THAT(manager.WindowsOfClass("#32770"), ElementsAre(dialog))
            << "another window came up";
        EXPECT_TRUE(WaitUntil([&] { return Text(dialog, c.field) == c.chosen; }, 5000))
            << Text(dialog, c.field);
    }
    ASSERT_TRUE(PressOk(dialog));
    ServiceOptions options;
    ASSERT_TRUE(OptionsOf(OnDisk(), 0, options));
    EXPECT_EQ(existing, options.stdoutPath);
    EXPECT_EQ(folder + "\\errors.log", options.stderrPath);
    EXPECT_EQ("earlier output\r\n", ReadFileBytes(existing)) << "the chosen file was touched";
}

TEST_F(ServiceOptionsDialogTest, NewAndEditKeepTheOptionsAreaAsTheRecordHasIt)
{
    TableImage table;
    FillRecord(table[0], 0, "Keeper", BinPath("TestChild.exe"), "C:\\", "--old", 1);
    PutOptions(table, 0, BusyOptions());
    // A free slot with stray bytes where the options would be: New must not take them over.
    std::memset(&table.bytes[table_layout::kRecordSize + kReserved2Offset], 0x5A, 64);
    StartWith(table, 1);
    std::string area = table.Record(0).substr(kReserved2Offset);

    // Edit of a service that is not installed: Apply, then no next actions.
    HWND dialog = Open(0);
    ASSERT_NE(nullptr, dialog);
    Cancel(dialog);
    ASSERT_TRUE(manager.SelectRow(0));
    HWND edit = dialogs.OpenByCommand(command::kEdit, kNewEditCaption);
    ASSERT_NE(nullptr, edit);
    SetText(edit, control::kParams, "--new");
    ASSERT_EQ("", dialogs.PressAndRead(edit, IDOK));
    HWND next = dialogs.WaitTopLevel(kNextActionsCaption);
    ASSERT_NE(nullptr, next);
    Click(next, IDCANCEL);
    ASSERT_TRUE(WaitGone(next));
    ASSERT_TRUE(manager.Flush());
    TableImage afterEdit = OnDisk();
    EXPECT_EQ("--new", afterEdit.Fields(0).appParams);
    EXPECT_TRUE(area == afterEdit.Record(0).substr(kReserved2Offset)) << "Edit changed the options";

    // New takes slot 1 and zero-fills it.
    HWND created = dialogs.OpenByCommand(command::kNew, kNewEditCaption);
    ASSERT_NE(nullptr, created);
    SetText(created, control::kName, "Newcomer");
    // Another program than Keeper's: two services may not share one.
    SetText(created, control::kPath, "C:\\windows\\notepad.exe");
    SetText(created, control::kWorkDir, "C:\\");
    ASSERT_EQ("", dialogs.PressAndRead(created, IDOK));
    ASSERT_TRUE(manager.Flush());
    next = dialogs.WaitTopLevel(kNextActionsCaption);
    ASSERT_NE(nullptr, next);
    Click(next, IDCANCEL);
    ASSERT_TRUE(WaitGone(next));
    ASSERT_TRUE(WaitUntil([&] { return manager.RowCount() == 2; }, 10000));
    TableImage afterNew = OnDisk();
    EXPECT_EQ("Newcomer", afterNew.Fields(1).displayName);
    EXPECT_TRUE(std::string(table_layout::kReserved2.size, '\0') ==
                afterNew.Record(1).substr(kReserved2Offset))
        << "New kept stray bytes in the options area";
    EXPECT_TRUE(area == afterNew.Record(0).substr(kReserved2Offset));
}

TEST_F(ServiceOptionsDialogTest, StartAndStopKeepTheOptionsAndTheDialogChangesThemWhileStarted)
{
    std::string work = MakeScratchDir("options start");
    TableImage table;
    FillRecord(table[3], 3, "Options Runner", BinPath("TestChild.exe"), work, "", 0);
    PutOptions(table, 3, BusyOptions());
    CTestService service("Options-Runner", "Options Runner", 3);
    ASSERT_TRUE(service.Install()) << service.LastError();
    StartWith(table, 1);
    ASSERT_TRUE(manager.WaitCell(0, 1, "Stopped", 8000));
    std::string area = table.Record(3).substr(kReserved2Offset);

    ASSERT_TRUE(manager.SelectRow(0));
    ::PostMessageA(manager.Frame(), WM_COMMAND, command::kStart, 0);
    ASSERT_TRUE(service.WaitState(SERVICE_RUNNING, 30000));
    ASSERT_TRUE(manager.WaitCell(0, 1, "Started", 20000)) << manager.Cell(0, 1);
    ASSERT_TRUE(WaitUntil([&] { return manager.WindowsOfClass("#32770").empty(); }, 20000));
    ASSERT_TRUE(manager.Flush()) << "the command did not end";
    TableImage afterStart = OnDisk();
    EXPECT_EQ(1u, afterStart.Fields(3).runRequested);
    EXPECT_TRUE(area == afterStart.Record(3).substr(kReserved2Offset))
        << "the start handshake changed the options";

    // While the service runs: the change is saved, the service goes on running.
    HWND dialog = Open(0);
    ASSERT_NE(nullptr, dialog);
    SetText(dialog, kMaxRestarts, "40");
    ASSERT_TRUE(PressOk(dialog));
    ServiceOptions options;
    ASSERT_TRUE(OptionsOf(OnDisk(), 3, options));
    EXPECT_EQ(40u, options.maxRestarts);
    EXPECT_EQ(1500u, options.stopTimeoutMs);
    EXPECT_EQ(SERVICE_RUNNING, service.State());
    EXPECT_EQ(1u, OnDisk().Fields(3).runRequested);
    area = OnDisk().Record(3).substr(kReserved2Offset);

    ASSERT_TRUE(manager.SelectRow(0));
    ::PostMessageA(manager.Frame(), WM_COMMAND, command::kStop, 0);
    ASSERT_TRUE(service.WaitState(SERVICE_STOPPED, 40000));
    ASSERT_TRUE(manager.WaitCell(0, 1, "Stopped", 20000)) << manager.Cell(0, 1);
    ASSERT_TRUE(WaitUntil([&] { return manager.WindowsOfClass("#32770").empty(); }, 20000));
    ASSERT_TRUE(manager.Flush()) << "the command did not end";
    TableImage afterStop = OnDisk();
    EXPECT_EQ(0u, afterStop.Fields(3).runRequested);
    EXPECT_TRUE(area == afterStop.Record(3).substr(kReserved2Offset))
        << "the stop handshake changed the options";
    std::vector<std::string> lines = LogMessages(3);
    std::vector<std::string> managerLines;
    for (const std::string& line : lines)
        if (line.compare(0, 8, "Service ") == 0)
            managerLines.push_back(line);
    EXPECT_THAT(managerLines, ElementsAre("Service started.", "Service options changed.",
                                          "Service stopped."));
}

TEST_F(ServiceOptionsDialogTest, TheSaveTakesTheTableLockAndKeepsWhatOthersWroteMeanwhile)
{
    TableImage table;
    FillRecord(table[0], 0, "Shared", BinPath("TestChild.exe"), "C:\\", "", 1);
    FillRecord(table[1], 1, "Neighbour", BinPath("TestChild.exe"), "C:\\", "--one", 1);
    StartWith(table, 2);
    HWND dialog = Open(0);
    ASSERT_NE(nullptr, dialog);
    SelectComboItem(dialog, kRestart, 1);

    // While the dialog is open a host publishes its process.
    TableImage changed = OnDisk();
    changed[0].SetAppProcessId(777);
    WriteTable(TablePath(), changed);

    {
        // Held by the test: OK ends the dialog, then the manager waits for the lock.
        CTableLock lock;
        ASSERT_TRUE(lock.IsHeld());
        Click(dialog, IDOK);
        ASSERT_TRUE(WaitGone(dialog));
        EXPECT_TRUE(WaitUntil(
            [&] {
                DWORD_PTR ignored = 0;
                return !::SendMessageTimeoutA(manager.Frame(), WM_NULL, 0, 0, SMTO_NORMAL, 200,
                                              &ignored);
            },
            10000))
            << "the manager did not wait for the lock";
        EXPECT_TRUE(changed.bytes == ReadFileBytes(TablePath())) << "written past the lock";
        // Another program writes under the lock meanwhile; the manager's reload must see it.
        changed[1].SetAppParams("--two");
        WriteTable(TablePath(), changed);
    }
    // The manager saves as soon as it has the lock; then it handles messages again.
    ASSERT_TRUE(manager.Flush());
    ServiceOptions options;
    ASSERT_TRUE(OptionsOf(OnDisk(), 0, options)) << "the options were not saved";
    EXPECT_EQ(static_cast<uint32_t>(kRestartOnFailure), options.restart);
    TableImage saved = OnDisk();
    EXPECT_EQ(777u, saved.Fields(0).appProcessId) << "the host's write was undone";
    EXPECT_EQ("--two", saved.Fields(1).appParams)
        << "a write made while the manager waited for the lock was undone";
    EXPECT_THAT(LogMessages(0), ElementsAre("Service options changed."));
}

TEST_F(ServiceOptionsDialogTest, AServiceDeletedWhileTheDialogIsOpenGetsNothingAndTheUserIsTold)
{
    TableImage table;
    FillRecord(table[0], 0, "Vanishing", BinPath("TestChild.exe"), "C:\\", "", 1);
    StartWith(table, 1);
    HWND dialog = Open(0);
    ASSERT_NE(nullptr, dialog);
    SetText(dialog, kRotateKeep, "9");

    // Another program deletes the service and puts a new one in its slot.
    TableImage replaced;
    FillRecord(replaced[0], 0, "Newcomer", BinPath("TestChild.exe"), "C:\\", "", 1);
    WriteTable(TablePath(), replaced);

    Click(dialog, IDOK);
    EXPECT_EQ("Internal error:\n\nCannot save the service data.",
              dialogs.AnswerBox("Ravelin", IDOK));
    ASSERT_TRUE(WaitGone(dialog));
    ASSERT_TRUE(manager.Flush());
    EXPECT_TRUE(replaced.bytes == ReadFileBytes(TablePath()))
        << "the options went into another service's record";
    EXPECT_FALSE(FileExists(LogPath(0)));
}

TEST_F(ServiceOptionsDialogTest, AClosePostedWhileTheDialogWaitsComesAfterTheSave)
{
    TableImage table;
    FillRecord(table[0], 0, "Closing", BinPath("TestChild.exe"), "C:\\", "", 1);
    StartWith(table, 1);
    HWND dialog = Open(0);
    ASSERT_NE(nullptr, dialog);
    ::PostMessageA(manager.Frame(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(manager.Flush());
    EXPECT_TRUE(::IsWindow(dialog) && ::IsWindowVisible(dialog)) << "the dialog closed";
    EXPECT_FALSE(manager.Process().WaitExit(0)) << "the manager ended in the middle of a command";

    // A refusal's message belongs to the dialog, which waits behind it.
    SetText(dialog, kStopTimeout, "70000");
    Click(dialog, IDOK);
    HWND box = dialogs.WaitTopLevel("Ravelin");
    ASSERT_NE(nullptr, box) << "no message for the timeout";
    EXPECT_EQ(dialog, ::GetWindow(box, GW_OWNER));
    EXPECT_FALSE(::IsWindowEnabled(dialog));
    EXPECT_EQ("The stop timeout must be between 0 and 60000 ms.", dialogs.AnswerBox("Ravelin", IDOK));
    SetText(dialog, kStopTimeout, "60000");
    Click(dialog, IDOK);

    ASSERT_TRUE(manager.Process().WaitExit(20000)) << "the close was not carried out after OK";
    EXPECT_EQ(0u, manager.Process().ExitCode());
    ServiceOptions options;
    ASSERT_TRUE(OptionsOf(OnDisk(), 0, options));
    EXPECT_EQ(60000u, options.stopTimeoutMs);
    EXPECT_THAT(LogMessages(0), ElementsAre("Service options changed."));
}
