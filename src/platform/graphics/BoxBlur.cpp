#include <platform/graphics/BoxBlur.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace vd {

namespace {

// One pass over every row (or column): a running sum over a window of 2 * radius + 1 pixels,
// each of the four 8-bit channels on its own.
void boxBlurPass(std::uint32_t* pixels, int width, int height, int radius, bool horizontal)
{
    const int length = horizontal ? width : height;
    const int lines = horizontal ? height : width;
    std::vector<std::uint32_t> line(static_cast<size_t>(length));
    const unsigned window = static_cast<unsigned>(2 * radius + 1);
    for (int l = 0; l < lines; ++l) {
        auto at = [&](int i) -> std::uint32_t& {
            return horizontal ? pixels[static_cast<size_t>(l) * width + i] : pixels[static_cast<size_t>(i) * width + l];
        };
        for (int i = 0; i < length; ++i)
            line[static_cast<size_t>(i)] = at(i);
        auto read = [&](int i) { return line[static_cast<size_t>(std::clamp(i, 0, length - 1))]; };
        unsigned sum[4] = {};
        for (int i = -radius; i <= radius; ++i)
            for (int c = 0; c < 4; ++c)
                sum[c] += (read(i) >> (8 * c)) & 0xFF;
        for (int i = 0; i < length; ++i) {
            std::uint32_t out = 0;
            for (int c = 0; c < 4; ++c)
                out |= (sum[c] / window) << (8 * c);
            at(i) = out;
            const std::uint32_t leaving = read(i - radius), entering = read(i + radius + 1);
            for (int c = 0; c < 4; ++c)
                sum[c] += ((entering >> (8 * c)) & 0xFF) - ((leaving >> (8 * c)) & 0xFF);
        }
    }
}

}

void boxBlur(PixelBuffer& buffer, int radius, int passes)
{
    if (radius < 1 || buffer.width <= 0 || buffer.height <= 0 || buffer.pixels.size() < static_cast<size_t>(buffer.width) * buffer.height)
        return;
    for (int pass = 0; pass < passes; ++pass) {
        boxBlurPass(buffer.pixels.data(), buffer.width, buffer.height, radius, true);
        boxBlurPass(buffer.pixels.data(), buffer.width, buffer.height, radius, false);
    }
}

}
