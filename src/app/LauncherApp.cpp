#include "LauncherApp.h"

#include <commctrl.h>

#include "ui/ZoneSelectDlg.h"

BOOL CLauncherApp::InitInstance()
{
    // The common controls (the buttons' tooltips) must be registered before the dialog creates them.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);

    CZoneSelectDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal(); // start, cancel or error: everything happens inside the run
    m_pMainWnd = nullptr;
    return FALSE;
}
