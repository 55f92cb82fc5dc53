#include "ReviewSupport.h"

#include <CommandSupport.h>

#include <platform/foundation/ContentHash.h>
#include <watermark/BatchPlacements.h>

#include <nlohmann/json.hpp>

using namespace vd;
namespace fs = std::filesystem;

// The placement file keeps the common placement where a plain placement has it, so files saved
// before per-photo adjustments still read; adjustments are checked entry by entry, and a fault
// names the file and the entry.
TEST(BatchPlacementsFile, ReadsWhatItWritesAndRefusesBrokenAdjustmentsByName)
{
    BatchPlacements placements;
    placements.common.flags = { 0, 1, 0, 1 };
    placements.adapt = true;
    PlacementDescription own;
    own.flags = { 1, 0, 1, 0 };
    own.rotationDegrees = 15;
    placements.adjustments.push_back({ "IMG_3.jpg", "abc", own });
    const nlohmann::json written = placements.toJson();
    auto read = BatchPlacements::fromJson(written, "p.json");
    ASSERT_TRUE(read) << read.error().message;
    EXPECT_EQ(read->toJson(), written);
    ASSERT_NE(read->adjustmentFor("IMG_3.jpg", "abc"), nullptr);
    EXPECT_EQ(read->adjustmentFor("IMG_3.jpg", "abc")->placement.rotationDegrees, 15);
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
    const Image logo = test::opaqueLogo(40, Color::rgba(0, 0.85, 0.1));
    auto png = encodePng(logo);
    ASSERT_TRUE(png && files::writeAtomically(folder / "logo.png", *png));
    std::vector<std::string> photos;
    for (int i = 1; i <= 3; ++i) {
        photos.push_back((folder / ("IMG_" + std::to_string(i) + ".jpg")).string());
        test::writeUniformJpeg(photos.back(), 400 + 40 * i, 300, 0x808080);
    }
    // An IMG_2 in another folder has the same name but other content: it keeps the common placement.
    fs::create_directories(folder / "other");
    test::writeUniformJpeg(folder / "other" / "IMG_2.jpg", 500, 300, 0x808080);

    BatchPlacements placements;
    placements.common.flags = { 0, 1, 0, 1 };
    PlacementDescription topLeft;
    topLeft.flags = { 1, 0, 1, 0 };
    placements.adjustments.push_back({ "IMG_2.jpg", *ContentHash::ofFile(photos[1]), topLeft });
    placements.adjustments.push_back({ "gone.jpg", "0123", topLeft });
    ASSERT_TRUE(test::writeText(folder / "placement.json", placements.toJson().dump()));

    std::vector<std::string> arguments { "stamp", "--logo", (folder / "logo.png").string(), "--placement", (folder / "placement.json").string(), "--out", (folder / "out").string() };
    arguments.insert(arguments.end(), photos.begin(), photos.end());
    arguments.push_back((folder / "other" / "IMG_2.jpg").string());
    const auto outcome = test::runVardenico(arguments, options, folder / "run");
    ASSERT_EQ(outcome.status, 0) << outcome.errors;
    EXPECT_NE(outcome.errors.find("the adjustment for gone.jpg was ignored: that photo is not in the batch"), std::string::npos) << outcome.errors;
    EXPECT_EQ(outcome.errors.find("adjustment for IMG_2.jpg"), std::string::npos) << outcome.errors;

    auto edgesOf = [&](const std::string& name) { return review::greenEdges(test::decodeStored(folder / "out" / name)); };
    EXPECT_LT(edgesOf("IMG_2_vardenico.jpg").left, 40) << "the adjusted photo has its logo at the top left";
    EXPECT_LT(edgesOf("IMG_2_vardenico.jpg").top, 40);
    for (const char* name : { "IMG_1_vardenico.jpg", "IMG_3_vardenico.jpg", "IMG_2_vardenico_2.jpg" }) {
        SCOPED_TRACE(name);
        EXPECT_GT(edgesOf(name).left, 200);
        EXPECT_GT(edgesOf(name).top, 150);
    }

    // --adapt with a white logo on a white photo: a dark halo beside the logo.
    test::writeUniformJpeg(folder / "white.jpg", 300, 300, 0xFFFFFF);
    auto whiteLogo = encodePng(test::opaqueLogo(40, Color::rgba(1, 1, 1)));
    ASSERT_TRUE(whiteLogo && files::writeAtomically(folder / "white.png", *whiteLogo));
    const auto adapted = test::runVardenico({ "stamp", "--logo", (folder / "white.png").string(), "--adapt", "--out", (folder / "adapted").string(), (folder / "white.jpg").string() }, options, folder / "run");
    ASSERT_EQ(adapted.status, 0) << adapted.errors;
    const Image halo = test::decodeStored(folder / "adapted" / "white_vardenico.jpg");
    EXPECT_LT(halo.pixelAt(150 - 30 - 2, 150) & 0xFF, 100u) << "a dark halo just left of the centred 60-pixel logo";
    EXPECT_GT(halo.pixelAt(20, 150) & 0xFF, 240u);
}
