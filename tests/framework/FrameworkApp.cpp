// The test application as a program of its own, started through the framework's WinMain.
// Its command line may hold "fail-view" (the view cannot be created) or "no-window"
// (initialisation creates no window).

#include "TestAppParts.h"

#include <cstring>

namespace {

class CFrameworkApp : public CTestApp {
public:
    bool InitInstance() override
    {
        const char* commandLine = ::GetCommandLineA();
        Switches().failViewCreation = std::strstr(commandLine, "fail-view") != nullptr;
        Switches().noWindow = std::strstr(commandLine, "no-window") != nullptr;
        return CTestApp::InitInstance();
    }
};

CFrameworkApp theApp;

} // namespace
