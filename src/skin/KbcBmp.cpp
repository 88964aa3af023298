#include "KbcBmp.h"

#include <algorithm>
#include <cstring>

namespace skin {

ResourceBitmap::ResourceBitmap(UINT id)
{
    const HMODULE module = ::GetModuleHandleW(nullptr);
    const HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(2) /* RT_BITMAP */);
    const HGLOBAL loaded = info ? ::LoadResource(module, info) : nullptr;
    const auto* data = static_cast<const BYTE*>(loaded ? ::LockResource(loaded) : nullptr);
    const DWORD size = info ? ::SizeofResource(module, info) : 0;
    BITMAPINFOHEADER header{};
    if (!data || size < sizeof header)
        return;
    std::memcpy(&header, data, sizeof header);
    // The pictures are stored uncompressed with 24 bits per pixel; 32 is read as well, anything else is refused
    // rather than misread. Every size is checked against the resource's length before a pixel is read.
    if (header.biSize < sizeof header || header.biSize > size || header.biWidth <= 0 || header.biHeight == 0 ||
        header.biHeight == LONG(0x80000000) || header.biPlanes != 1 ||
        (header.biBitCount != 24 && header.biBitCount != 32) || header.biCompression != BI_RGB ||
        header.biClrUsed > 256)
        return;
    const std::uint64_t height = header.biHeight < 0 ? -std::int64_t(header.biHeight) : header.biHeight;
    const std::uint64_t stride = (std::uint64_t(header.biWidth) * header.biBitCount + 31) / 32 * 4;
    const std::uint64_t offset = std::uint64_t(header.biSize) + std::uint64_t(header.biClrUsed) * 4;
    if (offset + stride * height > size)
        return;
    m_bits = data + offset;
    m_width = header.biWidth;
    m_height = static_cast<int>(height);
    m_bytesPerPixel = header.biBitCount / 8;
    m_stride = static_cast<size_t>(stride);
    m_bottomUp = header.biHeight > 0;
}

void ResourceBitmap::ReadRow(int y, std::uint32_t* out) const
{
    const BYTE* in = m_bits + m_stride * static_cast<size_t>(m_bottomUp ? m_height - 1 - y : y);
    for (int x = 0; x < m_width; ++x, in += m_bytesPerPixel)
        out[x] = std::uint32_t(in[0]) | (std::uint32_t(in[1]) << 8) | (std::uint32_t(in[2]) << 16);
}

PixelImage LoadResourcePixels(UINT id)
{
    const ResourceBitmap bitmap(id);
    if (!bitmap.Valid())
        return PixelImage();
    PixelImage picture(bitmap.Width(), bitmap.Height());
    for (int y = 0; y < picture.height; ++y)
        bitmap.ReadRow(y, &picture.pixels[static_cast<size_t>(y) * picture.width]);
    return picture;
}

HBITMAP CreatePixelBitmap(int width, int height, std::uint32_t*& bits)
{
    bits = nullptr;
    if (width <= 0 || height <= 0)
        return nullptr;
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height; // top row first
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    const HBITMAP bitmap = ::CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (bitmap && pixels)
        bits = static_cast<std::uint32_t*>(pixels);
    return bitmap;
}

} // namespace skin

std::uint32_t* CKbcBmp::Create(int width, int height)
{
    Unload();
    std::uint32_t* bits = nullptr;
    m_bitmap.Reset(skin::CreatePixelBitmap(width, height, bits));
    if (!m_bitmap || !bits) {
        m_bitmap.Reset();
        return nullptr;
    }
    m_bits = bits;
    return bits;
}

void CKbcBmp::Unload()
{
    m_bitmap.Reset();
    m_hBitmap = nullptr;
    m_bits = nullptr;
    m_bmInfo = BITMAP{};
    m_nWidth = m_nFrameWidth = m_nHeight = 0;
}

skin::PixelImage CKbcBmp::ReadPixels() const
{
    if (!m_hBitmap || !m_bits)
        return skin::PixelImage();
    skin::PixelImage picture(m_nWidth, m_nHeight);
    std::copy(m_bits, m_bits + picture.pixels.size(), picture.pixels.begin());
    return picture;
}

void CKbcBmp::Finish(bool filled)
{
    if (!filled || !m_bitmap || !::GetObjectW(m_bitmap.Get(), sizeof m_bmInfo, &m_bmInfo)) {
        m_bitmap.Reset();
        m_bits = nullptr;
        m_bmInfo = BITMAP{};
    } else {
        ::GdiFlush(); // the pixels were written by hand: GDI sees them from here on
    }
    m_hBitmap = m_bitmap.Get();
    m_nWidth = m_bmInfo.bmWidth;
    m_nFrameWidth = m_nWidth / skin::kFrameCount;
    m_nHeight = m_bmInfo.bmHeight;
}

void CKbcBmp::LoadFromResource(UINT id)
{
    // Decoded from the resource's bytes straight into the sprite's bitmap: no intermediate bitmap or copy.
    const skin::ResourceBitmap picture(id);
    std::uint32_t* bits = picture.Valid() ? Create(picture.Width(), picture.Height()) : Create(0, 0);
    if (bits) {
        for (int y = 0; y < picture.Height(); ++y)
            picture.ReadRow(y, bits + static_cast<size_t>(y) * picture.Width());
    }
    Finish(bits != nullptr);
}

void CKbcBmp::LoadAroundHole(UINT rowsId, UINT sidesId, const skin::HoleLayout& at, std::uint32_t fill)
{
    const skin::ResourceBitmap rows(rowsId);
    const skin::ResourceBitmap sides(sidesId);
    std::uint32_t* bits = rows.Valid() && sides.Valid() ? Create(at.width, at.height) : Create(0, 0);
    Finish(bits && skin::JoinAroundHoleInto(rows, sides, at, fill, bits));
}

void CKbcBmp::LoadFromPixels(const skin::PixelImage& picture)
{
    std::uint32_t* bits = Create(picture.width, picture.height);
    if (bits)
        std::copy(picture.pixels.begin(), picture.pixels.end(), bits);
    Finish(bits != nullptr);
}

void CKbcBmp::Draw(HDC dc, int x, int y) const
{
    if (!dc || !m_hBitmap)
        return;
    win::MemoryDC source(::CreateCompatibleDC(dc));
    win::Selection bitmap(source.Get(), m_hBitmap);
    if (!bitmap)
        return;
    ::BitBlt(dc, x, y, m_nWidth, m_nHeight, source.Get(), 0, 0, SRCCOPY);
}

void CKbcBmp::DrawFrame(HDC dc, int frame, int x, int y) const
{
    if (!dc || !m_hBitmap || m_nFrameWidth <= 0 || frame < 0 || frame >= skin::kFrameCount)
        return;
    win::MemoryDC source(::CreateCompatibleDC(dc));
    win::Selection bitmap(source.Get(), m_hBitmap);
    if (!bitmap)
        return;
    ::BitBlt(dc, x, y, m_nFrameWidth, m_nHeight, source.Get(), frame * m_nFrameWidth, 0, SRCCOPY);
}

void CKbcBmp::DrawFrameTransparent(HDC dc, int frame, int x, int y, COLORREF key) const
{
    const int w = m_nFrameWidth;
    const int h = m_nHeight;
    if (!dc || !m_hBitmap || w <= 0 || h <= 0 || frame < 0 || frame >= skin::kFrameCount)
        return;

    win::MemoryDC sourceDC(::CreateCompatibleDC(dc));
    win::MemoryDC imageDC(::CreateCompatibleDC(dc));
    win::MemoryDC maskDC(::CreateCompatibleDC(dc));
    win::MemoryDC backDC(::CreateCompatibleDC(dc));
    win::Bitmap image(::CreateCompatibleBitmap(dc, w, h));
    win::Bitmap mask(::CreateBitmap(w, h, 1, 1, nullptr));
    win::Bitmap back(::CreateCompatibleBitmap(dc, w, h));
    // Declared after the objects they select, so each surface gets its previous object back before any is freed.
    win::Selection sourceSel(sourceDC.Get(), m_hBitmap);
    win::Selection imageSel(imageDC.Get(), image.Get());
    win::Selection maskSel(maskDC.Get(), mask.Get());
    win::Selection backSel(backDC.Get(), back.Get());
    if (!sourceSel || !imageSel || !maskSel || !backSel)
        return;

    // The frame's image.
    ::BitBlt(imageDC.Get(), 0, 0, w, h, sourceDC.Get(), frame * w, 0, SRCCOPY);
    // Mask: a colour-to-monochrome copy turns pixels of the background colour into 1, all others into 0.
    ::SetBkColor(imageDC.Get(), key);
    ::BitBlt(maskDC.Get(), 0, 0, w, h, imageDC.Get(), 0, 0, SRCCOPY);
    // Monochrome-to-colour maps 1 to the background colour and 0 to the text colour: key pixels of the image turn
    // black, the others keep their colour.
    ::SetBkColor(imageDC.Get(), RGB(0, 0, 0));
    ::SetTextColor(imageDC.Get(), RGB(255, 255, 255));
    ::BitBlt(imageDC.Get(), 0, 0, w, h, maskDC.Get(), 0, 0, SRCAND);
    // Back buffer: the destination with the opaque pixels blacked out (default colours: 1 white, 0 black), then
    // the image ORed in.
    ::BitBlt(backDC.Get(), 0, 0, w, h, dc, x, y, SRCCOPY);
    ::BitBlt(backDC.Get(), 0, 0, w, h, maskDC.Get(), 0, 0, SRCAND);
    ::BitBlt(backDC.Get(), 0, 0, w, h, imageDC.Get(), 0, 0, SRCPAINT);
    ::BitBlt(dc, x, y, w, h, backDC.Get(), 0, 0, SRCCOPY);
}
