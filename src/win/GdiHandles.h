// Owners of GDI objects and device contexts, and the scoped selection of an object into a device context.
// Declare a selection after the objects it selects, so it is undone before they are released.
#pragma once

#include <windows.h>

#include <utility>

#include "UniqueHandle.h"

namespace win {

template <class T>
struct GdiObjectTraits {
    using Handle = T;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::DeleteObject(h); }
};

struct MemoryDCTraits {
    using Handle = HDC;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::DeleteDC(h); }
};

using Bitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using Brush = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using Font = UniqueHandle<GdiObjectTraits<HFONT>>;
using MemoryDC = UniqueHandle<MemoryDCTraits>;

struct IconTraits {
    using Handle = HICON;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::DestroyIcon(h); }
};

// An icon made with LoadImage at a size of our choosing (icons from LoadIcon are shared and never destroyed).
using Icon = UniqueHandle<IconTraits>;

// A device context borrowed from a window with GetDC (a null window gives the screen's), given back on destruction.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) noexcept : m_hwnd(hwnd), m_hdc(::GetDC(hwnd)) {}
    WindowDC(WindowDC&& other) noexcept : m_hwnd(other.m_hwnd), m_hdc(std::exchange(other.m_hdc, nullptr)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    WindowDC& operator=(WindowDC&&) = delete;
    ~WindowDC()
    {
        if (m_hdc)
            ::ReleaseDC(m_hwnd, m_hdc);
    }

    HDC Get() const noexcept { return m_hdc; }
    explicit operator bool() const noexcept { return m_hdc != nullptr; }

private:
    HWND m_hwnd;
    HDC m_hdc;
};

// The device context of one WM_PAINT, between BeginPaint and EndPaint.
class PaintDC {
public:
    explicit PaintDC(HWND hwnd) noexcept : m_hwnd(hwnd), m_hdc(::BeginPaint(hwnd, &m_ps)) {}
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    ~PaintDC() { ::EndPaint(m_hwnd, &m_ps); }

    HDC Get() const noexcept { return m_hdc; }
    const PAINTSTRUCT& Info() const noexcept { return m_ps; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_ps{};
    HDC m_hdc;
};

// Selects an object into a device context and puts the previous one back on destruction.
class Selection {
public:
    Selection(HDC hdc, HGDIOBJ object) noexcept
        : m_hdc(hdc), m_previous(hdc && object ? ::SelectObject(hdc, object) : nullptr)
    {
    }
    Selection(Selection&& other) noexcept : m_hdc(other.m_hdc), m_previous(std::exchange(other.m_previous, nullptr)) {}
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    Selection& operator=(Selection&&) = delete;
    ~Selection()
    {
        if (m_previous && m_previous != HGDI_ERROR)
            ::SelectObject(m_hdc, m_previous);
    }

    // False when the object could not be selected (for instance a bitmap already selected elsewhere).
    explicit operator bool() const noexcept { return m_previous && m_previous != HGDI_ERROR; }

private:
    HDC m_hdc;
    HGDIOBJ m_previous;
};

} // namespace win
