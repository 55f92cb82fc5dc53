#pragma once

#include <platform/foundation/Error.h>
#include <platform/graphics/Geometry.h>
#include <platform/graphics/Image.h>
#include <platform/photos/PhotoAsset.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace vd {

enum class ImageContentMode { AspectFit, AspectFill };

// Asks for the picture at its own size.
inline constexpr Size kImageManagerMaximumSize { -1, -1 };

struct ImageRequestOptions {
    bool synchronous { false }; // deliver before the request returns
    // When set, a photo whose embedded preview is smaller than asked for gives that preview here
    // first, quickly, before its own decode reaches the handler (asynchronous requests only).
    std::function<void(Image)> degradedHandler;
    // When set, turns each picture (the stand-in too) into what the handlers get, on a decoding
    // thread, so that work stays off the main loop; the caches keep the pictures as decoded.
    std::function<Image(const Image&)> prepare;
};

using ImageRequestId = std::uint64_t;

class ThumbnailCache;

// Delivers photos fitted to a target size in pixels, upright (the EXIF orientation applied).
// A JPEG that embeds a preview at least the size asked for (a camera's EXIF thumbnail or its
// larger screen preview) gives that preview, which costs a small read instead of decoding
// megapixels; otherwise JPEGs are decoded at a reduced size when the target is small (DCT
// scaling). Asynchronous requests are decoded on worker threads and delivered on the main run
// loop, newest request first; results are kept in a memory cache bounded in bytes and, with a
// thumbnail cache set, small ones on disk for the next run.
class ImageManager {
public:
    static ImageManager& defaultManager();

    explicit ImageManager(std::size_t cacheBytes = 96u << 20, unsigned threads = 0);
    virtual ~ImageManager();
    ImageManager(const ImageManager&) = delete;
    ImageManager& operator=(const ImageManager&) = delete;

    // The handler gets the image, named after the photo's identifier, or an empty image when the
    // photo cannot be read.
    ImageRequestId requestImageForAsset(const PhotoAsset& asset, Size targetSize, ImageContentMode mode, const ImageRequestOptions& options, std::function<void(Image)> handler);
    void cancelImageRequest(ImageRequestId request);

    std::size_t cachedBytes() const;

    // Whether any manager still has a picture to decode that was asked for and not yet handed to
    // the main run loop (prefetching aside): what a scripted run waits out before it looks.
    static bool busy();

    // Keeps images up to kDiskCachedSide pixels a side in the cache on disk too.
    void setThumbnailCache(std::shared_ptr<ThumbnailCache> cache);
    static constexpr double kDiskCachedSide = 1024;

    // The work of one request, on the calling thread.
    static Result<Image> loadImage(const std::filesystem::path& path, Size targetSize, ImageContentMode mode, int orientation);

protected:
    void prefetch(const PhotoAsset& asset, Size targetSize, ImageContentMode mode);
    void dropCache();

private:
    struct Job {
        ImageRequestId id { 0 };
        PhotoAsset asset;
        Size target;
        ImageContentMode mode { ImageContentMode::AspectFit };
        std::function<void(Image)> handler; // empty for prefetching
        std::function<void(Image)> degradedHandler;
        bool degradedDone { false };
        std::function<Image(const Image&)> prepare;
    };
public:
    // How far the decoding threads' nice value sits above that of the thread that made the
    // manager (the main thread), so that they stay below it whatever nice the program runs at;
    // at the lowest nice they run only when the processor is otherwise idle.
    static constexpr int kWorkerNicenessAbove = 10;

private:
    static std::string cacheKey(const PhotoAsset& asset, Size target, ImageContentMode mode);
    std::optional<Image> cached(const std::string& key);
    void remember(const std::string& key, const Image& image);
    void work(std::stop_token stop, int creatorNiceness);
    // The job's image from the caches or the file; with quick set, may instead give the photo's
    // small embedded preview there and no image (the job then comes back for the real one).
    std::optional<Image> produce(const Job& job, std::optional<Image>* quick);
    std::shared_ptr<ThumbnailCache> thumbnailCache() const;

    mutable std::mutex m_mutex;
    std::condition_variable_any m_wake;
    std::deque<Job> m_jobs;
    // Shared with deliveries waiting on the main run loop, which may outlive the manager.
    struct Cancellations {
        std::mutex mutex;
        std::set<ImageRequestId> ids;
    };
    std::shared_ptr<Cancellations> m_cancelled { std::make_shared<Cancellations>() };
    ImageRequestId m_nextId { 1 };

    std::size_t m_cacheLimit;
    std::size_t m_cacheBytes { 0 };
    std::list<std::pair<std::string, Image>> m_lru; // most recent first
    std::unordered_map<std::string, std::list<std::pair<std::string, Image>>::iterator> m_cacheIndex;
    std::shared_ptr<ThumbnailCache> m_thumbnailCache;
    std::vector<std::jthread> m_workers;
};

// The image manager that also prepares images ahead of need, for a grid about to scroll.
class CachingImageManager : public ImageManager {
public:
    using ImageManager::ImageManager;

    void startCachingImagesForAssets(const std::vector<PhotoAsset>& assets, Size targetSize, ImageContentMode mode);
    void stopCachingImagesForAllAssets();
};

}
