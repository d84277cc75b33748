// Modal dialogs and data exchange, the standard message box and the profile settings.

#include "AppMessageBox.h"
#include "AppThread.h"
#include "DataExchange.h"
#include "Dialog.h"
#include "TestResource.h"
#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <thread>

namespace {

// A dialog whose members travel both ways through the exchange.
class CExchangeDialog : public CDialog {
public:
    explicit CExchangeDialog(UINT templateId = IDD_DDX_TEST) : CDialog(templateId) {}

    char name[8] = "abc";
    std::string note = "hello world";
    int32_t first = 1;
    int32_t second = 0;
    std::atomic<int> initialised{0};

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        ++initialised;
        return TRUE;
    }
    void DoDataExchange(CDataExchange* dx) override
    {
        DDX_Text(dx, IDC_NAME, name);
        DDX_Text(dx, IDC_NOTE, note);
        DDX_Check(dx, IDC_FIRST_BOX, first);
        DDX_Check(dx, IDC_SECOND_BOX, second);
    }
};

// Runs the steps on a thread of its own while the test's thread sits in the modal loop.
class CDriver {
public:
    explicit CDriver(std::function<void()> steps) : thread_(std::move(steps)) {}
    ~CDriver() { thread_.join(); }

private:
    std::thread thread_;
};

std::string ProgramName()
{
    char path[MAX_PATH];
    ::GetModuleFileNameA(NULL, path, sizeof(path));
    std::string name = path;
    name = name.substr(name.find_last_of('\\') + 1);
    return name.substr(0, name.find_last_of('.'));
}

bool IsChecked(HWND dialog, int id)
{
    return SendTo(::GetDlgItem(dialog, id), BM_GETCHECK) == BST_CHECKED;
}

} // namespace

TEST(DialogTest, MembersGoIntoTheControlsAndOkBringsTheEditsBack)
{
    CExchangeDialog dialog;
    std::string shownName, shownNote;
    LRESULT limit = 0;
    bool firstShown = false, secondShown = true;
    INT_PTR result;
    {
        CDriver driver([&] {
            HWND box = WaitDialog("Exchange test");
            if (box == NULL)
                return;
            shownName = TextOf(::GetDlgItem(box, IDC_NAME));
            shownNote = TextOf(::GetDlgItem(box, IDC_NOTE));
            limit = SendTo(::GetDlgItem(box, IDC_NAME), EM_GETLIMITTEXT);
            firstShown = IsChecked(box, IDC_FIRST_BOX);
            secondShown = IsChecked(box, IDC_SECOND_BOX);
            SendTo(::GetDlgItem(box, IDC_NAME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("xyz1234"));
            SendTo(::GetDlgItem(box, IDC_NOTE), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
            SendTo(::GetDlgItem(box, IDC_FIRST_BOX), BM_CLICK);
            SendTo(::GetDlgItem(box, IDC_SECOND_BOX), BM_CLICK);
            ::PostMessageA(::GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        });
        result = dialog.DoModal();
    }
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(1, dialog.initialised.load());
    EXPECT_EQ("abc", shownName);
    EXPECT_EQ("hello world", shownNote);
    EXPECT_EQ(7, limit); // the buffer's size less its terminator
    EXPECT_TRUE(firstShown);
    EXPECT_FALSE(secondShown);
    EXPECT_STREQ("xyz1234", dialog.name);
    EXPECT_EQ("", dialog.note);
    EXPECT_EQ(0, dialog.first);
    EXPECT_EQ(1, dialog.second);
}

TEST(DialogTest, TooLongTextIsRefusedAndCancelKeepsTheMembers)
{
    CExchangeDialog dialog;
    std::string boxCaption, boxText;
    bool openAfterRefusal = false;
    INT_PTR result;
    {
        CDriver driver([&] {
            HWND box = WaitDialog("Exchange test");
            if (box == NULL)
                return;
            // Text set by program is not held to the control's limit.
            SendTo(::GetDlgItem(box, IDC_NAME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("12345678"));
            SendTo(::GetDlgItem(box, IDC_FIRST_BOX), BM_CLICK);
            ::PostMessageA(box, WM_COMMAND, IDOK, 0);
            HWND refusal = WaitDialog(ProgramName().c_str());
            if (refusal == NULL)
                return;
            boxCaption = TextOf(refusal);
            boxText = MessageBoxText(refusal);
            ::PostMessageA(refusal, WM_COMMAND, IDOK, 0);
            WaitUntil([&] { return !::IsWindow(refusal); }, 10000);
            openAfterRefusal = ::IsWindowVisible(box) != FALSE;
            ::PostMessageA(::GetDlgItem(box, IDCANCEL), BM_CLICK, 0, 0);
        });
        result = dialog.DoModal();
    }
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ(ProgramName(), boxCaption);
    EXPECT_EQ("Please enter no more than 7 characters.", boxText);
    EXPECT_TRUE(openAfterRefusal);
    EXPECT_STREQ("abc", dialog.name);
    EXPECT_EQ(1, dialog.first);
}

TEST(DialogTest, EscapeAndTheCloseBoxCancel)
{
    for (UINT message : {static_cast<UINT>(WM_COMMAND), static_cast<UINT>(WM_CLOSE),
                         static_cast<UINT>(WM_SYSCOMMAND)}) {
        CExchangeDialog dialog;
        INT_PTR result;
        {
            CDriver driver([&] {
                HWND box = WaitDialog("Exchange test");
                SendTo(::GetDlgItem(box, IDC_SECOND_BOX), BM_CLICK);
                // What Esc, the close box and the system menu's Close deliver.
                WPARAM wParam = message == WM_COMMAND ? IDCANCEL
                                : message == WM_SYSCOMMAND ? SC_CLOSE : 0;
                ::PostMessageA(box, message, wParam, 0);
            });
            result = dialog.DoModal();
        }
        EXPECT_EQ(IDCANCEL, result) << message;
        EXPECT_EQ(0, dialog.second) << message;
    }
}

TEST(DialogTest, MissingTemplateFailsAtOnce)
{
    CExchangeDialog dialog(IDD_MISSING);
    EXPECT_EQ(-1, dialog.DoModal());
    EXPECT_EQ(0, dialog.initialised.load());
}

TEST(MessageBoxTest, CaptionIsTheProgramNameAndTheAnswerComesBack)
{
    std::string caption, text;
    int answer;
    {
        CDriver driver([&] {
            HWND box = WaitDialog(ProgramName().c_str());
            if (box == NULL)
                return;
            caption = TextOf(box);
            text = MessageBoxText(box);
            ::PostMessageA(::GetDlgItem(box, IDNO), BM_CLICK, 0, 0);
        });
        answer = AppMessageBox("Delete it?", MB_YESNO | MB_ICONQUESTION);
    }
    EXPECT_EQ("framework_unit", caption);
    EXPECT_EQ("Delete it?", text);
    EXPECT_EQ(IDNO, answer);
}

class OwnedWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Events().Clear();
        ASSERT_TRUE(app.Start());
        frame = app.FrameHwnd();
    }
    void TearDown() override { EXPECT_TRUE(app.Stop()); }

    CAppThread app;
    HWND frame = NULL;
};

TEST_F(OwnedWindowTest, DialogWithoutParentIsOwnedByTheMainWindowAndCentredOverIt)
{
    ::PostMessageA(frame, WM_COMMAND, ID_TEST_DIALOG, 0);
    HWND dialog = WaitDialog("Exchange test");
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(frame, ::GetWindow(dialog, GW_OWNER));
    EXPECT_FALSE(::IsWindowEnabled(frame)); // modal
    RECT outer, inner;
    ::GetWindowRect(frame, &outer);
    ::GetWindowRect(dialog, &inner);
    EXPECT_NEAR((outer.left + outer.right) / 2, (inner.left + inner.right) / 2, 1);
    EXPECT_NEAR((outer.top + outer.bottom) / 2, (inner.top + inner.bottom) / 2, 1);
    ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return app.View()->dialogResult == IDOK; }, 10000));
    EXPECT_TRUE(::IsWindowEnabled(frame));
}

TEST_F(OwnedWindowTest, MessageBoxIsOwnedByTheMainWindow)
{
    ::PostMessageA(frame, WM_COMMAND, ID_TEST_BOX, 0);
    HWND box = WaitDialog("framework_unit");
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(frame, ::GetWindow(box, GW_OWNER));
    EXPECT_EQ("Carry on?", MessageBoxText(box));
    ::PostMessageA(::GetDlgItem(box, IDYES), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return app.View()->boxResult == IDYES; }, 10000));
}

TEST(ProfileTest, SettingsLiveUnderTheCompanyKeyAndTheProgramName)
{
    CWinApp app;
    EXPECT_STREQ("framework_unit", app.GetAppName());
    EXPECT_EQ(&app, TheApp());
    // Before a key is set there is nowhere to keep anything.
    EXPECT_FALSE(app.WriteProfileInt("Settings", "Count", 5));
    EXPECT_EQ(9u, app.GetProfileInt("Settings", "Count", 9));

    app.SetRegistryKey("Ravelin Profile Tests");
    app.LoadStdProfileSettings(0);
    EXPECT_EQ("none", app.GetProfileString("Settings", "Name", "none"));
    EXPECT_TRUE(app.WriteProfileInt("Settings", "Count", 5));
    EXPECT_TRUE(app.WriteProfileString("Settings", "Name", "Morvane"));
    EXPECT_EQ(5u, app.GetProfileInt("Settings", "Count", 9));
    EXPECT_EQ("Morvane", app.GetProfileString("Settings", "Name", "none"));

    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegOpenKeyExA(HKEY_CURRENT_USER,
                              "Software\\Ravelin Profile Tests\\framework_unit\\Settings", 0,
                              KEY_READ, &key));
    DWORD value = 0, size = sizeof(value);
    EXPECT_EQ(ERROR_SUCCESS, ::RegQueryValueExA(key, "Count", NULL, NULL,
                                                reinterpret_cast<BYTE*>(&value), &size));
    EXPECT_EQ(5u, value);
    ::RegCloseKey(key);
    EXPECT_TRUE(app.WriteProfileString("Settings", "Name", nullptr));
    EXPECT_EQ("none", app.GetProfileString("Settings", "Name", "none"));
}
