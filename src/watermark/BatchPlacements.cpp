#include <watermark/BatchPlacements.h>

#include <platform/foundation/ContentHash.h>

#include <nlohmann/json.hpp>

namespace vd {

Result<BatchPlacements> BatchPlacements::fromJson(const nlohmann::json& json, const std::string& where)
{
    auto common = PlacementDescription::fromJson(json, where);
    if (!common)
        return std::unexpected(common.error());
    BatchPlacements placements;
    placements.common = *common;
    if (json.contains("adapt")) {
        if (!json.at("adapt").is_boolean())
            return fail(where, "\"adapt\" must be true or false");
        placements.adapt = json.at("adapt").get<bool>();
    }
    if (!json.contains("photos"))
        return placements;
    const auto& photos = json.at("photos");
    if (!photos.is_array())
        return fail(where, "\"photos\" must be a list of adjustments");
    for (size_t i = 0; i < photos.size(); ++i) {
        const auto& entry = photos[i];
        const std::string at = where + ": photos[" + std::to_string(i) + "]";
        if (!entry.is_object())
            return fail(at, "an adjustment must be a JSON object");
        for (const char* key : { "name", "hash" })
            if (!entry.contains(key) || !entry.at(key).is_string() || entry.at(key).get<std::string>().empty())
                return fail(at, std::string("\"") + key + "\" must be a non-empty string");
        PhotoAdjustment adjustment;
        adjustment.name = entry.at("name").get<std::string>();
        adjustment.hash = entry.at("hash").get<std::string>();
        // A name with a folder in it could never match a photo: photos are known by file name.
        if (adjustment.name.find('/') != std::string::npos || adjustment.name == "." || adjustment.name == "..")
            return fail(at, "\"name\" must be a file name, without a folder");
        if (!entry.contains("placement"))
            return fail(at, "\"placement\" is missing");
        auto placement = PlacementDescription::fromJson(entry.at("placement"), at + " (" + adjustment.name + ")");
        if (!placement)
            return std::unexpected(placement.error());
        adjustment.placement = *placement;
        if (placements.adjustmentFor(adjustment.name, adjustment.hash))
            return fail(at, "a second adjustment for " + adjustment.name);
        placements.adjustments.push_back(std::move(adjustment));
    }
    return placements;
}

nlohmann::json BatchPlacements::toJson() const
{
    nlohmann::json json = common.toJson();
    json["adapt"] = adapt;
    if (!adjustments.empty()) {
        json["photos"] = nlohmann::json::array();
        for (const auto& adjustment : adjustments)
            json["photos"].push_back({ { "name", adjustment.name }, { "hash", adjustment.hash }, { "placement", adjustment.placement.toJson() } });
    }
    return json;
}

const PhotoAdjustment* BatchPlacements::adjustmentFor(const std::string& name, const std::string& hash) const
{
    for (const auto& adjustment : adjustments)
        if (adjustment.name == name && adjustment.hash == hash)
            return &adjustment;
    return nullptr;
}

PlacementEngines::PlacementEngines(const Image& logo, const BatchPlacements& placements, StampEngineOptions options)
    : m_adjustments(placements.adjustments)
    , m_used(placements.adjustments.size(), false)
{
    options.adapt = placements.adapt;
    auto common = std::make_shared<StampEngine>(logo, placements.common, options);
    common->startHashing(); // while the first photos are read
    m_common = std::move(common);
    for (const auto& adjustment : m_adjustments)
        m_engines.push_back(std::make_shared<const StampEngine>(logo, adjustment.placement, options));
}

std::shared_ptr<const StampEngine> PlacementEngines::engineFor(const std::filesystem::path& photo) const
{
    const std::string name = photo.filename().string();
    bool named = false;
    for (const auto& adjustment : m_adjustments)
        named = named || adjustment.name == name;
    if (!named)
        return m_common;
    // A photo that cannot be read gets the common engine, which then reports why it failed.
    auto hash = ContentHash::ofFile(photo);
    if (!hash)
        return m_common;
    for (size_t i = 0; i < m_adjustments.size(); ++i)
        if (m_adjustments[i].name == name && m_adjustments[i].hash == *hash) {
            std::lock_guard lock(m_mutex);
            m_used[i] = true;
            return m_engines[i];
        }
    return m_common;
}

std::vector<std::string> PlacementEngines::unusedAdjustments() const
{
    std::lock_guard lock(m_mutex);
    std::vector<std::string> unused;
    for (size_t i = 0; i < m_adjustments.size(); ++i)
        if (!m_used[i])
            unused.push_back(m_adjustments[i].name);
    return unused;
}

}
