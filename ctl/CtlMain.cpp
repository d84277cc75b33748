// RavelinCtl.exe: the service commands of the manager for the command line, over the manager's
// own table and command flows and the window-free service control, with the console in place of
// the manager's windows.
//
// The program-wide objects come first, in one file so that their order is defined: the console
// feedback, then the utility object that sends it every message and progress step. The service
// control object is made only once a command needs it, so that --help never touches the SCM.

#include "CommandLine.h"
#include "ConsoleFeedback.h"
#include "CtlCommands.h"
#include "ExitCodes.h"
#include "ManagerTable.h"
#include "ManagerUtil.h"
#include "ConsoleServiceActions.h"
#include "Version.h"

#include <cstdio>
#include <string>
#include <vector>

CConsoleFeedback consoleFeedback;
CUtil util(&consoleFeedback);

int main(int argc, char** argv)
{
    std::vector<std::string> words(argv, argv + argc);
    CCommandLine line;
    std::string error;
    if (!line.Parse(words, error)) {
        PrintError(error.c_str());
        return kExitUsage;
    }
    if (line.VersionAsked()) {
        std::printf("RavelinCtl %s\n", RAVELIN_VERSION_TEXT);
        return kExitOk;
    }
    if (line.HelpAsked()) {
        std::string help = HelpText(line.Spec());
        std::fwrite(help.data(), 1, help.size(), stdout);
        return kExitOk;
    }
    // The utility object has reported a refused platform or data folder already.
    if (CUtil::IsUnsupportedPlatform() || !util.GetDataPath(util.installPath))
        return kExitFailed;

    CConsoleServiceActions actions(util);
    CManagerTable table(util);
    CCtlCommands commands(util, table, actions);
    int exitCode = commands.Run(line);
    std::fflush(stdout);
    return exitCode;
}
