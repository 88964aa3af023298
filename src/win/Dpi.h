// The display scale of windows, through the functions newer systems add when they have them: the launcher runs
// from Windows 7 on, where only the system-wide scale exists.
#pragma once

#include <windows.h>

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif
#ifndef WM_GETDPISCALEDSIZE
#define WM_GETDPISCALEDSIZE 0x02E4
#endif

namespace win {

// The DPI the system draws everything at when it knows no window (the screen's LOGPIXELSY).
int SystemDpi();
// The platform's lookups of a window's scale; a system may lack either (null).
struct DpiLookups {
    // user32's GetDpiForWindow: Windows 10 1607 and later.
    UINT(WINAPI* forWindow)(HWND);
    // shcore's GetDpiForMonitor (monitor, MDT_EFFECTIVE_DPI, x, y): Windows 8.1 and later.
    HRESULT(WINAPI* forMonitor)(HMONITOR, int, UINT*, UINT*);
};
// This system's lookups. shcore is loaded, once, only where GetDpiForWindow is missing.
const DpiLookups& SystemDpiLookups();

// The DPI of the monitor the window is on: the window's own, else its monitor's, else the system DPI.
int WindowDpi(HWND hwnd);
int WindowDpi(HWND hwnd, const DpiLookups& lookups);
// Width and height the frame, caption and menu add around a client area at dpi. Where the system cannot say at
// another DPI, the window's present frame is taken.
SIZE NonClientExtent(HWND hwnd, int dpi);
// Keeps the dialog manager from resizing the dialog and its controls and from changing their fonts when the window
// moves to a monitor of another scale: the dialog lays itself out for the new scale.
void TakeOverDialogDpiScaling(HWND dialog);

} // namespace win
