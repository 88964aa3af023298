// The bitmap sprite on memory surfaces: frame geometry, colour-key transparency, the single final copy, and the
// choice of a skin button's look.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "SkinPixels.h"
#include "TestStrips.h"
#include "resource.h"
#include "skin/KbcBmp.h"
#include "skin/SkinButton.h"

using namespace skintest;

namespace {

COLORREF Backdrop(int x, int y)
{
    return RGB(2 * x, 5 * y, 77);
}

TEST(SkinLook, GreyedWinsThenPressedThenHovered)
{
    struct Row {
        bool greyed, pressed, hovered;
        int frame;
    };
    const Row rows[] = {
        {false, false, false, 1}, {false, false, true, 2}, {false, true, false, 3}, {false, true, true, 3},
        {true, false, false, 0},  {true, false, true, 0},  {true, true, false, 0},  {true, true, true, 0},
    };
    for (const Row& r : rows)
        EXPECT_EQ(skin::ChooseFrame(r.greyed, r.pressed, r.hovered), r.frame) << r.greyed << r.pressed << r.hovered;
}

struct FrameCase {
    const char* name;
    UINT id;
    int frame;
    int x, y;
    int left, width, height; // where the frame lies in the strip, as the strip's layout gives it
};

class FrameDraw : public testing::TestWithParam<FrameCase> {};

// Every pixel of the destination: inside the frame's rectangle the composite of strip and backdrop, outside it
// the backdrop untouched. An opaque frame thus covers its rectangle and an all-key frame changes nothing.
TEST_P(FrameDraw, CompositesTheFrameOverTheDestination)
{
    const FrameCase c = GetParam();
    CKbcBmp sprite;
    sprite.LoadFromResource(c.id);
    ASSERT_EQ(sprite.FrameWidth(), c.width);
    ASSERT_EQ(sprite.Height(), c.height);
    const StripPixels strip(c.id);
    Surface dest(100, 40);
    ASSERT_TRUE(dest.Valid());
    dest.Fill(Backdrop);

    sprite.DrawFrameTransparent(dest.Dc(), c.frame, c.x, c.y, kKey);

    int wrong = 0;
    for (int y = 0; y < dest.Height(); ++y) {
        for (int x = 0; x < dest.Width(); ++x) {
            const int fx = x - c.x;
            const int fy = y - c.y;
            const bool inside = fx >= 0 && fx < c.width && fy >= 0 && fy < c.height;
            const COLORREF want = inside ? skin::CompositePixel(strip.At(c.left + fx, fy), Backdrop(x, y), kKey)
                                         : Backdrop(x, y);
            if (dest.At(x, y) != want && ++wrong <= 5)
                ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << dest.At(x, y) << " want " << want;
            EXPECT_NE(dest.At(x, y), kNoFrameColumn) << x << "," << y;
        }
    }
    EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(Strips, FrameDraw,
                         testing::Values(FrameCase{"KeyedOpaqueFrame", IDB_TEST_KEYED, 0, 3, 4, 0, 20, 12},
                                         FrameCase{"KeyedMixedFrame", IDB_TEST_KEYED, 1, 7, 2, 20, 20, 12},
                                         FrameCase{"KeyedAllKeyFrame", IDB_TEST_KEYED, 2, 0, 0, 40, 20, 12},
                                         FrameCase{"KeyedLastFrameBeforeSpareColumns", IDB_TEST_KEYED, 3, 80, 28, 60,
                                                   20, 12},
                                         FrameCase{"KeyedClippedAtTopLeft", IDB_TEST_KEYED, 1, -6, -5, 20, 20, 12},
                                         FrameCase{"StartGreyed", IDB_START_SKIN, 0, 0, 0, 0, 77, 23},
                                         FrameCase{"StartPressedAtColumn231", IDB_START_SKIN, 3, 11, 9, 231, 77, 23},
                                         FrameCase{"CancelHovered", IDB_CANCEL_SKIN, 2, 23, 17, 154, 77, 23}),
                         [](const testing::TestParamInfo<FrameCase>& row) { return std::string(row.param.name); });

// Frame numbers outside 0..3 and sprites without a bitmap draw nothing instead of reading past the strip.
TEST(FrameDrawEdges, NothingToDrawLeavesTheDestination)
{
    struct Row {
        const char* name;
        UINT id;
        int frame;
    };
    const Row rows[] = {{"frame -1", IDB_TEST_KEYED, -1},
                        {"frame 4", IDB_TEST_KEYED, 4},
                        {"frame 100", IDB_START_SKIN, 100},
                        {"missing bitmap", IDB_TEST_MISSING, 1},
                        {"never loaded", 0, 1}};
    for (const Row& r : rows) {
        CKbcBmp sprite;
        if (r.id)
            sprite.LoadFromResource(r.id);
        Surface dest(100, 40);
        dest.Fill(Backdrop);
        sprite.DrawFrameTransparent(dest.Dc(), r.frame, 0, 0, kKey);
        if (!sprite.IsLoaded())
            sprite.Draw(dest.Dc(), 0, 0);
        int changed = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 100; ++x)
                changed += dest.At(x, y) != Backdrop(x, y);
        EXPECT_EQ(changed, 0) << r.name;
    }
}

// Loading again replaces the bitmap and every size; a failed load empties the sprite.
TEST(SpriteLoad, ReloadReplacesSizesAndAFailedLoadEmpties)
{
    CKbcBmp sprite;
    sprite.LoadFromResource(IDB_TEST_KEYED);
    sprite.LoadFromResource(IDB_BACKGROUND);
    EXPECT_EQ(sprite.Width(), 239);
    EXPECT_EQ(sprite.FrameWidth(), 59);
    EXPECT_EQ(sprite.Height(), 528);
    sprite.LoadFromResource(IDB_TEST_MISSING);
    EXPECT_FALSE(sprite.IsLoaded());
    EXPECT_EQ(sprite.Width() | sprite.FrameWidth() | sprite.Height(), 0);
}

// Draw copies the whole picture, key pixels and spare columns included, and nothing else.
TEST(OpaqueDraw, CopiesTheWholeBitmap)
{
    CKbcBmp sprite;
    sprite.LoadFromResource(IDB_TEST_KEYED);
    const StripPixels strip(IDB_TEST_KEYED);
    Surface dest(100, 40);
    dest.Fill(Backdrop);
    sprite.Draw(dest.Dc(), 5, 6);
    int wrong = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 100; ++x) {
            const bool inside = x >= 5 && x < 5 + 83 && y >= 6 && y < 6 + 12;
            wrong += dest.At(x, y) != (inside ? strip.At(x - 5, y - 6) : Backdrop(x, y));
        }
    }
    EXPECT_EQ(wrong, 0);
}

// Records a transparent draw in a metafile: the destination must see exactly one copy of the frame's size.
int CALLBACK CollectRecord(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM list)
{
    reinterpret_cast<std::vector<const ENHMETARECORD*>*>(list)->push_back(record);
    return 1;
}

TEST(FrameDrawEdges, DestinationIsWrittenByOneCopy)
{
    win::WindowDC screen(nullptr);
    HDC recorder = ::CreateEnhMetaFileA(screen.Get(), nullptr, nullptr, nullptr);
    ASSERT_NE(recorder, nullptr);
    CKbcBmp sprite;
    sprite.LoadFromResource(IDB_START_SKIN);
    sprite.DrawFrameTransparent(recorder, 2, 13, 17, kKey);
    HENHMETAFILE recording = ::CloseEnhMetaFile(recorder);
    ASSERT_NE(recording, nullptr);

    std::vector<const ENHMETARECORD*> records;
    ::EnumEnhMetaFile(nullptr, recording, CollectRecord, &records, nullptr);
    int copies = 0;
    int otherDrawing = 0;
    for (const ENHMETARECORD* r : records) {
        switch (r->iType) {
        case EMR_BITBLT: {
            ++copies;
            const auto* blt = reinterpret_cast<const EMRBITBLT*>(r);
            EXPECT_EQ(blt->dwRop, static_cast<DWORD>(SRCCOPY));
            EXPECT_EQ(blt->xDest, 13);
            EXPECT_EQ(blt->yDest, 17);
            EXPECT_EQ(blt->cxDest, 77);
            EXPECT_EQ(blt->cyDest, 23);
            break;
        }
        case EMR_STRETCHBLT:
        case EMR_MASKBLT:
        case EMR_PLGBLT:
        case EMR_TRANSPARENTBLT:
        case EMR_ALPHABLEND:
        case EMR_STRETCHDIBITS:
        case EMR_SETDIBITSTODEVICE:
        case EMR_SETPIXELV:
        case EMR_FILLRGN:
        case EMR_PAINTRGN:
        case EMR_RECTANGLE: ++otherDrawing; break;
        default: break;
        }
    }
    ::DeleteEnhMetaFile(recording);
    EXPECT_EQ(copies, 1);
    EXPECT_EQ(otherDrawing, 0);
}

// Fitting pictures to a display scale. Pixels are 0x00RRGGBB.
TEST(PictureFitting, ResampleAveragesTheAreaEachTargetPixelCovers)
{
    struct Row {
        const char* name;
        int width;
        std::vector<std::uint32_t> source; // one row
        int targetWidth;
        std::vector<std::uint32_t> want;
    };
    const Row rows[] = {
        {"halving averages pairs", 4, {0x000000, 0x0000C8, 0x640000, 0x646464}, 2, {0x000064, 0x643232}},
        {"two thirds weighs a pixel and a half", 3, {0x00005A, 0x00001E, 0x00003C}, 2, {0x000046, 0x000032}},
        {"same size is a copy", 2, {0x123456, 0xABCDEF}, 2, {0x123456, 0xABCDEF}},
        {"doubling repeats", 2, {0x0000FF, 0x00FF00}, 4, {0x0000FF, 0x0000FF, 0x00FF00, 0x00FF00}},
        {"no target size", 2, {0x0000FF, 0x00FF00}, 0, {}},
    };
    for (const Row& r : rows) {
        skin::PixelImage source(r.width, 1);
        source.pixels = r.source;
        // The same along both axes: the row as a row, and as a column.
        EXPECT_EQ(skin::Resample(source, r.targetWidth, 1).pixels, r.want) << r.name;
        skin::PixelImage column(1, r.width);
        column.pixels = r.source;
        EXPECT_EQ(skin::Resample(column, 1, r.targetWidth).pixels, r.want) << r.name << " (column)";
    }
}

TEST(PictureFitting, StripFramesAreResampledApartAndLeaveTheKeyColour)
{
    // Four frames of 2 x 1; the first is all key colour (pure blue), which must not survive as such.
    skin::PixelImage strip(8, 1);
    strip.pixels = {0x0000FF, 0x0000FF, 0x100000, 0x300000, 0x001000, 0x003000, 0x000000, 0x000002};
    const skin::PixelImage fitted = skin::ResampleStrip(strip, 4, 1, 1, skin::PixelOf(0x00FF0000));
    EXPECT_EQ(fitted.pixels, (std::vector<std::uint32_t>{0x0000FE, 0x200000, 0x002000, 0x000001}));
}

TEST(PictureFitting, BackgroundIsPutTogetherAroundTheListsHole)
{
    // 4 x 3 with a 2 x 1 hole at (1, 1): rows 0 and 2 in `rows`, columns 0 and 3 of row 1 in `sides`.
    skin::PixelImage rows(4, 2), sides(2, 1);
    rows.pixels = {1, 2, 3, 4, 9, 10, 11, 12};
    sides.pixels = {5, 8};
    EXPECT_EQ(skin::JoinAroundHole(rows, sides, 4, 3, 1, 1, 2, 1, 0xEE).pixels,
              (std::vector<std::uint32_t>{1, 2, 3, 4, 5, 0xEE, 0xEE, 8, 9, 10, 11, 12}));
    EXPECT_TRUE(skin::JoinAroundHole(rows, sides, 4, 3, 1, 1, 2, 2, 0xEE).Empty()) << "parts that do not fit";
    EXPECT_TRUE(skin::JoinAroundHole(rows, sides, 4, 3, 3, 1, 2, 1, 0xEE).Empty()) << "hole outside the picture";
}

// The buttons' looks are put together once over the pixels under the button: the strip's key colour shows the
// backdrop at the same place in every frame, the spare columns after the last frame are left out.
TEST(PictureFitting, FramesAreComposedOverTheirBackdrop)
{
    const std::uint32_t K = 0x0000FF; // the key colour, pure blue
    skin::PixelImage strip(9, 1), backdrop(2, 1);
    strip.pixels = {K, 0x11, 0x22, K, K, K, 0x33, 0x44, 0x99};
    backdrop.pixels = {0xA0, 0xB0};
    EXPECT_EQ(skin::ComposeFrames(strip, 4, backdrop, K).pixels,
              (std::vector<std::uint32_t>{0xA0, 0x11, 0x22, 0xB0, 0xA0, 0xB0, 0x33, 0x44}));
    // The key is compared on its colour alone, whatever the unused top byte holds.
    strip.pixels[1] = 0xFF0000FF;
    EXPECT_EQ(skin::ComposeFrames(strip, 4, backdrop, K).At(1, 0), 0xB0u);
    const skin::PixelImage wide(3, 1), tall(2, 2);
    EXPECT_TRUE(skin::ComposeFrames(strip, 4, wide, K).Empty()) << "a backdrop wider than a frame";
    EXPECT_TRUE(skin::ComposeFrames(strip, 4, tall, K).Empty()) << "a backdrop taller than the strip";
}

} // namespace
