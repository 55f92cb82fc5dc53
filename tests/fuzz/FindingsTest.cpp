#include <platform/foundation/Files.h>
#include <platform/graphics/ImageCodecs.h>
#include <platform/graphics/JpegCoefficients.h>
#include <platform/graphics/JpegStreams.h>

#include <algorithm>
#include <gtest/gtest.h>

#include <filesystem>

// What the readers answer to the inputs that once broke them (kept in the corpus): a clear error
// or a sound reading, never a crash, a hang or gigabytes of memory.
namespace vd {
namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = VARDENICO_FUZZ_CORPUS;

std::vector<std::uint8_t> corpusFile(const char* target, const char* name) { return files::readAll(kCorpus / target / name).value(); }

TEST(FuzzFindings, AnEmptyJpegIsRefusedAndAPngChunkLongerThanTheFileIsDamageNotAnAllocation)
{
    auto reader = JpegReader::fromBytes({}, "empty.jpg", {});
    EXPECT_TRUE(!reader && reader.error().message.contains("empty.jpg: not a readable JPEG")) << (reader ? "read" : reader.error().message);

    auto image = decodePng(corpusFile("png_decoder", "slow-text-chunk-claims-1gb.png"), { .name = "claims.png" });
    EXPECT_TRUE(!image && image.error().message.contains("claims.png: damaged PNG (the tEXt chunk claims")) << (image ? "read" : image.error().message);

    // The same check leaves whole pictures alone.
    EXPECT_EQ(decodePng(corpusFile("png_decoder", "interlaced.png")).value().buffer()->width, 9);

    // A picture cut short in its last data chunk (a broken download) is named for what it is, even
    // when the chunk claims only a little more than the file holds.
    auto cut = corpusFile("png_decoder", "interlaced.png");
    const std::string idat = "IDAT";
    const auto at = std::search(cut.begin(), cut.end(), idat.begin(), idat.end()) - cut.begin() - 4;
    ASSERT_GT(at, 0);
    // One byte more than the file holds after the chunk's header, its CRC included.
    const auto claimed = static_cast<std::uint32_t>(cut.size() - static_cast<std::size_t>(at) - 11);
    ASSERT_GT(claimed, (std::uint32_t(cut[at + 2]) << 8) | cut[at + 3]) << "a chunk that claims more than it holds";
    for (int i = 0; i < 4; ++i)
        cut[at + i] = static_cast<std::uint8_t>(claimed >> (24 - 8 * i));
    auto shortened = decodePng(cut, { .name = "cut.png" });
    EXPECT_TRUE(!shortened && shortened.error().message.contains("cut.png: damaged PNG (the IDAT chunk claims")) << (shortened ? "read" : shortened.error().message);
}

TEST(FuzzFindings, BlocksThatNoScanReachedCanBeChangedInAnyOrderAndAMissingTableIsDamage)
{
    // Progressive JPEGs whose scans end after the first component's (one row of blocks, and five):
    // the stamp changes blocks where the logo lies, anywhere in the picture, and writes the whole
    // picture back.
    for (const char* name : { "progressive-only-first-component-scanned.jpg", "progressive-only-first-component-scanned-five-rows.jpg" }) {
        SCOPED_TRACE(name);
        auto coefficients = JpegCoefficients::open(kCorpus / "jpeg_coefficients" / name);
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
        EXPECT_EQ(decodeJpeg(*written).value().buffer()->width, jpeg.width());
    }
    // The fuzzer's file also names a table it never defines: refused when opened, naming the file.
    const auto path = kCorpus / "jpeg_coefficients" / "crash-progressive-scans-end-early.jpg";
    auto coefficients = JpegCoefficients::open(path);
    EXPECT_TRUE(!coefficients && coefficients.error().message.contains(path.string() + ": damaged JPEG (component 2 has no quantisation table)")) << (coefficients ? "read" : coefficients.error().message);
}

TEST(FuzzFindings, AnOverlayCanvasLargerThanItsPictureAndAnEmptyAvifAreDamage)
{
    // A picture stored as 24×16, made of an overlay whose own header claims a 28781×24832 canvas
    // (2 GB): refused before that canvas is made, naming the file.
    auto overlay = decodeHeif(corpusFile("heif_decoder", "crash-oom-overlay-canvas-claims-gigabytes.heic"), { .name = "canvas.heic" });
    ASSERT_FALSE(overlay);
    EXPECT_TRUE(overlay.error().message.contains("canvas.heic: damaged HEIF (") && overlay.error().message.contains("exceeds the maximum image size 1024x1024")) << overlay.error().message;

    // An AV1 item and configuration both empty, so the AV1 decoder is handed nothing to read.
    auto empty = decodeHeif(corpusFile("heif_decoder", "crash-leak-av1-item-without-data.avif"), { .name = "empty.avif" });
    EXPECT_TRUE(!empty && empty.error().message.contains("empty.avif: damaged HEIF (")) << (empty ? "read" : empty.error().message);

    // Whole pictures of both codecs still read at their stored size.
    for (const char* name : { "seed.heic", "seed-alpha.avif" }) {
        SCOPED_TRACE(name);
        const auto bytes = corpusFile("heif_decoder", name);
        auto whole = decodeHeif(bytes);
        ASSERT_TRUE(whole) << whole.error().message;
        EXPECT_EQ(std::pair(whole->buffer()->width, whole->buffer()->height), heifShownSize(bytes));
    }
}
}
}
