#include "CtlRunner.h"

#include "HandleT.h"
#include "TestSupport.h"
#include "WindowList.h"

#include <cstdio>

namespace {

std::string WithoutCarriageReturns(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out += text[i];
    }
    return out;
}

CFileHandle OutputFile(const std::string& path)
{
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), NULL, TRUE};
    return CFileHandle(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
}

} // namespace

std::string QuoteArgument(const std::string& argument)
{
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled and the quote escaped; others stay as they are.
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

CtlResult RunCtl(const std::vector<std::string>& arguments, DWORD timeoutMs)
{
    static int counter = 0;
    static const std::string folder = MakeScratchDir("ctl output");
    std::string base = folder + "\\run" + std::to_string(++counter);
    CtlResult result;
    {
        CFileHandle out = OutputFile(base + ".out");
        CFileHandle err = OutputFile(base + ".err");
        SECURITY_ATTRIBUTES inherit = {sizeof(inherit), NULL, TRUE};
        HANDLE readEnd = NULL;
        HANDLE writeEnd = NULL;
        if (!out || !err || !::CreatePipe(&readEnd, &writeEnd, &inherit, 0))
            return result;
        CHandle input(readEnd);
        // Nothing is ever written: the program reads the end of its input at once.
        CHandle writer(writeEnd);
        writer.Reset();

        std::string commandLine = "RavelinCtl.exe";
        for (const std::string& argument : arguments)
            commandLine += " " + QuoteArgument(argument);
        std::vector<char> line(commandLine.begin(), commandLine.end());
        line.push_back('\0');
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = input.Get();
        startup.hStdOutput = out.Get();
        startup.hStdError = err.Get();
        PROCESS_INFORMATION info;
        std::string program = BinPath("RavelinCtl.exe");
        if (!::CreateProcessA(program.c_str(), line.data(), NULL, NULL, TRUE, 0, NULL,
                              BinDir().c_str(), &startup, &info))
            return result;
        CHandle process(info.hProcess);
        CHandle thread(info.hThread);
        result.ended = ::WaitForSingleObject(process.Get(), timeoutMs) == WAIT_OBJECT_0;
        if (!result.ended) {
            for (HWND window : AllWindowsOf(info.dwProcessId))
                result.openWindows += "[" + ClassOf(window) + " \"" + CaptionOf(window) + "\"] ";
            ::TerminateProcess(process.Get(), 99);
            ::WaitForSingleObject(process.Get(), 10000);
        }
        ::GetExitCodeProcess(process.Get(), &result.exitCode);
    }
    result.out = WithoutCarriageReturns(ReadFileBytes(base + ".out"));
    result.err = WithoutCarriageReturns(ReadFileBytes(base + ".err"));
    ::DeleteFileA((base + ".out").c_str());
    ::DeleteFileA((base + ".err").c_str());
    return result;
}
