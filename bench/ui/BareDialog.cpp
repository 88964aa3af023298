// The floor for the launcher's start-up: the same dialog template with nothing behind it (no icon, no skin, no
// catalogue, no list entries), created modeless and run by a plain message loop. Cancel or close ends it.
// Words on the command line add one piece of the launcher's start-up at a time, to see where its time goes:
//   controls  load the common controls library and register its classes (the launcher imports it for tooltips
//             and subclassing);
//   tooltips  also create the two buttons' tooltip windows;
//   pictures  load the icon and the three skin bitmaps.
// The word "honest" with a number N makes it the honest floor instead: the least program that shows the launcher's
// window. The same template as a Unicode dialog, laid out in the launcher's pixels for the display's scale, N titles
// as the launcher's benchmark catalogue names its zones (given as wide texts, added in one go with their storage
// reserved and drawing off), and the background picture drawn for the display's scale, decoded once and drawn with
// one BitBlt whenever the window is erased. Its buttons are not drawn.
#include <windows.h>

#include <commctrl.h>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <initializer_list>

#include "WindowLayout.h"
#include "resource.h"
#include "skin/KbcBmp.h"

namespace {

const char* g_commandLine = "";

bool Asked(const char* word)
{
    return std::strstr(g_commandLine, word) != nullptr;
}

void AddLauncherPieces(HWND dlg)
{
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    if (Asked("controls") || Asked("tooltips")) {
        HMODULE library = ::LoadLibraryA("comctl32.dll");
        using Init = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
        const auto init = reinterpret_cast<Init>(
            reinterpret_cast<void*>(::GetProcAddress(library, "InitCommonControlsEx")));
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
        if (init)
            init(&controls);
    }
    if (Asked("tooltips")) {
        for (int id : {IDC_START, IDCANCEL}) {
            HWND tip = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                                         dlg, nullptr, instance, nullptr);
            TTTOOLINFOA tool{};
            tool.cbSize = sizeof tool;
            tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            tool.hwnd = dlg;
            tool.uId = reinterpret_cast<UINT_PTR>(::GetDlgItem(dlg, id));
            tool.lpszText = const_cast<char*>("tip");
            ::SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
        }
    }
    if (Asked("pictures")) {
        ::SendMessageA(dlg, WM_SETICON, ICON_BIG,
                       reinterpret_cast<LPARAM>(::LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP_ICON))));
        for (int id : {IDB_BACKGROUND, IDB_START_SKIN, IDB_CANCEL_SKIN})
            ::LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    }
}

CKbcBmp g_background;

// The window and its controls at the launcher's pixels for dpi, the window where the dialog manager put it.
void LayOut(HWND dlg, int dpi)
{
    const layout::WindowLayout at = layout::LayoutForDpi(dpi);
    RECT outer{0, 0, at.client.width, at.client.height};
    ::AdjustWindowRectEx(&outer, static_cast<DWORD>(::GetWindowLongPtrW(dlg, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongPtrW(dlg, GWL_EXSTYLE)));
    ::SetWindowPos(dlg, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const auto move = [dlg](int id, const layout::Box& box) {
        ::MoveWindow(::GetDlgItem(dlg, id), box.x, box.y, box.width, box.height, FALSE);
    };
    move(IDC_ZONE_LIST, at.list);
    move(IDC_SELECTED_ZONE, at.field);
    move(IDC_START, at.start);
    move(IDCANCEL, at.cancel);
}

// The background of the picture set drawn for the display's scale (or the nearest larger one, unscaled).
void LoadBackground(int dpi)
{
    const layout::PictureSet& set = layout::PictureSetFor(dpi);
    const layout::WindowLayout drawn = layout::LayoutForDpi(set.dpi);
    if (set.backgroundSides)
        g_background.LoadAroundHole(static_cast<UINT>(set.backgroundRows), static_cast<UINT>(set.backgroundSides),
                                    {drawn.background.width, drawn.background.height, drawn.list.x, drawn.list.y,
                                     drawn.list.width, drawn.list.height},
                                    0x00FAF8F2);
    else
        g_background.LoadFromResource(static_cast<UINT>(set.backgroundRows));
}

// The titles the benchmark's catalogue gives its zones (电信N区), in one fill.
void FillList(HWND list, int count)
{
    ::SendMessageW(list, LB_INITSTORAGE, static_cast<WPARAM>(count), static_cast<LPARAM>(count) * 16);
    ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    for (int n = 1; n <= count; ++n) {
        wchar_t title[32];
        std::swprintf(title, 32, L"\x7535\x4fe1%d\x533a", n);
        ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(title));
    }
    ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list, nullptr, TRUE);
}

INT_PTR CALLBACK HonestFloorProc(HWND dlg, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: {
        HDC screen = ::GetDC(nullptr);
        const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
        ::ReleaseDC(nullptr, screen);
        LayOut(dlg, dpi);
        LoadBackground(dpi);
        const char* count = std::strstr(g_commandLine, "honest");
        FillList(::GetDlgItem(dlg, IDC_ZONE_LIST), std::atoi(count + 6));
        return TRUE;
    }
    case WM_ERASEBKGND:
        g_background.Draw(reinterpret_cast<HDC>(wParam), 0, 0);
        ::SetWindowLongPtrW(dlg, DWLP_MSGRESULT, TRUE);
        return TRUE;
    case WM_CLOSE:
    case WM_COMMAND:
        if (message == WM_CLOSE || LOWORD(wParam) == IDCANCEL) {
            ::DestroyWindow(dlg);
            ::PostQuitMessage(0);
            return TRUE;
        }
        return FALSE;
    default: return FALSE;
    }
}

INT_PTR CALLBACK BareDialogProc(HWND dlg, UINT message, WPARAM wParam, LPARAM)
{
    if ((message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) || message == WM_CLOSE) {
        ::DestroyWindow(dlg);
        ::PostQuitMessage(0);
        return TRUE;
    }
    if (message == WM_INITDIALOG)
        AddLauncherPieces(dlg);
    return message == WM_INITDIALOG;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    g_commandLine = commandLine;
    if (Asked("honest")) {
        HWND dlg = ::CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_ZONE_SELECT), nullptr, &HonestFloorProc, 0);
        if (!dlg)
            return 1;
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (!::IsDialogMessageW(dlg, &msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
        }
        return 0;
    }
    HWND dlg = ::CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_ZONE_SELECT), nullptr, &BareDialogProc, 0);
    if (!dlg)
        return 1;
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!::IsDialogMessageA(dlg, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    return 0;
}
