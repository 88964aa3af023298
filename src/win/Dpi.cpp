#include "Dpi.h"

#include "GdiHandles.h"
#include "SystemLibrary.h"

namespace win {

namespace {

// A function of user32 that older systems lack, or null.
template <class Function>
Function User32Function(const char* name)
{
    return ModuleFunction<Function>(::GetModuleHandleW(L"user32.dll"), name);
}

} // namespace

int SystemDpi()
{
    WindowDC screen(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : 96;
}

const DpiLookups& SystemDpiLookups()
{
    static const DpiLookups lookups = [] {
        DpiLookups found{User32Function<decltype(DpiLookups::forWindow)>("GetDpiForWindow"), nullptr};
        if (!found.forWindow)
            found.forMonitor = SystemFunction<decltype(DpiLookups::forMonitor)>(L"shcore.dll", "GetDpiForMonitor");
        return found;
    }();
    return lookups;
}

int WindowDpi(HWND hwnd)
{
    return WindowDpi(hwnd, SystemDpiLookups());
}

int WindowDpi(HWND hwnd, const DpiLookups& lookups)
{
    if (hwnd && lookups.forWindow) {
        if (const UINT dpi = lookups.forWindow(hwnd))
            return static_cast<int>(dpi);
    }
    // Windows 8.1: each monitor has its scale, but only the monitor can be asked. Without it a window opened on a
    // monitor of another scale than the main one would keep the main one's layout until it is moved.
    if (hwnd && lookups.forMonitor) {
        const int kEffectiveDpi = 0; // MDT_EFFECTIVE_DPI
        UINT x = 0, y = 0;
        if (SUCCEEDED(lookups.forMonitor(::MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), kEffectiveDpi, &x, &y)) &&
            y > 0)
            return static_cast<int>(y);
    }
    return SystemDpi();
}

SIZE NonClientExtent(HWND hwnd, int dpi)
{
    using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const AdjustForDpiFn adjustForDpi = User32Function<AdjustForDpiFn>("AdjustWindowRectExForDpi");
    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(hwnd, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(::GetWindowLongPtrW(hwnd, GWL_EXSTYLE));
    RECT frame{0, 0, 0, 0};
    if (dpi != WindowDpi(hwnd) && adjustForDpi && adjustForDpi(&frame, style, FALSE, exStyle, static_cast<UINT>(dpi)))
        return {frame.right - frame.left, frame.bottom - frame.top};
    RECT window{}, client{};
    ::GetWindowRect(hwnd, &window);
    ::GetClientRect(hwnd, &client);
    return {(window.right - window.left) - client.right, (window.bottom - window.top) - client.bottom};
}

void TakeOverDialogDpiScaling(HWND dialog)
{
    using SetBehaviorFn = BOOL(WINAPI*)(HWND, int, int);
    const int kDisableAll = 0x0001; // DDC_DISABLE_ALL
    static const SetBehaviorFn setBehavior = User32Function<SetBehaviorFn>("SetDialogDpiChangeBehavior");
    if (setBehavior)
        setBehavior(dialog, kDisableAll, kDisableAll);
}

} // namespace win
