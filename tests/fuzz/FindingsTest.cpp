#include <platform/graphics/ImageCodecs.h>
#include <platform/graphics/JpegCoefficients.h>
#include <platform/graphics/JpegStreams.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

// What the readers answer to the inputs that once broke them (kept in the corpus): a clear error
// or a sound reading, never a crash, a hang or gigabytes of memory.
namespace vd {
namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = VARDENICO_FUZZ_CORPUS;

std::vector<std::uint8_t> corpusFile(const char* target, const char* name)
{
    std::ifstream stream(kCorpus / target / name, std::ios::binary);
    return { std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>() };
}

TEST(FuzzFindings, AnEmptyJpegIsRefusedByTheRowReader)
{
    const std::vector<std::uint8_t> none;
    auto reader = JpegReader::fromBytes(none, "empty.jpg", {});
    ASSERT_FALSE(reader);
    EXPECT_NE(reader.error().message.find("empty.jpg: not a readable JPEG"), std::string::npos) << reader.error().message;
}

TEST(FuzzFindings, APngChunkLongerThanTheFileIsDamageNotAnAllocation)
{
    const auto bytes = corpusFile("png_decoder", "slow-text-chunk-claims-1gb.png");
    ASSERT_GT(bytes.size(), 100u);
    auto image = decodePng(bytes, { .name = "claims.png" });
    ASSERT_FALSE(image);
    EXPECT_NE(image.error().message.find("claims.png: damaged PNG (the tEXt chunk claims"), std::string::npos) << image.error().message;

    // The same check leaves whole pictures alone.
    auto good = decodePng(corpusFile("png_decoder", "interlaced.png"));
    ASSERT_TRUE(good) << good.error().message;
    EXPECT_EQ(good->buffer()->width, 9);
}

TEST(FuzzFindings, BlocksThatNoScanReachedCanBeChangedInAnyOrder)
{
    // A progressive JPEG whose scans end early: the stamp changes blocks where the logo lies,
    // anywhere in the picture, and writes the whole picture back.
    auto coefficients = JpegCoefficients::open(kCorpus / "jpeg_coefficients" / "crash-progressive-scans-end-early.jpg");
    ASSERT_TRUE(coefficients) << coefficients.error().message;
    JpegCoefficients& jpeg = **coefficients;
    ASSERT_EQ(jpeg.componentCount(), 3);
    const JpegComponentLayout& chroma = jpeg.component(2);
    std::int16_t* last = jpeg.block(2, chroma.heightInBlocks - 1, chroma.widthInBlocks - 1);
    EXPECT_EQ(last[0], 0) << "a block no scan reached reads as zero";
    last[0] = 5;
    jpeg.block(0, 0, 0)[0] += 1;
    auto written = jpeg.write({});
    ASSERT_TRUE(written) << written.error().message;
    auto decoded = decodeJpeg(*written);
    ASSERT_TRUE(decoded) << decoded.error().message;
    EXPECT_EQ(decoded->buffer()->width, jpeg.width());
}

}
}
