#include "Dpi.h"

#include "GdiHandles.h"

namespace win {

namespace {

// A function of user32 that older systems lack, or null.
template <class Function>
Function User32Function(const char* name)
{
    const FARPROC proc = ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), name);
    // Through a generic function pointer type: a direct cast between unrelated function types draws a warning.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
}

} // namespace

int SystemDpi()
{
    WindowDC screen(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : 96;
}

int WindowDpi(HWND hwnd)
{
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const GetDpiForWindowFn getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    if (getDpiForWindow && hwnd) {
        if (const UINT dpi = getDpiForWindow(hwnd))
            return static_cast<int>(dpi);
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
