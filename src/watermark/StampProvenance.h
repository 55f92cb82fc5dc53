#pragma once

#include <platform/foundation/Error.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace vd {

class ImageMetadata;

// Every stamped photo says in its XMP what made it: the content hash of its source photo and the
// hash of the logo and placement (the engine's stampHash). A batch run again over the same photos
// finds the ones already done by these, whatever the stamped files are called.
inline constexpr const char* kXmpSourceHash = "Xmp.vardenico.SourceHash";
inline constexpr const char* kXmpStampHash = "Xmp.vardenico.StampHash";

struct StampProvenance {
    std::string sourceHash;
    std::string stampHash;
};

void writeStampProvenance(ImageMetadata& metadata, const StampProvenance& provenance);
// The provenance of a stamped photo, read from its metadata only (no pixels are decoded); none
// for a file without it.
std::optional<StampProvenance> readStampProvenance(const std::filesystem::path& stamped);

// The stamped photos in an output folder, by what made them. Hidden files (the temporary files of
// a batch still writing) are not looked at.
class StampedTwins {
public:
    static StampedTwins inFolder(const std::filesystem::path& folder);

    // The stamped copy of the source with this content hash made with this logo and placement.
    std::optional<std::filesystem::path> find(const std::string& sourceHash, const std::string& stampHash) const;
    std::size_t size() const { return m_twins.size(); }

private:
    std::map<std::pair<std::string, std::string>, std::filesystem::path> m_twins;
};

// The check made before stamping a photo into outputFolder: its stamped twin with the same logo
// and placement, when one is already there. Fails only when the source cannot be read.
Result<std::optional<std::filesystem::path>> existingStampedTwin(const std::filesystem::path& source, const std::filesystem::path& outputFolder, const std::string& stampHash);

}
