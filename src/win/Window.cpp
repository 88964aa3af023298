#include "Window.h"

#include <commctrl.h>

namespace win {

namespace {
const UINT_PTR kSubclassId = 0x5441; // identifies our subclass among any others on the same window

// GetWindowSubclass: comctl32 version 5 exports it by ordinal only (411), and MinGW's import library lacks it.
using GetWindowSubclassFn = BOOL(WINAPI*)(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR*);
GetWindowSubclassFn LookUpGetWindowSubclass()
{
    static const auto fn = reinterpret_cast<GetWindowSubclassFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"comctl32.dll"), MAKEINTRESOURCEA(411))));
    return fn;
}
} // namespace

Window::~Window()
{
    UnsubclassWindow();
}

bool Window::SubclassWindow(HWND hwnd)
{
    if (!hwnd || m_hWnd || !::IsWindow(hwnd) || FromHandle(hwnd))
        return false;
    if (!::SetWindowSubclass(hwnd, &Window::SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        return false;
    m_hWnd = hwnd;
    return true;
}

void Window::UnsubclassWindow()
{
    if (m_hWnd) {
        ::RemoveWindowSubclass(m_hWnd, &Window::SubclassProc, kSubclassId);
        m_hWnd = nullptr;
    }
}

Window* Window::FromHandle(HWND hwnd)
{
    DWORD_PTR refData = 0;
    const GetWindowSubclassFn getWindowSubclass = LookUpGetWindowSubclass();
    if (!hwnd || !getWindowSubclass || !getWindowSubclass(hwnd, &Window::SubclassProc, kSubclassId, &refData))
        return nullptr;
    return reinterpret_cast<Window*>(refData);
}

bool Window::WalkPreTranslateTree(HWND top, MSG* msg)
{
    for (HWND hwnd = msg->hwnd; hwnd; hwnd = ::GetParent(hwnd)) {
        if (Window* window = FromHandle(hwnd)) {
            if (window->PreTranslateMessage(msg))
                return true;
        }
        if (hwnd == top)
            break;
    }
    return false;
}

bool Window::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    HWND child = nullptr;
    switch (message) {
    case WM_DRAWITEM: child = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem; break;
    case WM_COMMAND: child = reinterpret_cast<HWND>(lParam); break;
    default: return false;
    }
    Window* window = FromHandle(child);
    return window && window->OnChildNotify(message, wParam, lParam, result);
}

BOOL Window::PreTranslateMessage(MSG*)
{
    return FALSE;
}

bool Window::OnWndMsg(UINT, WPARAM, LPARAM, LRESULT&)
{
    return false;
}

bool Window::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT&)
{
    return false;
}

LRESULT Window::Default()
{
    return ::DefSubclassProc(m_hWnd, m_current.message, m_current.wParam, m_current.lParam);
}

LRESULT CALLBACK Window::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                      DWORD_PTR refData)
{
    auto* self = reinterpret_cast<Window*>(refData);
    const CurrentMessage saved = self->m_current;
    self->m_current = {message, wParam, lParam};
    LRESULT result = 0;
    bool handled = false;
    try {
        handled = self->OnWndMsg(message, wParam, lParam, result);
    } catch (...) {
        // No exception may cross the window procedure; the message then gets its default handling.
        handled = false;
    }
    if (!handled)
        result = ::DefSubclassProc(hwnd, message, wParam, lParam);
    self->m_current = saved;
    if (message == WM_NCDESTROY)
        self->UnsubclassWindow();
    return result;
}

} // namespace win
