#include "SkinButton.h"

// One row per message, in the order the table is searched (the formatter would pack the short rows side by side).
// clang-format off
const win::MessageEntry<CSkinButton> CSkinButton::s_messageTable[] = {
    {WM_MOUSEMOVE, 0, 0, &CSkinButton::OnMouseMove},
    {WM_LBUTTONDOWN, 0, 0, &CSkinButton::OnLButtonDown},
    {WM_SETCURSOR, 0, 0, &CSkinButton::OnSetCursor},
    {WM_MOUSEHOVER, 0, 0, &CSkinButton::OnMouseHover},
    {WM_MOUSELEAVE, 0, 0, &CSkinButton::OnMouseLeave},
    {WM_ERASEBKGND, 0, 0, &CSkinButton::OnEraseBkgnd},
    {WM_UPDATEUISTATE, 0, 0, &CSkinButton::OnUpdateUiState},
};
// clang-format on

// The pointing hand tells the player the picture is a button; the system always has it, so the cursor is valid.
CSkinButton::CSkinButton() : m_hCursor(::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)))
{
    if (!m_hCursor)
        m_hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
}

CSkinButton::~CSkinButton()
{
    UnsubclassWindow();
}

void CSkinButton::SetSkin(UINT bitmapId, COLORREF key)
{
    m_sprite.LoadFromResource(bitmapId);
    m_colorKey = key;
    FitToFrame();
}

void CSkinButton::SetSkin(const skin::PixelImage& strip, COLORREF key)
{
    m_sprite.LoadFromPixels(strip);
    m_colorKey = key;
    FitToFrame();
}

void CSkinButton::FitToFrame()
{
    // A new strip or place: the looks are put together again at the next paint.
    m_looks.Unload();
    if (!m_hWnd)
        return;
    RECT rect{};
    ::GetWindowRect(m_hWnd, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(m_hWnd), reinterpret_cast<POINT*>(&rect), 2);
    // A strip that did not load leaves the template's size rather than shrinking the button to nothing.
    if (m_sprite.IsLoaded()) {
        rect.right = rect.left + m_sprite.FrameWidth();
        rect.bottom = rect.top + m_sprite.Height();
    }
    m_rcParent = rect;
    ::MoveWindow(m_hWnd, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}

void CSkinButton::SetToolTipText(const char* text)
{
    m_strToolTip = text ? text : "";
    // One tooltip per button: a second call changes the text instead of creating another control.
    if (m_tooltip && m_hWnd)
        m_tooltip.UpdateTipText(m_hWnd, m_strToolTip.c_str());
}

bool CSkinButton::CreateToolTip()
{
    if (m_tooltip)
        return true;
    // One attempt only: a system without the common controls library gets buttons without tooltips, and the
    // pointer's moves do not try to load it again.
    if (m_bToolTipTried || !m_hWnd || m_strToolTip.empty())
        return false;
    m_bToolTipTried = true;
    HWND parent = ::GetParent(m_hWnd);
    if (!m_tooltip.Create(parent ? parent : m_hWnd, 0))
        return false;
    m_tooltip.Activate(true);
    m_tooltip.AddTool(m_hWnd, m_strToolTip.c_str());
    return true;
}

void CSkinButton::SetGreyed(bool greyed)
{
    m_bGreyed = greyed ? 1 : 0;
    if (m_hWnd)
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

BOOL CSkinButton::PreTranslateMessage(MSG* msg)
{
    if (m_tooltip)
        m_tooltip.RelayEvent(msg);
    return win::Window::PreTranslateMessage(msg);
}

void CSkinButton::DrawItem(LPDRAWITEMSTRUCT item)
{
    const int frame = skin::ChooseFrame(m_bGreyed == 1, (item->itemState & ODS_SELECTED) != 0, m_bHover != 0);
    const int w = m_sprite.FrameWidth();
    const int h = m_sprite.Height();
    if (!item->hDC || w <= 0 || h <= 0)
        return;
    // The focus cue over the look, as the system draws it on its own buttons, once the keyboard is in use.
    const UINT state = item->itemState;
    const bool focusCue = m_bFocusCues && (state & ODS_FOCUS) && !(state & ODS_NOFOCUSRECT);
    const bool composed = ComposeLooks();
    if (composed && !focusCue) {
        m_looks.DrawFrame(item->hDC, frame, 0, 0);
        return;
    }
    // Otherwise the look is made in a back buffer, so the screen is written once. Over the parent's pixels rather
    // than over what the button showed before: the platform redraws a pressed or released button without erasing
    // it, and the key-coloured parts of a frame would otherwise keep showing the previous look.
    win::MemoryDC backDC(::CreateCompatibleDC(item->hDC));
    win::Bitmap back(::CreateCompatibleBitmap(item->hDC, w, h));
    win::Selection backSel(backDC.Get(), back.Get());
    if (!backSel)
        return;
    if (composed) {
        m_looks.DrawFrame(backDC.Get(), frame, 0, 0);
    } else {
        PaintParentBackground(backDC.Get());
        m_sprite.DrawFrameTransparent(backDC.Get(), frame, 0, 0, m_colorKey);
    }
    if (focusCue) {
        const int inset = h >= 12 ? h / 8 + 1 : 1;
        RECT cue{inset, inset, w - inset, h - inset};
        ::SetTextColor(backDC.Get(), RGB(0, 0, 0));
        ::SetBkColor(backDC.Get(), RGB(255, 255, 255));
        ::DrawFocusRect(backDC.Get(), &cue);
    }
    ::BitBlt(item->hDC, 0, 0, w, h, backDC.Get(), 0, 0, SRCCOPY);
}

bool CSkinButton::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    return win::DispatchMessageTable(*this, s_messageTable, message, wParam, lParam, result);
}

bool CSkinButton::OnChildNotify(UINT message, WPARAM, LPARAM lParam, LRESULT& result)
{
    if (message != WM_DRAWITEM)
        return false;
    DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
    result = TRUE;
    return true;
}

LRESULT CSkinButton::OnMouseMove(WPARAM wParam, LPARAM lParam)
{
    // The pointer's first entry: the new tooltip is given this move too (pre-translation could not relay it, the
    // tooltip did not exist yet), so its delay runs from this moment as if it had always been there.
    if (!m_tooltip && CreateToolTip()) {
        const DWORD at = ::GetMessagePos();
        MSG move{m_hWnd,
                 WM_MOUSEMOVE,
                 wParam,
                 lParam,
                 static_cast<DWORD>(::GetMessageTime()),
                 {static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))}};
        m_tooltip.RelayEvent(&move);
    }
    if (m_bTracking == 0) {
        TRACKMOUSEEVENT request{sizeof request, TME_HOVER | TME_LEAVE, m_hWnd, 1};
        m_bTracking = ::TrackMouseEvent(&request);
    }
    return Default();
}

// A greyed button swallows the press, so the platform never pushes it with the mouse.
LRESULT CSkinButton::OnLButtonDown(WPARAM, LPARAM)
{
    return m_bGreyed == 0 ? Default() : 0;
}

LRESULT CSkinButton::OnSetCursor(WPARAM, LPARAM)
{
    ::SetCursor(m_hCursor);
    return TRUE;
}

LRESULT CSkinButton::OnMouseHover(WPARAM, LPARAM)
{
    m_bHover = 1;
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
    return 0;
}

LRESULT CSkinButton::OnMouseLeave(WPARAM, LPARAM)
{
    m_bTracking = 0;
    m_bHover = 0;
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
    return 0;
}

LRESULT CSkinButton::OnEraseBkgnd(WPARAM wParam, LPARAM)
{
    // The opaque looks cover the whole button: the drawing that follows writes every pixel, once.
    if (!ComposeLooks())
        PaintParentBackground(reinterpret_cast<HDC>(wParam));
    return TRUE;
}

// The keyboard cues are shown or hidden for the window tree (the first move with the keyboard shows them). To set
// them up (UIS_INITIALIZE) the system decides from the last input and the setting: its answer is read back.
LRESULT CSkinButton::OnUpdateUiState(WPARAM wParam, LPARAM)
{
    const LRESULT result = Default();
    if (LOWORD(wParam) == UIS_INITIALIZE || (HIWORD(wParam) & UISF_HIDEFOCUS)) {
        int shown = m_bFocusCues;
        switch (LOWORD(wParam)) {
        case UIS_CLEAR: shown = 1; break;
        case UIS_SET: shown = 0; break;
        case UIS_INITIALIZE: shown = (::SendMessageW(m_hWnd, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) ? 0 : 1; break;
        default: break;
        }
        if (shown != m_bFocusCues) {
            m_bFocusCues = shown;
            ::InvalidateRect(m_hWnd, nullptr, TRUE);
        }
    }
    return result;
}

bool CSkinButton::ComposeLooks()
{
    if (m_looks.IsLoaded())
        return true;
    const int w = m_sprite.FrameWidth();
    const int h = m_sprite.Height();
    if (w <= 0 || h <= 0 || m_rcParent.right - m_rcParent.left != w || m_rcParent.bottom - m_rcParent.top != h)
        return false;
    // The parent's pixels under the button, read back from a bitmap of known layout.
    std::uint32_t* bits = nullptr;
    win::Bitmap under(skin::CreatePixelBitmap(w, h, bits));
    win::MemoryDC underDC(::CreateCompatibleDC(nullptr));
    skin::PixelImage backdrop(w, h);
    {
        win::Selection selected(underDC.Get(), under.Get());
        // A parent that paints no background of its own shows the button's previous look there: nothing to keep.
        if (!bits || !selected || !PaintParentBackground(underDC.Get()))
            return false;
        ::GdiFlush();
        for (size_t i = 0; i < backdrop.pixels.size(); ++i)
            backdrop.pixels[i] = bits[i] & 0x00FFFFFF;
    }
    m_looks.LoadFromPixels(
        skin::ComposeFrames(m_sprite.ReadPixels(), skin::kFrameCount, backdrop, skin::PixelOf(m_colorKey)));
    return m_looks.IsLoaded();
}

bool CSkinButton::PaintParentBackground(HDC target) const
{
    const int w = m_rcParent.right - m_rcParent.left;
    const int h = m_rcParent.bottom - m_rcParent.top;
    HWND parent = m_hWnd ? ::GetParent(m_hWnd) : nullptr;
    if (!target || !parent || w <= 0 || h <= 0)
        return false;
    win::WindowDC parentDC(parent);
    if (!parentDC)
        return false;
    win::MemoryDC memoryDC(::CreateCompatibleDC(parentDC.Get()));
    win::Bitmap bitmap(::CreateCompatibleBitmap(parentDC.Get(), w, h));
    win::Selection selected(memoryDC.Get(), bitmap.Get());
    if (!selected)
        return false;
    // The parent paints its own background into the off-screen surface, moved so that the button's corner lands
    // at (0, 0). Its window only holds what the screen shows, and under the button that is the button's previous
    // look, not the parent's picture. A parent that does not erase gives its window's pixels instead.
    POINT oldOrigin{};
    ::SetViewportOrgEx(memoryDC.Get(), -m_rcParent.left, -m_rcParent.top, &oldOrigin);
    const bool erased = ::SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memoryDC.Get()), 0) != 0;
    ::SetViewportOrgEx(memoryDC.Get(), oldOrigin.x, oldOrigin.y, nullptr);
    if (!erased)
        ::BitBlt(memoryDC.Get(), 0, 0, w, h, parentDC.Get(), m_rcParent.left, m_rcParent.top, SRCCOPY);
    ::BitBlt(target, 0, 0, w, h, memoryDC.Get(), 0, 0, SRCCOPY);
    return erased;
}
