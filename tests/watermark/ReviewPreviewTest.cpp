#include "StampFixtures.h"

#include <watermark/BatchPlacements.h>

using namespace vd;
namespace fs = std::filesystem;

namespace {

constexpr int kCell = 120;

// The picture scaled to fit a square cell of side pixels, as the grid's thumbnails are.
Image thumbnail(const Image& photo, int side)
{
    const double scale = std::min(double(side) / photo.pixelWidth(), double(side) / photo.pixelHeight());
    const Size size(std::round(photo.pixelWidth() * scale), std::round(photo.pixelHeight() * scale));
    DrawingContext context(size, DrawingContext::Opacity::Opaque, 1.0);
    context.drawImage(photo, { 0, 0, size.width, size.height });
    return context.takeImage();
}

// Bottom right, 10 preview points in from both edges, as a person leaves it on the apply screen.
PlacementDescription common(double rotation)
{
    return { .flags = { 0, 1, 0, 1 }, .margins = { 0, 10, 0, 10 }, .rotationDegrees = rotation };
}
// Dragged to the top left and made larger on one photo only.
const PlacementDescription kTopLeft { .flags = { 1, 0, 1, 0 }, .margins = { 4, 0, 6, 0 }, .sizePercent = 30, .stickerFrameWidth = 150 };

}

// For every shape of photo, turned or not, common placement or its own, the logo found in the grid
// cell and the one found in the stamped output agree within one cell pixel.
TEST(ReviewGrid, EveryCellShowsTheLogoWhereTheStampedPhotoHasIt)
{
    const std::tuple<const char*, int, int> shapes[] = { { "4x3", 800, 600 }, { "3x4", 600, 800 }, { "1x1", 600, 600 }, { "3x1", 900, 300 }, { "1x3", 300, 900 }, { "16x9", 960, 540 } };
    test::TemporaryFolder folder;
    const Image logo = test::opaqueLogo(64, Color::rgba(0, 0.85, 0.1));

    for (double rotation : { 0.0, 30.0 })
        for (const auto& [name, width, height] : shapes) {
            const fs::path photo = folder / (std::string(name) + ".jpg");
            test::writeUniformJpeg(photo, width, height, 0x808080);
            // Every photo but the square one gets an adjustment of its own in the turned round.
            BatchPlacements placements;
            placements.common = common(rotation);
            const bool adjusted = rotation != 0.0 && width != height;
            if (adjusted)
                placements.adjustments.push_back({ photo.filename().string(), *ContentHash::ofFile(photo), kTopLeft });
            placements.adjustments.push_back({ photo.filename().string(), "another content", common(90) });
            const PlacementEngines engines(logo, placements, {});
            const auto engine = engines.engineFor(photo);
            ASSERT_EQ(engine == engines.common(), !adjusted) << name;

            const fs::path stamped = folder / (std::string(name) + "-stamped.jpg");
            auto result = test::stampToFile(*engine, photo, stamped);
            ASSERT_TRUE(result) << result.error().message;

            const Image cell = engine->previewOn(thumbnail(test::decodeStored(photo), kCell), width, height);
            const double scale = double(cell.pixelWidth()) / width;
            const Rect inOutput = test::greenBox(test::decodeStored(stamped)), inCell = test::greenBox(cell);
            const LogoPlacement placed = engine->placementOn(width, height);
            SCOPED_TRACE(std::string(name) + (rotation != 0.0 ? " turned" : "") + (adjusted ? " adjusted" : ""));
            ASSERT_FALSE(inOutput.isEmpty() || inCell.isEmpty());
            for (const auto& [inCellEdge, inOutputEdge] : { std::pair { inCell.minX(), inOutput.minX() }, { inCell.minY(), inOutput.minY() }, { inCell.maxX(), inOutput.maxX() }, { inCell.maxY(), inOutput.maxY() } })
                EXPECT_NEAR(inCellEdge, inOutputEdge * scale, 1.0);
            // And where the one placement rule said it would be, on the photo itself.
            EXPECT_NEAR(inOutput.minX(), placed.x, 3.0);
            EXPECT_NEAR(inOutput.maxY(), placed.y + placed.height, 3.0);
            EXPECT_EQ(inOutput.minX() < width / 4.0 && inOutput.minY() < height / 4.0, adjusted);
            EXPECT_EQ(inOutput.minX() > width / 2.0 && inOutput.minY() > height / 2.0, !adjusted);
        }
}

// Adapting: a logo standing out less than 3:1 from the photo gets a halo of the contrasting tone,
// on the stamped photo and its grid cell alike; a readable one none; without adapting, nothing.
TEST(AdaptHalo, ALogoTooCloseToThePhotoGetsAHaloOfTheContrastingTone)
{
    // Logo and photo colours, whether adapting, and the halo's tone.
    const std::tuple<const char*, std::uint32_t, std::uint32_t, bool, HaloTone> cases[] = {
        { "white on white", 0xFFFFFF, 0xFFFFFF, true, HaloTone::Dark },
        { "black on black", 0x000000, 0x000000, true, HaloTone::Light },
        { "dark grey on black", 0x202020, 0x000000, true, HaloTone::Light },
        { "white on mid-grey", 0xFFFFFF, 0x808080, true, HaloTone::None },
        { "white on white, not adapting", 0xFFFFFF, 0xFFFFFF, false, HaloTone::None },
    };
    test::TemporaryFolder folder;
    auto brightness = [](std::uint32_t pixel) { return int((pixel >> 16) & 0xFF) + int((pixel >> 8) & 0xFF) + int(pixel & 0xFF); };
    for (const auto& [name, logoColour, photoColour, adapt, expected] : cases) {
        SCOPED_TRACE(name);
        const fs::path photo = folder / "photo.jpg";
        test::writeUniformJpeg(photo, 600, 400, photoColour);
        const Color colour = Color::rgba(((logoColour >> 16) & 0xFF) / 255.0, ((logoColour >> 8) & 0xFF) / 255.0, (logoColour & 0xFF) / 255.0);
        const StampEngine engine(test::opaqueLogo(50, colour), {}, { .adapt = adapt }); // centred, 20 % of the short side
        const Image source = test::decodeStored(photo);
        EXPECT_EQ(engine.haloToneOn(source, 600, 400), expected);

        const fs::path stamped = folder / "stamped.jpg";
        auto result = test::stampToFile(engine, photo, stamped);
        ASSERT_TRUE(result) << result.error().message;
        const Image output = test::decodeStored(stamped);
        const Image cell = engine.previewOn(thumbnail(source, 300), 600, 400);
        // Just outside the logo's left edge, and far from it.
        const int beside = int(std::floor(result->placement.x)) - 2;
        const int photoLevel = brightness(photoColour);
        for (const auto& [picture, scale] : { std::pair { output, 1.0 }, std::pair { cell, 0.5 } }) {
            const int near = brightness(picture.pixelAt(int(beside * scale), int(200 * scale)));
            const int far = brightness(picture.pixelAt(int(20 * scale), int(200 * scale)));
            EXPECT_NEAR(far, photoLevel, 24) << "the photo away from the logo is untouched";
            switch (expected) {
            case HaloTone::Dark: EXPECT_LT(near, photoLevel - 200) << "scale " << scale; break;
            case HaloTone::Light: EXPECT_GT(near, photoLevel + 200) << "scale " << scale; break;
            case HaloTone::None: EXPECT_NEAR(near, photoLevel, 24) << "scale " << scale; break;
            }
        }
    }
}

// The common placement sits where a plain placement file has it, so older files still read;
// adjustments are checked entry by entry, a fault naming the file and the entry.
TEST(BatchPlacementsFile, ReadsWhatItWritesAndRefusesBrokenAdjustmentsByName)
{
    const BatchPlacements placements { .common = common(0), .adapt = true, .adjustments = { { "IMG_3.jpg", "abc", { .flags = { 1, 0, 1, 0 }, .rotationDegrees = 15 } } } };
    const nlohmann::json written = placements.toJson();
    auto read = BatchPlacements::fromJson(written, "p.json");
    ASSERT_TRUE(read) << read.error().message;
    EXPECT_EQ(read->toJson(), written);
    ASSERT_NE(read->adjustmentFor("IMG_3.jpg", "abc"), nullptr);
    EXPECT_EQ(read->adjustmentFor("IMG_3.jpg", "other content"), nullptr);
    EXPECT_EQ(read->adjustmentFor("IMG_4.jpg", "abc"), nullptr);

    auto plain = BatchPlacements::fromJson(placements.common.toJson(), "old.json");
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->adapt);
    EXPECT_TRUE(plain->adjustments.empty());

    const std::pair<const char*, const char*> broken[] = {
        { R"({"adapt": "yes"})", "\"adapt\" must be true or false" },
        { R"({"photos": {}})", "\"photos\" must be a list" },
        { R"({"photos": [{"name": "a.jpg", "placement": {}}]})", "photos[0]: \"hash\" must be a non-empty string" },
        { R"({"photos": [{"name": "x/a.jpg", "hash": "h", "placement": {}}]})", "without a folder" },
        { R"({"photos": [{"name": "a.jpg", "hash": "h"}]})", "\"placement\" is missing" },
        { R"({"photos": [{"name": "a.jpg", "hash": "h", "placement": {"opacity": 2}}]})", "(a.jpg): \"opacity\" 2 is out of range" },
        { R"({"photos": [{"name": "a.jpg", "hash": "h", "placement": {}}, {"name": "a.jpg", "hash": "h", "placement": {}}]})", "photos[1]: a second adjustment for a.jpg" },
    };
    for (const auto& [text, reason] : broken) {
        auto refused = BatchPlacements::fromJson(nlohmann::json::parse(text), "p.json");
        ASSERT_FALSE(refused) << text;
        EXPECT_NE(refused.error().message.find("p.json"), std::string::npos) << refused.error().message;
        EXPECT_NE(refused.error().message.find(reason), std::string::npos) << refused.error().message;
    }
}

// `vardenico stamp --placement` stamps each photo with its own adjustment and the rest with the
// common placement, says which adjustments found no photo, and --adapt turns the halo on.
TEST(BatchPlacementsFile, TheCommandLineAppliesEachAdjustmentToItsPhotoOnly)
{
    test::TemporaryFolder folder;
    test::CommandOptions options;
    options.home = folder / "home";
    ASSERT_TRUE(files::writeAtomically(folder / "logo.png", *encodePng(test::opaqueLogo(40, Color::rgba(0, 0.85, 0.1)))));
    std::vector<std::string> arguments { "stamp", "--logo", (folder / "logo.png").string(), "--adapt", "--placement", (folder / "placement.json").string(), "--out", (folder / "out").string() };
    for (int i = 1; i <= 3; ++i) {
        arguments.push_back((folder / ("IMG_" + std::to_string(i) + ".jpg")).string());
        test::writeUniformJpeg(arguments.back(), 400 + 40 * i, 300, 0x808080);
    }
    // On a white photo the green logo stands out too little: a dark halo beside it.
    arguments.push_back((folder / "white.jpg").string());
    test::writeUniformJpeg(arguments.back(), 500, 300, 0xFFFFFF);
    const BatchPlacements placements { .common = common(0), .adjustments = { { "IMG_2.jpg", *ContentHash::ofFile(folder / "IMG_2.jpg"), kTopLeft }, { "gone.jpg", "0123", kTopLeft } } };
    ASSERT_TRUE(test::writeText(folder / "placement.json", placements.toJson().dump()));
    const auto outcome = test::runVardenico(arguments, options, folder / "run");
    ASSERT_EQ(outcome.status, 0) << outcome.errors;
    EXPECT_NE(outcome.errors.find("the adjustment for gone.jpg was ignored: that photo is not in the batch"), std::string::npos) << outcome.errors;
    EXPECT_EQ(outcome.errors.find("adjustment for IMG_2.jpg"), std::string::npos) << outcome.errors;

    auto edgesOf = [&](const std::string& name) { return test::greenBox(test::decodeStored(folder / "out" / name)); };
    // The adjusted photo has its logo at the top left, the others at the bottom right.
    for (const std::string name : { "IMG_1", "IMG_2", "IMG_3", "white" }) {
        const Rect logo = edgesOf(name + "_vardenico.jpg");
        EXPECT_TRUE(name == "IMG_2" ? logo.x() < 40 && logo.y() < 40 : logo.x() > 200 && logo.y() > 150) << name;
    }
    const Rect logo = edgesOf("white_vardenico.jpg");
    const Image halo = test::decodeStored(folder / "out" / "white_vardenico.jpg");
    EXPECT_LT(halo.pixelAt(int(logo.x()) - 2, int(logo.midY())) & 0xFF, 200u) << "a dark halo just left of the logo";
    EXPECT_GT(halo.pixelAt(20, 150) & 0xFF, 240u);
}
