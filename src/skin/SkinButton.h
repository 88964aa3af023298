// CSkinButton: an owner-drawn push button painted from a four-frame strip (greyed, normal, hovered, pressed), with
// hover tracking, a tooltip, and its parent's pixels as the background that the strip's key colour lets through.
// The four looks are put together over the parent's pixels once, when the button is first drawn; each paint then
// copies one opaque look.
#pragma once

#include <windows.h>

#include <string>

#include "skin/KbcBmp.h"
#include "win/MessageTable.h"
#include "win/ToolTip.h"
#include "win/Window.h"

namespace skin {

enum Frame { kFrameGreyed = 0, kFrameNormal = 1, kFrameHovered = 2, kFramePressed = 3 };

// The look of a button, tested in the order greyed, pressed, hovered, normal.
constexpr int ChooseFrame(bool greyed, bool pressed, bool hovered)
{
    return greyed ? kFrameGreyed : pressed ? kFramePressed : hovered ? kFrameHovered : kFrameNormal;
}

} // namespace skin

class CSkinButton : public win::Window {
public:
    CSkinButton();
    // Detaches from the window before the sprite and the tooltip go.
    ~CSkinButton() override;

    // Loads the strip and resizes the button to one frame, keeping its top-left corner.
    void SetSkin(UINT bitmapId, COLORREF key);
    // The same with a strip built in memory (the strip fitted to the display's scale).
    void SetSkin(const skin::PixelImage& strip, COLORREF key);
    // Gives the button a tooltip with this text; a later call changes the text. The tooltip window is made when the
    // pointer first enters the button: a player who never points at it never needs one.
    void SetToolTipText(const char* text);
    // A greyed button shows frame 0 and ignores mouse presses; it stays enabled for the keyboard.
    void SetGreyed(bool greyed);

    BOOL PreTranslateMessage(MSG* msg) override;
    virtual void DrawItem(LPDRAWITEMSTRUCT item);

    bool IsGreyed() const noexcept { return m_bGreyed == 1; }
    bool IsHovered() const noexcept { return m_bHover != 0; }
    // The tooltip window, null until the pointer has entered the button.
    HWND GetToolTip() const noexcept { return m_tooltip.Get(); }
    // The button's rectangle in its parent's client coordinates, one frame in size (set by SetSkin).
    const RECT& GetParentRect() const noexcept { return m_rcParent; }

protected:
    bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    LRESULT OnMouseMove(WPARAM wParam, LPARAM lParam);     // (flags, point)
    LRESULT OnLButtonDown(WPARAM wParam, LPARAM lParam);   // (flags, point)
    LRESULT OnSetCursor(WPARAM wParam, LPARAM lParam);     // (window, hit test | mouse message)
    LRESULT OnMouseHover(WPARAM wParam, LPARAM lParam);    // (flags, point)
    LRESULT OnMouseLeave(WPARAM wParam, LPARAM lParam);    // ()
    LRESULT OnEraseBkgnd(WPARAM wParam, LPARAM lParam);    // (HDC)
    LRESULT OnUpdateUiState(WPARAM wParam, LPARAM lParam); // (action | elements, 0)

    // Sizes the button to one frame of the loaded strip, keeping its top-left corner.
    void FitToFrame();
    // Makes the tooltip with the text given to SetToolTipText; false when there is none.
    bool CreateToolTip();
    // Paints the parent's pixels under the button into target at (0, 0). False when the parent did not paint its
    // background (its window's pixels were copied instead) or nothing could be painted.
    bool PaintParentBackground(HDC target) const;
    // Puts the four looks together over the parent's background, once (m_looks); false when there is no strip or
    // the parent paints no background of its own, and the button is then drawn by colour key at each paint.
    bool ComposeLooks();

    static const win::MessageEntry<CSkinButton> s_messageTable[];

    CKbcBmp m_sprite;
    CKbcBmp m_looks; // the strip's frames over the parent's pixels, opaque; made again after each SetSkin
    COLORREF m_colorKey = 0;
    int m_bGreyed = 0;
    int m_bTracking = 0;
    int m_bHover = 0;
    RECT m_rcParent{};
    win::ToolTip m_tooltip;
    std::string m_strToolTip; // the tooltip's text, kept until the tooltip is made
    bool m_bToolTipTried = false;
    HCURSOR m_hCursor;
    // 1 while the keyboard cues are shown (the player moved with the keyboard, or the system shows them): the focused
    // button then shows the focus cue. Wine 8 keeps no such state and flags every focused owner-drawn button for a
    // cue, so the button keeps its own, hidden until its window tree is told otherwise.
    int m_bFocusCues = 0;
};
