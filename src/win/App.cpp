#include "App.h"

namespace win {

namespace {
App* g_app = nullptr; // the one static application object, registered by its constructor
}

App::App() noexcept
{
    g_app = this;
}

App::~App()
{
    if (g_app == this)
        g_app = nullptr;
}

App* App::Current() noexcept
{
    return g_app;
}

int App::Run()
{
    try {
        InitInstance();
    } catch (...) {
        // Nothing is left to report to: the dialog has already gone.
    }
    return 0;
}

} // namespace win
