// Lossless stamping of baseline photos, whose untouched MCUs are copied as coded: wherever the
// logo lies (first MCU, last MCU, whole rows), however the file is coded (restart intervals that
// end mid-row, Huffman tables with only the codes the photo used), the result decodes without a
// single warning and keeps every block outside the logo's MCUs.

#include "StampFixtures.h"

#include <TestSupport.h>

#include <platform/foundation/Files.h>
#include <platform/graphics/JpegCoefficients.h>
#include <platform/graphics/JpegSplice.h>
#include <watermark/StampEngine.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <jpeglib.h>

using namespace vd;
using namespace vd::test;

namespace {

class LosslessSplice : public ::testing::Test {
protected:
    vd::test::TemporaryFolder folder;
};

// libjpeg's own count of what it found wrong while decoding the whole file (corrupt data,
// extraneous bytes, a restart marker out of place…).
int decodingWarnings(const std::filesystem::path& path)
{
    jpeg_decompress_struct cinfo {};
    jpeg_error_mgr error {};
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_decompress(&cinfo);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    std::vector<std::uint8_t> row(static_cast<size_t>(cinfo.output_width) * cinfo.output_components);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW pointer = row.data();
        jpeg_read_scanlines(&cinfo, &pointer, 1);
    }
    jpeg_finish_decompress(&cinfo);
    const int warnings = static_cast<int>(error.num_warnings);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);
    return warnings;
}

PlacementDescription corner(bool left, bool top, double sizePercent)
{
    PlacementDescription placement;
    placement.flags = { left ? 1.0 : 0.0, left ? 0.0 : 1.0, top ? 1.0 : 0.0, top ? 0.0 : 1.0 };
    placement.sizePercent = sizePercent;
    placement.marginPixels = 0;
    return placement;
}

}

TEST_F(LosslessSplice, EveryLogoPositionAndCodingKeepsTheOtherBlocksAndDecodesCleanly)
{
    const Image logo = vd::test::opaqueLogo(80, Color::rgba(0, 1, 0));
    struct Position {
        const char* label;
        int width, height;
        PlacementDescription placement;
    };
    // 163 × 245 with a logo as wide as the photo: every row of MCUs it covers is changed from
    // edge to edge, so runs of changed MCUs wrap from one row to the next.
    const Position positions[] = {
        { "top left, the first MCU", 203, 157, corner(true, true, 25) },
        { "bottom right, the last MCU", 203, 157, corner(false, false, 25) },
        { "whole rows", 163, 245, corner(true, false, 100) },
    };
    SourceStyle plain, restarts, optimised, both, wide;
    restarts.restartMcus = 3;
    optimised.optimizeCoding = true;
    both.restartMcus = 5;
    both.optimizeCoding = true;
    wide.hSampling = 1;
    wide.vSampling = 1;
    wide.restartMcus = 7;
    const std::pair<const char*, SourceStyle> styles[] = {
        { "4:2:0", plain }, { "restart every 3 MCUs", restarts }, { "own Huffman tables", optimised }, { "both", both }, { "4:4:4, restart every 7", wide },
    };
    for (const Position& position : positions)
        for (const auto& [label, style] : styles) {
            SCOPED_TRACE(std::string(position.label) + ", " + label);
            const auto source = folder / "photo.jpg";
            writeSource(source, position.width, position.height, style);
            const StampEngine engine = losslessEngine(logo, position.placement);
            auto stamped = stampToFile(engine, source, folder / "out.jpg");
            ASSERT_TRUE(stamped.has_value()) << stamped.error().message;
            EXPECT_TRUE(stamped->lossless);
            EXPECT_TRUE(stamped->notice.empty()) << stamped->notice;
            EXPECT_EQ(decodingWarnings(folder / "out.jpg"), 0);

            auto in = JpegCoefficients::open(source);
            auto out = JpegCoefficients::open(folder / "out.jpg");
            ASSERT_TRUE(in.has_value() && out.has_value());
            EXPECT_EQ((*out)->restartInterval(), (*in)->restartInterval());
            const auto& region = stamped->redrawn;
            int differingOutside = 0, differingInside = 0;
            for (int c = 0; c < 3; ++c) {
                const JpegComponentLayout& layout = (*out)->component(c);
                const int blockWidth = 8 * (*out)->maxHSampling() / layout.hSampling;
                const int blockHeight = 8 * (*out)->maxVSampling() / layout.vSampling;
                for (int by = 0; by < layout.heightInBlocks; ++by)
                    for (int bx = 0; bx < layout.widthInBlocks; ++bx) {
                        const bool inside = bx * blockWidth >= region.x && bx * blockWidth < region.x + region.width
                            && by * blockHeight >= region.y && by * blockHeight < region.y + region.height;
                        const bool same = std::equal((*out)->block(c, by, bx), (*out)->block(c, by, bx) + 64, (*in)->block(c, by, bx));
                        (inside ? differingInside : differingOutside) += same ? 0 : 1;
                    }
            }
            EXPECT_EQ(differingOutside, 0);
            EXPECT_GT(differingInside, 0);

            const Box box = greenBox(decodeStored(folder / "out.jpg"));
            EXPECT_NEAR(box.right - box.left + 1, stamped->placement.width, 2);
            EXPECT_NEAR(box.bottom - box.top + 1, stamped->placement.height, 2);
            EXPECT_NEAR(box.left, stamped->placement.x, 1);
            EXPECT_NEAR(box.top, stamped->placement.y, 1);
        }
}

TEST_F(LosslessSplice, KeepsTheSourcesSizeAndRefusesDamagedData)
{
    const StampEngine engine = losslessEngine(vd::test::opaqueLogo(60, Color::rgba(0, 1, 0)), bottomRight(10));
    const auto source = folder / "photo.jpg";
    SourceStyle style;
    style.quality = 95;
    writeSource(source, 1600, 1200, style);
    auto stamped = stampToFile(engine, source, folder / "out.jpg");
    ASSERT_TRUE(stamped.has_value()) << stamped.error().message;
    // Only the logo's MCUs are coded again, so the file hardly changes in size.
    const double ratio = static_cast<double>(std::filesystem::file_size(folder / "out.jpg")) / static_cast<double>(std::filesystem::file_size(source));
    EXPECT_NEAR(ratio, 1.0, 0.005);

    // Data that ends early, or that holds a code no table knows, is an error naming the file.
    auto bytes = files::readAll(source);
    ASSERT_TRUE(bytes.has_value());
    const auto truncated = folder / "truncated.jpg";
    ASSERT_TRUE(files::writeAtomically(truncated, std::span(bytes->data(), bytes->size() * 2 / 3)).has_value());
    stamped = stampToFile(engine, truncated, folder / "out.jpg");
    ASSERT_FALSE(stamped.has_value());
    EXPECT_NE(stamped.error().message.find("truncated.jpg"), std::string::npos) << stamped.error().message;
    EXPECT_NE(stamped.error().message.find("ends early"), std::string::npos) << stamped.error().message;
}

// Only the MCUs under the logo are decoded to their coefficients; every other one is passed over
// as fast as it can be. Wherever an MCU lies after a run of passed-over ones, its coefficients
// are the ones libjpeg decodes, whatever the quality (quality 100 fills blocks to their last
// coefficient), tables and restart intervals: a single bit lost while passing over shows.
TEST_F(LosslessSplice, TheMcusReadAreTheOnesLibjpegDecodesWhereverTheyLie)
{
    SourceStyle plain, best, restarts, optimised, wide;
    best.quality = 100;
    best.optimizeCoding = true;
    restarts.quality = 98;
    restarts.restartMcus = 4;
    optimised.optimizeCoding = true;
    wide.hSampling = 1;
    wide.vSampling = 1;
    wide.quality = 100;
    const std::pair<const char*, SourceStyle> styles[] = {
        { "4:2:0", plain }, { "quality 100, own tables", best }, { "restart every 4 MCUs", restarts }, { "own tables", optimised }, { "4:4:4, quality 100", wide },
    };
    for (const auto& [label, style] : styles) {
        SCOPED_TRACE(label);
        const auto source = folder / "photo.jpg";
        writeSource(source, 203, 157, style);
        auto splice = JpegSplice::open(source);
        auto whole = JpegCoefficients::open(source);
        ASSERT_TRUE(splice.has_value() && whole.has_value());
        JpegSplice& jpeg = **splice;
        ASSERT_TRUE(jpeg.spliceable());
        const int total = jpeg.mcuColumns() * jpeg.mcuRows();
        const std::vector<int> mcus { 0, total / 3, total / 2 + 1, total - 1 };
        ASSERT_TRUE(jpeg.readMcus(mcus));
        int blocks = 0, differing = 0;
        for (const int mcu : mcus)
            for (int c = 0; c < 3; ++c) {
                const JpegComponentLayout& layout = jpeg.component(c);
                for (int by = 0; by < layout.vSampling; ++by)
                    for (int bx = 0; bx < layout.hSampling; ++bx) {
                        const int row = mcu / jpeg.mcuColumns() * layout.vSampling + by;
                        const int column = mcu % jpeg.mcuColumns() * layout.hSampling + bx;
                        const std::int16_t* read = jpeg.block(c, row, column);
                        ASSERT_NE(read, nullptr);
                        ++blocks;
                        differing += std::equal(read, read + 64, (*whole)->block(c, row, column)) ? 0 : 1;
                    }
            }
        EXPECT_EQ(differing, 0) << "of " << blocks << " blocks";
        EXPECT_EQ(jpeg.block(0, 1, jpeg.mcuColumns() * jpeg.component(0).hSampling / 2), nullptr) << "a block not asked for";
    }
}
