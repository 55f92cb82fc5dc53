#pragma once

#include <platform/foundation/Error.h>

#include <cstdint>
#include <filesystem>
#include <span>

namespace vd {

class ImageMetadata;

// The old saved-photos writer: exact JPEG bytes with the given metadata become a new file in
// "Saved Photos", named after the source ("<stem>_vardenico.jpg", then _2, _3…), written under a
// temporary name, flushed and renamed; an existing file is never replaced.
class SavedPhotosWriter {
public:
    explicit SavedPhotosWriter(std::filesystem::path savedPhotosFolder);

    // The new file's path. Without metadata the bytes are written exactly as given.
    Result<std::filesystem::path> writeImageDataToSavedPhotosAlbum(std::span<const std::uint8_t> jpeg, const ImageMetadata* metadata, const std::filesystem::path& source);

private:
    std::filesystem::path m_folder;
};

}
