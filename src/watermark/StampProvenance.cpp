#include <watermark/StampProvenance.h>

#include <platform/foundation/ContentHash.h>
#include <platform/graphics/ImageMetadata.h>
#include <platform/photos/PendingFile.h>

#include <algorithm>
#include <cctype>

namespace vd {

void writeStampProvenance(ImageMetadata& metadata, const StampProvenance& provenance)
{
    metadata.setXmpValue(kXmpSourceHash, provenance.sourceHash);
    metadata.setXmpValue(kXmpStampHash, provenance.stampHash);
    if (!provenance.sourceName.empty())
        metadata.setXmpValue(kXmpSourceName, provenance.sourceName);
}

std::string batchSourceName(const std::filesystem::path& source, const std::filesystem::path& inputsFolder)
{
    std::error_code error;
    std::filesystem::path whole = source.is_absolute() ? source : std::filesystem::absolute(source, error);
    if (error)
        whole = source;
    whole = whole.lexically_normal();
    const std::filesystem::path folder = inputsFolder.empty() ? std::filesystem::current_path(error) : inputsFolder.is_absolute() ? inputsFolder : std::filesystem::absolute(inputsFolder, error);
    const std::filesystem::path relative = whole.lexically_relative(folder.lexically_normal());
    if (!error && !relative.empty() && *relative.begin() != ".." && relative != ".")
        return relative.generic_string();
    return whole.generic_string();
}

bool isStampedCopyOf(const StampProvenance& provenance, const std::string& savedName, const std::string& sourceName, const std::string& sourceHash, const std::string& stampHash)
{
    if (provenance.sourceHash != sourceHash || provenance.stampHash != stampHash)
        return false;
    if (!provenance.sourceName.empty())
        return provenance.sourceName == sourceName;
    return savedName == stampedFileStem(sourceName) + ".jpg";
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
    return StampProvenance { *source, *stamp, metadata->xmpValue(kXmpSourceName).value_or("") };
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
        auto provenance = readStampProvenance(it->path());
        if (!provenance)
            continue;
        if (provenance->sourceName.empty())
            twins.m_unnamed.emplace(std::pair { provenance->sourceHash, provenance->stampHash }, it->path());
        else
            twins.m_named.emplace(std::tuple { provenance->sourceName, provenance->sourceHash, provenance->stampHash }, it->path());
    }
    return twins;
}

std::optional<std::filesystem::path> StampedTwins::find(const std::string& sourceName, const std::string& sourceHash, const std::string& stampHash) const
{
    if (auto found = m_named.find({ sourceName, sourceHash, stampHash }); found != m_named.end())
        return found->second;
    auto [from, to] = m_unnamed.equal_range({ sourceHash, stampHash });
    for (auto it = from; it != to; ++it)
        if (isStampedCopyOf({ sourceHash, stampHash, {} }, it->second.filename().string(), sourceName, sourceHash, stampHash))
            return it->second;
    return std::nullopt;
}

Result<std::optional<std::filesystem::path>> existingStampedTwin(const std::filesystem::path& source, const std::filesystem::path& inputsFolder, const std::filesystem::path& outputFolder, const std::string& stampHash)
{
    auto hash = ContentHash::ofFile(source);
    if (!hash)
        return std::unexpected(hash.error());
    return StampedTwins::inFolder(outputFolder).find(batchSourceName(source, inputsFolder), *hash, stampHash);
}

}
