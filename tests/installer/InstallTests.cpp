// The built installer run silently in a fresh prefix: what it lays down, where, and what it asks
// the system to do to the data folder's permissions; a refusal of those permissions.

#include "InstallerSession.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <regex>

namespace {

const char* const kInstalledFiles[] = {"RavelinManager.exe", "Halyard.exe",
                                       "Ravelin.exe",        "RavelinCtl.exe",
                                       "RavelinSetupHelper.exe", "RavelinManual.html"};

std::string SystemDir()
{
    char system[MAX_PATH] = "";
    ::GetSystemDirectoryA(system, sizeof(system));
    return system;
}

// The one icacls call that protects the folder: inheritance removed, Administrators and SYSTEM
// full control, Users read and execute, each for the folder, its subfolders and files.
std::string ExpectedIcaclsCall(const std::string& folder)
{
    return "\"" + SystemDir() + "\\icacls.exe\" \"" + folder +
           "\" /inheritance:r /grant:r *S-1-5-32-544:(OI)(CI)F *S-1-5-18:(OI)(CI)F "
           "*S-1-5-32-545:(OI)(CI)RX";
}

// Every file below the folder, in bytes.
unsigned long long FolderBytes(const std::string& folder)
{
    unsigned long long total = 0;
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            total += FolderBytes(folder + "\\" + name);
        else
            total += (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return total;
}

bool SameText(const std::string& a, const std::string& b)
{
    return _stricmp(a.c_str(), b.c_str()) == 0;
}

class InstallTest : public ::testing::Test {
protected:
    CInstallerSession session;
};

TEST_F(InstallTest, SilentInstallLaysDownProgramsSettingsDataFolderShortcutsAndEntry)
{
    DWORD elapsed = 0;
    ASSERT_EQ(0, session.RunSetup("/S", &elapsed));
    std::printf("Silent install into the default folder: %lu ms\n", elapsed);

    std::string dir = DefaultInstallDir();
    for (const char* file : kInstalledFiles)
        EXPECT_EQ(ReadFileBytes(BinPath(file)), ReadFileBytes(dir + "\\" + file)) << file;
    EXPECT_TRUE(FileExists(dir + "\\Uninstall.exe"));
    // Every picture that the manual shows lies beside it.
    std::string manual = ReadFileBytes(dir + "\\RavelinManual.html");
    std::regex image("src=\"(manual/[^\"]+)\"");
    int images = 0;
    for (std::sregex_iterator it(manual.begin(), manual.end(), image), end; it != end; ++it) {
        std::string relative = (*it)[1];
        relative.replace(relative.find('/'), 1, "\\");
        EXPECT_TRUE(FileExists(dir + "\\" + relative)) << relative;
        ++images;
    }
    EXPECT_GE(images, 3);

    EXPECT_EQ(dir, ReadMachineText(kSettingsKeyName, "path"));
    EXPECT_EQ(DefaultDataDir(), ReadMachineText(kSettingsKeyName, "dataPath"));
    EXPECT_TRUE(FileExists(DefaultDataDir()));
    std::vector<std::string> calls = IcaclsCalls();
    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ(ExpectedIcaclsCall(DefaultDataDir()), calls[0]);

    ShortcutInfo manager = ReadShortcut(StartMenuFolder() + "\\Ravelin Manager.lnk");
    ASSERT_TRUE(manager.loaded);
    EXPECT_TRUE(SameText(dir + "\\RavelinManager.exe", manager.target)) << manager.target;
    EXPECT_EQ("", manager.arguments);
    ShortcutInfo manualLink = ReadShortcut(StartMenuFolder() + "\\Ravelin Manual.lnk");
    ASSERT_TRUE(manualLink.loaded);
    EXPECT_TRUE(SameText(dir + "\\RavelinManual.html", manualLink.target)) << manualLink.target;

    std::string version = FileVersionText(dir + "\\RavelinManager.exe");
    ASSERT_NE("", version);
    EXPECT_EQ("Ravelin", ReadMachineText(kUninstallKeyName, "DisplayName"));
    EXPECT_EQ(version, ReadMachineText(kUninstallKeyName, "DisplayVersion"));
    EXPECT_EQ("Morvane", ReadMachineText(kUninstallKeyName, "Publisher"));
    EXPECT_EQ(dir, ReadMachineText(kUninstallKeyName, "InstallLocation"));
    EXPECT_EQ("\"" + dir + "\\Uninstall.exe\"", ReadMachineText(kUninstallKeyName, "UninstallString"));
    EXPECT_EQ("\"" + dir + "\\Uninstall.exe\" /S",
              ReadMachineText(kUninstallKeyName, "QuietUninstallString"));
    DWORD sizeKb = 0;
    ASSERT_TRUE(ReadMachineNumber(kUninstallKeyName, "EstimatedSize", &sizeKb));
    // Kilobytes of the installed files, each rounded its own way.
    double expectedKb = static_cast<double>(FolderBytes(dir)) / 1024.0;
    EXPECT_NEAR(expectedKb, static_cast<double>(sizeKb), 16.0);
}

TEST_F(InstallTest, ChosenFolderAndAnEarlierDataFolderWithItsTableAndLog)
{
    // An earlier installation's data folder, elsewhere, with its table and a log.
    std::string data = MakeScratchDir("kept data");
    SetSetting("dataPath", data);
    WriteChildService(data, 4, "Kept Service");
    std::string log = "2011/02/23 [12:07:47]*EVENT**Service created.\r\n";
    WriteFileBytes(data + "\\04.log", log);
    std::string table = ReadFileBytes(data + "\\Properties.dat");

    std::string parent = "C:\\Other programs";
    std::string dir = parent + "\\Ravelin test";
    ASSERT_EQ(0, session.RunSetup("/S /D=" + dir));

    EXPECT_TRUE(FileExists(dir + "\\RavelinManager.exe"));
    EXPECT_FALSE(FileExists(DefaultInstallDir()));
    EXPECT_EQ(dir, ReadMachineText(kSettingsKeyName, "path"));
    EXPECT_EQ(data, ReadMachineText(kSettingsKeyName, "dataPath"));
    EXPECT_EQ(table, ReadFileBytes(data + "\\Properties.dat"));
    EXPECT_EQ(log, ReadFileBytes(data + "\\04.log"));
    std::vector<std::string> calls = IcaclsCalls();
    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ(ExpectedIcaclsCall(data), calls[0]);
    EXPECT_TRUE(SameText(dir + "\\RavelinManager.exe",
                         ReadShortcut(StartMenuFolder() + "\\Ravelin Manager.lnk").target));

    // Its uninstaller removes the chosen folder but not the folder above it, which is not ours.
    ASSERT_TRUE(session.RunUninstall(dir));
    EXPECT_FALSE(FileExists(StartMenuFolder()));
    EXPECT_TRUE(FileExists(parent));
    EXPECT_EQ(table, ReadFileBytes(data + "\\Properties.dat"));
    EXPECT_EQ(log, ReadFileBytes(data + "\\04.log"));
    ::RemoveDirectoryA(parent.c_str());
}

TEST_F(InstallTest, RefusedPermissionsLeaveNothingInstalled)
{
    session.SetIcaclsExitCode(5);
    // The installer's own code for a data folder it cannot protect.
    EXPECT_EQ(3, session.RunSetup("/S"));
    EXPECT_EQ(1u, IcaclsCalls().size());
    EXPECT_FALSE(FileExists(DefaultInstallDir()));
    EXPECT_FALSE(MachineKeyExists(kSettingsKeyName));
    EXPECT_FALSE(MachineKeyExists(kUninstallKeyName));
    EXPECT_FALSE(FileExists(StartMenuFolder()));
}

} // namespace
