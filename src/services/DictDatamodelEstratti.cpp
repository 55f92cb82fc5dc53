#include <services/DictDatamodelEstratti.h>
#include <platform/foundation/Log.h>
#include <platform/graphics/ImageCodecs.h>

namespace vd {

void DictDatamodelEstratti::setMyImage(std::optional<Image> image)
{
    m_image = std::move(image);
    m_row.reset();
    m_decoded.reset();
}

void DictDatamodelEstratti::setStoredPicture(DictCoreData row, std::string where)
{
    if (m_image)
        m_decoded = m_image->sharedBuffer(); // reused while someone else still holds it
    m_image.reset();
    m_row = std::move(row);
    m_where = std::move(where);
}

bool DictDatamodelEstratti::hasImage() const { return m_image.has_value() || (m_row && m_row->hasMyImagePng()); }

std::optional<Image> DictDatamodelEstratti::myImage() const
{
    if (m_image)
        return m_image;
    if (!m_row || !m_row->hasMyImagePng())
        return std::nullopt;
    if (auto pixels = m_decoded.lock())
        return Image(std::move(pixels));
    auto bytes = m_row->myImagePng();
    if (!bytes || !*bytes) {
        log::warning(m_where + ": the stored picture cannot be read (" + (bytes ? std::string("absent") : bytes.error().message) + ")");
        return std::nullopt;
    }
    auto image = decodePng(**bytes, { .name = m_where + " picture" });
    if (!image) {
        log::warning(image.error().message);
        return std::nullopt;
    }
    m_decoded = image->sharedBuffer();
    return *image;
}

std::optional<std::pair<int, int>> DictDatamodelEstratti::imagePixelSize() const
{
    if (m_image)
        return std::pair { m_image->pixelWidth(), m_image->pixelHeight() };
    if (auto pixels = m_decoded.lock())
        return std::pair { pixels->width, pixels->height };
    if (!m_row || !m_row->hasMyImagePng())
        return std::nullopt;
    auto header = m_row->myImagePngHeader();
    // Signature, then the IHDR chunk: length, "IHDR", width and height as big-endian words.
    if (!header || header->size() < 24 || sniffFormat(*header) != ImageFormat::Png || std::string(header->begin() + 12, header->begin() + 16) != "IHDR")
        return std::nullopt;
    auto word = [&](size_t at) { return static_cast<int>((std::uint32_t((*header)[at]) << 24) | ((*header)[at + 1] << 16) | ((*header)[at + 2] << 8) | (*header)[at + 3]); };
    return std::pair { word(16), word(20) };
}

Result<std::vector<std::uint8_t>> DictDatamodelEstratti::imagePngData() const
{
    if (m_image)
        return encodePng(*m_image);
    if (!m_row || !m_row->hasMyImagePng())
        return fail(m_where.empty() ? std::string("logo") : m_where, "has no picture");
    auto bytes = m_row->myImagePng();
    if (!bytes)
        return std::unexpected(bytes.error());
    if (!*bytes)
        return fail(m_where, "has no picture");
    return std::move(**bytes);
}

}
