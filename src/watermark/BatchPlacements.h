#pragma once

#include <watermark/StampEngine.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

namespace vd {

// One photo's own placement, kept by the photo's file name and content hash, so that it follows
// that photo and never lands on another one that happens to share its name.
struct PhotoAdjustment {
    std::string name; // the photo's file name, without its folder
    std::string hash; // ContentHash of the photo's bytes
    PlacementDescription placement;
};

// What "Save placement" writes and `vardenico stamp --placement` reads: the common placement (its
// keys at the top level, so a file with nothing else is a plain placement), whether the logo
// adapts to each photo, and the per-photo adjustments under "photos".
struct BatchPlacements {
    PlacementDescription common;
    bool adapt { false };
    std::vector<PhotoAdjustment> adjustments;

    // Every value is checked; errors name the file and, for an adjustment, its photo.
    static Result<BatchPlacements> fromJson(const nlohmann::json& json, const std::string& where);
    nlohmann::json toJson() const;
    // The adjustment for the photo with this file name and content hash; null when it has none.
    const PhotoAdjustment* adjustmentFor(const std::string& name, const std::string& hash) const;
};

// The engines of a batch whose photos may have placements of their own: one for the common
// placement and one per adjustment, the logo turned once for each. engineFor may be called from
// several worker threads at once.
class PlacementEngines {
public:
    PlacementEngines(const Image& logo, const BatchPlacements& placements, StampEngineOptions options);

    const std::shared_ptr<const StampEngine>& common() const { return m_common; }
    // The engine for the photo at path: its adjustment's when it has one, the common one otherwise.
    // A photo is hashed only when an adjustment carries its file name.
    std::shared_ptr<const StampEngine> engineFor(const std::filesystem::path& photo) const;
    // The adjustments no photo asked for so far, by file name, in the file's order.
    std::vector<std::string> unusedAdjustments() const;

private:
    std::vector<PhotoAdjustment> m_adjustments;
    std::shared_ptr<const StampEngine> m_common;
    std::vector<std::shared_ptr<const StampEngine>> m_engines; // one per adjustment
    mutable std::mutex m_mutex;
    mutable std::vector<bool> m_used;
};

}
