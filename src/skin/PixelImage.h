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
};

// The picture at another size. Each target pixel is the average of the source area it covers, weighted by how much
// of each source pixel lies in it: scaling down keeps every source pixel's share, so lines and text stay clean.
PixelImage Resample(const PixelImage& source, int width, int height);

// A strip of `frames` equal frames resampled one frame at a time to frameWidth x height, so no frame borrows
// pixels of its neighbour. Pixels that come out as the key colour (given in the pixels' 0x00RRGGBB order) are
// nudged off it by one step of blue, so the colour-keyed drawing still covers the whole frame.
PixelImage ResampleStrip(const PixelImage& strip, int frames, int frameWidth, int height, std::uint32_t key);

// A width x height picture from two parts that leave out the hole: `rows` holds the rows above the hole and then
// those below it (full width), `sides` the columns left of the hole and then those right of it (hole's height).
// The hole is filled with `fill`. An empty picture when the parts do not match the sizes.
PixelImage JoinAroundHole(const PixelImage& rows, const PixelImage& sides, int width, int height, int holeX, int holeY,
                          int holeWidth, int holeHeight, std::uint32_t fill);

} // namespace skin
