#pragma once

#include <platform/foundation/Files.h>
#include <platform/graphics/DrawingContext.h>
#include <platform/graphics/ImageCodecs.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

namespace vd::test {

// A real JPEG on disk: colour(x, y) gives 0xRRGGBB for each stored pixel.
inline void writeJpeg(const std::filesystem::path& path, int width, int height, const std::function<std::uint32_t(int, int)>& colour, int quality = 95)
{
    PixelBuffer buffer;
    buffer.width = width;
    buffer.height = height;
    buffer.opaque = true;
    buffer.pixels.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            buffer.pixels[static_cast<size_t>(y) * width + x] = 0xff000000u | colour(x, y);
    JpegEncodeOptions options;
    options.quality = quality;
    options.subsampling = JpegEncodeOptions::Subsampling::S420;
    auto bytes = encodeJpeg(Image::fromBuffer(std::move(buffer)), options);
    files::writeAtomically(path, *bytes);
}

inline void writeUniformJpeg(const std::filesystem::path& path, int width, int height, std::uint32_t rgb)
{
    writeJpeg(path, width, height, [rgb](int, int) { return rgb; });
}

// Sets metadata on a file in place with Exiv2, as a camera or a photo manager would have.
inline void editMetadata(const std::filesystem::path& path, const std::function<void(Exiv2::Image&)>& edit)
{
    Exiv2::XmpParser::initialize();
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(path.string());
    image->readMetadata();
    edit(*image);
    image->writeMetadata();
}

inline bool writeText(const std::filesystem::path& path, const std::string& text)
{
    return files::writeAtomically(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())).has_value();
}

// A copy of the file cut to the first fraction of its bytes, as a transfer that broke off leaves it.
inline std::filesystem::path cutShort(const std::filesystem::path& from, const std::filesystem::path& to, double fraction)
{
    auto bytes = *files::readAll(from);
    bytes.resize(static_cast<size_t>(static_cast<double>(bytes.size()) * fraction));
    files::writeAtomically(to, bytes);
    return to;
}

// The smallest rectangle holding every pixel of the picture that is so; empty when none is.
inline Rect boundsWhere(const Image& image, const std::function<bool(std::uint32_t rgb, int x, int y)>& so)
{
    int x0 = image.pixelWidth(), y0 = image.pixelHeight(), x1 = -1, y1 = -1;
    for (int y = 0; y < image.pixelHeight(); ++y)
        for (int x = 0; x < image.pixelWidth(); ++x)
            if (so(image.pixelAt(x, y) & 0xffffff, x, y))
                x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
    return x1 < 0 ? Rect {} : Rect(x0, y0, x1 - x0 + 1, y1 - y0 + 1);
}

inline std::uint32_t rgbAt(const Image& image, int x, int y) { return image.pixelAt(x, y) & 0xffffff; }

// Colours within a JPEG's error of each other.
inline bool near(std::uint32_t a, std::uint32_t b, int tolerance = 12)
{
    for (int shift : { 0, 8, 16 }) {
        const int d = static_cast<int>((a >> shift) & 0xff) - static_cast<int>((b >> shift) & 0xff);
        if (d > tolerance || d < -tolerance)
            return false;
    }
    return true;
}

inline Image opaqueLogo(int side, const Color& colour)
{
    DrawingContext context({ static_cast<double>(side), static_cast<double>(side) }, DrawingContext::Opacity::Transparent, 1.0);
    context.fill({ 0, 0, static_cast<double>(side), static_cast<double>(side) }, colour);
    return context.takeImage();
}

}

#pragma GCC diagnostic pop
