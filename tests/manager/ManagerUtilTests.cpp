// The manager's utility object: slot queries, names and paths, the data folder, the log, windows.

#include "DialogWatcher.h"
#include "HandleT.h"
#include "ManagerTable.h"
#include "ManagerUtil.h"
#include "SettingsSnapshot.h"
#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <cstring>
#include <map>
#include <thread>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Answers any box that nobody else answered within 3 s, so that a missed box fails its test
// instead of holding the suite until its timeout. Made before util: start-up boxes count too.
CDialogWatcher missedBoxes(3000);

CUtil util;

namespace {

// Every test of the suite: no message box may go unanswered.
class ManagerTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        EXPECT_THAT(TextsOf(missedBoxes.TakeMessageBoxes()), IsEmpty()) << "a message box nobody expected";
    }
};

// A util whose slot queries read an in-memory table of the test's making.
class SlotQueryTest : public ManagerTest {
protected:
    void SetUp() override { util.serviceTable = reinterpret_cast<ServiceTable*>(&image.bytes[0]); }
    void TearDown() override
    {
        util.serviceTable = nullptr;
        util.newMode = 0;
        util.editSlot = 0;
        ManagerTest::TearDown();
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
    EXPECT_EQ(2, util.FindServiceByName("My Service"));
    EXPECT_EQ(-1, util.FindServiceByName("my service"));
    EXPECT_EQ(-1, util.FindServiceByName("My Servic"));
    EXPECT_EQ(5, util.FindServiceByAppPath("C:\\Apps\\two.exe"));
    EXPECT_EQ(-1, util.FindServiceByAppPath("C:\\APPS\\two.exe"));

    // Editing slot 2: the record itself is passed over.
    EXPECT_EQ(-1, util.FindServiceByName("My Service", 2));
    EXPECT_EQ(5, util.FindServiceByName("Other", 2));
    EXPECT_EQ(-1, util.FindServiceByAppPath("C:\\Apps\\one.exe", 2));
    Use(7, "My Service");
    EXPECT_EQ(7, util.FindServiceByName("My Service", 2));
    // The members the New/Edit dialog once read play no part.
    util.newMode = 0;
    util.editSlot = 7;
    EXPECT_EQ(2, util.FindServiceByName("My Service"));
}

TEST_F(SlotQueryTest, NameWithoutTerminatorIsComparedWithinItsField)
{
    std::memset(image[4].Bytes() + table_layout::kDisplayName.offset, 'n',
                table_layout::kDisplayName.size);
    EXPECT_EQ(4, util.FindServiceByName(std::string(81, 'n').c_str()));
    EXPECT_EQ(-1, util.FindServiceByName(std::string(82, 'n').c_str()));
    EXPECT_EQ(1, util.CountServices());
}

TEST_F(SlotQueryTest, SystemNameSearchIgnoresLetterCaseAndBlanksAgainstHyphens)
{
    Use(2, "Web Cache", "C:\\Apps\\one.exe");
    Use(5, "Other", "C:\\Apps\\two.exe");
    EXPECT_EQ(2, util.FindServiceBySystemName("Web Cache"));
    EXPECT_EQ(2, util.FindServiceBySystemName("web-cache"));
    EXPECT_EQ(2, util.FindServiceBySystemName("WEB CACHE"));
    EXPECT_EQ(5, util.FindServiceBySystemName("OTHER"));
    EXPECT_EQ(-1, util.FindServiceBySystemName("WebCache"));
    EXPECT_EQ(-1, util.FindServiceBySystemName("Web Cache2"));
    EXPECT_EQ(-1, util.FindServiceBySystemName("Web  Cache"));
    // Free slots never match, not even an empty name.
    EXPECT_EQ(-1, util.FindServiceBySystemName(""));

    // The edited record is passed over; another one of the same SCM name is not.
    EXPECT_EQ(-1, util.FindServiceBySystemName("web cache", 2));
    Use(9, "web-CACHE");
    EXPECT_EQ(9, util.FindServiceBySystemName("Web Cache", 2));

    // A name that fills its field without a terminator is read within the field.
    std::memset(image[4].Bytes() + table_layout::kDisplayName.offset, 'n',
                table_layout::kDisplayName.size);
    EXPECT_EQ(4, util.FindServiceBySystemName(std::string(81, 'N').c_str()));
    EXPECT_EQ(-1, util.FindServiceBySystemName(std::string(80, 'N').c_str()));
}

TEST_F(ManagerTest, SameServiceNameIsEqualityIgnoringLetterCaseOnly)
{
    EXPECT_TRUE(CUtil::SameServiceName("Web-Cache", "web-cache"));
    if (::GetACP() == 1252) { // accented letters of code page 1252
        EXPECT_TRUE(CUtil::SameServiceName("\xC9t\xE9", "\xE9T\xC9"));
    }
    EXPECT_FALSE(CUtil::SameServiceName("Web-Cache", "WebCache"));
    EXPECT_FALSE(CUtil::SameServiceName("Web-Cache", "Web_Cache"));
    EXPECT_FALSE(CUtil::SameServiceName("Web-Cache", "Web-Cache "));
    EXPECT_FALSE(CUtil::SameServiceName("a", ""));
    EXPECT_TRUE(CUtil::SameServiceName("", ""));
}

using ManagerUtilTest = ManagerTest;
using ManagerLogTest = ManagerTest;
using ManagerWindowTest = ManagerTest;
using ManagerBoxTest = ManagerTest;
using ManagerTableTest = ManagerTest;

TEST_F(ManagerUtilTest, NoTableMeansNoServicesAndNoFreeSlot)
{
    ASSERT_EQ(nullptr, util.serviceTable);
    EXPECT_EQ(0, util.CountServices());
    EXPECT_EQ(-1, util.FindFreeSlot());
    EXPECT_EQ(-1, util.FindServiceByName("x"));
}

TEST_F(ManagerUtilTest, ServiceNamesAndFolders)
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

TEST_F(ManagerUtilTest, ConstructionFindsTheInstalledFolders)
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

// Constructions of further CUtil objects: they change the settings, the process-wide copy of the
// data folder and the thread's message queue, and all three are put back.
class DataFolderTest : public ManagerTest {
protected:
    void SetUp() override { std::memcpy(shellFolder, dataFolderForShell, sizeof(shellFolder)); }
    void TearDown() override
    {
        std::memcpy(dataFolderForShell, shellFolder, sizeof(shellFolder));
        MSG message;
        while (::PeekMessageA(&message, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        ManagerTest::TearDown();
    }
    static bool QuitPosted()
    {
        MSG message;
        return ::PeekMessageA(&message, NULL, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
    }
    CSettingsSnapshot settings;
    char shellFolder[kDataFolderCopySize];
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
    EXPECT_EQ(folder, dataFolderForShell);
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
                ElementsAre("Internal error:\n\nGetDataPath - cannot find/create a data folder."));
    EXPECT_TRUE(QuitPosted());

    // Without a path value the installation folder is "."; so is the fallback.
    SetSetting("path", "");
    SetSetting("dataPath", "");
    CUtil bare;
    EXPECT_STREQ(".", bare.installPath);
    EXPECT_STREQ(".", bare.dataPath);
    EXPECT_EQ(0, bare.GetInstallPath());
    EXPECT_EQ(2u, watcher.MessageBoxTexts().size());
}

namespace {

// Every file of a folder with its contents.
std::map<std::string, std::string> FilesIn(const std::string& folder)
{
    std::map<std::string, std::string> files;
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return files;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files[found.cFileName] = ReadFileBytes(folder + "\\" + found.cFileName);
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return files;
}

} // namespace

TEST_F(ManagerLogTest, SlotsZeroTo99WriteAndDeleteTheirFilesAndNothingElse)
{
    std::string folder = MakeScratchDir("manager log");
    CUtil local = util;
    std::snprintf(local.dataPath, sizeof(local.dataPath), "%s", folder.c_str());
    for (uint32_t slot : {0u, 9u, 99u})
        local.WriteLog(slot, kLogEvent, "Service created.");
    EXPECT_TRUE(FileExists(folder + "\\00.log"));
    EXPECT_TRUE(FileExists(folder + "\\09.log"));
    EXPECT_TRUE(FileExists(folder + "\\99.log"));
    std::vector<LogEntry> entries = ReadLogFile((folder + "\\09.log").c_str());
    ASSERT_EQ(1u, entries.size());
    EXPECT_STREQ("EVENT", entries[0].type);
    EXPECT_STREQ("Service created.", entries[0].message);

    // The files that a slot number beyond 99, or -1 taken as signed or unsigned, cut or wrapped,
    // could name: none of them is written, none deleted.
    for (const char* name : {"100.log", "-1.log", "-01.log", "4294967295.log", "01.log", "10.log",
                             "255.log", "65535.log"})
        WriteFileBytes(folder + "\\" + name, std::string("kept ") + name);
    std::map<std::string, std::string> before = FilesIn(folder);
    for (uint32_t slot : {100u, static_cast<uint32_t>(-1), 255u, 65535u, 4294967295u}) {
        local.WriteLog(slot, kLogError, "Nothing to write.");
        local.DeleteLog(slot);
    }
    EXPECT_EQ(before, FilesIn(folder));

    local.DeleteLog(9);
    local.DeleteLog(9); // a missing file is no matter
    local.DeleteLog(99);
    EXPECT_FALSE(FileExists(folder + "\\09.log"));
    EXPECT_FALSE(FileExists(folder + "\\99.log"));
    before.erase("09.log");
    before.erase("99.log");
    EXPECT_EQ(before, FilesIn(folder));
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

TEST_F(ManagerWindowTest, FindsATopLevelWindowWhoseTitleContainsTheText)
{
    CTestWindow window("Ravelin - Morvane [second copy]");
    ASSERT_NE(nullptr, window.window);
    EXPECT_EQ(window.window, CUtil::FindWindowByTitle("Ravelin - Morvane"));
    EXPECT_EQ(window.window, CUtil::FindWindowByTitle("second"));
    EXPECT_EQ(nullptr, CUtil::FindWindowByTitle("ravelin - morvane"));
    EXPECT_EQ(nullptr, CUtil::FindWindowByTitle("No such title anywhere 8f3a"));
}

TEST_F(ManagerWindowTest, BringWindowToFrontRestoresAMinimisedWindowAtItsPlace)
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

namespace {

// Sets util's owner of message boxes for as long as it lives.
class COwnerOverride {
public:
    explicit COwnerOverride(HWND owner) : saved_(util.ownerWindow) { util.ownerWindow = owner; }
    ~COwnerOverride() { util.ownerWindow = saved_; }

private:
    HWND saved_;
};

} // namespace

TEST_F(ManagerBoxTest, ErrorBoxesShowTheErrorIconInfoBoxesTheInformationIconBothOwned)
{
    HICON errorIcon = ::LoadIconA(NULL, IDI_HAND);
    HICON infoIcon = ::LoadIconA(NULL, IDI_ASTERISK);
    ASSERT_NE(nullptr, errorIcon);
    ASSERT_NE(nullptr, infoIcon);
    ASSERT_NE(errorIcon, infoIcon);
    CTestWindow owner("Ravelin box owner");
    ASSERT_NE(nullptr, owner.window);

    CDialogWatcher inspector;
    util.ErrorBox("An error.");
    util.InfoBox("Some news.");
    ::SetLastError(ERROR_SERVICE_EXISTS);
    util.ShowInstallError();
    {
        COwnerOverride owned(owner.window);
        util.ErrorBox("An owned error.");
        util.InfoBox("Owned news.");
        ::SetLastError(ERROR_SERVICE_EXISTS);
        util.ShowInstallError();
    }
    EXPECT_EQ(nullptr, util.ownerWindow);

    std::vector<SeenDialog> boxes = inspector.TakeMessageBoxes();
    ASSERT_EQ(6u, boxes.size());
    const char* texts[] = {"An error.", "Some news.",
                           "The specified service already exists in this database.",
                           "An owned error.", "Owned news.",
                           "The specified service already exists in this database."};
    HICON icons[] = {errorIcon, infoIcon, errorIcon, errorIcon, infoIcon, errorIcon};
    for (size_t i = 0; i < boxes.size(); ++i) {
        EXPECT_EQ(texts[i], boxes[i].text) << i;
        EXPECT_EQ("Ravelin", boxes[i].caption) << i;
        EXPECT_EQ(icons[i], boxes[i].icon) << boxes[i].text;
        EXPECT_EQ(i < 3 ? NULL : owner.window, boxes[i].owner) << boxes[i].text;
    }
}

// Every suite's safety net: a late watcher leaves a box to whoever answers it in time, and
// answers a box left open itself once its delay has passed.
TEST_F(ManagerTest, LateWatcherAnswersOnlyABoxLeftOpen)
{
    CDialogWatcher late(1500);
    {
        CDialogWatcher prompt;
        std::thread([] { ::MessageBoxA(NULL, "answered in time", "Watched", MB_OK); }).join();
        EXPECT_THAT(prompt.MessageBoxTexts(), ElementsAre("answered in time"));
    }
    DWORD start = ::GetTickCount();
    std::thread([] { ::MessageBoxA(NULL, "left open", "Watched", MB_OK); }).join();
    EXPECT_GE(::GetTickCount() - start, 1500u);
    std::vector<SeenDialog> boxes = late.TakeMessageBoxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("left open", boxes[0].text);
    EXPECT_EQ("Watched", boxes[0].caption);
    EXPECT_GE(boxes[0].openMs, 1500u);
    EXPECT_THAT(late.TakeMessageBoxes(), IsEmpty());
}

TEST_F(ManagerBoxTest, InstallErrorsAreNamedByTheirCode)
{
    HICON errorIcon = ::LoadIconA(NULL, IDI_HAND);
    CDialogWatcher inspector;
    for (DWORD code : {5u, 6u, 52u, 87u, 123u, 1057u, 1059u, 1073u, 2u, 0u}) {
        ::SetLastError(code);
        util.ShowInstallError();
    }
    std::vector<SeenDialog> boxes = inspector.TakeMessageBoxes();
    EXPECT_THAT(
        TextsOf(boxes),
        ElementsAre(
            "The handle to the specified service control manager database does not have "
            "SC_MANAGER_CREATE_SERVICE access.",
            "The handle to the specified service control manager database is invalid.",
            "The display name already exists in the service control manager database either as "
            "a service name or as another display name.",
            "A parameter that was specified is invalid.", "The specified service name is invalid.",
            "The user account name specified does not exist.",
            "A circular service dependency was specified.",
            "The specified service already exists in this database.", "Service install failed.",
            "Service install failed."));
    for (const SeenDialog& box : boxes) {
        EXPECT_EQ("Ravelin", box.caption);
        EXPECT_EQ(errorIcon, box.icon) << box.text;
    }
}

namespace {

const char kProbeVersionKey[] = "Software\\Wine\\AppDefaults\\PlatformProbe.exe";

// The probe's lines as name -> value.
std::map<std::string, std::string> RunPlatformProbe(const std::string& resultFile)
{
    std::map<std::string, std::string> result;
    ::DeleteFileA(resultFile.c_str());
    CTestProcess probe;
    if (!probe.Start(BinPath("PlatformProbe.exe"), "PlatformProbe.exe \"" + resultFile + "\"") ||
        !probe.WaitExit(30000) || probe.ExitCode() != 0)
        return result;
    std::string text = ReadFileBytes(resultFile);
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        size_t equals = line.find('=');
        if (equals != std::string::npos)
            result[line.substr(0, equals)] = line.substr(equals + 1);
        at = end == std::string::npos ? text.size() : end + 1;
    }
    return result;
}

// Wine reports to a program the Windows version named under its AppDefaults key.
class PlatformTest : public ManagerTest {
protected:
    void TearDown() override
    {
        ::RegDeleteKeyA(HKEY_CURRENT_USER, kProbeVersionKey);
        ManagerTest::TearDown();
    }
    static void ReportVersion(const char* version)
    {
        HKEY opened = NULL;
        ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, kProbeVersionKey, 0, NULL,
                                                   0, KEY_ALL_ACCESS, NULL, &opened, NULL));
        CRegKey key(opened);
        ASSERT_EQ(ERROR_SUCCESS,
                  ::RegSetValueExA(key.Get(), "Version", 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(version),
                                   static_cast<DWORD>(std::strlen(version) + 1)));
    }
};

} // namespace

TEST_F(PlatformTest, Windows95To98AndMeAreRefusedAtStartUpAndTheNtFamilyIsNot)
{
    const std::string refusal =
        "Sorry, Ravelin is not compatible with Windows 95/98/ME.\\n\\nProgram will be terminated.";
    struct Case {
        const char* version;
        const char* reported;
        bool refused;
    } cases[] = {
        {"win95", "4.0", true}, {"win98", "4.10", true},  {"winme", "4.90", true},
        {"nt40", "4.0", false}, {"winxp", "5.1", false}, {"win7", "6.1", false},
        {"win10", "6.2", false},
    };
    std::string resultFile = MakeScratchDir("platform probe") + "\\result.txt";
    for (const Case& c : cases) {
        ReportVersion(c.version);
        std::map<std::string, std::string> result = RunPlatformProbe(resultFile);
        ASSERT_FALSE(result.empty()) << c.version;
        // Wine did report the version asked for: the outcome is the check's.
        EXPECT_EQ(c.refused ? "1" : "2", result["platform"]) << c.version;
        EXPECT_EQ(c.reported, result["version"]) << c.version;
        EXPECT_EQ(c.refused ? "1" : "0", result["unsupported"]) << c.version;
        EXPECT_EQ(c.refused ? refusal : std::string(), result["boxes"]) << c.version;
        EXPECT_EQ(c.refused ? "1" : "0", result["quit"]) << c.version;
    }
}

TEST_F(ManagerTableTest, TheViewsTableIsTheOneTheQueriesReadAndIsSavedAtThePropertiesPath)
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
    EXPECT_EQ(12, local.FindServiceByName("Kept"));
    EXPECT_EQ(table_layout::kTableSize, ReadFileBytes(local.propertiesPath).size());
}
