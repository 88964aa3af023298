#include "Window.h"

namespace win {

namespace {

// The object attached to a window, and the procedure the window had before ours. The procedure stays with the
// window after the object detaches while another subclass sits on top of ours: our procedure, still in that chain,
// then passes every message on to it. Our procedure finds the object in the window's user data as well: under Wine
// every property lookup is a round trip to the server, and the procedure runs for every message the window gets
// (a thousand titles added to the list are a thousand messages). The property stays the mark that tells our
// windows from others, whose user data may hold anything.
const wchar_t kObjectProp[] = L"TarvoWindowObject";
const wchar_t kPrevProcProp[] = L"TarvoWindowPrevProc";

WNDPROC PreviousProc(HWND hwnd)
{
    return reinterpret_cast<WNDPROC>(::GetPropW(hwnd, kPrevProcProp));
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
    // Only a window of this process can run our procedure; a window already in our chain keeps its first
    // previous procedure.
    DWORD process = 0;
    ::GetWindowThreadProcessId(hwnd, &process);
    // The user data must be free: it will hold the object.
    if (process != ::GetCurrentProcessId() || PreviousProc(hwnd) || ::GetWindowLongPtrW(hwnd, GWLP_USERDATA))
        return false;
    if (!::SetPropW(hwnd, kObjectProp, this))
        return false;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetLastError(0);
    const auto prev = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Window::SubclassProc)));
    if (!prev || !::SetPropW(hwnd, kPrevProcProp, reinterpret_cast<HANDLE>(prev))) {
        if (prev)
            ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(prev));
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        ::RemovePropW(hwnd, kObjectProp);
        return false;
    }
    m_prevProc = prev;
    m_hWnd = hwnd;
    return true;
}

void Window::UnsubclassWindow()
{
    if (!m_hWnd)
        return;
    ::RemovePropW(m_hWnd, kObjectProp);
    ::SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
    // Another subclass installed after ours still calls our procedure: the window keeps it, as a pass-through.
    const auto current = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(m_hWnd, GWLP_WNDPROC));
    if (current == &Window::SubclassProc) {
        ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_prevProc));
        ::RemovePropW(m_hWnd, kPrevProcProp);
    }
    m_hWnd = nullptr;
    m_prevProc = nullptr;
}

Window* Window::FromHandle(HWND hwnd)
{
    // A window of another process may carry the same property (another launcher's): its value means nothing here.
    DWORD process = 0;
    if (!hwnd || !::GetWindowThreadProcessId(hwnd, &process) || process != ::GetCurrentProcessId())
        return nullptr;
    // A window without user data is none of ours: no property lookup for it.
    const auto self = reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return self && ::GetPropW(hwnd, kObjectProp) == self ? self : nullptr;
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
    return ::CallWindowProcW(m_prevProc, m_hWnd, m_current.message, m_current.wParam, m_current.lParam);
}

LRESULT CALLBACK Window::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) {
        const WNDPROC prev = PreviousProc(hwnd);
        if (message == WM_NCDESTROY)
            ::RemovePropW(hwnd, kPrevProcProp);
        return prev ? ::CallWindowProcW(prev, hwnd, message, wParam, lParam)
                    : ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
    const CurrentMessage saved = self->m_current;
    self->m_current = {message, wParam, lParam};
    // Kept here: a handler may detach the object (or destroy the window) before the message is passed on.
    const WNDPROC prev = self->m_prevProc;
    LRESULT result = 0;
    bool handled = false;
    try {
        handled = self->OnWndMsg(message, wParam, lParam, result);
    } catch (...) {
        // No exception may cross the window procedure; the message then gets its default handling.
        handled = false;
    }
    if (!handled)
        result = ::CallWindowProcW(prev, hwnd, message, wParam, lParam);
    self->m_current = saved;
    if (message == WM_NCDESTROY) {
        self->UnsubclassWindow();
        ::RemovePropW(hwnd, kPrevProcProp); // the window goes: no message follows this one
    }
    return result;
}

} // namespace win
