// PixelImage: a picture as plain pixels (0x00RRGGBB, top row first), and the pure operations the skin needs to
// fit its pictures to a display scale: resampling with an area-averaging filter, strips resampled frame by frame,
// and a background put together around the rectangle its list control covers.
#pragma once

#include <cstdint>
#include <vector>

namespace skin {

struct PixelImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    PixelImage() = default;
    PixelImage(int w, int h, std::uint32_t fill = 0);
    bool Empty() const noexcept { return width <= 0 || height <= 0; }
    std::uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    int Width() const noexcept { return width; }
    int Height() const noexcept { return height; }
    // Copies row y (top row 0) to out[0..width).
    void ReadRow(int y, std::uint32_t* out) const;
};

// The picture at another size. Each target pixel is the average of the source area it covers, weighted by how much
// of each source pixel lies in it: scaling down keeps every source pixel's share, so lines and text stay clean.
PixelImage Resample(const PixelImage& source, int width, int height);

// A strip of `frames` equal frames resampled one frame at a time to frameWidth x height, so no frame borrows
// pixels of its neighbour. Pixels that come out as the key colour (given in the pixels' 0x00RRGGBB order) are
// nudged off it by one step of blue, so the colour-keyed drawing still covers the whole frame.
PixelImage ResampleStrip(const PixelImage& strip, int frames, int frameWidth, int height, std::uint32_t key);

// The first `frames` frames of a colour-keyed strip put together over the backdrop they are drawn on, as one
// opaque strip of frames x the backdrop's width: a pixel of the key colour (0x00RRGGBB) shows the backdrop's pixel
// at its place in the frame, every other pixel its own. Empty when the strip's frames are not the backdrop's size
// (a strip's rightmost width % frames columns belong to no frame).
PixelImage ComposeFrames(const PixelImage& strip, int frames, const PixelImage& backdrop, std::uint32_t key);

// Where a picture's list hole lies: its size and the hole's rectangle, in pixels.
struct HoleLayout {
    int width, height;
    int holeX, holeY, holeWidth, holeHeight;
};

// Writes the width x height picture of two parts that leave out the hole straight into target (top row first,
// width pixels a row): `rows` holds the rows above the hole and then those below it (full width), `sides` the
// columns left of the hole and then those right of it (hole's height). The hole is filled with `fill`. Each part
// is anything with Width(), Height() and ReadRow(y, out) (a PixelImage, a bitmap resource read in place), so the
// picture is put together in its final place without a copy of the whole. False, writing nothing, when the parts
// do not match the sizes.
template <class RowsPart, class SidesPart>
bool JoinAroundHoleInto(const RowsPart& rows, const SidesPart& sides, const HoleLayout& at, std::uint32_t fill,
                        std::uint32_t* target)
{
    if (at.width <= 0 || at.height <= 0 || at.holeX < 0 || at.holeY < 0 || at.holeWidth < 0 || at.holeHeight < 0 ||
        at.holeX + at.holeWidth > at.width || at.holeY + at.holeHeight > at.height || rows.Width() != at.width ||
        rows.Height() != at.height - at.holeHeight || sides.Width() != at.width - at.holeWidth ||
        sides.Height() != at.holeHeight)
        return false;
    const auto row = [&](int y) { return target + static_cast<size_t>(y) * at.width; };
    for (int y = 0; y < rows.Height(); ++y)
        rows.ReadRow(y, row(y < at.holeY ? y : y + at.holeHeight));
    std::vector<std::uint32_t> line(static_cast<size_t>(sides.Width()) + 1);
    for (int y = 0; y < at.holeHeight; ++y) {
        std::uint32_t* out = row(at.holeY + y);
        sides.ReadRow(y, line.data());
        for (int x = 0; x < at.holeX; ++x)
            out[x] = line[static_cast<size_t>(x)];
        for (int x = at.holeX; x < at.holeX + at.holeWidth; ++x)
            out[x] = fill;
        for (int x = at.holeX + at.holeWidth; x < at.width; ++x)
            out[x] = line[static_cast<size_t>(x - at.holeWidth)];
    }
    return true;
}

// The same as a new picture; an empty picture when the parts do not match the sizes.
PixelImage JoinAroundHole(const PixelImage& rows, const PixelImage& sides, int width, int height, int holeX, int holeY,
                          int holeWidth, int holeHeight, std::uint32_t fill);

} // namespace skin
