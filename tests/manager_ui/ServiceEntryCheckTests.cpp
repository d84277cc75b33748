// The New/Edit dialog's Apply checks over an in-memory table: their order, their texts, the
// name check by the service's name in the SCM (blanks as "-", letter case ignored), the path
// check's exact comparison, and the edited record passed over.

#include "ManagerUtil.h"
#include "ServiceEntryCheck.h"
#include "TableBytes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class ServiceEntryCheckTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FillRecord(image[0], 0, "Notepad", "C:\\Windows\\notepad.exe", "C:\\Windows", "", 1);
        FillRecord(image[3], 3, "Tools service", "C:\\Tools\\app.exe", "C:\\Tools", "-x", 0);
        util.serviceTable = reinterpret_cast<ServiceTable*>(&image.bytes[0]);
    }
    void TearDown() override { util.serviceTable = nullptr; }

    // The message the checks give, or "" when all pass.
    std::string Check(const char* name, const char* path)
    {
        char message[256] = "untouched";
        bool passed = CheckServiceEntries(util, editSlot_, name, path, message, sizeof(message));
        EXPECT_EQ(passed, message[0] == '\0') << "result and message disagree: " << message;
        return message;
    }

    void Edit(int slot) { editSlot_ = slot; }

    TableImage image;
    CUtil util;
    int editSlot_ = -1;
};

const char kToolsPathTaken[] =
    "The application is already registered by name of:\n\nTools service";

} // namespace

TEST_F(ServiceEntryCheckTest, ChecksRunInOrderAndTheFirstFailureIsReported)
{
    EXPECT_EQ("Please enter the service name.", Check("", ""));
    EXPECT_EQ("Please enter the service name.", Check("", "C:\\Tools\\app.exe"));
    EXPECT_EQ("Please choose the application executable file path by Browse button.",
              Check("Notepad", ""));
    // A taken name is reported before a taken path.
    EXPECT_EQ("The service name is already exist.", Check("Notepad", "C:\\Tools\\app.exe"));
    EXPECT_EQ(kToolsPathTaken, Check("Other", "C:\\Tools\\app.exe"));
    EXPECT_EQ("", Check("Other", "C:\\Other\\other.exe"));
}

TEST_F(ServiceEntryCheckTest, EmptyMeansZeroLengthOnly)
{
    EXPECT_EQ("", Check("   ", "C:\\Other\\other.exe"));
    EXPECT_EQ("", Check("Other", " "));
}

TEST_F(ServiceEntryCheckTest, NamesThatMakeTheSameServiceInTheScmAreTakenPathsCompareByteForByte)
{
    // "Notepad" is the SCM's service Notepad, whatever the letter case.
    EXPECT_EQ("The service name is already exist.", Check("notepad", "C:\\Other\\other.exe"));
    EXPECT_EQ("The service name is already exist.", Check("NOTEPAD", "C:\\Other\\other.exe"));
    // "Tools service" is Tools-service: a hyphen or a blank, in any case, is the same name.
    for (const char* name : {"Tools-service", "tools service", "TOOLS-SERVICE", "Tools-Service"})
        EXPECT_EQ("The service name is already exist.", Check(name, "C:\\Other\\other.exe"))
            << name;
    // Other names stay free: another character, a missing hyphen, a trailing blank.
    for (const char* name : {"Tools service2", "Toolsservice", "Tools  service", "Notepad ",
                             "Tools_service", "Tools"})
        EXPECT_EQ("", Check(name, "C:\\Other\\other.exe")) << name;
    // Paths still compare byte for byte.
    EXPECT_EQ("", Check("Other", "C:\\TOOLS\\app.exe"));
    EXPECT_EQ("", Check("Other", "C:\\Tools\\app.exe "));
    EXPECT_EQ("", Check("Other", "C:\\Tools"));
}

TEST_F(ServiceEntryCheckTest, WebCacheWebHyphenCacheAndLowerCaseWebCacheAreOneService)
{
    FillRecord(image[7], 7, "Web Cache", "C:\\Web\\cache.exe", "", "", 1);
    for (const char* name : {"Web Cache", "Web-Cache", "web cache", "web-cache", "WEB CACHE"})
        EXPECT_EQ("The service name is already exist.", Check(name, "C:\\Web\\other.exe"))
            << name;
    EXPECT_EQ("", Check("Web Cache2", "C:\\Web\\other.exe"));
    EXPECT_EQ("", Check("WebCache", "C:\\Web\\other.exe"));

    // Editing "Web Cache" itself: another letter case or a hyphen is still the same record.
    Edit(7);
    EXPECT_EQ("", Check("web cache", "C:\\Web\\cache.exe"));
    EXPECT_EQ("", Check("Web-Cache", "C:\\Web\\cache.exe"));
    // Editing another record into Web Cache's service is refused.
    Edit(3);
    EXPECT_EQ("The service name is already exist.", Check("web-cache", "C:\\Tools\\app.exe"));
}

TEST_F(ServiceEntryCheckTest, AnExistingCollidingPairStillRefusesBothNamesAndEachMayBeEdited)
{
    // A table made by an earlier version: two records of one SCM service.
    FillRecord(image[10], 10, "Web Cache", "C:\\Web\\one.exe", "", "", 1);
    FillRecord(image[11], 11, "web-cache", "C:\\Web\\two.exe", "", "", 1);
    EXPECT_EQ("The service name is already exist.", Check("WEB CACHE", "C:\\Web\\new.exe"));
    // Each record, edited, still collides with the other one: the pair cannot be made worse,
    // only renamed apart.
    Edit(10);
    EXPECT_EQ("The service name is already exist.", Check("Web Cache", "C:\\Web\\one.exe"));
    EXPECT_EQ("", Check("Web Cache A", "C:\\Web\\one.exe"));
    Edit(11);
    EXPECT_EQ("", Check("web-cache-b", "C:\\Web\\two.exe"));
}

TEST_F(ServiceEntryCheckTest, EditPassesOverItsOwnRecordButNotOthers)
{
    Edit(3);
    EXPECT_EQ("", Check("Tools service", "C:\\Tools\\app.exe"));
    EXPECT_EQ("The service name is already exist.", Check("Notepad", "C:\\Tools\\app.exe"));
    EXPECT_EQ("The application is already registered by name of:\n\nNotepad",
              Check("Tools service", "C:\\Windows\\notepad.exe"));
    // New passes over nothing: slot 3 counts too.
    Edit(-1);
    EXPECT_EQ("The service name is already exist.", Check("Tools service", "C:\\New\\new.exe"));
}

TEST_F(ServiceEntryCheckTest, AFullLengthNameFitsTheMessage)
{
    // 80 characters of name after the sentence, the colon and the empty line: 133 bytes in all.
    std::string longName(80, 'N');
    FillRecord(image[49], 49, longName.c_str(), "C:\\Long\\long.exe", "", "", 0);
    EXPECT_EQ(std::string("The application is already registered by name of:\n\n") + longName,
              Check("Other", "C:\\Long\\long.exe"));
}
