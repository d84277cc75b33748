// The real host under Wine keeping its application's output: numbered lines of both streams to
// one file and to two, rotation at launch, a file held by a reader, and no handle of the host
// reaching the application beyond its standard ones.

#include "SupervisionFixture.h"

#include "BoundedText.h"
#include "HandleT.h"

#include <sstream>

using namespace host_times;

namespace {

const int kLines = 300;

std::string Line(const char* stream, int number)
{
    char line[64];
    std::snprintf(line, sizeof(line), "%s %05d \xC3\xA9\xE2\x82\xAC\xFF\n", stream, number);
    return line;
}

// The lines of one stream, in the order the file holds them.
std::vector<std::string> StreamLines(const std::string& bytes, const char* stream)
{
    std::vector<std::string> lines;
    std::istringstream text(bytes);
    std::string line;
    while (std::getline(text, line))
        if (line.rfind(stream, 0) == 0)
            lines.push_back(line + "\n");
    return lines;
}

std::vector<std::string> ExpectedLines(const char* stream)
{
    std::vector<std::string> lines;
    for (int i = 1; i <= kLines; ++i)
        lines.push_back(Line(stream, i));
    return lines;
}

} // namespace

TEST_F(SupervisionTest, BothStreamsToOneFileAppendEveryLineInOrderBytesUnchanged)
{
    std::string path = workDir + "\\both.log";
    WriteFileBytes(path, "earlier run\n");
    ServiceOptions options;
    CopyText(options.stdoutPath, "both.log"); // relative: taken in the working folder
    CopyText(options.stderrPath, path.c_str());
    PutSupervisedRecord("--print " + std::to_string(kLines), options);
    ASSERT_NE(0u, StartHostAndAwaitLaunch());
    size_t expectedSize = 12 + 2 * kLines * Line("out", 1).size();
    ASSERT_TRUE(WaitUntil([&] { return ReadFileBytes(path).size() >= expectedSize; }, kStartMs));
    std::string bytes = ReadFileBytes(path);
    EXPECT_EQ(expectedSize, bytes.size());
    EXPECT_EQ(0u, bytes.rfind("earlier run\n", 0));
    EXPECT_EQ(ExpectedLines("out"), StreamLines(bytes, "out"));
    EXPECT_EQ(ExpectedLines("err"), StreamLines(bytes, "err"));
    // Shared for deleting: another program may rename the file while the application holds it.
    std::string renamed = workDir + "\\both-renamed.log";
    EXPECT_TRUE(::MoveFileA(path.c_str(), renamed.c_str())) << ::GetLastError();
    // Only the two launch lines: nothing about the output.
    EXPECT_EQ(2u, LogMessages().size());
}

TEST_F(SupervisionTest, StreamsToTwoFilesAndNoOtherHostHandleReachesTheApplication)
{
    // An inheritable handle in the host, of a file the child recognises by its size: the host
    // inherits it from us, and must not pass it on.
    std::string probePath = workDir + "\\probe.bin";
    WriteFileBytes(probePath, std::string(12345, 'p'));
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), NULL, TRUE};
    CFileHandle probe(::CreateFileA(probePath.c_str(), GENERIC_READ, FILE_SHARE_READ, &inheritable,
                                    OPEN_EXISTING, 0, NULL));
    ASSERT_TRUE(probe.IsValid());
    ::SetEnvironmentVariableA("RAVELIN_PROBE_HANDLE",
                              std::to_string(reinterpret_cast<uintptr_t>(probe.Get())).c_str());

    // The probe itself works: a child that inherits everything sees the handle.
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info;
    std::string line = " --probe-handle";
    ASSERT_TRUE(::CreateProcessA(BinPath("TestChild.exe").c_str(), &line[0], NULL, NULL, TRUE, 0,
                                 NULL, NULL, &startup, &info));
    CHandle control(info.hProcess);
    ::CloseHandle(info.hThread);
    ASSERT_EQ(1u, WaitChildren(1).size());
    EXPECT_EQ("1", ChildValue(info.dwProcessId, "probe"));
    ::TerminateProcess(control.Get(), 0);

    ServiceOptions options;
    CopyText(options.stdoutPath, (workDir + "\\out.log").c_str());
    CopyText(options.stderrPath, (workDir + "\\err.log").c_str());
    PutSupervisedRecord("--probe-handle --print " + std::to_string(kLines), options);
    std::string hostLine = "Halyard.exe 07";
    ASSERT_TRUE(::CreateProcessA(BinPath("Halyard.exe").c_str(), &hostLine[0], NULL, NULL, TRUE, 0,
                                 NULL, NULL, &startup, &info));
    CHandle hostProcess(info.hProcess);
    ::CloseHandle(info.hThread);
    std::vector<ChildRecord> children = WaitChildren(2);
    ::SetEnvironmentVariableA("RAVELIN_PROBE_HANDLE", NULL);
    ASSERT_EQ(2u, children.size());
    int launched = 0;
    for (const ChildRecord& child : children) {
        if (child.commandLine.find("--print") != std::string::npos) {
            ++launched;
            EXPECT_EQ("0", ChildValue(child.pid, "probe"));
        }
    }
    EXPECT_EQ(1, launched);

    size_t streamSize = kLines * Line("out", 1).size();
    ASSERT_TRUE(WaitUntil([&] { return ReadFileBytes(workDir + "\\err.log").size() >= streamSize; },
                          kStartMs));
    std::string out = ReadFileBytes(workDir + "\\out.log");
    std::string err = ReadFileBytes(workDir + "\\err.log");
    std::string expectedOut, expectedErr;
    for (int i = 1; i <= kLines; ++i) {
        expectedOut += Line("out", i);
        expectedErr += Line("err", i);
    }
    EXPECT_EQ(expectedOut, out);
    EXPECT_EQ(expectedErr, err);
    ::TerminateProcess(hostProcess.Get(), 0);
    ::WaitForSingleObject(hostProcess.Get(), 5000);
}

// Rotation by size at launch keeps the newest renamed files; a file that a reader holds without
// delete sharing is appended to, and the log says so.
TEST_F(SupervisionTest, RotationAtLaunchKeepsTheNewestAndAHeldFileIsAppendedTo)
{
    std::string path = workDir + "\\app.log";
    WriteFileBytes(workDir + "\\app.20200101-000000.log", "oldest");
    WriteFileBytes(workDir + "\\app.20210101-000000.log", "older");
    WriteFileBytes(path, std::string(2000, 'r'));
    ServiceOptions options = RestartOptions(kRestartAlways, 0, 0);
    CopyText(options.stdoutPath, path.c_str());
    options.rotateBytes = 1000;
    options.rotateKeep = 2;
    PutSupervisedRecord("--print 10 --exit-after 300", options);
    ASSERT_NE(0u, StartHostAndAwaitLaunch());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA((workDir + "\\app.20200101-000000.log").c_str()));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA((workDir + "\\app.20210101-000000.log").c_str()));
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((workDir + "\\app.2026*.log").c_str(), &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    std::string rotated = workDir + "\\" + found.cFileName;
    ::FindClose(search);
    EXPECT_EQ(std::string(2000, 'r'), ReadFileBytes(rotated));

    // Hold the new file (small until the next runs grow it past the limit) without delete
    // sharing, and make it large, so that the next launch's rename fails.
    ASSERT_TRUE(WaitUntil([&] { return ReadFileBytes(path).size() > 0; }, kStartMs));
    {
        CFileHandle writer(::CreateFileA(path.c_str(), FILE_APPEND_DATA,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                                         0, NULL));
        ASSERT_TRUE(writer.IsValid());
        DWORD written = 0;
        std::string filler(1500, 'f');
        ASSERT_TRUE(::WriteFile(writer.Get(), filler.data(), static_cast<DWORD>(filler.size()),
                                &written, NULL));
        const std::string warning = "ERROR: Halyard couldn't rotate the output file " + path +
                                    " (error 32); the output is appended to it.";
        ASSERT_TRUE(WaitMessage(warning, 2 * kPollMs + kStartMs));
        ASSERT_TRUE(WaitMessage("EVENT: Application restarted by Halyard, attempt 2.",
                                2 * kPollMs + kStartMs));
    }
    std::string bytes = ReadFileBytes(path);
    EXPECT_NE(std::string::npos, bytes.find(std::string(1500, 'f') + Line("out", 1)));
    RequestStop();
}
