// Entry point of the launcher: shows the zone selection window.
#include <windows.h>

#include "resource.h"

namespace {
INT_PTR CALLBACK ZoneSelectProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(hwnd, LOWORD(wParam));
        return TRUE;
    }
    return message == WM_INITDIALOG;
}
} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ZONE_SELECT), nullptr, ZoneSelectProc, 0);
    return 0;
}
