#include "LauncherApp.h"

#include "ui/ZoneSelectDlg.h"
#include "win/StartupTrace.h"

BOOL CLauncherApp::InitInstance()
{
    win::StartupMark("entry");
    CZoneSelectDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal(); // start, cancel or error: everything happens inside the run
    m_pMainWnd = nullptr;
    return FALSE;
}
