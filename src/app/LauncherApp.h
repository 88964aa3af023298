// CLauncherApp: the launcher's application object. Its initialisation runs the zone selection dialog modally and
// returns false, so the process ends as soon as the dialog does.
#pragma once

#include "win/App.h"

class CLauncherApp : public win::App {
public:
    BOOL InitInstance() override;
};
