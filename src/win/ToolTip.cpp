#include "ToolTip.h"

#include <commctrl.h>

namespace win {

namespace {

TTTOOLINFOA ToolInfo(HWND tool, const char* text)
{
    // Without a comctl32 version 6 manifest only the older structure size is accepted on Windows.
    TTTOOLINFOA info{};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.uFlags = TTF_IDISHWND;
    info.hwnd = ::GetParent(tool) ? ::GetParent(tool) : tool;
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = const_cast<char*>(text ? text : "");
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
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&classes);
    m_hWnd = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | style, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    return m_hWnd != nullptr;
}

void ToolTip::Activate(bool active)
{
    if (m_hWnd)
        ::SendMessageA(m_hWnd, TTM_ACTIVATE, active, 0);
}

bool ToolTip::AddTool(HWND tool, const char* text)
{
    if (!m_hWnd)
        return false;
    TTTOOLINFOA info = ToolInfo(tool, text);
    return ::SendMessageA(m_hWnd, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)) != 0;
}

void ToolTip::UpdateTipText(HWND tool, const char* text)
{
    if (!m_hWnd)
        return;
    TTTOOLINFOA info = ToolInfo(tool, text);
    ::SendMessageA(m_hWnd, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
}

void ToolTip::RelayEvent(MSG* msg)
{
    if (m_hWnd && msg)
        ::SendMessageA(m_hWnd, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
}

} // namespace win
