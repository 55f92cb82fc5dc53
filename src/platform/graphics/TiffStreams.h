#pragma once

#include <platform/foundation/Error.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace vd {

// Reads a TIFF's first page from its file a band of rows at a time (a strip's or a tile row's
// worth) as 8-bit RGB, so a scanner's 100-megapixel picture never has to be held whole. The
// colours are those decodeTiff gives, rows as stored (the Orientation tag is left to the caller,
// as for JPEG), alpha premultiplied and laid over the background colour. A damaged file is an
// error naming it.
class TiffReader {
public:
    ~TiffReader();
    TiffReader(const TiffReader&) = delete;
    TiffReader& operator=(const TiffReader&) = delete;

    static Result<std::unique_ptr<TiffReader>> open(const std::filesystem::path& path, std::int64_t maxPixels = 200'000'000);

    int width() const { return m_width; }
    int height() const { return m_height; }

    // Transparent parts are laid over this colour (0xRRGGBB) from the next band on.
    void setBackground(std::uint32_t rgb) { m_background = rgb; }
    // Whether a row read so far had a pixel that is not wholly opaque.
    bool sawTransparency() const { return m_sawTransparency; }

    // Reads up to count rows of width × 3 bytes each into rows (rows of stride bytes).
    Result<int> readRows(std::uint8_t* rows, std::size_t stride, int count);
    // Whether every row was read.
    Result<void> finish();

private:
    struct State;
    TiffReader(std::unique_ptr<State> state, std::string name);

    std::unique_ptr<State> m_state;
    std::string m_name;
    int m_width { 0 };
    int m_height { 0 };
    std::uint32_t m_background { 0 };
    bool m_sawTransparency { false };
};

}
