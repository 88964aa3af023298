// The launcher's resources as the resource loader sees them: picture sizes and depth, the strips' frames and key
// colour, the icon, and the dialog template the dialog code depends on.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <string>
#include <vector>

#include "DibPixels.h"
#include "WindowFigures.h"
#include "resource.h"
#include "skin/KbcBmp.h"
#include "ui/WindowLayout.h"
#include "win/Dpi.h"

namespace {

const LANGID kChinesePrc = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);

const void* RawResource(LPCSTR type, int id, DWORD* size = nullptr)
{
    HRSRC info = FindResourceExA(nullptr, type, MAKEINTRESOURCEA(id), kChinesePrc);
    if (!info)
        return nullptr;
    if (size)
        *size = SizeofResource(nullptr, info);
    return LockResource(LoadResource(nullptr, info));
}

struct Picture {
    int id;
    int width;
    int height;
};

class PictureTest : public testing::TestWithParam<Picture> {};

TEST_P(PictureTest, LoadsAsTwentyFourBitsWithoutPaletteAtItsSize)
{
    const Picture p = GetParam();
    const auto* header = static_cast<const BITMAPINFOHEADER*>(RawResource(RT_BITMAP, p.id));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->biBitCount, 24);
    EXPECT_EQ(header->biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(header->biClrUsed, 0u);

    HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(p.id));
    ASSERT_NE(bitmap, nullptr);
    BITMAP info{};
    ASSERT_TRUE(GetObjectA(bitmap, sizeof info, &info));
    EXPECT_EQ(info.bmWidth, p.width);
    EXPECT_EQ(info.bmHeight, p.height);
    DeleteObject(bitmap);

    // The launcher decodes the resource's bytes itself: pixel for pixel what the platform's loader gives.
    int width = 0, height = 0;
    const std::vector<DWORD> platform = dib::ResourcePixels(p.id, width, height);
    const skin::PixelImage ours = skin::LoadResourcePixels(static_cast<UINT>(p.id));
    EXPECT_TRUE(ours.width == width && ours.height == height &&
                std::equal(platform.begin(), platform.end(), ours.pixels.begin()));
}

INSTANTIATE_TEST_SUITE_P(Launcher, PictureTest,
                         testing::Values(Picture{IDB_BACKGROUND, 239, 528}, Picture{IDB_START_SKIN, 308, 23},
                                         Picture{IDB_CANCEL_SKIN, 308, 23},
                                         // 144 DPI: 359 x 792 less the list's 279 x 551; 4 frames of 116 x 35
                                         Picture{IDB_BACKGROUND_144_ROWS, 359, 241},
                                         Picture{IDB_BACKGROUND_144_SIDES, 80, 551},
                                         Picture{IDB_START_SKIN_144, 464, 35}, Picture{IDB_CANCEL_SKIN_144, 464, 35},
                                         // 192 DPI: 478 x 1056 less the list's 372 x 734; 4 frames of 154 x 46
                                         Picture{IDB_BACKGROUND_192_ROWS, 478, 322},
                                         Picture{IDB_BACKGROUND_192_SIDES, 106, 734},
                                         Picture{IDB_START_SKIN_192, 616, 46}, Picture{IDB_CANCEL_SKIN_192, 616, 46}));

// The strips as the launcher uses them: as drawn at 96, 144 and 192 DPI, and fitted from the nearest larger set to
// scales in between and beyond (ids 0x10000 + dpi * 2 + 0/1 in the messages: Start/Cancel fitted to that DPI).
std::vector<DWORD> StripPixels(int id, int& width, int& height)
{
    if (id < 0x10000)
        return dib::ResourcePixels(id, width, height);
    const int dpi = (id - 0x10000) / 2;
    const layout::PictureSet& set = layout::PictureSetFor(dpi);
    const layout::Box frame = layout::LayoutForDpi(dpi).start;
    const skin::PixelImage fitted = skin::ResampleStrip(
        skin::LoadResourcePixels(static_cast<UINT>(id % 2 ? set.cancelStrip : set.startStrip)), 4, frame.width,
        frame.height, skin::PixelOf(0x00FF0000));
    width = fitted.width;
    height = fitted.height;
    return std::vector<DWORD>(fitted.pixels.begin(), fitted.pixels.end());
}

TEST(SkinStrips, HoldFourDistinctFramesAndNoKeyColouredPixel)
{
    for (int id : {IDB_START_SKIN, IDB_CANCEL_SKIN, IDB_START_SKIN_144, IDB_CANCEL_SKIN_144, IDB_START_SKIN_192,
                   IDB_CANCEL_SKIN_192, 0x10000 + 120 * 2, 0x10000 + 120 * 2 + 1, 0x10000 + 168 * 2,
                   0x10000 + 168 * 2 + 1, 0x10000 + 240 * 2, 0x10000 + 72 * 2 + 1}) {
        int width = 0, height = 0;
        const std::vector<DWORD> pixels = StripPixels(id, width, height);
        ASSERT_FALSE(pixels.empty()) << id;
        ASSERT_EQ(width % 4, 0) << id;
        const int frame = width / 4;
        // The key colour is pure blue; in DIB order (0x00RRGGBB) that is 0x000000FF.
        for (size_t i = 0; i < pixels.size(); ++i)
            ASSERT_NE(pixels[i], 0x000000FFu) << "strip " << id << " pixel " << i % width << "," << i / width;
        for (int a = 0; a < 4; ++a) {
            for (int b = a + 1; b < 4; ++b) {
                bool differ = false;
                for (int y = 0; y < height && !differ; ++y)
                    differ = std::memcmp(&pixels[y * width + a * frame], &pixels[y * width + b * frame],
                                         frame * sizeof(DWORD)) != 0;
                EXPECT_TRUE(differ) << "strip " << id << " frames " << a << " and " << b << " are the same";
            }
        }
    }
}

// The window's figures at each scale: every 96-DPI figure times DPI / 96, rounded half up, and the picture set the
// window is drawn with.
TEST(WindowLayout, FiguresAndPicturesAtEachScale)
{
    for (const figures::Row& row : figures::kRows) {
        SCOPED_TRACE(row.dpi);
        const layout::WindowLayout got = layout::LayoutForDpi(row.dpi);
        EXPECT_EQ(got.client.width, row.want.client.width);
        EXPECT_EQ(got.client.height, row.want.client.height);
        EXPECT_TRUE(figures::Same(got.list, row.want.list));
        EXPECT_TRUE(figures::Same(got.field, row.want.field));
        EXPECT_TRUE(figures::Same(got.start, row.want.start));
        EXPECT_TRUE(figures::Same(got.cancel, row.want.cancel));
        EXPECT_EQ(got.background.width, row.want.background.width);
        EXPECT_EQ(got.background.height, row.want.background.height);
        EXPECT_EQ(layout::PictureSetFor(row.dpi).dpi, row.pictureSetDpi);
        // The picture covers the client area, and each control lies inside it.
        EXPECT_GE(got.background.width, got.client.width);
        EXPECT_GE(got.background.height, got.client.height);
        for (const layout::Box& b : {got.list, got.field, got.start, got.cancel}) {
            EXPECT_LE(b.x + b.width, got.client.width);
            EXPECT_LE(b.y + b.height, got.client.height);
        }
    }
}

// A window's scale, where the system lacks the newer lookups (injected): the window's own (Windows 10), else its
// monitor's (Windows 8.1, whose monitors can differ; the effective DPI, type 0), else the system's (Windows 7).
HMONITOR g_monitorAsked;
UINT WINAPI FakeDpiForWindow(HWND)
{
    return 120;
}
HRESULT WINAPI FakeDpiForMonitor(HMONITOR monitor, int type, UINT* x, UINT* y)
{
    g_monitorAsked = type == 0 ? monitor : nullptr;
    *x = *y = 168;
    return S_OK;
}

TEST(WindowDpi, FallsBackFromTheWindowToItsMonitorToTheSystem)
{
    HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window);
    EXPECT_EQ(win::WindowDpi(window, {&FakeDpiForWindow, &FakeDpiForMonitor}), 120);
    EXPECT_EQ(win::WindowDpi(window, {nullptr, &FakeDpiForMonitor}), 168);
    EXPECT_EQ(g_monitorAsked, ::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST));
    EXPECT_EQ(win::WindowDpi(window, {nullptr, nullptr}), win::SystemDpi());
    ::DestroyWindow(window);
}

// Each picture set drawn for a scale fits that scale's layout: its background, put together around the list's
// hole, has the layout's picture size, and its strips hold four frames of the layout's button size.
TEST(PictureSets, MatchTheLayoutOfTheirScale)
{
    for (const layout::PictureSet& set : layout::kPictureSets) {
        SCOPED_TRACE(set.dpi);
        const layout::WindowLayout at = layout::LayoutForDpi(set.dpi);
        skin::PixelImage background = skin::LoadResourcePixels(static_cast<UINT>(set.backgroundRows));
        if (set.backgroundSides)
            background = skin::JoinAroundHole(
                background, skin::LoadResourcePixels(static_cast<UINT>(set.backgroundSides)), at.background.width,
                at.background.height, at.list.x, at.list.y, at.list.width, at.list.height, 0);
        EXPECT_EQ(background.width, at.background.width);
        EXPECT_EQ(background.height, at.background.height);
        // The window's background sprite, decoded and put together in its own bitmap, is that picture.
        CKbcBmp sprite;
        if (set.backgroundSides)
            sprite.LoadAroundHole(
                static_cast<UINT>(set.backgroundRows), static_cast<UINT>(set.backgroundSides),
                {at.background.width, at.background.height, at.list.x, at.list.y, at.list.width, at.list.height}, 0);
        else
            sprite.LoadFromResource(static_cast<UINT>(set.backgroundRows));
        BITMAPINFO format = dib::TopDown32(at.background.width, at.background.height);
        void* bits = nullptr;
        HBITMAP target = CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, target);
        sprite.Draw(dc, 0, 0);
        GdiFlush();
        const auto* drawn = static_cast<const DWORD*>(bits);
        EXPECT_TRUE(std::equal(background.pixels.begin(), background.pixels.end(), drawn,
                               [](std::uint32_t want, DWORD got) { return want == (got & 0x00FFFFFF); }));
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(target);
        for (int strip : {set.startStrip, set.cancelStrip}) {
            const skin::PixelImage pixels = skin::LoadResourcePixels(static_cast<UINT>(strip));
            EXPECT_EQ(pixels.width, 4 * at.start.width) << strip;
            EXPECT_EQ(pixels.height, at.start.height) << strip;
        }
    }
}

TEST(AppIcon, IsOneThirtyTwoPixelImage)
{
    struct GroupHeader {
        WORD reserved, type, count;
    };
    const auto* group = static_cast<const GroupHeader*>(RawResource(RT_GROUP_ICON, IDI_APP_ICON));
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->count, 1);
    HICON icon = static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP_ICON), IMAGE_ICON, 32, 32, 0));
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP mask{};
    GetObjectA(info.hbmMask, sizeof mask, &mask);
    EXPECT_EQ(mask.bmWidth, 32);
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    DestroyIcon(icon);
}

// Reader of an extended dialog template (DLGTEMPLATEEX), enough to check what the launcher relies on.
class TemplateReader {
public:
    explicit TemplateReader(const void* data) : m_p(static_cast<const BYTE*>(data)) {}
    template <class T>
    T Read()
    {
        T value;
        std::memcpy(&value, m_p, sizeof value);
        m_p += sizeof value;
        return value;
    }
    // A string or ordinal field: an ordinal comes back as "#<number>".
    std::wstring Text()
    {
        WORD first = Read<WORD>();
        if (first == 0xFFFF)
            return L"#" + std::to_wstring(Read<WORD>());
        std::wstring text;
        for (WORD c = first; c; c = Read<WORD>())
            text += static_cast<wchar_t>(c);
        return text;
    }
    void AlignDword() { m_p = reinterpret_cast<const BYTE*>((reinterpret_cast<UINT_PTR>(m_p) + 3) & ~UINT_PTR(3)); }

private:
    const BYTE* m_p;
};

struct ControlTemplate {
    DWORD id;
    std::wstring windowClass;
    std::wstring text;
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
};

// The resource compiler may store a predefined class as its ordinal or as its name.
std::wstring ClassName(const std::wstring& field)
{
    if (field == L"#128")
        return L"BUTTON";
    if (field == L"#129")
        return L"EDIT";
    if (field == L"#131")
        return L"LISTBOX";
    std::wstring upper = field;
    for (wchar_t& c : upper)
        c = static_cast<wchar_t>(std::towupper(c));
    return upper;
}

TEST(DialogTemplate, HasTheLauncherWindowAndItsFourControlsInTabOrder)
{
    const void* data = RawResource(RT_DIALOG, IDD_ZONE_SELECT);
    ASSERT_NE(data, nullptr) << "no Chinese (PRC) dialog template " << IDD_ZONE_SELECT;
    TemplateReader r(data);
    ASSERT_EQ(r.Read<WORD>(), 1);      // dlgVer
    ASSERT_EQ(r.Read<WORD>(), 0xFFFF); // signature of an extended template
    r.Read<DWORD>();                   // helpID
    const DWORD exStyle = r.Read<DWORD>();
    const DWORD style = r.Read<DWORD>();
    const WORD count = r.Read<WORD>();
    const short x = r.Read<short>(), y = r.Read<short>(), cx = r.Read<short>(), cy = r.Read<short>();
    EXPECT_EQ(style & ~DWORD(WS_CLIPSIBLINGS),
              DWORD(WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME));
    EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_THICKFRAME | DS_SETFONT | DS_CENTER), 0u);
    EXPECT_EQ(exStyle, DWORD(WS_EX_APPWINDOW));
    EXPECT_EQ(count, 4);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(cx, 155);
    EXPECT_EQ(cy, 350);
    EXPECT_EQ(r.Text(), L""); // no menu
    EXPECT_EQ(r.Text(), L""); // default dialog class
    EXPECT_EQ(r.Text(), L"Tarvo\x767B\x9646\x5668");

    const ControlTemplate expected[] = {
        {IDC_START, L"BUTTON", L"\x5F00\x59CB\x6E38\x620F", BS_OWNERDRAW | WS_TABSTOP, 0, 19, 327, 38, 12},
        {IDCANCEL, L"BUTTON", L"\x53D6\x6D88", BS_OWNERDRAW | WS_TABSTOP, 0, 88, 327, 40, 12},
        {IDC_SELECTED_ZONE, L"EDIT", L"", ES_READONLY | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 0, 62, 305, 74, 12},
        {IDC_ZONE_LIST, L"LISTBOX", L"", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_TABSTOP,
         WS_EX_STATICEDGE, 17, 56, 124, 245},
    };
    for (const ControlTemplate& want : expected) {
        r.AlignDword();
        r.Read<DWORD>(); // helpID
        ControlTemplate got{};
        got.exStyle = r.Read<DWORD>();
        got.style = r.Read<DWORD>();
        got.x = r.Read<short>();
        got.y = r.Read<short>();
        got.cx = r.Read<short>();
        got.cy = r.Read<short>();
        got.id = r.Read<DWORD>();
        got.windowClass = ClassName(r.Text());
        got.text = r.Text();
        EXPECT_EQ(r.Read<WORD>(), 0); // no creation data
        SCOPED_TRACE(want.id);
        EXPECT_EQ(got.id, want.id);
        EXPECT_EQ(got.windowClass, want.windowClass);
        EXPECT_EQ(got.text, want.text);
        EXPECT_EQ(got.style, want.style | WS_CHILD | WS_VISIBLE);
        EXPECT_EQ(got.exStyle, want.exStyle);
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.cx, want.cx);
        EXPECT_EQ(got.cy, want.cy);
    }
}

// The version record carries the project's version (set once, in the build) and says how it was built.
TEST(VersionRecord, CarriesTheProjectVersionAndTheBuild)
{
    wchar_t self[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    std::vector<BYTE> record(GetFileVersionInfoSizeW(self, nullptr));
    ASSERT_FALSE(record.empty());
    ASSERT_TRUE(GetFileVersionInfoW(self, 0, static_cast<DWORD>(record.size()), record.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueW(record.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
    EXPECT_EQ(fixed->dwFileVersionMS, DWORD(MAKELONG(TARVO_VERSION_MINOR, TARVO_VERSION_MAJOR)));
    EXPECT_EQ(fixed->dwFileVersionLS, DWORD(MAKELONG(0, TARVO_VERSION_PATCH)));
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);

    auto text = [&](const wchar_t* name) {
        wchar_t* value = nullptr;
        UINT length = 0;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\080403a8\\") + name;
        if (!VerQueryValueW(record.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || !value)
            return std::wstring(L"(missing)");
        return std::wstring(value);
    };
    const std::wstring version(TARVO_VERSION_TEXT_W);
    EXPECT_EQ(text(L"FileVersion"), version);
    EXPECT_EQ(text(L"ProductVersion"), version);
    const std::wstring build = text(L"Comments");
    EXPECT_NE(build.find(TARVO_COMPILER_ID_W), std::wstring::npos) << "the build description names the compiler";
}

// The icon drawn for the window at each scale: 32, 48 and 64 pixels.
TEST(AppIcon, ScaledIconHoldsEachScalesSize)
{
    for (int size : {32, 48, 64}) {
        HICON icon = static_cast<HICON>(
            LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP_ICON_SCALED), IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr) << size;
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour{};
        GetObjectW(info.hbmColor, sizeof colour, &colour);
        EXPECT_EQ(colour.bmWidth, size);
        DeleteObject(info.hbmMask);
        DeleteObject(info.hbmColor);
        DestroyIcon(icon);
    }
}

} // namespace
