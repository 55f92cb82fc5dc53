#include <platform/photos/ImageManager.h>

#include <platform/foundation/Files.h>
#include <platform/foundation/RunLoop.h>
#include <platform/graphics/DrawingContext.h>
#include <platform/graphics/ImageCodecs.h>
#include <platform/graphics/ImageMetadata.h>
#include <platform/graphics/JpegStreams.h>
#include <platform/photos/EmbeddedPreviews.h>
#include <platform/photos/ThumbnailCache.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <tuple>
#include <fstream>
#include <sched.h>
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

// The largest DCT reduction (1/2, 1/4, 1/8) that still covers the size wanted.
int scaleDenominator(int storedWidth, int storedHeight, Size storedTarget, ImageContentMode mode)
{
    const Size wanted = fittedSize(storedWidth, storedHeight, storedTarget, mode);
    int denominator = 1;
    while (denominator < 8 && storedWidth / (denominator * 2) >= wanted.width && storedHeight / (denominator * 2) >= wanted.height)
        denominator *= 2;
    return denominator;
}

enum class StreamEnd { Checked, Ignored };

Result<Image> readAllRows(JpegReader& reader, StreamEnd end)
{
    const int width = reader.width(), height = reader.height();
    PixelBuffer buffer;
    buffer.width = width;
    buffer.height = height;
    buffer.opaque = true;
    buffer.pixels.resize(static_cast<size_t>(width) * height);
    std::vector<std::uint8_t> rows(static_cast<size_t>(width) * 3 * 16);
    for (int y = 0; y < height;) {
        auto got = reader.readRows(rows.data(), static_cast<size_t>(width) * 3, std::min(16, height - y));
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
    if (auto finished = reader.finish(); !finished && end == StreamEnd::Checked)
        return std::unexpected(finished.error());
    return Image::fromBuffer(std::move(buffer));
}

// The part of a preview that shows the photo: cameras fit a 3:2 photo into a 4:3 thumbnail with
// black bands, which are cut off here. Sizes are of the photo and the preview as stored.
struct Crop {
    int x { 0 }, y { 0 }, width { 0 }, height { 0 };
};
Crop photoPartOfPreview(int photoWidth, int photoHeight, int previewWidth, int previewHeight)
{
    const double photo = static_cast<double>(photoWidth) / photoHeight;
    const double preview = static_cast<double>(previewWidth) / previewHeight;
    if (std::abs(photo / preview - 1.0) < 0.02)
        return { 0, 0, previewWidth, previewHeight };
    if (photo > preview) {
        const int height = std::max(1, static_cast<int>(std::lround(previewWidth / photo)));
        return { 0, (previewHeight - height) / 2, previewWidth, height };
    }
    const int width = std::max(1, static_cast<int>(std::lround(previewHeight * photo)));
    return { (previewWidth - width) / 2, 0, width, previewHeight };
}

Image cropped(const Image& image, const Crop& crop)
{
    if (crop.x == 0 && crop.y == 0 && crop.width == image.pixelWidth() && crop.height == image.pixelHeight())
        return image;
    PixelBuffer buffer;
    buffer.width = crop.width;
    buffer.height = crop.height;
    buffer.opaque = image.isOpaque();
    buffer.pixels.resize(static_cast<size_t>(crop.width) * crop.height);
    for (int y = 0; y < crop.height; ++y)
        for (int x = 0; x < crop.width; ++x)
            buffer.pixels[static_cast<size_t>(y) * crop.width + x] = image.pixelAt(crop.x + x, crop.y + y);
    return Image::fromBuffer(std::move(buffer));
}

enum class PreviewUse {
    AtLeastTarget, // the smallest preview that covers the target, as the final image
    Quick,         // the largest preview smaller than the target, to show while the photo decodes
};

// An embedded preview of the photo fitted to the target and made upright, or nothing when none
// fits the use or the one chosen does not decode (the photo is then decoded itself).
std::optional<Image> embeddedPreviewImage(const std::filesystem::path& path, const JpegLayout& layout, Size storedTarget, ImageContentMode mode, int orientation, PreviewUse use)
{
    if (layout.width <= 0 || layout.height <= 0 || layout.previews.empty())
        return std::nullopt;
    const Size wanted = fittedSize(layout.width, layout.height, storedTarget, mode);
    struct Candidate {
        EmbeddedPreview preview;
        std::vector<std::uint8_t> bytes;
        Crop crop;
    };
    std::optional<Candidate> best;
    for (EmbeddedPreview preview : layout.previews) {
        std::vector<std::uint8_t> bytes;
        if (preview.width <= 0) {
            if (use == PreviewUse::Quick)
                continue; // stored far from the head: not worth a read for a stand-in
            bytes = readEmbeddedPreview(path, preview);
            std::tie(preview.width, preview.height) = jpegFrameSize(bytes);
            if (preview.width <= 0 || preview.height <= 0)
                continue;
        }
        const Crop crop = photoPartOfPreview(layout.width, layout.height, preview.width, preview.height);
        const bool covers = crop.width + 1 >= wanted.width && crop.height + 1 >= wanted.height;
        const long area = static_cast<long>(crop.width) * crop.height;
        const long bestArea = best ? static_cast<long>(best->crop.width) * best->crop.height : 0;
        if (use == PreviewUse::AtLeastTarget ? covers && (!best || area < bestArea) : !covers && area > bestArea)
            best = Candidate { preview, std::move(bytes), crop };
    }
    if (!best)
        return std::nullopt;
    if (best->bytes.empty())
        best->bytes = readEmbeddedPreview(path, best->preview);
    if (best->bytes.empty())
        return std::nullopt;
    JpegReader::Options options;
    options.maxPixels = 50'000'000;
    options.fastDct = true;
    options.chooseScaleDenominator = [&](int width, int height) {
        // The reduction applies to the whole preview; what counts is its photo part.
        const Crop crop = photoPartOfPreview(layout.width, layout.height, width, height);
        int denominator = 1;
        while (denominator < 8 && crop.width / (denominator * 2) >= wanted.width && crop.height / (denominator * 2) >= wanted.height)
            denominator *= 2;
        return use == PreviewUse::Quick ? 1 : denominator;
    };
    auto reader = JpegReader::fromBytes(best->bytes, path.string() + " (embedded preview)", options);
    if (!reader)
        return std::nullopt;
    auto decoded = readAllRows(**reader, StreamEnd::Checked);
    if (!decoded)
        return std::nullopt;
    const Image picture = cropped(*decoded, photoPartOfPreview(layout.width, layout.height, decoded->pixelWidth(), decoded->pixelHeight()));
    const Size size = use == PreviewUse::Quick ? Size { static_cast<double>(picture.pixelWidth()), static_cast<double>(picture.pixelHeight()) } : fittedSize(picture.pixelWidth(), picture.pixelHeight(), wanted, ImageContentMode::AspectFit);
    return uprightImage(scaledTo(picture, size), orientation);
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
    errno = 0;
    int creatorNiceness = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
    if (creatorNiceness == -1 && errno != 0)
        creatorNiceness = 0;
    for (unsigned i = 0; i < count; ++i)
        m_workers.emplace_back([this, creatorNiceness](std::stop_token stop) { work(stop, creatorNiceness); });
}

namespace {
// Requests with a handler, across every manager, from their queueing until their picture is
// posted to the main run loop or they are dropped.
std::atomic<int> requestsInFlight { 0 };
}

bool ImageManager::busy() { return requestsInFlight.load() > 0; }

ImageManager::~ImageManager()
{
    for (auto& worker : m_workers)
        worker.request_stop();
    m_wake.notify_all();
    m_workers.clear();
    for (const Job& job : m_jobs)
        if (job.handler)
            --requestsInFlight;
}

Result<Image> ImageManager::loadImage(const std::filesystem::path& path, Size targetSize, ImageContentMode mode, int orientation)
{
    const bool turned = orientationMapping(orientation).transpose;
    // The target applies to the upright picture; the decoder sees it as stored.
    const Size storedTarget = turned ? Size { targetSize.height, targetSize.width } : targetSize;
    if (looksLikeJpeg(path)) {
        if (targetSize.width > 0 && targetSize.height > 0) {
            const JpegLayout layout = readJpegLayout(path);
            if (auto preview = embeddedPreviewImage(path, layout, storedTarget, mode, orientation, PreviewUse::AtLeastTarget))
                return *preview;
        }
        JpegReader::Options options;
        options.fastDct = true; // only where the picture is reduced
        options.chooseScaleDenominator = [&](int storedWidth, int storedHeight) { return scaleDenominator(storedWidth, storedHeight, storedTarget, mode); };
        auto reader = JpegReader::open(path, options);
        if (!reader)
            return std::unexpected(reader.error());
        const Size wanted = fittedSize((*reader)->sourceWidth(), (*reader)->sourceHeight(), storedTarget, mode);
        // The photo's rows all came; trailing damage after them does not hide the picture.
        auto decoded = readAllRows(**reader, StreamEnd::Ignored);
        if (!decoded)
            return std::unexpected(decoded.error());
        return uprightImage(scaledTo(*decoded, wanted), orientation);
    }
    DecodeOptions options;
    options.name = path.string();
    auto bytes = files::readAll(path);
    if (!bytes)
        return std::unexpected(bytes.error());
    if (targetSize.width > 0 && targetSize.height > 0) {
        // A HEIF's thumbnail or a TIFF's reduced image that covers the target spares decoding the
        // whole picture (HEIF pictures come upright, and their orientation here is 1).
        const Image reduced = decodeReducedImage(*bytes, [&](int width, int height) {
            const Size wanted = fittedSize(width, height, storedTarget, mode);
            return std::make_pair(static_cast<int>(std::floor(wanted.width)), static_cast<int>(std::floor(wanted.height)));
        }, options);
        if (!reduced.isEmpty())
            return uprightImage(scaledTo(reduced, fittedSize(reduced.pixelWidth(), reduced.pixelHeight(), storedTarget, mode)), orientation);
    }
    auto decoded = decodeImage(*bytes, options);
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

void ImageManager::setThumbnailCache(std::shared_ptr<ThumbnailCache> cache)
{
    std::lock_guard lock(m_mutex);
    m_thumbnailCache = std::move(cache);
}

std::shared_ptr<ThumbnailCache> ImageManager::thumbnailCache() const
{
    std::lock_guard lock(m_mutex);
    return m_thumbnailCache;
}

std::optional<Image> ImageManager::produce(const Job& job, std::optional<Image>* quick)
{
    const std::string key = cacheKey(job.asset, job.target, job.mode);
    if (auto image = cached(key))
        return image;
    std::shared_ptr<ThumbnailCache> disk = thumbnailCache();
    const bool small = job.target.width > 0 && job.target.height > 0 && job.target.width <= kDiskCachedSide && job.target.height <= kDiskCachedSide;
    std::optional<ThumbnailCache::Key> diskKey;
    if (disk && small) {
        // Taken before decoding: a photo replaced meanwhile is stored under its old key, never
        // found under the new one.
        diskKey = ThumbnailCache::keyFor(job.asset.path, job.target, job.mode == ImageContentMode::AspectFit ? "fit" : "fill");
        if (diskKey) {
            if (auto image = disk->find(*diskKey)) {
                remember(key, *image);
                return image;
            }
        }
    }
    std::optional<Image> fromPreview;
    if (quick && small && looksLikeJpeg(job.asset.path)) {
        const bool turned = orientationMapping(job.asset.orientation).transpose;
        const Size storedTarget = turned ? Size { job.target.height, job.target.width } : job.target;
        const JpegLayout layout = readJpegLayout(job.asset.path);
        // A preview that covers the target is the final image: no stand-in then.
        fromPreview = embeddedPreviewImage(job.asset.path, layout, storedTarget, job.mode, job.asset.orientation, PreviewUse::AtLeastTarget);
        if (!fromPreview) {
            if (auto standIn = embeddedPreviewImage(job.asset.path, layout, storedTarget, job.mode, job.asset.orientation, PreviewUse::Quick)) {
                *quick = std::move(*standIn);
                return std::nullopt;
            }
        }
    }
    auto loaded = fromPreview ? Result<Image>(*fromPreview) : loadImage(job.asset.path, job.target, job.mode, job.asset.orientation);
    if (!loaded)
        return Image {};
    remember(key, *loaded);
    if (diskKey)
        disk->store(*diskKey, *loaded);
    return *loaded;
}

ImageRequestId ImageManager::requestImageForAsset(const PhotoAsset& asset, Size targetSize, ImageContentMode mode, const ImageRequestOptions& requested, std::function<void(Image)> handler)
{
    const std::string key = cacheKey(asset, targetSize, mode);
    // Every picture handed out carries its photo's identifier, so views that show it say which
    // photo they show.
    auto named = [name = asset.localIdentifier](std::function<void(Image)> to) -> std::function<void(Image)> {
        if (!to)
            return to;
        return [name, to = std::move(to)](Image image) { to(image.isEmpty() ? image : image.withName(name)); };
    };
    handler = named(std::move(handler));
    ImageRequestOptions options = requested;
    options.degradedHandler = named(std::move(options.degradedHandler));
    ImageRequestId id;
    {
        std::lock_guard lock(m_mutex);
        id = m_nextId++;
    }
    if (options.synchronous) {
        Image image = produce({ id, asset, targetSize, mode, {}, {}, false, {} }, nullptr).value_or(Image {});
        if (options.prepare && !image.isEmpty())
            image = options.prepare(image);
        if (handler)
            handler(image);
        return id;
    }
    // A picture to prepare goes through a decoding thread even when the cache holds it.
    if (auto image = options.prepare ? std::optional<Image>() : cached(key)) {
        RunLoop::main().post([handler = std::move(handler), image = *image] {
            if (handler)
                handler(image);
        });
        return id;
    }
    {
        std::lock_guard lock(m_mutex);
        if (handler)
            ++requestsInFlight;
        m_jobs.push_back({ id, asset, targetSize, mode, std::move(handler), options.degradedHandler, false, options.prepare });
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
    m_jobs.push_front({ 0, asset, targetSize, mode, {}, {}, false, {} });
    m_wake.notify_one();
}

void ImageManager::cancelImageRequest(ImageRequestId request)
{
    std::lock_guard lock(m_cancelled->mutex);
    m_cancelled->ids.insert(request);
}

void ImageManager::work(std::stop_token stop, int creatorNiceness)
{
    // Decoding yields to the main thread: on a machine with few cores, a screen that scrolls
    // while pictures decode keeps its frames. (A thread's nice value is its own on Linux.) The
    // step is relative, so a program started under nice keeps its decoding below it; one already
    // at the lowest nice leaves decoding to idle time.
    constexpr int lowest = 19;
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), std::min(lowest, creatorNiceness + kWorkerNicenessAbove));
    if (creatorNiceness >= lowest) {
        const sched_param none {};
        ::sched_setscheduler(0, SCHED_IDLE, &none);
    }
    auto deliver = [this](ImageRequestId id, const std::function<void(Image)>& handler, Image image, bool final, const std::function<Image(const Image&)>& prepare) {
        if (prepare && !image.isEmpty())
            image = prepare(image);
        RunLoop::main().post([cancelled = m_cancelled, id, handler, image = std::move(image), final] {
            {
                std::lock_guard lock(cancelled->mutex);
                if (final ? cancelled->ids.erase(id) : cancelled->ids.count(id))
                    return;
            }
            handler(image);
        });
    };
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
        // Counted out when this pass ends, unless the job goes back to the queue.
        struct Finished {
            bool counted;
            ~Finished() { if (counted) --requestsInFlight; }
        } finished { static_cast<bool>(job.handler) };
        if (job.id) {
            std::lock_guard lock(m_cancelled->mutex);
            if (m_cancelled->ids.erase(job.id))
                continue;
        }
        std::optional<Image> quick;
        const bool wantsQuick = job.handler && job.degradedHandler && !job.degradedDone;
        std::optional<Image> image = produce(job, wantsQuick ? &quick : nullptr);
        if (!image) {
            // The stand-in now; the real decode waits behind every picture asked for, so a
            // screenful of stand-ins comes first.
            deliver(job.id, job.degradedHandler, std::move(*quick), false, job.prepare);
            job.degradedDone = true;
            finished.counted = false;
            std::lock_guard lock(m_mutex);
            m_jobs.push_front(std::move(job));
            m_wake.notify_one();
            continue;
        }
        if (job.handler)
            deliver(job.id, job.handler, std::move(*image), true, job.prepare);
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
