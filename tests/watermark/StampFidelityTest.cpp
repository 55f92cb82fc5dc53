#include "StampFixtures.h"

#include <TestSupport.h>

#include <platform/graphics/JpegCoefficients.h>

#include <gtest/gtest.h>

using namespace vd;
using namespace vd::test;

namespace {

Image greenLogo(double width, double height) { return paintedLogo(width, height, { { { 0, 0, width, height }, Color::rgba(0, 1, 0) } }); }

class StampFidelity : public ::testing::Test {
protected:
    TemporaryFolder folder;
};

}

TEST_F(StampFidelity, A300By100LogoComesOutThreeTimesAsWideAsTallInBothModes)
{
    const auto source = folder / "photo.jpg";
    writeSource(source, 600, 400, SourceStyle {});
    const StampEngine normal(greenLogo(300, 100), bottomRight(50)); // 200 × 66⅔ pixels
    const StampEngine lossless = losslessEngine(greenLogo(300, 100), bottomRight(50));
    for (const StampEngine* engine : { &normal, &lossless }) {
        SCOPED_TRACE(engine == &normal ? "normal" : "lossless");
        auto stamped = stampToFile(*engine, source, folder / "out.jpg");
        ASSERT_TRUE(stamped.has_value()) << stamped.error().message;
        EXPECT_DOUBLE_EQ(stamped->placement.width, 200);
        EXPECT_NEAR(stamped->placement.height, 66.67, 0.01);
        const Box box = greenBox(decodeStored(folder / "out.jpg"));
        EXPECT_NEAR(box.right, 600 - 11 - 1, 1);
        EXPECT_NEAR(box.bottom, 400 - 11 - 1, 1);
        EXPECT_NEAR(box.right - box.left + 1, 200, 1);
        EXPECT_NEAR(box.bottom - box.top + 1, 66.67, 1);
    }
}

TEST_F(StampFidelity, TheNormalModeEncodesAtQuality100AndTheLosslessModeKeepsTheSourcesTables)
{
    const auto source = folder / "photo.jpg";
    writeSource(source, 320, 240, { .quality = 75 });
    const StampEngine normal(greenLogo(50, 50), bottomRight(20));
    ASSERT_TRUE(stampToFile(normal, source, folder / "normal.jpg").has_value());
    auto written = JpegCoefficients::open(folder / "normal.jpg");
    ASSERT_TRUE(written.has_value());
    for (int c = 0; c < (*written)->componentCount(); ++c) {
        for (std::uint16_t step : (*written)->component(c).quantisation)
            EXPECT_EQ(step, 1) << "component " << c; // quality 100: every step is 1
        EXPECT_EQ((*written)->component(c).hSampling, 1); // 4:4:4
    }
    auto stamped = stampToFile(losslessEngine(greenLogo(50, 50), bottomRight(20)), source, folder / "lossless.jpg");
    ASSERT_TRUE(stamped.has_value());
    changedBlocks(source, folder / "lossless.jpg", *stamped); // the same tables, component by component
}

TEST_F(StampFidelity, ALogoTurnedBy30DegreesTurnsClockwiseOnTheUprightPhotoInBothModes)
{
    // A bar along the top of a transparent square: which way it tilts tells which way it turned.
    const Image topBar = paintedLogo(100, 100, { { { 0, 0, 100, 20 }, Color::rgba(0, 1, 0) } });
    const PlacementDescription placement { .sizePercent = 60, .rotationDegrees = 30 };
    const StampEngine normal(topBar, placement);
    const StampEngine lossless = losslessEngine(topBar, placement);
    const auto source = folder / "photo.jpg";
    for (int orientation : { 1, 6 }) {
        writeSource(source, 400, 300, SourceStyle {});
        setOrientation(source, orientation);
        for (const StampEngine* engine : { &normal, &lossless }) {
            SCOPED_TRACE(std::string(engine == &normal ? "normal" : "lossless") + ", orientation " + std::to_string(orientation));
            auto stamped = stampToFile(*engine, source, folder / "out.jpg");
            ASSERT_TRUE(stamped.has_value()) << stamped.error().message;
            const Image shown = engine == &normal ? decodeStored(folder / "out.jpg") : upright(decodeStored(folder / "out.jpg"), orientation);
            // Turned clockwise, the bar's left end rises and its right end sinks: its highest
            // pixel lies left of the centre and its lowest right of it.
            const int centre = shown.pixelWidth() / 2;
            int highestX = -1, lowestX = -1;
            for (int y = 0; y < shown.pixelHeight() && highestX < 0; ++y)
                for (int x = 0; x < shown.pixelWidth() && highestX < 0; ++x)
                    highestX = isLogoGreen(shown, x, y) ? x : -1;
            const Box box = greenBox(shown);
            for (int x = 0; x < shown.pixelWidth() && lowestX < 0; ++x)
                lowestX = isLogoGreen(shown, x, box.bottom) ? x : -1;
            ASSERT_GE(highestX, 0);
            EXPECT_LT(highestX, centre - 20);
            EXPECT_GT(lowestX, centre + 20);
        }
    }
}
