#include <platform/graphics/ColorList.h>

#include <platform/foundation/Files.h>
#include <platform/foundation/Log.h>
#include <platform/foundation/Paths.h>

#include <nlohmann/json.hpp>

namespace vd {

namespace {

// The list is a few kilobytes; anything much larger is not a colour list.
constexpr std::uintmax_t kMaxColorListBytes = 1 << 20;

}

std::vector<std::string> loadColorList()
{
    return loadColorList(paths::resourcesDirectory() / "Colors.json");
}

std::vector<std::string> loadColorList(const std::filesystem::path& file)
{
    auto bytes = files::readAll(file, kMaxColorListBytes);
    if (!bytes) {
        log::warning("no colour list: " + bytes.error().message);
        return {};
    }
    const auto json = nlohmann::json::parse(bytes->begin(), bytes->end(), nullptr, false);
    if (json.is_discarded() || !json.is_array()) {
        log::warning("no colour list: " + file.string() + ": not a JSON array of colour codes");
        return {};
    }
    std::vector<std::string> codes;
    codes.reserve(json.size());
    size_t skipped = 0;
    for (const auto& entry : json) {
        if (entry.is_string())
            codes.push_back(entry.get<std::string>());
        else
            ++skipped;
    }
    if (skipped > 0)
        log::warning(file.string() + ": " + std::to_string(skipped) + " entries that are not colour codes left out");
    return codes;
}

}
