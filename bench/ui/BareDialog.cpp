// The floor for the launcher's start-up: the same dialog template with nothing behind it (no icon, no skin, no
// catalogue, no list entries), created modeless and run by a plain message loop. Cancel or close ends it.
// Words on the command line add one piece of the launcher's start-up at a time, to see where its time goes:
//   controls  load the common controls library and register its classes (the launcher imports it for tooltips
//             and subclassing);
//   tooltips  also create the two buttons' tooltip windows;
//   pictures  load the icon and the three skin bitmaps.
#include <windows.h>

#include <commctrl.h>
#include <cstring>
#include <initializer_list>

#include "resource.h"

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
