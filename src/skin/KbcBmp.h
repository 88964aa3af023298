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

// One of the program's bitmap resources (24 or 32 bits per pixel, uncompressed) read in place, without a bitmap
// object: the resource's bytes are converted row by row where the caller wants them.
class ResourceBitmap {
public:
    // Not Valid() when the resource is missing, of another format, or shorter than its header says.
    explicit ResourceBitmap(UINT id);
    bool Valid() const noexcept { return m_bits != nullptr; }
    int Width() const noexcept { return m_width; }
    int Height() const noexcept { return m_height; }
    // Row y (top row 0) as 0x00RRGGBB pixels into out[0..Width()).
    void ReadRow(int y, std::uint32_t* out) const;

private:
    const BYTE* m_bits = nullptr;
    int m_width = 0;
    int m_height = 0;
    int m_bytesPerPixel = 0;
    size_t m_stride = 0;
    bool m_bottomUp = true;
};

// The pixels of one of the program's bitmap resources; empty when it cannot be loaded.
PixelImage LoadResourcePixels(UINT id);

// A width x height bitmap of 32-bit pixels (0x00RRGGBB, top row first) whose pixels the caller reads and writes
// through `bits`; null (and bits null) when it cannot be made.
HBITMAP CreatePixelBitmap(int width, int height, std::uint32_t*& bits);

} // namespace skin

class CKbcBmp {
public:
    CKbcBmp() = default;
    CKbcBmp(const CKbcBmp&) = delete;
    CKbcBmp& operator=(const CKbcBmp&) = delete;

    // Loads bitmap id from the program's resources, replacing any bitmap loaded before. When the id cannot be
    // loaded the sprite is left empty (all sizes 0) and draws nothing.
    void LoadFromResource(UINT id);
    // Loads a picture stored as two resources that leave out a hole (see skin::JoinAroundHoleInto), put together in
    // the sprite's own bitmap. The sprite is left empty when the parts cannot be loaded or do not match.
    void LoadAroundHole(UINT rowsId, UINT sidesId, const skin::HoleLayout& at, std::uint32_t fill);
    // Takes a picture built in memory (for instance one fitted to the display's scale), replacing any bitmap held
    // before. An empty picture leaves the sprite empty.
    void LoadFromPixels(const skin::PixelImage& picture);
    // Empties the sprite.
    void Unload();
    // The bitmap's pixels; empty when nothing is loaded.
    skin::PixelImage ReadPixels() const;
    // Copies the whole bitmap to dc with its top-left corner at (x, y).
    void Draw(HDC dc, int x, int y) const;
    // Copies frame 0..3 of the strip, opaque, to dc at (x, y): one BitBlt. A frame number outside 0..3 draws nothing.
    void DrawFrame(HDC dc, int frame, int x, int y) const;
    // Draws frame 0..3 of the strip at (x, y); source pixels of colour key leave dc unchanged. The destination is
    // written by one single copy. A frame number outside 0..3 draws nothing.
    void DrawFrameTransparent(HDC dc, int frame, int x, int y, COLORREF key) const;

    bool IsLoaded() const noexcept { return m_hBitmap != nullptr; }
    int Width() const noexcept { return m_nWidth; }
    int FrameWidth() const noexcept { return m_nFrameWidth; }
    int Height() const noexcept { return m_nHeight; }

private:
    // Replaces the bitmap with a new width x height one of 32-bit pixels (0x00RRGGBB, top row first) and gives its
    // pixels to be filled; null, the sprite empty, when it cannot be made.
    std::uint32_t* Create(int width, int height);
    // Makes the bitmap created last the sprite's (after its pixels are written), or empties the sprite.
    void Finish(bool filled);

    HBITMAP m_hBitmap = nullptr;           // the bitmap m_bitmap owns
    const std::uint32_t* m_bits = nullptr; // its pixels (a top-down DIB section of 32-bit pixels)
    BITMAP m_bmInfo{};
    win::Bitmap m_bitmap;
    int m_nWidth = 0;
    int m_nFrameWidth = 0; // m_nWidth / 4: the rightmost m_nWidth % 4 columns belong to no frame
    int m_nHeight = 0;
};
