#pragma once

#include <platform/foundation/Error.h>
#include <platform/graphics/JpegCoefficients.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vd {

// A JPEG changed a few MCUs at a time without decoding or re-encoding the rest. The file's
// entropy-coded data is copied bit for bit except for the MCUs that were read and may have been
// changed: those are coded again with the file's own Huffman tables, and so is the MCU after each
// run of them (its DC difference refers to the changed one before it). No coefficient array of the
// whole picture is made, so time and memory barely depend on the photo's size beyond reading it.
//
// This works on baseline Huffman-coded files with one interleaved scan of every component (what
// cameras and most programs write), with or without restart markers. Anything else, and a
// file whose tables lack a code the changed blocks need, is left to JpegCoefficients.
class JpegSplice {
public:
    ~JpegSplice();
    JpegSplice(const JpegSplice&) = delete;
    JpegSplice& operator=(const JpegSplice&) = delete;

    // Reads the file and its headers; an unreadable or damaged header is an error naming the file.
    static Result<std::unique_ptr<JpegSplice>> open(const std::filesystem::path& path, std::int64_t maxPixels = 200'000'000);

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool isYCbCr() const { return m_ycbcr; }
    int bitsPerSample() const { return m_bits; }
    int componentCount() const { return static_cast<int>(m_components.size()); }
    const JpegComponentLayout& component(int index) const { return m_components[static_cast<size_t>(index)]; }
    int maxHSampling() const { return m_maxH; }
    int maxVSampling() const { return m_maxV; }
    int mcuColumns() const { return m_mcuColumns; }
    int mcuRows() const { return m_mcuRows; }

    // The file's bytes, as read.
    std::span<const std::uint8_t> bytes() const;

    // Whether the headers describe a file this class can change (see above).
    bool spliceable() const { return m_spliceable; }

    // Decodes the blocks of the given MCUs (raster indices: row × mcuColumns() + column, in
    // increasing order) and checks the whole scan. False when the scan holds something splicing
    // does not follow (another scan, restart markers out of step, a code no table knows, data that
    // ends early): JpegCoefficients then reads the file as libjpeg sees it.
    bool readMcus(const std::vector<int>& mcus);

    // The 64 coefficients of a block of a read MCU in natural order; null for any other block.
    std::int16_t* block(int component, int blockRow, int blockColumn);

    // Writes the JPEG into out with the read MCUs as they are now, and the metadata of options
    // in place of the file's. False with nothing written when the file's Huffman tables lack a
    // code the changed blocks need; an error when out cannot be written.
    Result<bool> write(std::FILE* out, const JpegCoefficients::WriteOptions& options);

private:
    struct State;
    JpegSplice(std::unique_ptr<State> state, std::string name);

    std::unique_ptr<State> m_state;
    std::string m_name;
    int m_width { 0 };
    int m_height { 0 };
    int m_bits { 8 };
    bool m_ycbcr { false };
    bool m_spliceable { false };
    int m_maxH { 1 };
    int m_maxV { 1 };
    int m_mcuColumns { 0 };
    int m_mcuRows { 0 };
    std::vector<JpegComponentLayout> m_components;
};

}
