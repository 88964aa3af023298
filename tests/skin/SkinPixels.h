// Pixel helpers of the skin tests: 32-bit surfaces with readable bits, and the pixels of a strip resource.
#pragma once

#include <windows.h>

#include <vector>

#include "DibPixels.h"
#include "win/GdiHandles.h"

namespace skintest {

const COLORREF kKey = RGB(0, 0, 255);
const COLORREF kNoFrameColumn = RGB(255, 255, 0); // the keyed strip's columns that belong to no frame

inline COLORREF FromDib(DWORD bgra)
{
    return RGB((bgra >> 16) & 0xFF, (bgra >> 8) & 0xFF, bgra & 0xFF);
}

inline DWORD ToDib(COLORREF c)
{
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

using dib::TopDown32;

// A memory surface over a 32-bit DIB section whose pixels the test reads and writes directly.
class Surface {
public:
    Surface(int width, int height) : m_width(width), m_height(height), m_dc(::CreateCompatibleDC(nullptr))
    {
        BITMAPINFO info = TopDown32(width, height);
        void* bits = nullptr;
        m_bitmap.Reset(::CreateDIBSection(m_dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        m_bits = static_cast<DWORD*>(bits);
        m_selection = ::SelectObject(m_dc.Get(), m_bitmap.Get());
    }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;
    ~Surface() { ::SelectObject(m_dc.Get(), m_selection); }

    bool Valid() const { return m_bits != nullptr; }
    HDC Dc() const { return m_dc.Get(); }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    COLORREF At(int x, int y) const
    {
        ::GdiFlush();
        return FromDib(m_bits[y * m_width + x]);
    }
    template <class F>
    void Fill(F colourAt)
    {
        ::GdiFlush();
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x)
                m_bits[y * m_width + x] = ToDib(colourAt(x, y));
    }

private:
    int m_width;
    int m_height;
    win::MemoryDC m_dc;
    win::Bitmap m_bitmap;
    DWORD* m_bits = nullptr;
    HGDIOBJ m_selection = nullptr;
};

// The pixels of a bitmap resource, row by row from the top.
struct StripPixels {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;

    explicit StripPixels(UINT id)
    {
        for (DWORD p : dib::ResourcePixels(static_cast<int>(id), width, height))
            pixels.push_back(FromDib(p));
    }
    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

} // namespace skintest
