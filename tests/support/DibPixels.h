// Pixels of bitmaps for tests: 32-bit top-down requests, each pixel as 0x00RRGGBB (the DIB's own order).
#pragma once

#include <windows.h>

#include <vector>

namespace dib {

inline BITMAPINFO TopDown32(int width, int height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// The pixels of a bitmap that is selected into no device context, top row first.
inline std::vector<DWORD> Pixels(HBITMAP bitmap, int& width, int& height)
{
    BITMAP info{};
    if (!bitmap || !::GetObjectA(bitmap, sizeof info, &info))
        return {};
    width = info.bmWidth;
    height = info.bmHeight;
    BITMAPINFO request = TopDown32(width, height);
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
    HDC screen = ::GetDC(nullptr);
    ::GetDIBits(screen, bitmap, 0, height, pixels.data(), &request, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    for (DWORD& p : pixels)
        p &= 0x00FFFFFF;
    return pixels;
}

// The pixels of one of this program's bitmap resources.
inline std::vector<DWORD> ResourcePixels(int id, int& width, int& height)
{
    HBITMAP bitmap = ::LoadBitmapA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
    std::vector<DWORD> pixels = Pixels(bitmap, width, height);
    ::DeleteObject(bitmap);
    return pixels;
}

} // namespace dib
