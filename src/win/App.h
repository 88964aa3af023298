// App: the application object. One static instance exists per program; the entry point asks it to initialise and
// ends the process when InitInstance returns false (a program whose whole life is one modal dialog).
#pragma once

#include <windows.h>

#include "Window.h"

namespace win {

class App {
public:
    App() noexcept;
    App(const App&) = delete;
    App& operator=(const App&) = delete;
    virtual ~App();

    // The program's one application object, or null before it is constructed.
    static App* Current() noexcept;

    virtual BOOL InitInstance() = 0;
    // Entry-point work: InitInstance, and the exit code (0: the launcher sets none of its own).
    int Run();

    // The window object that is the application's main window while it runs.
    Window* m_pMainWnd = nullptr;
};

} // namespace win
