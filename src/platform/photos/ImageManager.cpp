#include <platform/photos/ImageManager.h>

#include <platform/foundation/RunLoop.h>
#include <platform/graphics/DrawingContext.h>
#include <platform/graphics/ImageCodecs.h>
#include <platform/graphics/ImageMetadata.h>
#include <platform/graphics/JpegStreams.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>

namespace vd {

namespace {

bool looksLikeJpeg(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    unsigned char signature[3] {};
    in.read(reinterpret_cast<char*>(signature), 3);
    return in.gcount() == 3 && signature[0] == 0xFF && signature[1] == 0xD8 && signature[2] == 0xFF;
}

// The size of a width × height picture fitted to the target; never larger than the picture.
Size fittedSize(double width, double height, Size target, ImageContentMode mode)
{
    if (target.width <= 0 || target.height <= 0)
        return { width, height };
    const double sx = target.width / width;
    const double sy = target.height / height;
    const double scale = std::min(1.0, mode == ImageContentMode::AspectFit ? std::min(sx, sy) : std::max(sx, sy));
    return { std::max(1.0, std::round(width * scale)), std::max(1.0, std::round(height * scale)) };
}

Image scaledTo(const Image& image, Size size)
{
    if (image.pixelWidth() == static_cast<int>(size.width) && image.pixelHeight() == static_cast<int>(size.height))
        return image;
    DrawingContext context(size, image.isOpaque() ? DrawingContext::Opacity::Opaque : DrawingContext::Opacity::Transparent, 1.0);
    if (!context.isValid())
        return {};
    context.drawImage(image, Rect(0, 0, size.width, size.height));
    return context.takeImage();
}

}

ImageManager& ImageManager::defaultManager()
{
    static ImageManager manager;
    return manager;
}

ImageManager::ImageManager(std::size_t cacheBytes, unsigned threads)
    : m_cacheLimit(cacheBytes)
{
    const unsigned count = threads ? threads : std::max(1u, std::thread::hardware_concurrency());
    for (unsigned i = 0; i < count; ++i)
        m_workers.emplace_back([this](std::stop_token stop) { work(stop); });
}

ImageManager::~ImageManager()
{
    for (auto& worker : m_workers)
        worker.request_stop();
    m_wake.notify_all();
    m_workers.clear();
}

Result<Image> ImageManager::loadImage(const std::filesystem::path& path, Size targetSize, ImageContentMode mode, int orientation)
{
    const bool turned = orientationMapping(orientation).transpose;
    // The target applies to the upright picture; the decoder sees it as stored.
    const Size storedTarget = turned ? Size { targetSize.height, targetSize.width } : targetSize;
    if (looksLikeJpeg(path)) {
        JpegReader::Options options;
        options.fastDct = true; // only where the picture is reduced
        options.chooseScaleDenominator = [&](int storedWidth, int storedHeight) {
            const Size wanted = fittedSize(storedWidth, storedHeight, storedTarget, mode);
            int denominator = 1;
            while (denominator < 8 && storedWidth / (denominator * 2) >= wanted.width && storedHeight / (denominator * 2) >= wanted.height)
                denominator *= 2;
            return denominator;
        };
        auto reader = JpegReader::open(path, options);
        if (!reader)
            return std::unexpected(reader.error());
        const Size wanted = fittedSize((*reader)->sourceWidth(), (*reader)->sourceHeight(), storedTarget, mode);
        const int width = (*reader)->width(), height = (*reader)->height();
        PixelBuffer buffer;
        buffer.width = width;
        buffer.height = height;
        buffer.opaque = true;
        buffer.pixels.resize(static_cast<size_t>(width) * height);
        std::vector<std::uint8_t> rows(static_cast<size_t>(width) * 3 * 16);
        for (int y = 0; y < height;) {
            auto got = (*reader)->readRows(rows.data(), static_cast<size_t>(width) * 3, std::min(16, height - y));
            if (!got)
                return std::unexpected(got.error());
            for (int r = 0; r < *got; ++r) {
                const std::uint8_t* in = rows.data() + static_cast<size_t>(width) * 3 * r;
                std::uint32_t* out = buffer.pixels.data() + static_cast<size_t>(y + r) * width;
                for (int x = 0; x < width; ++x, in += 3)
                    out[x] = 0xff000000u | (std::uint32_t(in[0]) << 16) | (std::uint32_t(in[1]) << 8) | in[2];
            }
            y += *got;
        }
        (void)(*reader)->finish();
        const Image decoded = Image::fromBuffer(std::move(buffer));
        return uprightImage(scaledTo(decoded, wanted), orientation);
    }
    DecodeOptions options;
    options.name = path.string();
    auto decoded = decodeImageFile(path, options);
    if (!decoded)
        return std::unexpected(decoded.error());
    return uprightImage(scaledTo(*decoded, fittedSize(decoded->pixelWidth(), decoded->pixelHeight(), storedTarget, mode)), orientation);
}

std::string ImageManager::cacheKey(const PhotoAsset& asset, Size target, ImageContentMode mode)
{
    return asset.path.string() + '|' + std::to_string(asset.fileSize) + '|' + std::to_string(static_cast<int>(target.width)) + 'x' + std::to_string(static_cast<int>(target.height)) + (mode == ImageContentMode::AspectFit ? "fit" : "fill");
}

std::optional<Image> ImageManager::cached(const std::string& key)
{
    std::lock_guard lock(m_mutex);
    auto found = m_cacheIndex.find(key);
    if (found == m_cacheIndex.end())
        return std::nullopt;
    m_lru.splice(m_lru.begin(), m_lru, found->second);
    return found->second->second;
}

void ImageManager::remember(const std::string& key, const Image& image)
{
    const std::size_t bytes = static_cast<std::size_t>(image.pixelWidth()) * image.pixelHeight() * 4;
    std::lock_guard lock(m_mutex);
    if (bytes > m_cacheLimit || m_cacheIndex.count(key))
        return;
    m_lru.emplace_front(key, image);
    m_cacheIndex[key] = m_lru.begin();
    m_cacheBytes += bytes;
    while (m_cacheBytes > m_cacheLimit && !m_lru.empty()) {
        const Image& oldest = m_lru.back().second;
        m_cacheBytes -= static_cast<std::size_t>(oldest.pixelWidth()) * oldest.pixelHeight() * 4;
        m_cacheIndex.erase(m_lru.back().first);
        m_lru.pop_back();
    }
}

std::size_t ImageManager::cachedBytes() const
{
    std::lock_guard lock(m_mutex);
    return m_cacheBytes;
}

void ImageManager::dropCache()
{
    std::lock_guard lock(m_mutex);
    m_lru.clear();
    m_cacheIndex.clear();
    m_cacheBytes = 0;
}

ImageRequestId ImageManager::requestImageForAsset(const PhotoAsset& asset, Size targetSize, ImageContentMode mode, const ImageRequestOptions& options, std::function<void(Image)> handler)
{
    const std::string key = cacheKey(asset, targetSize, mode);
    ImageRequestId id;
    {
        std::lock_guard lock(m_mutex);
        id = m_nextId++;
    }
    if (options.synchronous) {
        std::optional<Image> image = cached(key);
        if (!image) {
            auto loaded = loadImage(asset.path, targetSize, mode, asset.orientation);
            image = loaded ? *loaded : Image {};
            if (loaded)
                remember(key, *image);
        }
        if (handler)
            handler(*image);
        return id;
    }
    if (auto image = cached(key)) {
        RunLoop::main().post([handler = std::move(handler), image = *image] {
            if (handler)
                handler(image);
        });
        return id;
    }
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back({ id, asset, targetSize, mode, std::move(handler) });
    }
    m_wake.notify_one();
    return id;
}

void ImageManager::prefetch(const PhotoAsset& asset, Size targetSize, ImageContentMode mode)
{
    if (cached(cacheKey(asset, targetSize, mode)))
        return;
    std::lock_guard lock(m_mutex);
    // Prefetching waits behind what is asked for now.
    m_jobs.push_front({ 0, asset, targetSize, mode, {} });
    m_wake.notify_one();
}

void ImageManager::cancelImageRequest(ImageRequestId request)
{
    std::lock_guard lock(m_cancelled->mutex);
    m_cancelled->ids.insert(request);
}

void ImageManager::work(std::stop_token stop)
{
    // Decoding yields to the main thread: on a machine with few cores, a screen that scrolls
    // while pictures decode keeps its frames. (A thread's nice value is its own on Linux.)
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kWorkerNiceness);
    while (!stop.stop_requested()) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, stop, [this] { return !m_jobs.empty(); });
            if (stop.stop_requested() || m_jobs.empty())
                return;
            // The newest request is what the user looks at now.
            job = std::move(m_jobs.back());
            m_jobs.pop_back();
        }
        if (job.id) {
            std::lock_guard lock(m_cancelled->mutex);
            if (m_cancelled->ids.erase(job.id))
                continue;
        }
        const std::string key = cacheKey(job.asset, job.target, job.mode);
        std::optional<Image> image = cached(key);
        if (!image) {
            auto loaded = loadImage(job.asset.path, job.target, job.mode, job.asset.orientation);
            image = loaded ? *loaded : Image {};
            if (loaded)
                remember(key, *image);
        }
        if (!job.handler)
            continue;
        RunLoop::main().post([cancelled = m_cancelled, id = job.id, handler = std::move(job.handler), image = std::move(*image)] {
            {
                std::lock_guard lock(cancelled->mutex);
                if (cancelled->ids.erase(id))
                    return;
            }
            handler(image);
        });
    }
}

void CachingImageManager::startCachingImagesForAssets(const std::vector<PhotoAsset>& assets, Size targetSize, ImageContentMode mode)
{
    for (const PhotoAsset& asset : assets)
        prefetch(asset, targetSize, mode);
}

void CachingImageManager::stopCachingImagesForAllAssets()
{
    dropCache();
}

}
