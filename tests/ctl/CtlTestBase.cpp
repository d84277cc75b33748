#include "CtlTestBase.h"

void CCtlTestBase::SetUp()
{
    CServiceTestBase::SetUp();
    // RavelinCtl reads the installation folder from the settings: the built programs.
    SetSetting("path", BinDir());
}

void CCtlTestBase::TearDown()
{
    SetSetting("path", savedInstallPath);
    CServiceTestBase::TearDown();
}

CtlResult CCtlTestBase::Ctl(const std::vector<std::string>& arguments)
{
    CtlResult result = RunCtl(arguments);
    EXPECT_TRUE(result.ended) << "RavelinCtl did not end; its windows: " << result.openWindows;
    return result;
}

std::vector<std::string> CCtlTestBase::ManagerLines(int slot)
{
    std::vector<std::string> lines;
    for (const std::string& line : LogOf(slot)) {
        if (line.find("Halyard") == std::string::npos &&
            line.find("CallApplication") == std::string::npos)
            lines.push_back(line);
    }
    return lines;
}
