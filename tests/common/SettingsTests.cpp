// The settings key and the host's utility object over it.

#include "HandleT.h"
#include "HostUtil.h"
#include "RegistrySettings.h"
#include "SettingsSnapshot.h"
#include "SlotArgument.h"
#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <vector>

CUtil util;

// Each test starts without the settings key and leaves it as it found it.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteSettingsKey(); }
    CSettingsSnapshot snapshot;
};

// The snapshot every suite restores the settings with: values removed, added and retyped since
// come back as they were, and a key that did not exist is gone again.
TEST_F(SettingsTest, SnapshotPutsBackTheKeyAsItWas)
{
    {
        CSettingsSnapshot absent;
        SetSetting("path", "C:\\Somewhere");
    }
    EXPECT_THAT(SettingNames(), ::testing::IsEmpty());

    SetSetting("path", "C:\\Before");
    const DWORD number = 7;
    HKEY created = NULL;
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Morvane\\Ravelin", 0, NULL, 0,
                                KEY_SET_VALUE | KEY_QUERY_VALUE, NULL, &created, NULL));
    CRegKey key(created);
    ::RegSetValueExA(key.Get(), "other", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                     sizeof(number));
    {
        CSettingsSnapshot present;
        EXPECT_TRUE(present.Complete());
        SetSetting("path", "");
        SetSetting("dataPath", "C:\\Added");
        SetSetting("other", "no longer a number");
    }
    EXPECT_THAT(SettingNames(), ::testing::UnorderedElementsAre("path", "other"));
    char value[kSettingBufferSize];
    ASSERT_EQ(1, ReadSetting(kInstallPathValue, value));
    EXPECT_STREQ("C:\\Before", value);
    DWORD type = 0;
    DWORD read = 0;
    DWORD size = sizeof(read);
    EXPECT_EQ(ERROR_SUCCESS, ::RegQueryValueExA(key.Get(), "other", NULL, &type,
                                                reinterpret_cast<BYTE*>(&read), &size));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    EXPECT_EQ(number, read);
}

TEST_F(SettingsTest, ValuesUpTo253CharactersAreFound)
{
    char value[kSettingBufferSize];
    EXPECT_EQ(0, ReadSetting(kDataPathValue, value));

    SetSetting("dataPath", "C:\\Ravelin Data");
    ASSERT_EQ(1, ReadSetting(kDataPathValue, value));
    EXPECT_STREQ("C:\\Ravelin Data", value);
    EXPECT_EQ(0, ReadSetting(kInstallPathValue, value));
    EXPECT_STREQ("", value);

    SetSetting("path", std::string(253, 'p'));
    ASSERT_EQ(1, ReadSetting(kInstallPathValue, value));
    EXPECT_EQ(std::string(253, 'p'), value);
    SetSetting("path", std::string(254, 'p'));
    EXPECT_EQ(0, ReadSetting(kInstallPathValue, value));
    EXPECT_STREQ("", value);
}

TEST_F(SettingsTest, HostPathsAreFormedFromTheDataFolder)
{
    CUtil host;
    EXPECT_EQ(0, host.MakePropertiesPath());

    SetSetting("dataPath", "C:\\data\\");
    ASSERT_EQ(1, host.MakePropertiesPath());
    EXPECT_STREQ("C:\\data\\", host.dataPath);
    EXPECT_STREQ("C:\\data\\\\Properties.dat", host.propertiesPath); // always one more backslash

    std::string folder240 = "C:\\" + std::string(237, 'f');
    SetSetting("dataPath", folder240);
    EXPECT_EQ(1, host.MakePropertiesPath());
    SetSetting("dataPath", folder240 + "g");
    EXPECT_EQ(0, host.MakePropertiesPath());
}

TEST_F(SettingsTest, HostLogGoesToTheFileNamedByTheArgument)
{
    std::string folder = MakeScratchDir("host log");
    SetSetting("dataPath", folder);
    CUtil host;
    ASSERT_EQ(1, ParseSlotArgument("7", host));
    ASSERT_EQ(1, host.GetDataPath());
    host.WriteLog(kLogEvent, "seven");
    std::vector<LogEntry> entries = ReadLogFile((folder + "\\7.log").c_str());
    ASSERT_EQ(1u, entries.size());
    EXPECT_STREQ("seven", entries[0].message);
}

TEST(SlotArgumentTest, LeadingNumberWithinTheTable)
{
    int slot = -5;
    EXPECT_TRUE(ParseSlotNumber("07", &slot));
    EXPECT_EQ(7, slot);
    EXPECT_TRUE(ParseSlotNumber("  +49xyz", &slot));
    EXPECT_EQ(49, slot);
    EXPECT_TRUE(ParseSlotNumber("word", &slot));
    EXPECT_EQ(0, slot);
    EXPECT_TRUE(ParseSlotNumber("-0", &slot));
    EXPECT_EQ(0, slot);
    EXPECT_FALSE(ParseSlotNumber("50", &slot));
    EXPECT_FALSE(ParseSlotNumber("-1", &slot));
    EXPECT_FALSE(ParseSlotNumber("99999999999999999999", &slot));
}

TEST(SlotArgumentTest, ArgumentIsKeptAsGivenOrRefused)
{
    CUtil host;
    EXPECT_EQ(0, ParseSlotArgument("", host));
    EXPECT_EQ(0, ParseSlotArgument("50", host));
    ASSERT_EQ(1, ParseSlotArgument("007", host)); // longer than two characters: kept whole
    EXPECT_STREQ("007", host.slotText);
    EXPECT_EQ(7, host.slot);
    ASSERT_EQ(1, ParseSlotArgument("7", host));
    EXPECT_STREQ("7", host.slotText);
    EXPECT_EQ(7, host.slot);
    ASSERT_EQ(1, ParseSlotArgument("ab", host));
    EXPECT_STREQ("ab", host.slotText);
    EXPECT_EQ(0, host.slot);
}
