#include "PixelImage.h"

namespace skin {

PixelImage::PixelImage(int w, int h, std::uint32_t fill)
    : width(w > 0 ? w : 0), height(h > 0 ? h : 0), pixels(static_cast<size_t>(width) * height, fill)
{
}

void PixelImage::ReadRow(int y, std::uint32_t* out) const
{
    const std::uint32_t* from = &pixels[static_cast<size_t>(y) * width];
    for (int x = 0; x < width; ++x)
        out[x] = from[x];
}

namespace {

// For one axis: the source pixels that each target pixel covers and their weights (in 1/65536 of the target
// pixel, summing to 65536).
struct Span {
    int first;
    std::vector<std::uint32_t> weights;
};

std::vector<Span> Spans(int sourceSize, int targetSize)
{
    std::vector<Span> spans(static_cast<size_t>(targetSize));
    for (int t = 0; t < targetSize; ++t) {
        // Target pixel t covers [t * s / d, (t + 1) * s / d) of the source; in units of 1 / targetSize.
        const long long begin = static_cast<long long>(t) * sourceSize;
        const long long end = begin + sourceSize;
        Span& span = spans[static_cast<size_t>(t)];
        span.first = static_cast<int>(begin / targetSize);
        std::uint32_t total = 0;
        for (long long s = span.first; s * targetSize < end && s < sourceSize; ++s) {
            const long long lo = s * targetSize > begin ? s * targetSize : begin;
            const long long hi = (s + 1) * targetSize < end ? (s + 1) * targetSize : end;
            const std::uint32_t w = static_cast<std::uint32_t>(((hi - lo) * 65536) / sourceSize);
            span.weights.push_back(w);
            total += w;
        }
        // Rounding leaves a few units over: they go to the largest share, so each span weighs exactly 65536.
        size_t largest = 0;
        for (size_t i = 1; i < span.weights.size(); ++i) {
            if (span.weights[i] > span.weights[largest])
                largest = i;
        }
        if (!span.weights.empty())
            span.weights[largest] += 65536 - total;
    }
    return spans;
}

std::uint32_t Channel(std::uint32_t pixel, int shift)
{
    return (pixel >> shift) & 0xFF;
}

} // namespace

PixelImage Resample(const PixelImage& source, int width, int height)
{
    if (source.Empty() || width <= 0 || height <= 0)
        return PixelImage();
    if (width == source.width && height == source.height)
        return source;
    const std::vector<Span> across = Spans(source.width, width);
    const std::vector<Span> down = Spans(source.height, height);

    // Rows first, into sums of 16.16 fixed point per channel; then columns.
    std::vector<std::uint64_t> rows(static_cast<size_t>(width) * source.height * 3);
    for (int y = 0; y < source.height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Span& span = across[static_cast<size_t>(x)];
            std::uint64_t r = 0, g = 0, b = 0;
            for (size_t i = 0; i < span.weights.size(); ++i) {
                const std::uint32_t p = source.At(span.first + static_cast<int>(i), y);
                r += static_cast<std::uint64_t>(Channel(p, 16)) * span.weights[i];
                g += static_cast<std::uint64_t>(Channel(p, 8)) * span.weights[i];
                b += static_cast<std::uint64_t>(Channel(p, 0)) * span.weights[i];
            }
            std::uint64_t* out = &rows[(static_cast<size_t>(y) * width + x) * 3];
            out[0] = r;
            out[1] = g;
            out[2] = b;
        }
    }
    PixelImage target(width, height);
    for (int y = 0; y < height; ++y) {
        const Span& span = down[static_cast<size_t>(y)];
        for (int x = 0; x < width; ++x) {
            std::uint64_t sum[3] = {0, 0, 0};
            for (size_t i = 0; i < span.weights.size(); ++i) {
                const std::uint64_t* in =
                    &rows[(static_cast<size_t>(span.first + static_cast<int>(i)) * width + x) * 3];
                for (int c = 0; c < 3; ++c)
                    sum[c] += in[c] * span.weights[i];
            }
            std::uint32_t pixel = 0;
            for (int c = 0; c < 3; ++c) {
                const std::uint64_t value = (sum[c] + (std::uint64_t{1} << 31)) >> 32;
                pixel = (pixel << 8) | static_cast<std::uint32_t>(value > 255 ? 255 : value);
            }
            target.pixels[static_cast<size_t>(y) * width + x] = pixel;
        }
    }
    return target;
}

PixelImage ResampleStrip(const PixelImage& strip, int frames, int frameWidth, int height, std::uint32_t key)
{
    if (strip.Empty() || frames <= 0 || frameWidth <= 0 || height <= 0)
        return PixelImage();
    const int sourceFrame = strip.width / frames;
    PixelImage target(frames * frameWidth, height);
    for (int f = 0; f < frames; ++f) {
        PixelImage frame(sourceFrame, strip.height);
        for (int y = 0; y < strip.height; ++y) {
            for (int x = 0; x < sourceFrame; ++x)
                frame.pixels[static_cast<size_t>(y) * sourceFrame + x] = strip.At(f * sourceFrame + x, y);
        }
        const PixelImage scaled = Resample(frame, frameWidth, height);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < frameWidth; ++x) {
                std::uint32_t p = scaled.At(x, y);
                if (p == (key & 0x00FFFFFF))
                    p = (p & 0x00FFFF00) | ((p & 0xFF) == 0 ? 1 : (p & 0xFF) - 1);
                target.pixels[static_cast<size_t>(y) * target.width + f * frameWidth + x] = p;
            }
        }
    }
    return target;
}

PixelImage ComposeFrames(const PixelImage& strip, int frames, const PixelImage& backdrop, std::uint32_t key)
{
    if (strip.Empty() || backdrop.Empty() || frames <= 0 || strip.width / frames != backdrop.width ||
        strip.height != backdrop.height)
        return PixelImage();
    const int w = backdrop.width;
    PixelImage composed(frames * w, strip.height);
    std::uint32_t* out = composed.pixels.data();
    for (int y = 0; y < strip.height; ++y) {
        for (int x = 0; x < frames * w; ++x, ++out) {
            const std::uint32_t p = strip.At(x, y);
            *out = (p & 0x00FFFFFF) == (key & 0x00FFFFFF) ? backdrop.At(x % w, y) : p;
        }
    }
    return composed;
}

PixelImage JoinAroundHole(const PixelImage& rows, const PixelImage& sides, int width, int height, int holeX, int holeY,
                          int holeWidth, int holeHeight, std::uint32_t fill)
{
    PixelImage picture(width, height);
    if (picture.Empty() || !JoinAroundHoleInto(rows, sides, {width, height, holeX, holeY, holeWidth, holeHeight}, fill,
                                               picture.pixels.data()))
        return PixelImage();
    return picture;
}

} // namespace skin
