#pragma once

#include <platform/foundation/Error.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace vd {

// Reads a PNG row by row as 8-bit RGB, so a caller holds a few rows instead of the picture. The
// colours are those decodePng gives, premultiplied by their alpha as it stores them: transparent
// parts come out black, or over the background colour when one is set. A damaged or truncated
// file is an error naming it.
class PngReader {
public:
    ~PngReader();
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;

    // No reader (and no error) for a picture that can only be decoded whole the way decodePng
    // decodes it: interlaced, 16 bits a sample, or a gamma other than sRGB's.
    static Result<std::unique_ptr<PngReader>> open(const std::filesystem::path& path, std::int64_t maxPixels = 200'000'000);

    int width() const { return m_width; }
    int height() const { return m_height; }

    // Transparent parts are laid over this colour (0xRRGGBB) from the next row on.
    void setBackground(std::uint32_t rgb) { m_background = rgb; }
    // Whether a row read so far had a pixel that is not wholly opaque.
    bool sawTransparency() const { return m_sawTransparency; }

    // Reads up to count rows of width × 3 bytes each into rows (rows of stride bytes).
    Result<int> readRows(std::uint8_t* rows, std::size_t stride, int count);
    // Checks the end of the file after the last row.
    Result<void> finish();

private:
    struct State;
    PngReader(std::unique_ptr<State> state, std::string name);

    std::unique_ptr<State> m_state;
    std::string m_name;
    int m_width { 0 };
    int m_height { 0 };
    std::uint32_t m_background { 0 };
    bool m_sawTransparency { false };
};

}
