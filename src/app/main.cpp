// Entry point of the launcher: the application object does all the work.
#include <windows.h>

#include "LauncherApp.h"

namespace {
CLauncherApp theApp;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return win::App::Current()->Run();
}
