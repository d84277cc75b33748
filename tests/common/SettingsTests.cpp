// The settings key and the host's utility object over it.

#include "HandleT.h"
#include "HostUtil.h"
#include "RegistrySettings.h"
#include "SlotArgument.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <vector>

CUtil util;

namespace {

// The settings key as it stood, values and all; put back as it was when the test ends.
class CSettingsSnapshot {
public:
    CSettingsSnapshot()
    {
        HKEY opened = NULL;
        existed_ = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_QUERY_VALUE,
                                   &opened) == ERROR_SUCCESS;
        if (!existed_)
            return;
        CRegKey key(opened);
        for (DWORD index = 0;; ++index) {
            Value value;
            char name[256];
            DWORD nameSize = sizeof(name);
            BYTE data[2048];
            DWORD dataSize = sizeof(data);
            if (::RegEnumValueA(key.Get(), index, name, &nameSize, NULL, &value.type, data,
                                &dataSize) != ERROR_SUCCESS)
                break;
            value.name.assign(name, nameSize);
            value.data.assign(data, data + dataSize);
            values_.push_back(value);
        }
    }
    ~CSettingsSnapshot()
    {
        DeleteSettingsKey();
        if (!existed_)
            return;
        HKEY created = NULL;
        if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, NULL, 0, KEY_SET_VALUE, NULL,
                              &created, NULL) != ERROR_SUCCESS)
            return;
        CRegKey key(created);
        for (const Value& value : values_)
            ::RegSetValueExA(key.Get(), value.name.c_str(), 0, value.type, value.data.data(),
                             static_cast<DWORD>(value.data.size()));
    }
    CSettingsSnapshot(const CSettingsSnapshot&) = delete;
    CSettingsSnapshot& operator=(const CSettingsSnapshot&) = delete;

private:
    struct Value {
        std::string name;
        DWORD type = 0;
        std::vector<BYTE> data;
    };
    bool existed_ = false;
    std::vector<Value> values_;
};

} // namespace

// Each test starts without the settings key and leaves it as it found it.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteSettingsKey(); }
    CSettingsSnapshot snapshot;
};

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
