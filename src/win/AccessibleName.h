// NamedControl: a control whose label exists only in the window's picture. Screen readers ask a control for its
// accessible object (WM_GETOBJECT); this one answers with the system's standard object for the control, named with
// the label's text, so the name is read out while nothing drawn changes.
#pragma once

#include "Gbk.h"
#include "Window.h"

namespace win {

class NamedControl : public Window {
public:
    NamedControl() = default;
    ~NamedControl() override;

    // The name screen readers give the control (bytes of code page 936).
    void SetAccessibleName(const char* name);

protected:
    bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    WideText m_name;
    bool m_bComReady = false; // this thread joined COM for the objects it hands out
};

} // namespace win
