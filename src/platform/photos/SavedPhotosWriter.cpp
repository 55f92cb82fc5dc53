#include <platform/photos/SavedPhotosWriter.h>

#include <platform/graphics/ImageMetadata.h>
#include <platform/photos/PendingFile.h>

namespace vd {

SavedPhotosWriter::SavedPhotosWriter(std::filesystem::path savedPhotosFolder)
    : m_folder(std::move(savedPhotosFolder))
{
}

Result<std::filesystem::path> SavedPhotosWriter::writeImageDataToSavedPhotosAlbum(std::span<const std::uint8_t> jpeg, const ImageMetadata* metadata, const std::filesystem::path& source)
{
    std::vector<std::uint8_t> withMetadata;
    if (metadata) {
        auto embedded = metadata->embedInJpeg(jpeg);
        if (!embedded)
            return std::unexpected(embedded.error());
        withMetadata = std::move(*embedded);
        jpeg = withMetadata;
    }
    auto file = PendingFile::create(m_folder);
    if (!file)
        return std::unexpected(file.error());
    if (std::fwrite(jpeg.data(), 1, jpeg.size(), file->stream()) != jpeg.size())
        return fail(m_folder.string(), "cannot write the photo");
    return file->commit(stampedFileStem(source), ".jpg");
}

}
