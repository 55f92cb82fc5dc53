#include "StampFixtures.h"

#include <TestSupport.h>

#include <platform/graphics/ImageMetadata.h>
#include <platform/graphics/JpegCoefficients.h>
#include <watermark/StampEngine.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <jpeglib.h>

using namespace vd;
using namespace vd::test;

namespace {

class LosslessStamp : public ::testing::Test {
protected:
    TemporaryFolder folder;
};

}

TEST_F(LosslessStamp, KeepsEveryBlockOutsideTheLogoAndPlacesTheLogoAsTheNormalModeForEveryOrientationAndSampling)
{
    const Image logo = vd::test::opaqueLogo(90, Color::rgba(0, 1, 0));
    const StampEngine lossless = losslessEngine(logo, bottomRight(30));
    const StampEngine normal(logo, bottomRight(30));
    // 203 × 157: the last block row and column are partial whatever the sampling.
    for (auto [h, v] : { std::pair { 2, 2 }, std::pair { 2, 1 }, std::pair { 1, 1 } }) {
        const auto base = folder / "base.jpg";
        writeSource(base, 203, 157, { .hSampling = h, .vSampling = v });
        const Image sourcePixels = decodeStored(base);
        for (int orientation = 1; orientation <= 8; ++orientation) {
            SCOPED_TRACE("sampling " + std::to_string(h) + "×" + std::to_string(v) + ", orientation " + std::to_string(orientation));
            const auto source = folder / "photo.jpg";
            std::filesystem::copy_file(base, source, std::filesystem::copy_options::overwrite_existing);
            setOrientation(source, orientation);
            auto stamped = stampToFile(lossless, source, folder / "lossless.jpg");
            ASSERT_TRUE(stamped.has_value()) << stamped.error().message;
            EXPECT_TRUE(stamped->lossless);
            EXPECT_TRUE(stamped->notice.empty()) << stamped->notice;
            const auto& region = stamped->redrawn;
            ASSERT_GT(region.width, 0);
            // Bit for bit: every coefficient block outside the redrawn MCUs is the source's.
            const BlockChanges changes = changedBlocks(base, folder / "lossless.jpg", *stamped, 1);
            EXPECT_EQ(changes.outside, 0);
            EXPECT_GT(changes.inside, 0);

            // Decoded: every pixel outside the redrawn MCUs and the one pixel the decoder's chroma
            // smoothing reaches across their edge equals the source's decode.
            const Image out = decodeStored(folder / "lossless.jpg");
            ASSERT_EQ(out.pixelWidth(), 203);
            ASSERT_EQ(out.pixelHeight(), 157);
            int differingPixels = 0;
            for (int y = 0; y < 157; ++y)
                for (int x = 0; x < 203; ++x) {
                    const bool near = x >= region.x - 1 && x <= region.x + region.width && y >= region.y - 1 && y <= region.y + region.height;
                    if (!near && out.pixelAt(x, y) != sourcePixels.pixelAt(x, y))
                        ++differingPixels;
                }
            EXPECT_EQ(differingPixels, 0);

            // The Orientation tag stays, and a viewer shows the logo where the normal mode puts it.
            auto metadata = ImageMetadata::readFromFile(folder / "lossless.jpg");
            ASSERT_TRUE(metadata.has_value());
            EXPECT_EQ(metadata->orientation(), orientation);
            EXPECT_EQ(metadata->exifValue("Exif.Image.Software"), std::optional<std::string>(kStampSoftware));
            EXPECT_EQ(metadata->exifValue("Exif.Image.Make"), std::optional<std::string>("Test Camera"));
            ASSERT_TRUE(stampToFile(normal, source, folder / "normal.jpg").has_value());
            const Box expected = greenBox(decodeStored(folder / "normal.jpg"));
            const Box got = greenBox(upright(out, orientation));
            ASSERT_GE(expected.right, 0);
            EXPECT_NEAR(got.left, expected.left, 1);
            EXPECT_NEAR(got.right, expected.right, 1);
            EXPECT_NEAR(got.top, expected.top, 1);
            EXPECT_NEAR(got.bottom, expected.bottom, 1);
        }
    }
}

TEST_F(LosslessStamp, KeepsTheSourcesSizeAndWorksOnProgressiveRestartAndArithmeticSources)
{
    const Image logo = vd::test::opaqueLogo(60, Color::rgba(0, 1, 0));
    const StampEngine lossless = losslessEngine(logo, bottomRight(10));
    const std::pair<const char*, SourceStyle> styles[] = { { "baseline", {} }, { "progressive", { .progressive = true } }, { "restart markers", { .restartRows = 2 } }, { "arithmetic", { .arithmetic = true } } };
    for (const auto& [label, style] : styles) {
        SCOPED_TRACE(label);
        const auto source = folder / "photo.jpg";
        writeSource(source, 1200, 901, style);
        auto stamped = stampToFile(lossless, source, folder / "out.jpg");
        ASSERT_TRUE(stamped.has_value()) << stamped.error().message;
        EXPECT_TRUE(stamped->lossless);
        EXPECT_NEAR(double(std::filesystem::file_size(folder / "out.jpg")) / double(std::filesystem::file_size(source)), 1.0, 0.02);
        auto in = JpegCoefficients::open(source);
        auto out = JpegCoefficients::open(folder / "out.jpg");
        ASSERT_TRUE(in.has_value() && out.has_value());
        EXPECT_EQ((*out)->isProgressive(), style.progressive);
        EXPECT_EQ((*out)->isArithmetic(), style.arithmetic);
        EXPECT_EQ((*out)->restartInterval(), (*in)->restartInterval());
        // The top left block is far from the logo.
        EXPECT_TRUE(std::equal((*out)->block(0, 0, 0), (*out)->block(0, 0, 0) + 64, (*in)->block(0, 0, 0)));
        const Box box = greenBox(decodeStored(folder / "out.jpg"));
        EXPECT_NEAR(box.right, 1200 - 11 - 1, 1);
        EXPECT_NEAR(box.bottom, 901 - 11 - 1, 1);
    }
}

TEST_F(LosslessStamp, PhotosItCannotStampLosslesslyGetTheNormalModeWithANotice)
{
    const StampEngine lossless = losslessEngine(vd::test::opaqueLogo(60, Color::rgba(0, 1, 0)), bottomRight(20));
    writeSource(folder / "grey.jpg", 200, 150, { .greyscale = true });
    setOrientation(folder / "grey.jpg", 6);
    auto stamped = stampToFile(lossless, folder / "grey.jpg", folder / "out.jpg");
    ASSERT_TRUE(stamped.has_value()) << stamped.error().message;
    EXPECT_FALSE(stamped->lossless);
    EXPECT_NE(stamped->notice.find("greyscale"), std::string::npos) << stamped->notice;
    EXPECT_NE(stamped->notice.find("normal mode"), std::string::npos) << stamped->notice;
    EXPECT_EQ(decodeStored(folder / "out.jpg").pixelWidth(), 150); // turned upright as usual
    EXPECT_EQ(ImageMetadata::readFromFile(folder / "out.jpg")->orientation(), 1);

    auto png = encodePng(vd::test::opaqueLogo(50, Color::rgba(0, 0, 1)));
    ASSERT_TRUE(files::writeAtomically(folder / "photo.png", *png).has_value());
    stamped = stampToFile(lossless, folder / "photo.png", folder / "out.jpg");
    ASSERT_TRUE(stamped.has_value()) << stamped.error().message;
    EXPECT_FALSE(stamped->lossless);
    EXPECT_NE(stamped->notice.find("JPEG"), std::string::npos) << stamped->notice;

    // A damaged JPEG is an error naming the file, not a silent fallback.
    writeText(folder / "broken.jpg", "\xff\xd8\xff\xe0 not really a JPEG");
    stamped = stampToFile(lossless, folder / "broken.jpg", folder / "out.jpg");
    ASSERT_FALSE(stamped.has_value());
    EXPECT_NE(stamped.error().message.find("broken.jpg"), std::string::npos);
}
