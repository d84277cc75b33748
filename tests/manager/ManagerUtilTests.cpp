// The manager's utility object: slot queries, names and paths, the data folder, the log, windows.

#include "DialogWatcher.h"
#include "ManagerTable.h"
#include "ManagerUtil.h"
#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <cstring>

CUtil util;

namespace {

// A util whose slot queries read an in-memory table of the test's making.
class SlotQueryTest : public ::testing::Test {
protected:
    void SetUp() override { util.serviceTable = reinterpret_cast<ServiceTable*>(&image.bytes[0]); }
    void TearDown() override
    {
        util.serviceTable = nullptr;
        util.newMode = 0;
        util.editSlot = 0;
    }
    void Use(int slot, const char* name, const char* appPath = "C:\\app.exe")
    {
        FillRecord(image[slot], slot, name, appPath, "C:\\", "", 0);
    }
    TableImage image;
};

} // namespace

TEST_F(SlotQueryTest, CountsAndFindsTheLowestFreeSlot)
{
    EXPECT_EQ(0, util.CountServices());
    EXPECT_EQ(0, util.FindFreeSlot());
    for (int slot = 0; slot < 5; ++slot)
        Use(slot, "Service");
    EXPECT_EQ(5, util.CountServices());
    EXPECT_EQ(5, util.FindFreeSlot());
    image[3].Clear(); // deleted
    EXPECT_EQ(3, util.FindFreeSlot());
    EXPECT_TRUE(util.HasFreeSlot());

    for (int slot = 0; slot < table_layout::kSlots; ++slot)
        Use(slot, "Service");
    EXPECT_EQ(50, util.CountServices());
    EXPECT_FALSE(util.HasFreeSlot());
    EXPECT_EQ(-1, util.FindFreeSlot());
}

TEST_F(SlotQueryTest, NameSearchIsByteForByteAndSkipsTheEditedRecord)
{
    Use(2, "My Service", "C:\\Apps\\one.exe");
    Use(5, "Other", "C:\\Apps\\two.exe");
    util.newMode = 1;
    EXPECT_EQ(2, util.FindServiceByName("My Service"));
    EXPECT_EQ(-1, util.FindServiceByName("my service"));
    EXPECT_EQ(-1, util.FindServiceByName("My Servic"));
    EXPECT_EQ(5, util.FindServiceByAppPath("C:\\Apps\\two.exe"));
    EXPECT_EQ(-1, util.FindServiceByAppPath("C:\\APPS\\two.exe"));

    util.newMode = 0;
    util.editSlot = 2;
    EXPECT_EQ(-1, util.FindServiceByName("My Service"));
    EXPECT_EQ(5, util.FindServiceByName("Other"));
    EXPECT_EQ(-1, util.FindServiceByAppPath("C:\\Apps\\one.exe"));
    Use(7, "My Service");
    EXPECT_EQ(7, util.FindServiceByName("My Service"));
}

TEST_F(SlotQueryTest, NameWithoutTerminatorIsComparedWithinItsField)
{
    std::memset(image[4].Bytes() + table_layout::kDisplayName.offset, 'n',
                table_layout::kDisplayName.size);
    util.newMode = 1;
    EXPECT_EQ(4, util.FindServiceByName(std::string(81, 'n').c_str()));
    EXPECT_EQ(-1, util.FindServiceByName(std::string(82, 'n').c_str()));
    EXPECT_EQ(1, util.CountServices());
}

TEST(ManagerUtilTest, NoTableMeansNoServicesAndNoFreeSlot)
{
    ASSERT_EQ(nullptr, util.serviceTable);
    EXPECT_EQ(0, util.CountServices());
    EXPECT_EQ(-1, util.FindFreeSlot());
    EXPECT_EQ(-1, util.FindServiceByName("x"));
}

TEST(ManagerUtilTest, ServiceNamesAndFolders)
{
    char text[256];
    CUtil::MakeServiceName("My  Service x", text, sizeof(text));
    EXPECT_STREQ("My--Service-x", text);
    CUtil::MakeServiceName("NoBlanks\\Slash", text, sizeof(text));
    EXPECT_STREQ("NoBlanks\\Slash", text);

    CUtil::GetFolderOfPath("C:\\Program Files\\App\\app.exe", text, sizeof(text));
    EXPECT_STREQ("C:\\Program Files\\App", text);
    CUtil::GetFolderOfPath("app.exe", text, sizeof(text));
    EXPECT_STREQ("app.exe", text);
    CUtil::GetFolderOfPath("", text, sizeof(text));
    EXPECT_STREQ("", text);
    CUtil::GetFolderOfPath("C:\\app.exe", text, sizeof(text));
    EXPECT_STREQ("C:", text);
}

TEST(ManagerUtilTest, ConstructionFindsTheInstalledFolders)
{
    // The test prefix is set up as an installed system.
    EXPECT_STREQ("C:\\Program Files\\Ravelin", util.installPath);
    EXPECT_STREQ("C:\\Program Files\\Ravelin\\Data", util.dataPath);
    EXPECT_STREQ("C:\\Program Files\\Ravelin\\Data\\Properties.dat", util.propertiesPath);
    EXPECT_STREQ(util.dataPath, dataFolderForShell);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(util.dataPath));
    EXPECT_EQ(0, CUtil::IsUnsupportedPlatform());
    EXPECT_EQ(NULL, util.ownerWindow);
    EXPECT_EQ(0, util.progressHoldMs);
}

class DataFolderTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        SetSetting("path", "C:\\Program Files\\Ravelin");
        SetSetting("dataPath", "C:\\Program Files\\Ravelin\\Data");
        MSG message;
        while (::PeekMessageA(&message, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    static bool QuitPosted()
    {
        MSG message;
        return ::PeekMessageA(&message, NULL, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
    }
};

TEST_F(DataFolderTest, MissingParentsAreCreated)
{
    std::string base = MakeScratchDir("data folder");
    std::string folder = base + "\\one\\two three\\four";
    SetSetting("dataPath", folder);
    CDialogWatcher watcher;
    CUtil fresh;
    EXPECT_TRUE(watcher.MessageBoxTexts().empty());
    EXPECT_FALSE(QuitPosted());
    EXPECT_EQ(folder, fresh.dataPath);
    EXPECT_EQ(folder + "\\Properties.dat", fresh.propertiesPath);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(folder.c_str()));
    EXPECT_EQ(1, fresh.GetDataPath("fallback")); // an existing folder is accepted
}

TEST_F(DataFolderTest, UnusableFolderFallsBackToTheInstallationFolderAndEndsTheProgram)
{
    SetSetting("path", "C:\\Install Here");
    SetSetting("dataPath", "relative\\data");
    CDialogWatcher watcher;
    {
        CUtil fresh;
        EXPECT_STREQ("C:\\Install Here", fresh.dataPath);
        EXPECT_STREQ("C:\\Install Here", dataFolderForShell);
        EXPECT_STREQ("C:\\Install Here\\Properties.dat", fresh.propertiesPath);
    }
    EXPECT_THAT(watcher.MessageBoxTexts(),
                ::testing::ElementsAre(
                    "Internal error:\n\nGetDataPath - cannot find/create a data folder."));
    EXPECT_TRUE(QuitPosted());

    // Without a path value the installation folder is "."; so is the fallback.
    SetSetting("path", "");
    SetSetting("dataPath", "");
    CUtil bare;
    EXPECT_STREQ(".", bare.installPath);
    EXPECT_STREQ(".", bare.dataPath);
    EXPECT_EQ(0, bare.GetInstallPath());
}

TEST(ManagerLogTest, SlotsZeroTo99WriteAndDeleteTheirFilesAndNothingElse)
{
    std::string folder = MakeScratchDir("manager log");
    CUtil local = util;
    std::snprintf(local.dataPath, sizeof(local.dataPath), "%s", folder.c_str());
    for (uint32_t slot : {0u, 9u, 99u, 100u, static_cast<uint32_t>(-1)})
        local.WriteLog(slot, kLogEvent, "Service created.");
    EXPECT_TRUE(FileExists(folder + "\\00.log"));
    EXPECT_TRUE(FileExists(folder + "\\09.log"));
    EXPECT_TRUE(FileExists(folder + "\\99.log"));
    EXPECT_FALSE(FileExists(folder + "\\100.log"));
    std::vector<LogEntry> entries = ReadLogFile((folder + "\\09.log").c_str());
    ASSERT_EQ(1u, entries.size());
    EXPECT_STREQ("EVENT", entries[0].type);
    EXPECT_STREQ("Service created.", entries[0].message);

    local.DeleteLog(100);
    local.DeleteLog(9);
    local.DeleteLog(9); // a missing file is no matter
    EXPECT_FALSE(FileExists(folder + "\\09.log"));
    EXPECT_TRUE(FileExists(folder + "\\00.log"));
}

namespace {

// A top-level window of this test, for the window search and the bring-forward.
class CTestWindow {
public:
    explicit CTestWindow(const char* title)
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = ::DefWindowProcA;
        windowClass.hInstance = ::GetModuleHandleA(NULL);
        windowClass.lpszClassName = "RavelinUtilTestWindow";
        ::RegisterClassA(&windowClass);
        window = ::CreateWindowA("RavelinUtilTestWindow", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                 50, 60, 300, 200, NULL, NULL, windowClass.hInstance, NULL);
    }
    ~CTestWindow() { ::DestroyWindow(window); }
    HWND window;
};

} // namespace

TEST(ManagerWindowTest, FindsATopLevelWindowWhoseTitleContainsTheText)
{
    CTestWindow window("Ravelin - Morvane [second copy]");
    ASSERT_NE(nullptr, window.window);
    EXPECT_EQ(window.window, CUtil::FindWindowByTitle("Ravelin - Morvane"));
    EXPECT_EQ(window.window, CUtil::FindWindowByTitle("second"));
    EXPECT_EQ(nullptr, CUtil::FindWindowByTitle("ravelin - morvane"));
    EXPECT_EQ(nullptr, CUtil::FindWindowByTitle("No such title anywhere 8f3a"));
}

TEST(ManagerWindowTest, BringWindowToFrontRestoresAMinimisedWindowAtItsPlace)
{
    CTestWindow window("Bring me forward");
    ASSERT_NE(nullptr, window.window);
    RECT before;
    ::GetWindowRect(window.window, &before);
    ::ShowWindow(window.window, SW_MINIMIZE);
    ASSERT_TRUE(::IsIconic(window.window));

    CUtil::BringWindowToFront(window.window);
    EXPECT_FALSE(::IsIconic(window.window));
    EXPECT_TRUE(::IsWindowVisible(window.window));
    EXPECT_EQ(0, ::GetWindowLongA(window.window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    RECT after;
    ::GetWindowRect(window.window, &after);
    EXPECT_EQ(before.left, after.left);
    EXPECT_EQ(before.top, after.top);
    EXPECT_EQ(before.right - before.left, after.right - after.left);
}

TEST(ManagerBoxTest, BoxesAreCaptionedRavelinAndInstallErrorsNamedByCode)
{
    CDialogWatcher watcher;
    util.ErrorBox("An error.");
    util.InfoBox("Some news.");
    for (DWORD code : {5u, 6u, 52u, 87u, 123u, 1057u, 1059u, 1073u, 2u}) {
        ::SetLastError(code);
        util.ShowInstallError();
    }
    EXPECT_THAT(
        watcher.MessageBoxTexts(),
        ::testing::ElementsAre(
            "An error.", "Some news.",
            "The handle to the specified service control manager database does not have "
            "SC_MANAGER_CREATE_SERVICE access.",
            "The handle to the specified service control manager database is invalid.",
            "The display name already exists in the service control manager database either as "
            "a service name or as another display name.",
            "A parameter that was specified is invalid.", "The specified service name is invalid.",
            "The user account name specified does not exist.",
            "A circular service dependency was specified.",
            "The specified service already exists in this database.", "Service install failed."));
    for (const SeenDialog& box : watcher.Seen())
        EXPECT_EQ("Ravelin", box.caption);
}

TEST(ManagerTableTest, TheViewsTableIsTheOneTheQueriesReadAndIsSavedAtThePropertiesPath)
{
    std::string folder = MakeScratchDir("manager table");
    CUtil local = util;
    std::snprintf(local.propertiesPath, sizeof(local.propertiesPath), "%s\\Properties.dat",
                  folder.c_str());
    {
        CManagerTable table(local);
        EXPECT_EQ(0, table.LoadProperties()); // no table yet
        ASSERT_EQ(1, table.InitProperties());
        ASSERT_NE(nullptr, local.serviceTable);
        EXPECT_EQ(0, table.LoadProperties()); // no file yet: all slots stay free
        FillRecord(TestRecord(reinterpret_cast<char*>(&table.Record(12))), 12, "Kept", "C:\\a.exe", "C:\\", "", 1);
        EXPECT_EQ(1, local.CountServices());
        ASSERT_EQ(1, table.SaveProperties());
    }
    EXPECT_EQ(nullptr, local.serviceTable); // released with its owner

    CManagerTable reloaded(local);
    ASSERT_EQ(1, reloaded.InitProperties());
    ASSERT_EQ(1, reloaded.LoadProperties());
    EXPECT_STREQ("Kept", reloaded.Record(12).displayName);
    EXPECT_EQ(0, local.FindFreeSlot());
    local.newMode = 1;
    EXPECT_EQ(12, local.FindServiceByName("Kept"));
    EXPECT_EQ(table_layout::kTableSize, ReadFileBytes(local.propertiesPath).size());
}
