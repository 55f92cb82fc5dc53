#pragma once

#include <platform/foundation/Error.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vd {

// Reads a JPEG row by row as 8-bit RGB, so a caller can hold a few rows instead of the picture.
// Grayscale and CMYK pictures come out as RGB too. A truncated stream is an error, not grey rows.
class JpegReader {
public:
    struct Options {
        std::int64_t maxPixels { 200'000'000 }; // larger pictures are refused before decoding
        int scaleDenominator { 1 };             // 1, 2, 4 or 8: DCT scaling, decoding at 1/n size
        bool fastDct { false };                 // faster, slightly less exact decoding (thumbnails)
        // When set, picks the denominator from the stored width and height once they are known.
        std::function<int(int width, int height)> chooseScaleDenominator;
    };

    ~JpegReader();
    JpegReader(const JpegReader&) = delete;
    JpegReader& operator=(const JpegReader&) = delete;

    static Result<std::unique_ptr<JpegReader>> open(const std::filesystem::path& path, const Options& options);
    static Result<std::unique_ptr<JpegReader>> open(const std::filesystem::path& path) { return open(path, Options {}); }
    // The bytes must outlive the reader.
    static Result<std::unique_ptr<JpegReader>> fromBytes(std::span<const std::uint8_t> bytes, const std::string& name, const Options& options);

    int width() const;  // of the output rows, after DCT scaling
    int height() const;
    int sourceWidth() const { return m_sourceWidth; }
    int sourceHeight() const { return m_sourceHeight; }
    int rowsRead() const;
    bool isCmyk() const { return m_cmyk; }

    // Reads up to count rows of width × 3 bytes each into rows (rows of stride bytes).
    Result<int> readRows(std::uint8_t* rows, std::size_t stride, int count);
    // Checks the end of the stream after the last row.
    Result<void> finish();

private:
    struct State;
    JpegReader(std::unique_ptr<State> state, std::string name);
    Result<void> start(const Options& options);

    std::unique_ptr<State> m_state;
    std::string m_name;
    int m_sourceWidth { 0 };
    int m_sourceHeight { 0 };
    bool m_cmyk { false };
    std::vector<std::uint8_t> m_cmykRow;
};

// Writes a JPEG row by row from 8-bit RGB into an open file, with metadata segments after SOI.
class JpegWriter {
public:
    struct Options {
        int quality { 100 };
        bool subsample420 { false }; // 4:4:4 keeps a logo's coloured edges sharp
        bool subsample422 { false }; // halves the colour's width only
        std::vector<std::pair<int, std::vector<std::uint8_t>>> segments; // marker, bytes
        std::vector<std::uint8_t> iccProfile;
    };

    ~JpegWriter();
    JpegWriter(const JpegWriter&) = delete;
    JpegWriter& operator=(const JpegWriter&) = delete;

    // The file stays the caller's; the writer only appends to it.
    static Result<std::unique_ptr<JpegWriter>> start(std::FILE* file, int width, int height, const Options& options, const std::string& name);

    Result<void> writeRows(const std::uint8_t* rows, std::size_t stride, int count);
    Result<void> finish(); // after the last row

private:
    struct State;
    JpegWriter(std::unique_ptr<State> state, std::string name);

    std::unique_ptr<State> m_state;
    std::string m_name;
};

}
