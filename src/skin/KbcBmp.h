// CKbcBmp: one bitmap from the program's resources, drawn whole and opaque (the window background) or as one
// colour-keyed frame of a horizontal strip of four frames (the skin buttons).
#pragma once

#include <windows.h>

#include "skin/PixelImage.h"
#include "win/GdiHandles.h"

namespace skin {

const int kFrameCount = 4;

// The compositing rule of a colour-keyed draw: a source pixel of the key colour leaves the destination pixel,
// every other source pixel replaces it.
constexpr COLORREF CompositePixel(COLORREF source, COLORREF destination, COLORREF key)
{
    return (source & 0x00FFFFFF) == (key & 0x00FFFFFF) ? destination : source;
}

// A colour value (0x00BBGGRR) in the order of PixelImage's pixels (0x00RRGGBB), and back.
constexpr std::uint32_t PixelOf(COLORREF colour)
{
    return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}

// The pixels of one of the program's bitmap resources; empty when it cannot be loaded.
PixelImage LoadResourcePixels(UINT id);

} // namespace skin

class CKbcBmp {
public:
    CKbcBmp() = default;
    CKbcBmp(const CKbcBmp&) = delete;
    CKbcBmp& operator=(const CKbcBmp&) = delete;

    // Loads bitmap id from the program's resources, replacing any bitmap loaded before. When the id cannot be
    // loaded the sprite is left empty (all sizes 0) and draws nothing.
    void LoadFromResource(UINT id);
    // Takes a picture built in memory (for instance one fitted to the display's scale), replacing any bitmap held
    // before. An empty picture leaves the sprite empty.
    void LoadFromPixels(const skin::PixelImage& picture);
    // Copies the whole bitmap to dc with its top-left corner at (x, y).
    void Draw(HDC dc, int x, int y) const;
    // Draws frame 0..3 of the strip at (x, y); source pixels of colour key leave dc unchanged. The destination is
    // written by one single copy. A frame number outside 0..3 draws nothing.
    void DrawFrameTransparent(HDC dc, int frame, int x, int y, COLORREF key) const;

    bool IsLoaded() const noexcept { return m_hBitmap != nullptr; }
    int Width() const noexcept { return m_nWidth; }
    int FrameWidth() const noexcept { return m_nFrameWidth; }
    int Height() const noexcept { return m_nHeight; }

private:
    HBITMAP m_hBitmap = nullptr; // the bitmap m_bitmap owns
    BITMAP m_bmInfo{};
    win::Bitmap m_bitmap;
    int m_nWidth = 0;
    int m_nFrameWidth = 0; // m_nWidth / 4: the rightmost m_nWidth % 4 columns belong to no frame
    int m_nHeight = 0;
};
