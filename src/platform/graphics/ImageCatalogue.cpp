#include <platform/graphics/ImageCatalogue.h>

#include <platform/foundation/Log.h>
#include <platform/foundation/Paths.h>
#include <platform/graphics/ImageCodecs.h>

#include <filesystem>
#include <list>
#include <map>
#include <mutex>
#include <optional>

namespace vd {

namespace fs = std::filesystem;

namespace {

struct Located {
    fs::path file;
    double scale { 1 };
};

std::optional<Located> locate(const std::string& name)
{
    const fs::path folder = paths::resourcesDirectory() / "images";
    std::string stem = name;
    if (stem.size() > 4 && stem.ends_with(".png"))
        stem.resize(stem.size() - 4);
    if (stem.empty() || stem.find('/') != std::string::npos || stem.find("..") != std::string::npos)
        return std::nullopt;
    std::error_code error;
    for (const auto& [suffix, scale] : { std::pair { "@3x", 3.0 }, std::pair { "@2x", 2.0 }, std::pair { "", 1.0 } }) {
        const fs::path file = folder / (stem + suffix + ".png");
        if (fs::is_regular_file(file, error))
            return Located { file, scale };
    }
    return std::nullopt;
}

}

bool imageExists(const std::string& name) { return locate(name).has_value(); }

namespace {

// Decoded pictures are kept up to this many bytes of pixels, least recently used dropped first: the
// palettes alone hold 123 pictures of 600 × 600 pixels (about 177 MB decoded). Pictures in use stay
// alive through their own shared pixels.
constexpr size_t kCacheBudgetBytes = size_t(64) << 20;

size_t pixelBytes(const Image& image)
{
    return static_cast<size_t>(image.pixelWidth()) * image.pixelHeight() * 4;
}

struct Cache {
    std::mutex mutex;
    std::list<std::pair<std::string, Image>> entries; // most recently used first
    std::map<std::string, std::list<std::pair<std::string, Image>>::iterator> index;
    size_t bytes { 0 };
};

}

Image imageNamed(const std::string& name)
{
    static Cache cache;
    std::lock_guard lock(cache.mutex);
    if (auto it = cache.index.find(name); it != cache.index.end()) {
        cache.entries.splice(cache.entries.begin(), cache.entries, it->second);
        return it->second->second;
    }
    Image image;
    if (auto located = locate(name)) {
        auto decoded = decodeImageFile(located->file, { .scale = located->scale });
        if (decoded)
            image = decoded->withName(name);
        else
            log::warning(decoded.error().message);
    } else {
        log::debug("no picture named " + name);
    }
    cache.entries.emplace_front(name, image);
    cache.index[name] = cache.entries.begin();
    cache.bytes += pixelBytes(image);
    while (cache.bytes > kCacheBudgetBytes && cache.entries.size() > 1) {
        const auto& [oldName, oldImage] = cache.entries.back();
        cache.bytes -= pixelBytes(oldImage);
        cache.index.erase(oldName);
        cache.entries.pop_back();
    }
    return image;
}

}
