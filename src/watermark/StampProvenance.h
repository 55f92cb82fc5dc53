#pragma once

#include <platform/foundation/Error.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>

namespace vd {

class ImageMetadata;

// Every stamped photo says in its XMP what made it: the name of its source photo (relative to the
// batch's inputs), the content hash of that photo and the hash of the logo and placement (the
// engine's stampHash). A batch run again over the same photos finds the ones already done by
// these, whatever the stamped files are called; byte-identical photos are told apart by name.
inline constexpr const char* kXmpSourceHash = "Xmp.vardenico.SourceHash";
inline constexpr const char* kXmpStampHash = "Xmp.vardenico.StampHash";
inline constexpr const char* kXmpSourceName = "Xmp.vardenico.SourceName";

struct StampProvenance {
    std::string sourceHash;
    std::string stampHash;
    std::string sourceName; // empty in copies stamped before names were recorded
};

// The name a batch records for a source: its path relative to the folder the batch's inputs are
// named from (the photo library's folder for the app; the working folder when inputsFolder is
// empty, as for the command line), or the whole path for one outside it. Only the spelling counts: links are not followed, so
// every machine that sees a shared folder at the same place names its photos the same.
std::string batchSourceName(const std::filesystem::path& source, const std::filesystem::path& inputsFolder);

void writeStampProvenance(ImageMetadata& metadata, const StampProvenance& provenance);
// The provenance of a stamped photo, read from its metadata only (no pixels are decoded); none
// for a file without it.
std::optional<StampProvenance> readStampProvenance(const std::filesystem::path& stamped);

// Whether a stamped copy with this provenance, saved under this file name, is the copy of the
// source named sourceName with content sourceHash, made by stampHash. A copy made before names
// were recorded counts when its content hash matches and it bears the name the batch gives the
// source's first copy.
bool isStampedCopyOf(const StampProvenance& provenance, const std::string& savedName, const std::string& sourceName, const std::string& sourceHash, const std::string& stampHash);

// The stamped photos in an output folder, by what made them. Hidden files (the temporary files and
// claims of a batch still writing) are not looked at.
class StampedTwins {
public:
    static StampedTwins inFolder(const std::filesystem::path& folder);

    // The stamped copy of this source (by name and content) made with this logo and placement.
    std::optional<std::filesystem::path> find(const std::string& sourceName, const std::string& sourceHash, const std::string& stampHash) const;
    std::size_t size() const { return m_named.size() + m_unnamed.size(); }

private:
    std::map<std::tuple<std::string, std::string, std::string>, std::filesystem::path> m_named;
    std::multimap<std::pair<std::string, std::string>, std::filesystem::path> m_unnamed; // older copies
};

// The check made before stamping a photo into outputFolder: its stamped copy with the same logo
// and placement, when one is already there. Fails only when the source cannot be read.
Result<std::optional<std::filesystem::path>> existingStampedTwin(const std::filesystem::path& source, const std::filesystem::path& inputsFolder, const std::filesystem::path& outputFolder, const std::string& stampHash);

}
