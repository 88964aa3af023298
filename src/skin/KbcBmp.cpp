#include "KbcBmp.h"

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
