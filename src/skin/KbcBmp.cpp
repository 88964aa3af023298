#include "KbcBmp.h"

#include <algorithm>

namespace skin {

PixelImage LoadResourcePixels(UINT id)
{
    win::Bitmap bitmap(::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id)));
    BITMAP info{};
    if (!bitmap || !::GetObjectW(bitmap.Get(), sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0)
        return PixelImage();
    PixelImage picture(info.bmWidth, info.bmHeight);
    BITMAPINFO request{};
    request.bmiHeader.biSize = sizeof request.bmiHeader;
    request.bmiHeader.biWidth = picture.width;
    request.bmiHeader.biHeight = -picture.height; // top row first
    request.bmiHeader.biPlanes = 1;
    request.bmiHeader.biBitCount = 32;
    request.bmiHeader.biCompression = BI_RGB;
    win::WindowDC screen(nullptr);
    if (!screen || ::GetDIBits(screen.Get(), bitmap.Get(), 0, static_cast<UINT>(picture.height), picture.pixels.data(),
                               &request, DIB_RGB_COLORS) != picture.height)
        return PixelImage();
    for (std::uint32_t& p : picture.pixels)
        p &= 0x00FFFFFF;
    return picture;
}

} // namespace skin

void CKbcBmp::LoadFromResource(UINT id)
{
    m_bitmap.Reset(::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id)));
    m_hBitmap = m_bitmap.Get();
    m_bmInfo = BITMAP{};
    if (m_hBitmap && !::GetObjectW(m_hBitmap, sizeof m_bmInfo, &m_bmInfo)) {
        m_bitmap.Reset();
        m_hBitmap = nullptr;
        m_bmInfo = BITMAP{};
    }
    m_nWidth = m_bmInfo.bmWidth;
    m_nFrameWidth = m_nWidth / skin::kFrameCount;
    m_nHeight = m_bmInfo.bmHeight;
}

void CKbcBmp::LoadFromPixels(const skin::PixelImage& picture)
{
    m_bitmap.Reset();
    m_hBitmap = nullptr;
    m_bmInfo = BITMAP{};
    if (!picture.Empty()) {
        BITMAPINFO format{};
        format.bmiHeader.biSize = sizeof format.bmiHeader;
        format.bmiHeader.biWidth = picture.width;
        format.bmiHeader.biHeight = -picture.height;
        format.bmiHeader.biPlanes = 1;
        format.bmiHeader.biBitCount = 32;
        format.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        m_bitmap.Reset(::CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (m_bitmap && bits && ::GetObjectW(m_bitmap.Get(), sizeof m_bmInfo, &m_bmInfo)) {
            std::copy(picture.pixels.begin(), picture.pixels.end(), static_cast<std::uint32_t*>(bits));
            ::GdiFlush();
            m_hBitmap = m_bitmap.Get();
        } else {
            m_bitmap.Reset();
            m_bmInfo = BITMAP{};
        }
    }
    m_nWidth = m_bmInfo.bmWidth;
    m_nFrameWidth = m_nWidth / skin::kFrameCount;
    m_nHeight = m_bmInfo.bmHeight;
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
