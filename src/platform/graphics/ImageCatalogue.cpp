#include <platform/graphics/ImageCatalogue.h>

#include <platform/foundation/Log.h>
#include <platform/foundation/Paths.h>
#include <platform/graphics/ImageCodecs.h>

#include <filesystem>
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

Image imageNamed(const std::string& name)
{
    static std::mutex mutex;
    static std::map<std::string, Image> cache;
    std::lock_guard lock(mutex);
    if (auto it = cache.find(name); it != cache.end())
        return it->second;
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
    cache.emplace(name, image);
    return image;
}

}
