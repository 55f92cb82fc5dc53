#include <watermark/StampProvenance.h>

#include <platform/foundation/ContentHash.h>
#include <platform/graphics/ImageMetadata.h>

#include <algorithm>
#include <cctype>

namespace vd {

void writeStampProvenance(ImageMetadata& metadata, const StampProvenance& provenance)
{
    metadata.setXmpValue(kXmpSourceHash, provenance.sourceHash);
    metadata.setXmpValue(kXmpStampHash, provenance.stampHash);
}

std::optional<StampProvenance> readStampProvenance(const std::filesystem::path& stamped)
{
    auto metadata = ImageMetadata::readFromFile(stamped);
    if (!metadata)
        return std::nullopt;
    auto source = metadata->xmpValue(kXmpSourceHash);
    auto stamp = metadata->xmpValue(kXmpStampHash);
    if (!source || !stamp || source->empty() || stamp->empty())
        return std::nullopt;
    return StampProvenance { *source, *stamp };
}

namespace {

// The extensions the stamped copies are written with, in every output format.
bool isStampedCopyExtension(const std::string& extension)
{
    for (const char* known : { ".jpg", ".jpeg", ".png", ".webp", ".avif", ".heic", ".tif" })
        if (extension == known)
            return true;
    return false;
}

}

StampedTwins StampedTwins::inFolder(const std::filesystem::path& folder)
{
    StampedTwins twins;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error); !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        std::string extension = it->path().extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        std::error_code ignored;
        if (name.empty() || name.front() == '.' || !isStampedCopyExtension(extension) || !it->is_regular_file(ignored))
            continue;
        if (auto provenance = readStampProvenance(it->path()))
            twins.m_twins.emplace(std::pair { provenance->sourceHash, provenance->stampHash }, it->path());
    }
    return twins;
}

std::optional<std::filesystem::path> StampedTwins::find(const std::string& sourceHash, const std::string& stampHash) const
{
    auto found = m_twins.find({ sourceHash, stampHash });
    if (found == m_twins.end())
        return std::nullopt;
    return found->second;
}

Result<std::optional<std::filesystem::path>> existingStampedTwin(const std::filesystem::path& source, const std::filesystem::path& outputFolder, const std::string& stampHash)
{
    auto hash = ContentHash::ofFile(source);
    if (!hash)
        return std::unexpected(hash.error());
    return StampedTwins::inFolder(outputFolder).find(*hash, stampHash);
}

}
