#include "WaitingWindow.h"

#include "MessageWait.h"

namespace win {

void WaitingWindow::Begin()
{
    if (m_waiting)
        return;
    m_waiting = true;
    m_hFocus = ::GetFocus();
    // A pressed button still holds the mouse while its click is handled; a window with the capture would get the
    // mouse although the dialog is disabled.
    ::ReleaseCapture();
    // Windows takes the keyboard focus from a window it disables; it is given back when the wait ends.
    ::EnableWindow(m_hWnd, FALSE);
    ::SetCursor(::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)));
}

bool WaitingWindow::Wait(DWORD ms, HANDLE until)
{
    Begin();
    return WaitDispatchingMessages(ms, until, true);
}

WaitingWindow::~WaitingWindow()
{
    if (!m_waiting)
        return;
    m_waiting = false;
    ::EnableWindow(m_hWnd, TRUE);
    if (m_hFocus && ::IsChild(m_hWnd, m_hFocus) && ::IsWindowEnabled(m_hFocus))
        ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_hFocus), TRUE);
}

} // namespace win
