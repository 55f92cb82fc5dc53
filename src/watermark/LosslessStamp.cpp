// Lossless stamping: the photo's DCT coefficients are copied as they are, and only the blocks
// under the logo are decoded, composited and encoded again with the photo's own quantisation.
// Baseline Huffman photos (nearly every camera's) are spliced: the entropy-coded data of the other
// MCUs is copied bit for bit, so neither the picture nor its coefficients are ever decoded whole.
// Progressive and arithmetic-coded photos go through libjpeg's whole coefficient arrays.

#include <watermark/StampEngine.h>

#include <platform/graphics/ImageMetadata.h>
#include <platform/graphics/JpegCoefficients.h>
#include <platform/graphics/JpegSplice.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace vd {

namespace {

// The 8-point DCT-II basis with JPEG's scaling: coefficient = Σ basis[u][x] · basis[v][y] · sample.
struct DctBasis {
    std::array<std::array<float, 8>, 8> at {};
    DctBasis()
    {
        for (int u = 0; u < 8; ++u)
            for (int x = 0; x < 8; ++x)
                at[u][x] = static_cast<float>((u == 0 ? std::numbers::sqrt2 / 2 : 1.0) / 2.0 * std::cos((2 * x + 1) * u * std::numbers::pi / 16.0));
    }
};
const DctBasis kBasis;

// Dequantises and inverse-transforms one block into samples 0…255 (not rounded, not clamped),
// written into plane at stride.
void inverseDct(const std::int16_t* coefficients, const std::array<std::uint16_t, 64>& quantisation, float* plane, int stride)
{
    float rows[64];
    // Along u for each v, then along v.
    for (int v = 0; v < 8; ++v)
        for (int x = 0; x < 8; ++x) {
            float sum = 0;
            for (int u = 0; u < 8; ++u)
                sum += kBasis.at[u][x] * coefficients[v * 8 + u] * quantisation[static_cast<size_t>(v * 8 + u)];
            rows[v * 8 + x] = sum;
        }
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            float sum = 0;
            for (int v = 0; v < 8; ++v)
                sum += kBasis.at[v][y] * rows[v * 8 + x];
            plane[y * stride + x] = sum + 128.0f;
        }
}

void forwardDct(const float* plane, int stride, const std::array<std::uint16_t, 64>& quantisation, std::int16_t* coefficients)
{
    float columns[64];
    for (int y = 0; y < 8; ++y)
        for (int u = 0; u < 8; ++u) {
            float sum = 0;
            for (int x = 0; x < 8; ++x)
                sum += kBasis.at[u][x] * (plane[y * stride + x] - 128.0f);
            columns[y * 8 + u] = sum;
        }
    for (int v = 0; v < 8; ++v)
        for (int u = 0; u < 8; ++u) {
            float sum = 0;
            for (int y = 0; y < 8; ++y)
                sum += kBasis.at[v][y] * columns[y * 8 + u];
            const float q = std::max<std::uint16_t>(1, quantisation[static_cast<size_t>(v * 8 + u)]);
            coefficients[v * 8 + u] = static_cast<std::int16_t>(std::clamp(std::lround(sum / q), -2047L, 2047L));
        }
}

// The logo tile turned into the frame the photo is stored in.
struct StoredTile {
    int x { 0 };
    int y { 0 };
    int width { 0 };
    int height { 0 };
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int px, int py) const
    {
        if (px < x || py < y || px >= x + width || py >= y + height)
            return 0;
        return pixels[static_cast<size_t>(py - y) * width + (px - x)];
    }
};

// The MCUs (raster indices, in order) that hold a logo pixel that shows.
std::vector<int> touchedMcus(const StoredTile& logo, int mcuWidth, int mcuHeight, int w0, int h0)
{
    std::vector<int> mcus;
    if (logo.pixels.empty())
        return mcus;
    const int mcuColumns = (w0 + mcuWidth - 1) / mcuWidth;
    const int lastColumn = std::min(mcuColumns - 1, (logo.x + logo.width - 1) / mcuWidth);
    const int lastRow = std::min((h0 + mcuHeight - 1) / mcuHeight - 1, (logo.y + logo.height - 1) / mcuHeight);
    for (int row = logo.y / mcuHeight; row <= lastRow; ++row)
        for (int column = logo.x / mcuWidth; column <= lastColumn; ++column) {
            const int right = std::min({ w0, logo.x + logo.width, (column + 1) * mcuWidth });
            const int bottom = std::min({ h0, logo.y + logo.height, (row + 1) * mcuHeight });
            bool any = false;
            for (int y = std::max(row * mcuHeight, logo.y); y < bottom && !any; ++y)
                for (int x = std::max(column * mcuWidth, logo.x); x < right && !any; ++x)
                    any = (logo.at(x, y) >> 24) != 0;
            if (any)
                mcus.push_back(row * mcuColumns + column);
        }
    return mcus;
}

// Decodes the blocks of the given MCUs, composites the logo over them and codes them again with
// the photo's quantisation. Jpeg gives the layout and the blocks (JpegSplice, JpegCoefficients).
template<typename Jpeg>
void redrawMcus(Jpeg& jpeg, const std::vector<int>& mcus, const StoredTile& logo, int w0, int h0)
{
    const int maxH = jpeg.maxHSampling();
    const int maxV = jpeg.maxVSampling();
    const int mcuWidth = maxH * 8;
    const int mcuHeight = maxV * 8;
    const int mcuColumns = (w0 + mcuWidth - 1) / mcuWidth;
    struct Plane {
        int rx { 1 }, ry { 1 }; // pixels per sample across and down
        int stride { 0 };
        std::vector<float> original, changed;
        std::vector<bool> blockChanged;
    };
    std::array<Plane, 3> planes;
    for (int c = 0; c < 3; ++c) {
        const JpegComponentLayout& layout = jpeg.component(c);
        Plane& plane = planes[static_cast<size_t>(c)];
        plane.rx = maxH / layout.hSampling;
        plane.ry = maxV / layout.vSampling;
        plane.stride = layout.hSampling * 8;
        plane.original.resize(static_cast<size_t>(plane.stride) * layout.vSampling * 8);
        plane.blockChanged.resize(static_cast<size_t>(layout.hSampling) * layout.vSampling);
    }
    std::vector<bool> touched(static_cast<size_t>(mcuWidth) * mcuHeight);

    for (const int mcu : mcus) {
        const int row = mcu / mcuColumns;
        const int column = mcu % mcuColumns;
        const int left = column * mcuWidth;
        const int top = row * mcuHeight;
        for (int y = 0; y < mcuHeight; ++y)
            for (int x = 0; x < mcuWidth; ++x)
                touched[static_cast<size_t>(y) * mcuWidth + x] = left + x < w0 && top + y < h0 && (logo.at(left + x, top + y) >> 24) != 0;
        for (int c = 0; c < 3; ++c) {
            const JpegComponentLayout& layout = jpeg.component(c);
            Plane& plane = planes[static_cast<size_t>(c)];
            for (int by = 0; by < layout.vSampling; ++by)
                for (int bx = 0; bx < layout.hSampling; ++bx)
                    inverseDct(jpeg.block(c, row * layout.vSampling + by, column * layout.hSampling + bx), layout.quantisation, plane.original.data() + by * 8 * plane.stride + bx * 8, plane.stride);
            plane.changed = plane.original;
            std::fill(plane.blockChanged.begin(), plane.blockChanged.end(), false);
        }
        for (int y = 0; y < mcuHeight; ++y)
            for (int x = 0; x < mcuWidth; ++x) {
                if (!touched[static_cast<size_t>(y) * mcuWidth + x])
                    continue;
                size_t index[3];
                for (int c = 0; c < 3; ++c) {
                    const Plane& plane = planes[static_cast<size_t>(c)];
                    index[c] = static_cast<size_t>(y / plane.ry) * plane.stride + x / plane.rx;
                }
                const float luma = planes[0].original[index[0]];
                const float cb = planes[1].original[index[1]] - 128.0f;
                const float cr = planes[2].original[index[2]] - 128.0f;
                auto clamp = [](float value) { return std::clamp(value, 0.0f, 255.0f); };
                const float r0 = clamp(luma + 1.402f * cr);
                const float g0 = clamp(luma - 0.344136f * cb - 0.714136f * cr);
                const float b0 = clamp(luma + 1.772f * cb);
                const std::uint32_t pixel = logo.at(left + x, top + y);
                const float keep = 1.0f - static_cast<float>(pixel >> 24) / 255.0f;
                const float r = static_cast<float>((pixel >> 16) & 0xFF) + r0 * keep;
                const float g = static_cast<float>((pixel >> 8) & 0xFF) + g0 * keep;
                const float b = static_cast<float>(pixel & 0xFF) + b0 * keep;
                const float values[3] = {
                    0.299f * r + 0.587f * g + 0.114f * b,
                    -0.168736f * r - 0.331264f * g + 0.5f * b + 128.0f,
                    0.5f * r - 0.418688f * g - 0.081312f * b + 128.0f,
                };
                // A subsampled sample averages its pixels: unchanged ones keep their value.
                for (int c = 0; c < 3; ++c) {
                    Plane& plane = planes[static_cast<size_t>(c)];
                    plane.changed[index[c]] += (values[c] - plane.original[index[c]]) / static_cast<float>(plane.rx * plane.ry);
                    plane.blockChanged[static_cast<size_t>(y / plane.ry / 8) * (plane.stride / 8) + x / plane.rx / 8] = true;
                }
            }
        for (int c = 0; c < 3; ++c) {
            const JpegComponentLayout& layout = jpeg.component(c);
            const Plane& plane = planes[static_cast<size_t>(c)];
            for (int by = 0; by < layout.vSampling; ++by)
                for (int bx = 0; bx < layout.hSampling; ++bx)
                    if (plane.blockChanged[static_cast<size_t>(by) * layout.hSampling + bx])
                        forwardDct(plane.changed.data() + by * 8 * plane.stride + bx * 8, plane.stride, layout.quantisation, jpeg.block(c, row * layout.vSampling + by, column * layout.hSampling + bx));
        }
    }
}

}

Result<StampedPhoto> StampEngine::stampLossless(const std::filesystem::path& source, std::FILE* out, const std::string& sourceName, std::string& unsupported) const
{
    const std::string name = source.string();
    ImageMetadata metadata;
    if (auto read = ImageMetadata::readFromFile(source))
        metadata = std::move(*read);
    auto opened = JpegSplice::open(source, m_maxPixels);
    if (!opened)
        return std::unexpected(opened.error());
    JpegSplice& jpeg = **opened;
    auto refuse = [&](const std::string& reason) {
        unsupported = reason;
        return fail(name, reason);
    };
    if (!jpeg.isYCbCr())
        return refuse(jpeg.componentCount() == 1 ? "lossless stamping needs a colour JPEG, not a greyscale one" : "lossless stamping needs a YCbCr JPEG, not CMYK or RGB");
    if (jpeg.bitsPerSample() != 8)
        return refuse("lossless stamping needs 8-bit samples");
    for (int c = 0; c < 3; ++c) {
        const JpegComponentLayout& layout = jpeg.component(c);
        if (jpeg.maxHSampling() % layout.hSampling != 0 || jpeg.maxVSampling() % layout.vSampling != 0)
            return refuse("lossless stamping does not know this JPEG's chroma sampling");
    }

    StampedPhoto stamped;
    stamped.lossless = true;
    stamped.sourceOrientation = metadata.orientation();
    const OrientationMapping mapping = orientationMapping(stamped.sourceOrientation);
    const int w0 = jpeg.width();
    const int h0 = jpeg.height();
    const int width = mapping.transpose ? h0 : w0;
    const int height = mapping.transpose ? w0 : h0;
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
    stamped.notice = *visible;

    // The logo is placed on the upright photo; the file keeps the photo as stored, so the logo
    // turns with the inverse of the orientation and every viewer shows it upright in its place.
    StoredTile logo;
    if (tile->width > 0 && tile->height > 0) {
        auto toStored = [&](int dx, int dy) {
            if (mapping.flipX)
                dx = width - 1 - dx;
            if (mapping.flipY)
                dy = height - 1 - dy;
            return mapping.transpose ? std::pair { dy, dx } : std::pair { dx, dy };
        };
        const auto [ax, ay] = toStored(tile->x, tile->y);
        const auto [bx, by] = toStored(tile->x + tile->width - 1, tile->y + tile->height - 1);
        logo.x = std::min(ax, bx);
        logo.y = std::min(ay, by);
        logo.width = std::abs(bx - ax) + 1;
        logo.height = std::abs(by - ay) + 1;
        logo.pixels.resize(static_cast<size_t>(logo.width) * logo.height);
        for (int y = 0; y < tile->height; ++y)
            for (int x = 0; x < tile->width; ++x) {
                const auto [sx, sy] = toStored(tile->x + x, tile->y + y);
                logo.pixels[static_cast<size_t>(sy - logo.y) * logo.width + (sx - logo.x)] = tile->pixels[static_cast<size_t>(y) * tile->width + x];
            }
    }

    // Whole MCUs are redrawn: they are the unit the file's data can be cut at.
    const int mcuWidth = jpeg.maxHSampling() * 8;
    const int mcuHeight = jpeg.maxVSampling() * 8;
    const std::vector<int> mcus = touchedMcus(logo, mcuWidth, mcuHeight, w0, h0);
    if (!logo.pixels.empty()) {
        const int firstColumn = logo.x / mcuWidth;
        const int firstRow = logo.y / mcuHeight;
        stamped.redrawn.x = firstColumn * mcuWidth;
        stamped.redrawn.y = firstRow * mcuHeight;
        stamped.redrawn.width = std::min(w0, ((logo.x + logo.width - 1) / mcuWidth + 1) * mcuWidth) - stamped.redrawn.x;
        stamped.redrawn.height = std::min(h0, ((logo.y + logo.height - 1) / mcuHeight + 1) * mcuHeight) - stamped.redrawn.y;
    }

    prepareStampMetadata(metadata, source, sourceName, w0, h0, stamped.sourceOrientation, jpeg.bytes());
    JpegCoefficients::WriteOptions writeOptions;
    std::string dropped;
    for (auto& segment : metadata.jpegSegments(&dropped))
        writeOptions.segments.emplace_back(segment.marker, std::move(segment.bytes));
    if (!dropped.empty())
        stamped.notice += (stamped.notice.empty() ? "" : "; ") + dropped;
    writeOptions.iccProfile = metadata.iccProfile();
    if (jpeg.spliceable() && jpeg.readMcus(mcus)) {
        redrawMcus(jpeg, mcus, logo, w0, h0);
        auto written = jpeg.write(out, writeOptions);
        if (!written)
            return std::unexpected(written.error());
        if (*written)
            return stamped;
    }

    // Not spliced (progressive or arithmetic coding, several scans, tables that lack a code the
    // logo's blocks need): libjpeg reads every coefficient and writes the file again.
    opened->reset();
    auto coefficients = JpegCoefficients::open(source, m_maxPixels);
    if (!coefficients)
        return std::unexpected(coefficients.error());
    redrawMcus(**coefficients, mcus, logo, w0, h0);
    if (auto written = (*coefficients)->write(out, writeOptions); !written)
        return std::unexpected(written.error());
    return stamped;
}

}
