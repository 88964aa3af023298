#include "ToolTip.h"

#include <commctrl.h>

#include "Gbk.h"
#include "SystemLibrary.h"

namespace win {

namespace {

// The control copies the text, so the wide form need only live for the call.
TTTOOLINFOW ToolInfo(HWND tool, WideText& text)
{
    // Without a comctl32 version 6 manifest only the older structure size is accepted on Windows.
    TTTOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.uFlags = TTF_IDISHWND;
    info.hwnd = ::GetParent(tool) ? ::GetParent(tool) : tool;
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = text.data();
    return info;
}

} // namespace

ToolTip::~ToolTip()
{
    // The control is an owned pop-up: destroying its owner destroys it first, so it may already be gone.
    if (m_hWnd && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
}

bool ToolTip::Create(HWND owner, DWORD style)
{
    if (m_hWnd)
        return true;
    // The common controls library is loaded here, on the first tooltip, from System32 only: the launcher does not
    // import it, so a window that never shows a tooltip never loads it.
    using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const auto init = SystemFunction<InitFn>(L"comctl32.dll", "InitCommonControlsEx");
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_WIN95_CLASSES};
    if (!init || !init(&classes))
        return false;
    m_hWnd = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | style, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    return m_hWnd != nullptr;
}

void ToolTip::Activate(bool active)
{
    if (m_hWnd)
        ::SendMessageW(m_hWnd, TTM_ACTIVATE, active, 0);
}

bool ToolTip::AddTool(HWND tool, const char* text)
{
    if (!m_hWnd)
        return false;
    WideText wide = WideFromGbk(text ? text : "");
    TTTOOLINFOW info = ToolInfo(tool, wide);
    return ::SendMessageW(m_hWnd, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)) != 0;
}

void ToolTip::UpdateTipText(HWND tool, const char* text)
{
    if (!m_hWnd)
        return;
    WideText wide = WideFromGbk(text ? text : "");
    TTTOOLINFOW info = ToolInfo(tool, wide);
    ::SendMessageW(m_hWnd, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
}

void ToolTip::RelayEvent(MSG* msg)
{
    if (m_hWnd && msg)
        ::SendMessageW(m_hWnd, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
}

} // namespace win
