// The entry point of every program built on the framework: it runs the program's one
// application object, which the program defines as a global.

#include "WinApp.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int cmdShow)
{
    return RunApplication(cmdShow);
}
