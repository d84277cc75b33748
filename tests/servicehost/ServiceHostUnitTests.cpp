// The service host's pieces without the SCM: how the command is formed, what the SCM is told
// and when, and the built program's behaviour and resources outside a service.

#include "ApplicationCommand.h"
#include "HandleT.h"
#include "RavelinMessages.h"
#include "ServiceStatusReporter.h"
#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

TEST(ApplicationCommand, QuotesTheProgramAndRunsItInItsFolder)
{
    struct Case {
        const char* application;
        const char* parameters;
        const char* path;
        const char* commandLine;
        const char* folder;
    } cases[] = {
        {"\"C:\\Program Files\\Ravelin\\Halyard.exe\"", "07",
         "C:\\Program Files\\Ravelin\\Halyard.exe", "\"C:\\Program Files\\Ravelin\\Halyard.exe\" 07",
         "C:\\Program Files\\Ravelin"},
        {"  C:\\Program Files\\App.exe  ", "a  \"b c\"", "C:\\Program Files\\App.exe",
         "\"C:\\Program Files\\App.exe\" a  \"b c\"", "C:\\Program Files"},
        {"\"C:\\App.exe\"  -own ", "07", "C:\\App.exe", "\"C:\\App.exe\" -own 07", "C:\\"},
        {"\"C:\\App.exe\"", "", "C:\\App.exe", "\"C:\\App.exe\"", "C:\\"},
        {"Halyard.exe", "07", "D:\\Base\\Halyard.exe", "\"D:\\Base\\Halyard.exe\" 07", "D:\\Base"},
        {"\\\\server\\share\\x.exe", "", "\\\\server\\share\\x.exe",
         "\"\\\\server\\share\\x.exe\"", "\\\\server\\share"},
    };
    for (const Case& c : cases) {
        CApplicationCommand command;
        ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS),
                  command.Compose(c.application, c.parameters, "D:\\Base"))
            << c.application;
        EXPECT_STREQ(c.path, command.ProgramPath());
        EXPECT_STREQ(c.commandLine, command.CommandLine());
        EXPECT_STREQ(c.folder, command.WorkFolder());
    }
}

TEST(ApplicationCommand, RefusesWhatCannotNameAProgram)
{
    CApplicationCommand command;
    EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_PATHNAME), command.Compose("", "07", ""));
    EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_PATHNAME), command.Compose("  \"\" ", "07", ""));
    EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_PATHNAME), command.Compose("\"C:\\a b.exe", "07", ""));
    std::string longPath = "C:\\" + std::string(300, 'x') + ".exe";
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE),
              command.Compose(longPath.c_str(), "", ""));
    std::string longParameters(kCommandLineSize, 'p');
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER),
              command.Compose("C:\\a.exe", longParameters.c_str(), ""));
}

std::vector<SERVICE_STATUS> submitted;

BOOL WINAPI RecordStatus(SERVICE_STATUS_HANDLE, LPSERVICE_STATUS status)
{
    submitted.push_back(*status);
    return TRUE;
}

class StatusReporterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        submitted.clear();
        reporter.Attach(reinterpret_cast<SERVICE_STATUS_HANDLE>(1));
    }
    CServiceStatusReporter reporter{RecordStatus};
};

TEST_F(StatusReporterTest, PendingStatesCountCheckpointsAndOnlyRunningTakesControls)
{
    reporter.ReportStartPending(5000);
    reporter.ReportStartPending(5000);
    reporter.ReportRunning();
    reporter.ReportStopPending(2000);
    reporter.ReportStopPending(2000);
    reporter.ReportStopped(NO_ERROR);
    ASSERT_EQ(6u, submitted.size());
    DWORD states[] = {SERVICE_START_PENDING, SERVICE_START_PENDING, SERVICE_RUNNING,
                      SERVICE_STOP_PENDING, SERVICE_STOP_PENDING, SERVICE_STOPPED};
    DWORD checkPoints[] = {1, 2, 0, 1, 2, 0};
    DWORD waitHints[] = {5000, 5000, 0, 2000, 2000, 0};
    for (size_t i = 0; i < submitted.size(); ++i) {
        EXPECT_EQ(states[i], submitted[i].dwCurrentState) << i;
        EXPECT_EQ(checkPoints[i], submitted[i].dwCheckPoint) << i;
        EXPECT_EQ(waitHints[i], submitted[i].dwWaitHint) << i;
        EXPECT_EQ(i == 2 ? static_cast<DWORD>(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN) : 0u,
                  submitted[i].dwControlsAccepted) << i;
        EXPECT_EQ(0x110u, submitted[i].dwServiceType);
    }
}

TEST_F(StatusReporterTest, NothingFollowsStoppedAndStoppingNeverTurnsBack)
{
    reporter.ReportRunning();
    EXPECT_FALSE(reporter.ReportStartPending(5000));
    reporter.ReportStopPending(2000);
    EXPECT_FALSE(reporter.ReportRunning());
    EXPECT_TRUE(reporter.ReportStopped(ERROR_TIMEOUT));
    EXPECT_FALSE(reporter.ReportStopPending(2000));
    EXPECT_FALSE(reporter.ReportStopped(NO_ERROR));
    ASSERT_EQ(3u, submitted.size());
    EXPECT_EQ(static_cast<DWORD>(ERROR_TIMEOUT), submitted.back().dwWin32ExitCode);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), reporter.CurrentState());
}

TEST(ServiceHostProgram, RunByHandItSaysSoOnStderrAndFails)
{
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), NULL, TRUE};
    HANDLE readEnd = NULL;
    HANDLE writeEnd = NULL;
    ASSERT_TRUE(::CreatePipe(&readEnd, &writeEnd, &inherit, 0));
    CHandle reader(readEnd);
    CHandle writer(writeEnd);
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdError = writeEnd;
    startup.hStdOutput = writeEnd;
    PROCESS_INFORMATION info;
    std::string program = BinPath("Ravelin.exe");
    char commandLine[] = "Ravelin.exe";
    ASSERT_TRUE(::CreateProcessA(program.c_str(), commandLine, NULL, NULL, TRUE, 0, NULL, NULL,
                                 &startup, &info));
    CHandle process(info.hProcess);
    CHandle thread(info.hThread);
    writer.Reset();
    // Drained while waiting: a writer to a full pipe would never end. Windows refuses a
    // dispatcher outside a service at once; Wine first waits 10 s for a control pipe.
    std::string output;
    auto drain = [&] {
        char buffer[512];
        DWORD available = 0;
        DWORD got = 0;
        while (::PeekNamedPipe(readEnd, NULL, 0, NULL, &available, NULL) && available > 0 &&
               ::ReadFile(readEnd, buffer, sizeof(buffer), &got, NULL) && got > 0)
            output.append(buffer, got);
    };
    ASSERT_TRUE(WaitUntil(
        [&] {
            drain();
            return ::WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0;
        },
        30000)) << output;
    drain();

    DWORD exitCode = 0;
    ::GetExitCodeProcess(process.Get(), &exitCode);
    EXPECT_EQ(static_cast<DWORD>(ERROR_FAILED_SERVICE_CONTROLLER_CONNECT), exitCode);
    EXPECT_THAT(output, ::testing::HasSubstr("Service Control Manager"));
    EXPECT_EQ(output.find('\n'), output.size() - 1) << output; // one line
}

TEST(ServiceHostProgram, CarriesItsEventMessagesAndVersion)
{
    HMODULE module =
        ::LoadLibraryExA(BinPath("Ravelin.exe").c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, module);
    const char* inserts[] = {"Service \"x\" cannot start."};
    char text[256] = "";
    DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                    module, MSG_SERVICE_HOST_TEXT, 0, text, sizeof(text),
                                    reinterpret_cast<va_list*>(const_cast<char**>(inserts)));
    EXPECT_GT(length, 0u) << ::GetLastError();
    EXPECT_THAT(text, ::testing::StartsWith(inserts[0]));
    HRSRC version = ::FindResourceA(module, MAKEINTRESOURCEA(VS_VERSION_INFO), RT_VERSION);
    EXPECT_NE(nullptr, version);
    ::FreeLibrary(module);
}

} // namespace
