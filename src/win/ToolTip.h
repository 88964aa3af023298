// ToolTip: owner of one tooltip control that describes whole windows (tools identified by their window handle).
#pragma once

#include <windows.h>

namespace win {

class ToolTip {
public:
    ToolTip() = default;
    ToolTip(const ToolTip&) = delete;
    ToolTip& operator=(const ToolTip&) = delete;
    ~ToolTip();

    // Creates the control, owned by owner, with the given TTS_ styles, loading the common controls library from
    // System32 first; false when either could not be done.
    bool Create(HWND owner, DWORD style);
    void Activate(bool active);
    // Adds a tool covering the whole of window tool (no rectangle, so it follows the window's size). Texts are bytes
    // of code page 936.
    bool AddTool(HWND tool, const char* text);
    // Replaces the text of a tool added with AddTool.
    void UpdateTipText(HWND tool, const char* text);
    // Lets the control see a message (it reacts to the mouse messages of its tools).
    void RelayEvent(MSG* msg);

    HWND Get() const noexcept { return m_hWnd; }
    explicit operator bool() const noexcept { return m_hWnd != nullptr; }

private:
    HWND m_hWnd = nullptr;
};

} // namespace win
