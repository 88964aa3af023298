// Window: the object side of one window. A control object is attached to its existing window by subclassing it:
// our procedure takes the window's place and finds the object in the window's user data, which a property marks as
// ours (so no global map is needed); its messages then reach OnWndMsg, and whatever it leaves unhandled goes on to the
// procedure the window had before.
#pragma once

#include <windows.h>

namespace win {

class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND GetSafeHwnd() const noexcept { return m_hWnd; }

    // Attaches this object to an existing window; false when the window is invalid or already attached.
    bool SubclassWindow(HWND hwnd);
    // Detaches from the window without destroying it.
    void UnsubclassWindow();

    // The object attached to a window, or null.
    static Window* FromHandle(HWND hwnd);

    // Offers a message to the objects of its window and of each parent up to and including top, innermost first.
    // True when one of them consumed it.
    static bool WalkPreTranslateTree(HWND top, MSG* msg);

    // Gives an owner's WM_DRAWITEM (and other owner notifications) to the object of the child it concerns.
    // True when that child handled it; result then holds the message's result.
    static bool ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Sees a message before the dialog manager does; true consumes it.
    virtual BOOL PreTranslateMessage(MSG* msg);

protected:
    // Handles a message of this window; false leaves it to the window's own procedure.
    virtual bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Handles a notification that the parent reflected to this child (see ReflectChildNotify).
    virtual bool OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Passes the message being handled on to the window's own procedure.
    LRESULT Default();

    HWND m_hWnd = nullptr;

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    WNDPROC m_prevProc = nullptr; // the window's procedure before ours

    struct CurrentMessage {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    CurrentMessage m_current{};
};

} // namespace win
