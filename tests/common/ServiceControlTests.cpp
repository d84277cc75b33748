// The window-free service control against the real Service Control Manager: registration with
// its Parameters key, the failed step and system error of each refusal, the order of the two
// handshakes, the hold on the clock, and the image checks that find an installation's services.

#include "HandleT.h"
#include "ServiceControl.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using ::testing::ElementsAre;

namespace {

const char kName[] = "Ravelin-Core-Test";
const char kMissing[] = "Ravelin-No-Such-Service";
const char kInstallDir[] = "C:\\Core Test\\Ravelin";

std::string ReadParameter(const char* value)
{
    std::string path = std::string("SYSTEM\\CurrentControlSet\\Services\\") + kName +
                       "\\Parameters";
    char data[256] = "";
    DWORD size = sizeof(data);
    if (::RegGetValueA(HKEY_LOCAL_MACHINE, path.c_str(), value, RRF_RT_REG_SZ, NULL, data,
                       &size) != ERROR_SUCCESS)
        return "(none)";
    return data;
}

class ServiceControlTest : public ::testing::Test {
protected:
    void SetUp() override { RemoveTestService(); }
    void TearDown() override { RemoveTestService(); }

    void RemoveTestService()
    {
        if (control.Remove(kName).Succeeded())
            control.WaitState(kName, 0, 10000);
    }

    ServiceResult RegisterTestService()
    {
        ServiceRegistration registration;
        registration.serviceName = kName;
        registration.displayName = "Ravelin Core Test";
        registration.imagePath = "\"C:\\Core Test\\Ravelin\\Ravelin.exe\"";
        registration.application = "\"C:\\Core Test\\Ravelin\\Halyard.exe\"";
        registration.appParameters = "07";
        return control.Register(registration);
    }

    CServiceControl control;
    std::vector<std::string> steps;
    RunRequestSave save = [this](uint32_t value) {
        steps.push_back("save " + std::to_string(value));
        return true;
    };
};

} // namespace

TEST_F(ServiceControlTest, RegistersFindsQueriesAndRemoves)
{
    ASSERT_TRUE(control.Connected());
    ASSERT_TRUE(RegisterTestService().Succeeded());
    EXPECT_EQ("\"C:\\Core Test\\Ravelin\\Halyard.exe\"", ReadParameter("Application"));
    EXPECT_EQ("07", ReadParameter("AppParameters"));

    DWORD state = 0;
    EXPECT_TRUE(control.QueryState(kName, state).Succeeded());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), state);

    // The image check (with the access that lists services): the service belongs to its
    // installation folder, in any letter case and with or without a trailing backslash, and to
    // no other.
    CServiceControl finder(kFinderScmAccess);
    std::vector<InstalledService> found = finder.Find("c:\\core test\\RAVELIN\\");
    ASSERT_EQ(1u, found.size());
    EXPECT_EQ(kName, found[0].name);
    EXPECT_EQ(7, found[0].slot);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), found[0].state);
    EXPECT_TRUE(finder.Find("C:\\Core Test").empty());

    ServiceResult again = RegisterTestService();
    EXPECT_EQ(ServiceStep::Create, again.failedStep);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_EXISTS), again.error);

    ASSERT_TRUE(control.Remove(kName).Succeeded());
    EXPECT_TRUE(control.WaitState(kName, 0, 10000));
    ServiceResult gone = control.QueryState(kName, state);
    EXPECT_EQ(ServiceStep::Open, gone.failedStep);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), gone.error);
    EXPECT_EQ(ServiceStep::Open, control.Remove(kName).failedStep);
}

TEST_F(ServiceControlTest, AStartThatFailsNamesTheStartAndItsError)
{
    ASSERT_TRUE(RegisterTestService().Succeeded());
    // The image does not exist: the SCM accepts the service but cannot start it.
    ServiceResult start = control.Start(kName);
    EXPECT_EQ(ServiceStep::Start, start.failedStep);
    EXPECT_NE(static_cast<DWORD>(ERROR_SUCCESS), start.error);
    ServiceResult stop = control.SendStop(kName);
    EXPECT_EQ(ServiceStep::Stop, stop.failedStep);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE), stop.error);
}

TEST_F(ServiceControlTest, StartHandshakeSavesTheRequestFirstAndWithdrawsItOnFailure)
{
    bool saveFailed = true;
    ServiceResult result = control.StartWithRunRequest(kMissing, save, &saveFailed);
    EXPECT_EQ(ServiceStep::Open, result.failedStep);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), result.error);
    EXPECT_THAT(steps, ElementsAre("save 1", "save 0"));
    EXPECT_FALSE(saveFailed);
}

TEST_F(ServiceControlTest, StopHandshakeHoldsBetweenTheSaveAndTheStop)
{
    DWORD before = ::GetTickCount();
    DWORD heldFrom = 0;
    bool saveFailed = false;
    auto failingSave = [this](uint32_t value) {
        steps.push_back("save " + std::to_string(value));
        return false;
    };
    ServiceResult result = control.StopWithRunRequest(
        kMissing, failingSave,
        [&](DWORD savedAt) {
            steps.push_back("hold");
            heldFrom = savedAt;
        },
        &saveFailed);
    EXPECT_EQ(ServiceStep::Open, result.failedStep);
    EXPECT_THAT(steps, ElementsAre("save 0", "hold", "save 1"));
    EXPECT_LE(heldFrom - before, ::GetTickCount() - before);
    EXPECT_TRUE(saveFailed);
}

TEST_F(ServiceControlTest, TheDefaultHoldIsFiveSecondsOnTheClock)
{
    DWORD start = ::GetTickCount();
    control.StopWithRunRequest(kMissing, save);
    EXPECT_GE(::GetTickCount() - start, kStopHoldMs);
    EXPECT_THAT(steps, ElementsAre("save 0", "save 1"));

    // A hold counts from its start: time already spent is not waited again.
    start = ::GetTickCount();
    CServiceControl::HoldSince(start - 2000, 2500);
    DWORD spent = ::GetTickCount() - start;
    EXPECT_GE(spent, 400u);
    EXPECT_LT(spent, 2000u);
}

TEST_F(ServiceControlTest, WithoutTheScmEveryRequestFailsAtConnect)
{
    control.Disconnect();
    EXPECT_FALSE(control.Connected());
    DWORD state = 1;
    EXPECT_EQ(ServiceStep::Connect, RegisterTestService().failedStep);
    EXPECT_EQ(ServiceStep::Connect, control.Start(kName).failedStep);
    EXPECT_EQ(ServiceStep::Connect, control.SendStop(kName).failedStep);
    EXPECT_EQ(ServiceStep::Connect, control.Remove(kName).failedStep);
    EXPECT_EQ(ServiceStep::Connect, control.QueryState(kName, state).failedStep);
    EXPECT_EQ(0u, state);
    EXPECT_TRUE(control.Find(kInstallDir).empty());
}

TEST(ServiceImageTest, CommandLinesPathsAndSlots)
{
    EXPECT_EQ("C:\\Program Files\\Ravelin.exe",
              ImageOfCommand("  \"C:\\Program Files\\Ravelin.exe\" -x"));
    EXPECT_EQ("C:\\Ravelin\\Ravelin.exe", ImageOfCommand("C:\\Ravelin\\Ravelin.exe  "));
    EXPECT_EQ("C:\\Open", ImageOfCommand("\"C:\\Open"));
    EXPECT_EQ("", ImageOfCommand(" \t"));

    EXPECT_TRUE(SameImage("c:\\APPS\\ravelin.EXE", "C:\\Apps\\", "Ravelin.exe"));
    EXPECT_FALSE(SameImage("C:\\Apps\\Sub\\Ravelin.exe", "C:\\Apps", "Ravelin.exe"));
    EXPECT_FALSE(SameImage("C:\\Apps\\Halyard.exe", "C:\\Apps", "Ravelin.exe"));

    EXPECT_EQ(7, SlotOfParameter("07"));
    EXPECT_EQ(49, SlotOfParameter("49"));
    EXPECT_EQ(-1, SlotOfParameter("50"));
    EXPECT_EQ(-1, SlotOfParameter("7"));
    EXPECT_EQ(-1, SlotOfParameter("0a"));
    EXPECT_EQ(-1, SlotOfParameter("007"));
}
