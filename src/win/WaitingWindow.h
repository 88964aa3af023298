// WaitingWindow: a dialog that waits on its own thread (for Temp's passes, for a run it started) without being shut
// away: it keeps answering the system and repainting, but takes no input and shows the busy pointer. Whatever ends
// the wait, an exception included, the dialog is enabled again and the keyboard focus goes back where it was.
#pragma once

#include <windows.h>

namespace win {

class WaitingWindow {
public:
    // `waiting` is the dialog's own flag, true while the window is closed to input (its WM_SETCURSOR answers the
    // busy pointer then).
    WaitingWindow(HWND dialog, bool& waiting) noexcept : m_hWnd(dialog), m_waiting(waiting) {}
    WaitingWindow(const WaitingWindow&) = delete;
    WaitingWindow& operator=(const WaitingWindow&) = delete;
    ~WaitingWindow();

    // Closes the window to input, once: the mouse let go, the window disabled, the busy pointer.
    void Begin();
    // Waits ms milliseconds, or until `until` is signalled (true then), dispatching what arrives; begins first.
    bool Wait(DWORD ms, HANDLE until = nullptr);

private:
    HWND m_hWnd;
    bool& m_waiting;
    HWND m_hFocus = nullptr; // the control that had the keyboard focus when the wait began
};

} // namespace win
