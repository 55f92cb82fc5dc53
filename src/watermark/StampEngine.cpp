#include <watermark/StampEngine.h>

#include <platform/foundation/ContentHash.h>
#include <platform/graphics/DrawingContext.h>
#include <platform/graphics/ImageCodecs.h>
#include <platform/graphics/ImageMetadata.h>
#include <platform/graphics/JpegStreams.h>
#include <platform/graphics/PngStreams.h>
#include <platform/graphics/TiffStreams.h>
#include <platform/photos/ImageManager.h>
#include <watermark/ImageUtilities.h>
#include <watermark/StampProvenance.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <condition_variable>
#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>
#include <unistd.h>

namespace vd {

namespace {

constexpr int kStripRows = 16;

// Rows of RGB from the reader the photo's format needs.
struct RowSource {
    std::unique_ptr<JpegReader> jpeg;
    std::unique_ptr<PngReader> png;
    std::unique_ptr<TiffReader> tiff;

    explicit operator bool() const { return jpeg || png || tiff; }
    Result<int> readRows(std::uint8_t* rows, std::size_t stride, int count)
    {
        return jpeg ? jpeg->readRows(rows, stride, count) : png ? png->readRows(rows, stride, count) : tiff->readRows(rows, stride, count);
    }
    Result<void> finish() { return jpeg ? jpeg->finish() : png ? png->finish() : tiff->finish(); }
    bool sawTransparency() const { return (png && png->sawTransparency()) || (tiff && tiff->sawTransparency()); }
};

void mirrorRow(std::uint8_t* row, int width)
{
    for (int a = 0, b = width - 1; a < b; ++a, --b)
        for (int c = 0; c < 3; ++c)
            std::swap(row[a * 3 + c], row[b * 3 + c]);
}

// The rows of an upright photo decoded on a thread of their own, a few strips ahead of the
// thread that stamps and encodes them: one photo keeps two cores busy, so the last photo of a
// batch does not leave a core idle, and decoding starts while the logo is still being drawn.
// Mirrored rows (stored mirrored left to right) come mirrored back.
class RowsAhead {
public:
    struct Strip {
        std::vector<std::uint8_t> rows;
        int count { 0 };
        bool full { false };
    };

    RowsAhead(RowSource& source, int width, int height, bool mirror)
        : m_stride(static_cast<std::size_t>(width) * 3)
    {
        for (Strip& strip : m_strips)
            strip.rows.resize(m_stride * kStripRows);
        m_thread = std::jthread([this, &source, width, height, mirror] { decode(source, width, height, mirror); });
    }
    ~RowsAhead()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopped = true;
        }
        m_changed.notify_all();
    }
    RowsAhead(const RowsAhead&) = delete;
    RowsAhead& operator=(const RowsAhead&) = delete;

    // The next strip, once decoded; release() hands it back.
    Result<Strip*> next()
    {
        std::unique_lock lock(m_mutex);
        Strip& strip = m_strips[m_next % m_strips.size()];
        m_changed.wait(lock, [&] { return strip.full || m_error; });
        if (!strip.full)
            return std::unexpected(*m_error);
        return &strip;
    }
    void release()
    {
        {
            std::lock_guard lock(m_mutex);
            m_strips[m_next++ % m_strips.size()].full = false;
        }
        m_changed.notify_all();
    }
    // Whether the stream ended as it should, after the last row.
    Result<void> finished()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_finished || m_error; });
        if (m_error)
            return std::unexpected(*m_error);
        return {};
    }

private:
    void decode(RowSource& source, int width, int height, bool mirror)
    {
        int y = 0;
        for (std::size_t index = 0; y < height; ++index) {
            Strip& strip = m_strips[index % m_strips.size()];
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [&] { return m_stopped || !strip.full; });
                if (m_stopped)
                    return;
            }
            // The strip is this thread's alone until it is marked full.
            auto got = source.readRows(strip.rows.data(), m_stride, std::min(kStripRows, height - y));
            if (got && mirror)
                for (int r = 0; r < *got; ++r)
                    mirrorRow(strip.rows.data() + m_stride * r, width);
            {
                std::lock_guard lock(m_mutex);
                if (got) {
                    strip.count = *got;
                    strip.full = true;
                } else {
                    m_error = got.error();
                }
            }
            m_changed.notify_all();
            if (!got)
                return;
            y += *got;
        }
        auto ended = source.finish();
        {
            std::lock_guard lock(m_mutex);
            if (ended)
                m_finished = true;
            else
                m_error = ended.error();
        }
        m_changed.notify_all();
    }

    const std::size_t m_stride;
    std::array<Strip, 8> m_strips;
    std::size_t m_next { 0 };
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_stopped { false };
    bool m_finished { false };
    std::optional<Error> m_error;
    std::jthread m_thread; // last: it stops before the strips go
};

}

StampEngine::StampEngine(const Image& logo, PlacementDescription placement, StampEngineOptions options)
    : m_placement(std::move(placement))
    , m_options(options)
{
    // An unturned logo is used as it is: turning by 0° would only copy it. A logo that is not
    // square keeps its proportions (logoAspect), so it is neither padded nor stretched here.
    const double turn = std::fmod(m_placement.rotationDegrees, 360.0);
    m_topImage = turn == 0.0 ? logo : imageRotatedByDegrees(logo, m_placement.rotationDegrees, false);

    // The logo's pixels are shared with the caller's image, not copied: the hash reads them.
    m_stampHash = std::async(std::launch::deferred, [placement = m_placement.toJson().dump(), options = m_options, logo] {
        ContentHash hash;
        hash.add("vardenico stamp 1\n");
        hash.add(placement);
        hash.add(options.lossless ? "\nlossless\n" : "\nnormal\n");
        if (options.adapt)
            hash.add("adapt\n"); // a photo may get a halo: another stamp
        // Encodings other than the first ones are other stamps; the first keep their old identity.
        if (options.quality != 100 || options.subsampling != ChromaSubsampling::Full444 || options.background != 0xFFFFFF)
            hash.add("quality " + std::to_string(options.quality) + " subsampling " + std::to_string(int(options.subsampling)) + " background " + std::to_string(options.background) + "\n");
        // A copy in another format is another stamp: skip-done must not take a JPEG twin for it.
        if (options.format != StampFormat::Jpeg)
            hash.add("format " + std::to_string(static_cast<int>(options.format)) + " quality " + std::to_string(options.formatQuality) + "\n");
        if (const PixelBuffer* buffer = logo.buffer()) {
            hash.add(std::to_string(buffer->width) + "x" + std::to_string(buffer->height) + "\n");
            hash.add(std::span(reinterpret_cast<const std::uint8_t*>(buffer->pixels.data()), buffer->pixels.size() * sizeof(buffer->pixels[0])));
        }
        return hash.finish();
    }).share();
}

void StampEngine::startHashing()
{
    std::shared_future<std::string> deferred = m_stampHash;
    m_stampHash = std::async(std::launch::async, [deferred] { return deferred.get(); }).share();
}

void StampEngine::prepareStampMetadata(ImageMetadata& metadata, const std::filesystem::path& source, const std::string& sourceName, int width, int height, int orientation, std::span<const std::uint8_t> sourceBytes) const
{
    metadata.prepareForDerivedImage(width, height, kStampSoftware, orientation);
    if (!sourceBytes.empty())
        writeStampProvenance(metadata, { ContentHash::ofBytes(sourceBytes), stampHash(), sourceName });
    else if (auto sourceHash = ContentHash::ofFile(source))
        writeStampProvenance(metadata, { *sourceHash, stampHash(), sourceName });
}

Result<std::string> StampEngine::checkVisible(const LogoPlacement& placement, int width, int height, const LogoTile& tile) const
{
    auto pixels = [](double value) {
        char text[32];
        std::snprintf(text, sizeof text, "%.6g", value);
        return std::string(text);
    };
    if (m_placement.opacity <= 0)
        return fail("the logo would not show: its opacity is 0");
    if (placement.width < 1 || placement.height < 1)
        return fail("the logo would not show: it would be " + pixels(placement.width) + " × " + pixels(placement.height) + " pixels, under one pixel on this " + std::to_string(width) + " × " + std::to_string(height) + " photo");
    // A hundredth of a pixel is rounding, not a logo out of place.
    constexpr double kSlack = 0.01;
    const bool inside = placement.x > -kSlack && placement.y > -kSlack && placement.x + placement.width < width + kSlack && placement.y + placement.height < height + kSlack;
    const bool touches = placement.x < width && placement.y < height && placement.x + placement.width > 0 && placement.y + placement.height > 0;
    bool shows = false;
    for (std::uint32_t pixel : tile.pixels)
        if ((shows = (pixel >> 24) != 0))
            break;
    if (!touches || !shows)
        return fail(std::string(touches ? "the logo would not show: the part of it on the photo is transparent" : "the logo would not show: it lies wholly outside the photo") + " (the margins or position put it at " + pixels(placement.x) + ", " + pixels(placement.y) + " on a " + std::to_string(width) + " × " + std::to_string(height) + " photo)");
    if (!inside)
        return std::string("the logo lies partly outside the photo; only the part on it was stamped");
    return std::string();
}

namespace {

// sRGB component values made linear, for luminance.
const std::array<double, 256>& linearTable()
{
    static const std::array<double, 256> table = [] {
        std::array<double, 256> values {};
        for (int i = 0; i < 256; ++i) {
            const double c = i / 255.0;
            values[i] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        }
        return values;
    }();
    return table;
}

double luminanceOf(unsigned r, unsigned g, unsigned b)
{
    const auto& linear = linearTable();
    return 0.2126 * linear[r & 0xFF] + 0.7152 * linear[g & 0xFF] + 0.0722 * linear[b & 0xFF];
}

// The side of the box the photo is reduced to for measuring the contrast under the logo.
constexpr double kHaloMeasureSide = 1024;

// The halo reaches this far beyond the logo's opaque pixels: a few percent of its side, so it
// looks the same on a thumbnail and on the full photo.
double haloReach(const LogoPlacement& placement)
{
    return std::max(1.0, placement.side * 0.04);
}

// Lays a soft halo of the tone under the premultiplied logo pixels: the logo's alpha spread by a
// box blur of the reach in both directions, strengthened so that it is dense at the logo's edge.
void addHalo(std::vector<std::uint32_t>& pixels, int width, int height, HaloTone tone, double reach)
{
    const int radius = static_cast<int>(std::ceil(reach));
    std::vector<std::uint32_t> across(pixels.size()), spread(pixels.size());
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* row = pixels.data() + static_cast<size_t>(y) * width;
        std::uint32_t sum = 0;
        for (int x = -radius; x < width + radius; ++x) {
            if (x + radius < width)
                sum += row[x + radius] >> 24;
            if (x - radius - 1 >= 0)
                sum -= row[x - radius - 1] >> 24;
            if (x >= 0 && x < width)
                across[static_cast<size_t>(y) * width + x] = sum;
        }
    }
    for (int x = 0; x < width; ++x) {
        std::uint32_t sum = 0;
        for (int y = -radius; y < height + radius; ++y) {
            if (y + radius < height)
                sum += across[static_cast<size_t>(y + radius) * width + x];
            if (y - radius - 1 >= 0)
                sum -= across[static_cast<size_t>(y - radius - 1) * width + x];
            if (y >= 0 && y < height)
                spread[static_cast<size_t>(y) * width + x] = sum;
        }
    }
    const double window = static_cast<double>(2 * radius + 1) * (2 * radius + 1);
    for (size_t i = 0; i < pixels.size(); ++i) {
        const std::uint32_t logoAlpha = pixels[i] >> 24;
        const double density = std::min(255.0, 3.0 * spread[i] / window);
        const auto halo = static_cast<std::uint32_t>(std::lround(density * (255 - logoAlpha) / 255.0));
        if (halo == 0)
            continue;
        const std::uint32_t light = tone == HaloTone::Light ? halo : 0; // premultiplied white or black
        const std::uint32_t alpha = std::min<std::uint32_t>(255, logoAlpha + halo);
        const std::uint32_t r = std::min<std::uint32_t>(alpha, ((pixels[i] >> 16) & 0xFF) + light);
        const std::uint32_t g = std::min<std::uint32_t>(alpha, ((pixels[i] >> 8) & 0xFF) + light);
        const std::uint32_t b = std::min<std::uint32_t>(alpha, (pixels[i] & 0xFF) + light);
        pixels[i] = (alpha << 24) | (r << 16) | (g << 8) | b;
    }
}

}

double relativeLuminance(std::uint32_t rgb)
{
    return luminanceOf(rgb >> 16, rgb >> 8, rgb);
}

double contrastRatio(double luminanceA, double luminanceB)
{
    const double lighter = std::max(luminanceA, luminanceB);
    const double darker = std::min(luminanceA, luminanceB);
    return (lighter + 0.05) / (darker + 0.05);
}

HaloTone StampEngine::haloToneOn(const Image& picture, int width, int height) const
{
    if (!m_options.adapt || picture.isEmpty() || width <= 0 || height <= 0 || m_topImage.isEmpty() || !picture.buffer())
        return HaloTone::None;
    const int pw = picture.pixelWidth();
    const int ph = picture.pixelHeight();
    const LogoPlacement at = placementOn(width, height).scaled(static_cast<double>(pw) / width);
    const double x0 = std::max(0.0, std::floor(at.x));
    const double y0 = std::max(0.0, std::floor(at.y));
    const double x1 = std::min<double>(pw, std::ceil(at.x + at.width));
    const double y1 = std::min<double>(ph, std::ceil(at.y + at.height));
    if (!(x1 > x0 && y1 > y0))
        return HaloTone::None;
    const int tw = static_cast<int>(x1 - x0);
    const int th = static_cast<int>(y1 - y0);
    // The logo's own colours, at full opacity: what must stand out is the logo, however faint.
    DrawingContext context(Size(tw, th), DrawingContext::Opacity::Transparent, 1.0);
    if (!context.isValid())
        return HaloTone::None;
    context.drawImage(m_topImage, Rect(at.x - x0, at.y - y0, at.width, at.height), 1.0);
    const Image drawn = context.takeImage();
    if (!drawn.buffer())
        return HaloTone::None;
    double logoSum = 0, photoSum = 0;
    std::size_t count = 0;
    for (int y = 0; y < th; ++y)
        for (int x = 0; x < tw; ++x) {
            const std::uint32_t pixel = drawn.pixelAt(x, y);
            const std::uint32_t alpha = pixel >> 24;
            if (alpha < 128)
                continue;
            auto straight = [alpha](std::uint32_t c) { return std::min<std::uint32_t>(255, (c * 255 + alpha / 2) / alpha); };
            logoSum += luminanceOf(straight((pixel >> 16) & 0xFF), straight((pixel >> 8) & 0xFF), straight(pixel & 0xFF));
            photoSum += relativeLuminance(picture.pixelAt(static_cast<int>(x0) + x, static_cast<int>(y0) + y));
            ++count;
        }
    if (count == 0)
        return HaloTone::None;
    const double logo = logoSum / count;
    const double photo = photoSum / count;
    if (contrastRatio(logo, photo) >= kHaloContrast)
        return HaloTone::None;
    // The tone that stands out more from the photo: black and white contrast equally with a
    // luminance of about 0.18.
    return contrastRatio(photo, 0.0) > contrastRatio(photo, 1.0) ? HaloTone::Dark : HaloTone::Light;
}

HaloTone StampEngine::haloToneFor(const std::filesystem::path& source, int orientation, int width, int height) const
{
    if (!m_options.adapt)
        return HaloTone::None;
    // The contrast is an average over the logo: a reduced picture of the photo, as the image
    // manager makes its thumbnails, measures it as well as the full photo at a fraction of the cost.
    auto picture = ImageManager::loadImage(source, { kHaloMeasureSide, kHaloMeasureSide }, ImageContentMode::AspectFit, orientation);
    return picture ? haloToneOn(*picture, width, height) : HaloTone::None;
}

StampEngine::LogoTile StampEngine::drawTile(int width, int height, const LogoPlacement& placement, HaloTone tone) const
{
    LogoTile tile;
    const double reach = tone == HaloTone::None ? 0.0 : haloReach(placement);
    const double margin = std::ceil(reach);
    const double x0 = std::max(0.0, std::floor(placement.x) - margin);
    const double y0 = std::max(0.0, std::floor(placement.y) - margin);
    const double x1 = std::min<double>(width, std::ceil(placement.x + placement.width) + margin);
    const double y1 = std::min<double>(height, std::ceil(placement.y + placement.height) + margin);
    if (!m_topImage.isEmpty() && placement.width > 0 && placement.height > 0 && x1 > x0 && y1 > y0 && m_placement.opacity > 0) {
        tile.x = static_cast<int>(x0);
        tile.y = static_cast<int>(y0);
        tile.width = static_cast<int>(x1 - x0);
        tile.height = static_cast<int>(y1 - y0);
        DrawingContext context(Size(tile.width, tile.height), DrawingContext::Opacity::Transparent, 1.0);
        if (context.isValid()) {
            context.drawImage(m_topImage, Rect(placement.x - x0, placement.y - y0, placement.width, placement.height), m_placement.opacity);
            Image drawn = context.takeImage();
            if (drawn.buffer())
                tile.pixels = drawn.buffer()->pixels;
        }
        if (tile.pixels.size() != static_cast<size_t>(tile.width) * tile.height) {
            tile.width = tile.height = 0;
            tile.failed = true;
        } else if (tone != HaloTone::None) {
            addHalo(tile.pixels, tile.width, tile.height, tone, reach);
        }
    }
    return tile;
}

std::shared_ptr<const StampEngine::LogoTile> StampEngine::tileFor(int width, int height, const LogoPlacement& placement, HaloTone tone) const
{
    std::lock_guard lock(m_tileMutex);
    const auto key = std::make_tuple(width, height, tone);
    if (auto found = m_tiles.find(key); found != m_tiles.end())
        return found->second;
    auto tile = std::make_shared<LogoTile>(drawTile(width, height, placement, tone));
    // Batches rarely mix more than a few photo sizes; keep the cache small all the same.
    if (m_tiles.size() >= 8)
        m_tiles.erase(m_tiles.begin());
    m_tiles.emplace(key, tile);
    return tile;
}

Image StampEngine::previewOn(const Image& picture, int width, int height) const
{
    if (picture.isEmpty() || width <= 0 || height <= 0)
        return picture;
    const int pw = picture.pixelWidth();
    const int ph = picture.pixelHeight();
    const LogoTile tile = drawTile(pw, ph, placementOn(width, height).scaled(static_cast<double>(pw) / width), haloToneOn(picture, width, height));
    DrawingContext context(Size(pw, ph), picture.isOpaque() ? DrawingContext::Opacity::Opaque : DrawingContext::Opacity::Transparent, 1.0);
    if (!context.isValid())
        return picture;
    context.drawImage(picture, Rect(0, 0, pw, ph), 1.0);
    if (tile.width > 0 && tile.height > 0) {
        PixelBuffer buffer;
        buffer.width = tile.width;
        buffer.height = tile.height;
        buffer.pixels = tile.pixels;
        context.drawImage(Image::fromBuffer(std::move(buffer)), Rect(tile.x, tile.y, tile.width, tile.height), 1.0);
    }
    return context.takeImage();
}

void StampEngine::compositeRows(std::uint8_t* rows, int firstRow, int count, int width, const LogoTile& tile)
{
    const int from = std::max(firstRow, tile.y);
    const int to = std::min(firstRow + count, tile.y + tile.height);
    for (int y = from; y < to; ++y) {
        std::uint8_t* out = rows + (static_cast<size_t>(y - firstRow) * width + tile.x) * 3;
        const std::uint32_t* logo = tile.pixels.data() + static_cast<size_t>(y - tile.y) * tile.width;
        for (int x = 0; x < tile.width; ++x, out += 3) {
            const std::uint32_t pixel = logo[x];
            const std::uint32_t alpha = pixel >> 24;
            if (alpha == 0)
                continue;
            const std::uint32_t keep = 255 - alpha;
            // Porter-Duff over with a premultiplied source, rounded as the renderer rounds, so a stamp
            // matches the preview pixel for pixel.
            auto blend = [keep](std::uint32_t source, std::uint32_t destination) {
                std::uint32_t t = destination * keep + 0x80;
                return static_cast<std::uint8_t>(source + ((t + (t >> 8)) >> 8));
            };
            out[0] = blend((pixel >> 16) & 0xFF, out[0]);
            out[1] = blend((pixel >> 8) & 0xFF, out[1]);
            out[2] = blend(pixel & 0xFF, out[2]);
        }
    }
}

std::optional<StampFormat> stampFormatNamed(const std::string& name)
{
    static const std::pair<const char*, StampFormat> names[] = {
        { "jpeg", StampFormat::Jpeg }, { "same", StampFormat::Same }, { "png", StampFormat::Png }, { "webp", StampFormat::Webp },
        { "avif", StampFormat::Avif }, { "heic", StampFormat::Heic }, { "tiff", StampFormat::Tiff },
    };
    for (const auto& [text, format] : names)
        if (name == text)
            return format;
    return std::nullopt;
}

StampFormat StampEngine::outputFormat(const std::filesystem::path& source) const
{
    if (m_options.format != StampFormat::Same)
        return m_options.format;
    switch (sniffFileFormat(source)) {
    case ImageFormat::Png: return StampFormat::Png;
    case ImageFormat::Webp: return StampFormat::Webp;
    case ImageFormat::Avif: return StampFormat::Avif;
    case ImageFormat::Heif: return StampFormat::Heic;
    case ImageFormat::Tiff: return StampFormat::Tiff;
    default: return StampFormat::Jpeg;
    }
}

std::string StampEngine::extensionOf(StampFormat format)
{
    switch (format) {
    case StampFormat::Png: return ".png";
    case StampFormat::Webp: return ".webp";
    case StampFormat::Avif: return ".avif";
    case StampFormat::Heic: return ".heic";
    case StampFormat::Tiff: return ".tif";
    default: return ".jpg";
    }
}

Result<StampedPhoto> StampEngine::stampInFormat(const std::filesystem::path& source, std::FILE* out, StampFormat format, const std::string& sourceName) const
{
    const std::string name = source.string();
    ImageMetadata metadata;
    if (auto read = ImageMetadata::readFromFile(source))
        metadata = std::move(*read);
    StampedPhoto stamped;
    stamped.sourceOrientation = metadata.orientation();
    DecodeOptions options;
    options.maxPixels = m_maxPixels;
    options.name = name;
    options.notice = &stamped.notice;
    auto decoded = decodeImageFile(source, options);
    if (!decoded)
        return std::unexpected(decoded.error());
    PixelBuffer buffer;
    try {
        const Image upright = uprightImage(*decoded, stamped.sourceOrientation);
        decoded = Image();
        buffer = *upright.buffer();
    } catch (const std::bad_alloc&) {
        return fail(name, "not enough memory to turn the photo upright");
    }
    stamped.width = buffer.width;
    stamped.height = buffer.height;
    stamped.placement = placementOn(buffer.width, buffer.height);
    const HaloTone tone = m_options.adapt ? haloToneOn(Image::fromBuffer(buffer), buffer.width, buffer.height) : HaloTone::None;
    const std::shared_ptr<const LogoTile> tile = tileInProfile(tileFor(buffer.width, buffer.height, stamped.placement, tone), metadata.iccProfile());
    if (tile->failed)
        return fail(name, "the logo cannot be drawn at " + std::to_string(static_cast<long long>(stamped.placement.side)) + " pixels on this photo");
    auto visible = checkVisible(stamped.placement, buffer.width, buffer.height, *tile);
    if (!visible)
        return fail(name, visible.error().message);
    if (!visible->empty())
        stamped.notice += (stamped.notice.empty() ? "" : "; ") + *visible;
    // The logo goes over the colour as the JPEG copies have it; the copy is opaque as they are,
    // transparent parts laid over the background.
    std::vector<std::uint8_t> row(static_cast<std::size_t>(buffer.width) * 3);
    bool sawTransparency = false;
    for (int y = 0; y < buffer.height; ++y) {
        std::uint32_t* pixels = buffer.pixels.data() + static_cast<std::size_t>(y) * buffer.width;
        for (int x = 0; x < buffer.width; ++x) {
            const std::uint32_t pixel = pixels[x];
            const unsigned keep = 255 - (pixel >> 24);
            sawTransparency = sawTransparency || keep != 0;
            for (int c = 0, shift = 16; c < 3; ++c, shift -= 8)
                row[x * 3 + c] = static_cast<std::uint8_t>(((pixel >> shift) & 0xFF) + (((m_options.background >> shift) & 0xFF) * keep + 127) / 255);
        }
        compositeRows(row.data(), y, 1, buffer.width, *tile);
        for (int x = 0; x < buffer.width; ++x)
            pixels[x] = 0xFF000000u | (std::uint32_t(row[x * 3]) << 16) | (std::uint32_t(row[x * 3 + 1]) << 8) | row[x * 3 + 2];
    }
    buffer.opaque = true;
    const Image picture = Image::fromBuffer(std::move(buffer));
    if (sawTransparency) {
        char colour[16];
        std::snprintf(colour, sizeof colour, "#%06x", m_options.background & 0xFFFFFF);
        stamped.notice += std::string(stamped.notice.empty() ? "" : "; ") + "has transparent parts, laid over " + (m_options.background == 0xFFFFFF ? "white" : colour);
    }

    prepareStampMetadata(metadata, source, sourceName, stamped.width, stamped.height);
    std::string dropped;
    Result<std::vector<std::uint8_t>> bytes;
    switch (format) {
    case StampFormat::Png:
        bytes = encodePng(picture);
        if (bytes)
            bytes = metadata.embedIn(*bytes, name);
        break;
    case StampFormat::Tiff:
        bytes = encodeTiff(picture);
        if (bytes)
            bytes = metadata.embedIn(*bytes, name);
        break;
    case StampFormat::Webp:
        bytes = encodeWebp(picture, { .quality = m_options.formatQuality }, metadata.blocks(&dropped));
        break;
    case StampFormat::Avif:
    case StampFormat::Heic:
        bytes = encodeHeif(picture, { .codec = format == StampFormat::Avif ? HeifEncodeOptions::Codec::Av1 : HeifEncodeOptions::Codec::Hevc, .quality = m_options.formatQuality }, metadata.blocks(&dropped));
        break;
    default:
        return fail(name, "no such format for a stamped copy");
    }
    if (!bytes)
        return fail(name, bytes.error().message);
    if (!dropped.empty())
        stamped.notice += (stamped.notice.empty() ? "" : "; ") + dropped;
    if (std::fwrite(bytes->data(), 1, bytes->size(), out) != bytes->size() || std::ferror(out))
        return fail(name, "cannot write the stamped photo");
    return stamped;
}

Result<StampedPhoto> StampEngine::stampPhoto(const std::filesystem::path& source, std::FILE* out, const std::string& sourceName) const
{
    const std::string name = source.string();
    std::error_code error;
    if (!std::filesystem::is_regular_file(source, error))
        return fail(name, std::filesystem::exists(source, error) ? "not a regular file" : "no such file");
    if (const StampFormat format = outputFormat(source); format != StampFormat::Jpeg)
        return stampInFormat(source, out, format, sourceName);
    std::string notice;
    if (m_options.lossless) {
        if (sniffFileFormat(source) != ImageFormat::Jpeg) {
            notice = "lossless stamping works on JPEG photos only; stamped in the normal mode";
        } else {
            std::string unsupported;
            auto stamped = stampLossless(source, out, sourceName, unsupported);
            if (stamped || unsupported.empty())
                return stamped;
            notice = unsupported + "; stamped in the normal mode";
        }
    }

    // Metadata that cannot be read leaves the photo with only what the stamp adds.
    ImageMetadata metadata;
    if (auto read = ImageMetadata::readFromFile(source))
        metadata = std::move(*read);
    StampedPhoto stamped;
    stamped.notice = std::move(notice);
    stamped.sourceOrientation = metadata.orientation();
    const OrientationMapping mapping = orientationMapping(stamped.sourceOrientation);

    RowSource reader;
    Image decoded; // pictures that cannot be read in rows, decoded whole
    int w0 = 0, h0 = 0;
    const ImageFormat format = sniffFileFormat(source);
    if (format == ImageFormat::Jpeg) {
        JpegReader::Options options;
        options.maxPixels = m_maxPixels;
        auto opened = JpegReader::open(source, options);
        if (!opened)
            return std::unexpected(opened.error());
        reader.jpeg = std::move(*opened);
        w0 = reader.jpeg->width();
        h0 = reader.jpeg->height();
    } else if (format == ImageFormat::Png) {
        auto opened = PngReader::open(source, m_maxPixels);
        if (!opened)
            return std::unexpected(opened.error());
        reader.png = std::move(*opened);
        if (reader.png) {
            reader.png->setBackground(m_options.background);
            w0 = reader.png->width();
            h0 = reader.png->height();
        }
    } else if (format == ImageFormat::Tiff) {
        auto opened = TiffReader::open(source, m_maxPixels);
        if (!opened)
            return std::unexpected(opened.error());
        reader.tiff = std::move(*opened);
        reader.tiff->setBackground(m_options.background);
        w0 = reader.tiff->width();
        h0 = reader.tiff->height();
    }
    if (!reader) {
        DecodeOptions options;
        options.maxPixels = m_maxPixels;
        options.name = name;
        auto image = decodeImageFile(source, options);
        if (!image)
            return std::unexpected(image.error());
        decoded = std::move(*image);
        w0 = decoded.pixelWidth();
        h0 = decoded.pixelHeight();
    }
    const int width = mapping.transpose ? h0 : w0;
    const int height = mapping.transpose ? w0 : h0;
    const bool streaming = reader && !mapping.transpose && !mapping.flipY;
    std::optional<RowsAhead> rowsAhead;
    if (streaming)
        rowsAhead.emplace(reader, width, height, mapping.flipX);
    stamped.width = width;
    stamped.height = height;
    stamped.placement = placementOn(width, height);
    const HaloTone tone = haloToneFor(source, stamped.sourceOrientation, width, height);
    const std::shared_ptr<const LogoTile> tile = tileInProfile(tileFor(width, height, stamped.placement, tone), metadata.iccProfile());
    if (tile->failed)
        return fail(name, "the logo cannot be drawn at " + std::to_string(static_cast<long long>(stamped.placement.side)) + " pixels on this photo");
    auto visible = checkVisible(stamped.placement, width, height, *tile);
    if (!visible)
        return fail(name, visible.error().message);
    auto addNotice = [&stamped](const std::string& notice) {
        if (!notice.empty())
            stamped.notice += (stamped.notice.empty() ? "" : "; ") + notice;
    };
    addNotice(*visible);

    prepareStampMetadata(metadata, source, sourceName, width, height);
    JpegWriter::Options writeOptions;
    writeOptions.quality = m_options.quality;
    writeOptions.subsample420 = m_options.subsampling == ChromaSubsampling::Quarter420;
    writeOptions.subsample422 = m_options.subsampling == ChromaSubsampling::Half422;
    std::string dropped;
    for (auto& segment : metadata.jpegSegments(&dropped))
        writeOptions.segments.emplace_back(segment.marker, std::move(segment.bytes));
    addNotice(dropped);
    if (!(reader.jpeg && reader.jpeg->isCmyk()))
        writeOptions.iccProfile = metadata.iccProfile(); // a CMYK profile no longer fits RGB pixels
    auto writer = JpegWriter::start(out, width, height, writeOptions, name);
    if (!writer)
        return std::unexpected(writer.error());

    const size_t stride = static_cast<size_t>(width) * 3;
    bool sawTransparency = false;
    if (streaming) {
        for (int y = 0; y < height;) {
            auto strip = rowsAhead->next();
            if (!strip)
                return std::unexpected(strip.error());
            std::uint8_t* rows = (*strip)->rows.data();
            const int count = (*strip)->count;
            compositeRows(rows, y, count, width, *tile);
            if (auto written = (*writer)->writeRows(rows, stride, count); !written)
                return std::unexpected(written.error());
            rowsAhead->release();
            y += count;
        }
        if (auto finished = rowsAhead->finished(); !finished)
            return std::unexpected(finished.error());
    } else if (reader) {
        // A photo stored turned becomes upright through a scratch file, a block of source rows at
        // a time, so memory holds a few hundred rows instead of the whole picture.
        std::unique_ptr<std::FILE, decltype(&std::fclose)> scratch(std::tmpfile(), &std::fclose);
        if (!scratch)
            return fail(name, "cannot create a scratch file to turn the photo upright");
        const int fd = ::fileno(scratch.get());
        auto writeAt = [fd](const std::uint8_t* data, size_t bytes, size_t offset) {
            while (bytes > 0) {
                const ssize_t written = ::pwrite(fd, data, bytes, static_cast<off_t>(offset));
                if (written <= 0)
                    return false;
                data += written, bytes -= static_cast<size_t>(written), offset += static_cast<size_t>(written);
            }
            return true;
        };
        constexpr int kBlockRows = 256;
        const size_t sourceStride = static_cast<size_t>(w0) * 3;
        std::vector<std::uint8_t> block(sourceStride * kBlockRows);
        std::vector<std::uint8_t> run(static_cast<size_t>(kBlockRows) * 3);
        for (int y0 = 0; y0 < h0;) {
            auto got = reader.readRows(block.data(), sourceStride, std::min(kBlockRows, h0 - y0));
            if (!got)
                return std::unexpected(got.error());
            const int rows = *got;
            bool ok = true;
            if (!mapping.transpose) {
                // Turned half round or mirrored top to bottom: whole rows change places.
                for (int r = 0; r < rows && ok; ++r) {
                    std::uint8_t* row = block.data() + sourceStride * r;
                    if (mapping.flipX)
                        mirrorRow(row, w0);
                    ok = writeAt(row, sourceStride, static_cast<size_t>(h0 - 1 - (y0 + r)) * stride);
                }
            } else {
                // Each source column becomes part of an upright row: a run of `rows` pixels.
                const int firstColumn = mapping.flipX ? h0 - (y0 + rows) : y0;
                for (int x = 0; x < w0 && ok; ++x) {
                    for (int r = 0; r < rows; ++r) {
                        const int slot = mapping.flipX ? rows - 1 - r : r;
                        const std::uint8_t* pixel = block.data() + sourceStride * r + static_cast<size_t>(x) * 3;
                        run[slot * 3] = pixel[0];
                        run[slot * 3 + 1] = pixel[1];
                        run[slot * 3 + 2] = pixel[2];
                    }
                    const int uprightRow = mapping.flipY ? w0 - 1 - x : x;
                    ok = writeAt(run.data(), static_cast<size_t>(rows) * 3, (static_cast<size_t>(uprightRow) * width + firstColumn) * 3);
                }
            }
            if (!ok)
                return fail(name, "cannot write the scratch file to turn the photo upright");
            y0 += rows;
        }
        if (auto finished = reader.finish(); !finished)
            return std::unexpected(finished.error());
        std::vector<std::uint8_t> strip(stride * kStripRows);
        for (int y = 0; y < height; y += kStripRows) {
            const int count = std::min(kStripRows, height - y);
            size_t done = 0;
            const size_t bytes = stride * count;
            while (done < bytes) {
                const ssize_t got = ::pread(fd, strip.data() + done, bytes - done, static_cast<off_t>(stride * y + done));
                if (got <= 0)
                    return fail(name, "cannot read back the scratch file");
                done += static_cast<size_t>(got);
            }
            compositeRows(strip.data(), y, count, width, *tile);
            if (auto written = (*writer)->writeRows(strip.data(), stride, count); !written)
                return std::unexpected(written.error());
        }
    } else {
        // A picture that is not a JPEG is decoded whole: it is made upright as the photo library
        // shows it, then written a strip at a time.
        try {
            decoded = uprightImage(decoded, stamped.sourceOrientation);
        } catch (const std::bad_alloc&) {
            return fail(name, "not enough memory to turn the photo upright");
        }
        std::vector<std::uint8_t> strip(stride * kStripRows);
        for (int y = 0; y < height; y += kStripRows) {
            const int count = std::min(kStripRows, height - y);
            // Premultiplied colour is laid over the background: transparent parts take its colour.
            for (int r = 0; r < count; ++r)
                for (int x = 0; x < width; ++x) {
                    const std::uint32_t pixel = decoded.pixelAt(x, y + r);
                    const std::uint32_t keep = 255 - (pixel >> 24);
                    std::uint8_t* out = strip.data() + stride * r + static_cast<size_t>(x) * 3;
                    for (int c = 0, shift = 16; c < 3; ++c, shift -= 8)
                        out[c] = static_cast<std::uint8_t>(((pixel >> shift) & 0xFF) + (((m_options.background >> shift) & 0xFF) * keep + 127) / 255);
                    sawTransparency |= keep != 0;
                }
            compositeRows(strip.data(), y, count, width, *tile);
            if (auto written = (*writer)->writeRows(strip.data(), stride, count); !written)
                return std::unexpected(written.error());
        }
    }
    if (auto finished = (*writer)->finish(); !finished)
        return std::unexpected(finished.error());
    if (std::ferror(out))
        return fail(name, "cannot write the stamped photo");
    if (sawTransparency || reader.sawTransparency()) {
        char colour[16];
        std::snprintf(colour, sizeof colour, "#%06x", m_options.background & 0xFFFFFF);
        addNotice(std::string("has transparent parts, laid over ") + (m_options.background == 0xFFFFFF ? "white" : colour) + " as a JPEG has no transparency");
    }
    return stamped;
}

}
