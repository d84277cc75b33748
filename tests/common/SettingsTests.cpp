// The settings key and the host's utility object over it.

#include "HostUtil.h"
#include "RegistrySettings.h"
#include "SlotArgument.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

CUtil util;

class SettingsTest : public ::testing::Test {
protected:
    void TearDown() override { DeleteSettingsKey(); }
};

TEST_F(SettingsTest, ValuesUpTo253CharactersAreFound)
{
    char value[kSettingBufferSize];
    DeleteSettingsKey();
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
    EXPECT_EQ(0, ParseSlotArgument("007", host)); // longer than slotText holds
    ASSERT_EQ(1, ParseSlotArgument("7", host));
    EXPECT_STREQ("7", host.slotText);
    EXPECT_EQ(7, host.slot);
    ASSERT_EQ(1, ParseSlotArgument("ab", host));
    EXPECT_STREQ("ab", host.slotText);
    EXPECT_EQ(0, host.slot);
}
