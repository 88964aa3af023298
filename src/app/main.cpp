// Entry point of the launcher: the application object does all the work.
#include <windows.h>

#include <cstdlib>

#include "LauncherApp.h"
#include "handoff/ElevatedPromotion.h"
#include "win/SystemLibrary.h"

namespace {
CLauncherApp theApp;
}

#if defined(__GLIBCXX__)
// The static C++ runtime's default terminate handler prints the escaping exception's demangled name to a console
// the launcher does not have; its demangler and formatter are a fifth of the executable. Ending at once is all a
// player would see of it anyway.
namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    std::abort();
}
} // namespace __gnu_cxx
#endif

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // Before anything loads a library by name: a DLL planted beside the launcher or in the folder it was started
    // from (a downloads folder, say) is never loaded in place of the system's. No static object loads one earlier.
    win::RestrictDllSearchToSystem();
    // Started by the launcher itself with the promotion word and the rights the player consented to give: the
    // promotion alone, no window. Any other command line is ignored, as it always was.
    if (IsPromotionRequest(::GetCommandLineW()))
        return static_cast<int>(RunPromotionRequest());
    return win::App::Current()->Run();
}
