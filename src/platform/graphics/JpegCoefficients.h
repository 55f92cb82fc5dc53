#pragma once

#include <platform/foundation/Error.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace vd {

// One colour component of a JPEG as the file stores it.
struct JpegComponentLayout {
    int hSampling { 1 };      // sampling factors
    int vSampling { 1 };
    int widthInBlocks { 0 };  // blocks that hold picture data
    int heightInBlocks { 0 };
    std::array<std::uint16_t, 64> quantisation {}; // natural (row by row) order
};

// The quantised DCT coefficients of a JPEG, read without decoding the picture, changed block by
// block and written back with the same quantisation tables, sampling, scan mode (sequential or
// progressive), entropy coding (Huffman or arithmetic) and restart interval. Blocks left alone
// come out exactly as they went in: no generation loss.
class JpegCoefficients {
public:
    ~JpegCoefficients();
    JpegCoefficients(const JpegCoefficients&) = delete;
    JpegCoefficients& operator=(const JpegCoefficients&) = delete;

    static Result<std::unique_ptr<JpegCoefficients>> open(const std::filesystem::path& path, std::int64_t maxPixels = 200'000'000);

    int width() const { return m_width; }
    int height() const { return m_height; }
    // Three components stored as Y, Cb, Cr with 8-bit samples: the pictures whose blocks the
    // stamping can redraw.
    bool isYCbCr() const { return m_ycbcr; }
    int bitsPerSample() const { return m_bits; }
    bool isProgressive() const { return m_progressive; }
    bool isArithmetic() const { return m_arithmetic; }
    int restartInterval() const { return m_restartInterval; } // in MCUs; 0 when none
    int componentCount() const { return static_cast<int>(m_components.size()); }
    const JpegComponentLayout& component(int index) const { return m_components[static_cast<size_t>(index)]; }
    int maxHSampling() const { return m_maxH; }
    int maxVSampling() const { return m_maxV; }

    // The 64 coefficients of one block in natural order, to read or change. Blocks past the
    // picture's data up to the end of the last MCU exist too.
    std::int16_t* block(int component, int blockRow, int blockColumn);

    struct WriteOptions {
        std::vector<std::pair<int, std::vector<std::uint8_t>>> segments; // marker, bytes, after SOI
        std::vector<std::uint8_t> iccProfile;
    };
    // Writes the whole JPEG into out as it is encoded; on failure what reached out is the
    // caller's to discard.
    Result<void> write(std::FILE* out, const WriteOptions& options);
    // The same in memory.
    Result<std::vector<std::uint8_t>> write(const WriteOptions& options);

private:
    struct State;
    explicit JpegCoefficients(std::unique_ptr<State> state, std::string name);

    std::unique_ptr<State> m_state;
    std::string m_name;
    int m_width { 0 };
    int m_height { 0 };
    int m_bits { 8 };
    bool m_ycbcr { false };
    bool m_progressive { false };
    bool m_arithmetic { false };
    int m_restartInterval { 0 };
    int m_maxH { 1 };
    int m_maxV { 1 };
    std::vector<JpegComponentLayout> m_components;
};

}
