// The whole road through the program, one automation script walked on each device kind, from a fresh data
// folder and in Italian: tutorial, home (with a stay in the background on each), the editor, save,
// the saved logo's preview, home, the photo browser, the gallery as a picker, the apply screen,
// applying and the saved panel. The same script is the headless tour of ./run.sh. Checked
// afterwards: the dumps along the way, the logo store, the user defaults, the analytics file and
// the stamped photos; then a second launch of the same folder.

#include <E2ESupport.h>
#include <PhotoFixtures.h>

#include <platform/graphics/ImageCodecs.h>
#include <platform/graphics/ImageMetadata.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <set>

namespace vd {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

std::string textOf(const json& dump, const std::string& name)
{
    const json* node = test::findNamed(dump, name);
    return node ? node->value("text", "") : "<absent>";
}

double alphaOf(const json& dump, const std::string& name)
{
    const json* node = test::findNamed(dump, name);
    return node ? node->value("alpha", 1.0) : -1;
}

bool spins(const json& dump, const std::string& name)
{
    const json* node = test::findNamed(dump, name);
    return node && node->contains("animations");
}

// Four photos made from the sample picture, each a little brighter, photo-4 the newest by the date
// the camera wrote; the files' own dates run the other way.
constexpr int kPhotos = 4;

class Road : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        fs::create_directories(home());
        fs::create_directories(pictures() / "Holidays");
        auto sample = decodeImageFile(fs::path(VARDENICO_RESOURCES_DIR) / "samples" / "sample-picture.png");
        ASSERT_TRUE(sample) << sample.error().message;
        for (int n = 1; n <= kPhotos; ++n) {
            const auto path = source(n);
            test::writeJpeg(path, sample->pixelWidth(), sample->pixelHeight(), [&](int x, int y) {
                const std::uint32_t rgb = test::rgbAt(*sample, x, y);
                std::uint32_t out = 0;
                for (int shift : { 0, 8, 16 })
                    out |= static_cast<std::uint32_t>(std::min(255, static_cast<int>((rgb >> shift) & 0xff) + 8 * n)) << shift;
                return out;
            });
            test::editMetadata(path, [n](Exiv2::Image& image) {
                image.exifData()["Exif.Image.Make"] = "Vardenico Test Camera";
                image.exifData()["Exif.Photo.DateTimeOriginal"] = "2021:06:0" + std::to_string(n) + " 10:00:00";
            });
            fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(24 * n));
        }
    }

    fs::path home() const { return folder / "data"; }
    fs::path pictures() const { return folder / "Pictures"; }
    fs::path source(int n) const { return pictures() / "Holidays" / ("photo-" + std::to_string(n) + ".jpg"); }
    std::string environment() const { return "VARDENICO_HOME='" + home().string() + "' VARDENICO_PHOTOS='" + pictures().string() + "' VARDENICO_LANG=it VARDENICO_LOG=debug"; }
    test::AppRun run(const std::string& script, const std::string& out) const
    {
        return test::runApp("--headless --device " + GetParam() + " --script " + script + " --out '" + (folder / out).string() + "'", folder.path(), environment());
    }
    json dump(const std::string& name) const { return test::readJson(folder / "road" / (name + ".json")); }

    test::TemporaryFolder folder;
};

TEST_P(Road, FromAFreshDataFolderToStampedPhotosAndBackStraightHome)
{
    const auto walked = run(std::string(VARDENICO_ROAD_SCRIPTS) + "/road.txt", "road");
    ASSERT_EQ(walked.status, 0) << walked.errors;

    // Every screen along the road sits inside the window: nothing it shows is cut.
    for (const auto& entry : fs::directory_iterator(folder / "road")) {
        if (entry.path().extension() == ".json") {
            EXPECT_EQ(test::viewsCutByWindow(test::readJson(entry.path())), std::vector<std::string>()) << entry.path().stem().string();
        }
    }

    // The tutorial first, its consent dialog in the person's language, START, then home with the
    // update notice once; the circles of both turn, stop in the background and turn again on return.
    EXPECT_NE(walked.errors.find("home did load"), std::string::npos) << walked.errors;
    EXPECT_NE(textOf(dump("tutorial1"), "myLabelTesto"), textOf(dump("tutorial2"), "myLabelTesto"));
    for (const std::string screen : { "tutorial", "home" }) {
        for (int n = 1; n <= 4; ++n) {
            const std::string cerchio = "myImageViewCerchio" + std::to_string(n);
            EXPECT_TRUE(spins(dump(screen == "home" ? "home" : "tutorial1"), cerchio)) << screen << " " << cerchio;
            EXPECT_FALSE(spins(dump(screen + "-background"), cerchio)) << screen << " " << cerchio;
            EXPECT_TRUE(spins(dump(screen + "-foreground"), cerchio)) << screen << " " << cerchio;
        }
    }
    const json italiano = test::readJson(fs::path(VARDENICO_RESOURCES_DIR) / "strings" / "it.json");
    const json consentDump = dump("consent");
    const json* consent = test::findNamed(consentDump, "alert");
    ASSERT_TRUE(consent);
    EXPECT_EQ(consent->value("title", ""), italiano.value("consensofoto", "?"));
    EXPECT_EQ(test::actionTitles(*consent), (std::vector<std::string> { italiano.value("nonconsentire", "?"), "OK" }));
    EXPECT_TRUE(test::findNamed(dump("notice"), "myButtonLogoNew") && test::findNamed(dump("notice"), "alert")) << "START goes home";
    EXPECT_FALSE(test::findNamed(dump("home"), "alert"));
    EXPECT_EQ(test::findNamed(dump("home"), "myViewBgButtonCreaETuoiLoghi")->value("alpha", 1.0), 0.0);
    EXPECT_EQ(test::findNamed(dump("revealed"), "myViewBgButtonCreaETuoiLoghi")->value("alpha", 0.0), 1.0);
    // Behind home, the newest photo of the library by the date it was taken.
    EXPECT_EQ(test::findNamed(dump("home"), "myImageViewBg")->value("image", ""), "Holidays/photo-4.jpg");
    EXPECT_TRUE(fs::is_directory(pictures() / "Vardenico")) << "home creates the application's album";

    // The logo composed in the editor saved (its layers are checked by the editor's own walk),
    // the preview's Home button leads back home.
    EXPECT_TRUE(test::findNamed(dump("home-again"), "myButtonApplicaProp"));
    EXPECT_FALSE(test::findNamed(dump("home-again"), "myImageViewPreviewLogo"));

    // The editor's tutorial on its first opening only: OK puts it away, for the next launch too.
    EXPECT_EQ(std::tuple(alphaOf(dump("editor-tutorial"), "myViewBgTutorial"), alphaOf(dump("editor-icons"), "myViewBgTutorial")), std::tuple(1.0, 0.0));

    // The browser's three photos and the gallery as a picker showing the saved logo.
    EXPECT_EQ(textOf(dump("chosen"), "myLabelGiaSelezionate"), italiano.value("selezionate", "?") + " (3)");
    EXPECT_TRUE(test::findNamed(dump("picker"), "myCollectionViewLoghi.0.0"));

    // Placement: the size the stepper shows, one step above where the logo started, in the
    // area's bottom-left corner.
    const json placement = dump("placement");
    const json sticker = test::findNamed(placement, "stickerView")->at("frame"), area = test::findNamed(placement, "myViewBgPosizionatoreLogoo")->at("frame");
    const double stepper = test::findNamed(placement, "myStepperPercentualeLogo")->value("value", 0.0);
    EXPECT_NEAR(sticker[2].get<double>(), area[2].get<double>() * stepper / 100, 1e-3);
    EXPECT_GT(stepper, 5);
    const double left = sticker[0].get<double>() - area[0].get<double>(), below = area[1].get<double>() + area[3].get<double>() - sticker[1].get<double>() - sticker[3].get<double>();
    EXPECT_TRUE(left >= 0 && left < 30 && below >= 0 && below < 30) << left << " points from the left edge, " << below << " from the bottom";
    EXPECT_EQ(test::findNamed(dump("saved"), "myViewLogoApplicato")->value("alpha", 0.0), 1.0);

    // The stamped photos: the three newest, full size, decodable, tagged, the logo bottom-left.
    std::set<std::string> written;
    for (const auto& entry : fs::directory_iterator(pictures() / "Saved Photos"))
        written.insert(entry.path().filename().string());
    EXPECT_EQ(written, (std::set<std::string> { "photo-2_vardenico.jpg", "photo-3_vardenico.jpg", "photo-4_vardenico.jpg" }));
    for (int n = 2; n <= kPhotos; ++n) {
        SCOPED_TRACE(n);
        const auto path = pictures() / "Saved Photos" / ("photo-" + std::to_string(n) + "_vardenico.jpg");
        auto output = decodeImageFile(path);
        ASSERT_TRUE(output) << output.error().message;
        auto original = decodeImageFile(source(n));
        ASSERT_TRUE(original && output->pixelWidth() == original->pixelWidth() && output->pixelHeight() == original->pixelHeight()) << "full size";
        // Where the stamp changed the photo: only in its bottom-left corner.
        int changed = 0, elsewhere = 0;
        for (int y = 0; y < output->pixelHeight(); ++y)
            for (int x = 0; x < output->pixelWidth(); ++x)
                if (!test::near(test::rgbAt(*output, x, y), test::rgbAt(*original, x, y), 60)) {
                    ++changed;
                    if (x > output->pixelWidth() * 0.3 || y < output->pixelHeight() * 0.6)
                        ++elsewhere;
                }
        EXPECT_GT(changed, 200) << "the logo is on the photo"; // a small logo: some 400 pixels
        EXPECT_EQ(elsewhere, 0);
        auto metadata = ImageMetadata::readFromFile(path);
        ASSERT_TRUE(metadata) << metadata.error().message;
        EXPECT_EQ(metadata->exifValue("Exif.Image.Software"), "Vardenico App");
        EXPECT_EQ(metadata->exifValue("Exif.Image.Make"), "Vardenico Test Camera");
    }

    // The analytics of the run.
    std::vector<std::string> events;
    std::ifstream analytics(home() / "analytics.jsonl");
    for (std::string line; std::getline(analytics, line);) {
        const json event = json::parse(line);
        events.push_back(event.value("event", ""));
        if (events.back() == "Quintara Applico a foto") {
            EXPECT_EQ(event["attributes"].value("N° foto", 0), 3);
        } else if (events.back() == "Home Appear") {
            EXPECT_EQ(event["attributes"].value("Autorizazzione Foto", ""), "true");
        }
    }
    const std::vector<std::string> expected { "Session Start", "Home Appear", "Logo Maker Appear", "Logo Maker Salva Logo", "Home Appear", "Quintara Appear", "Applicatore Appear", "Quintara Applico a foto" };
    EXPECT_EQ(events, expected);

    // A second launch of the same data folder, the photo library gone meanwhile: straight home, no
    // notice, nothing made in the library's place; it ends in the editor, cleanly.
    fs::remove_all(pictures());
    const auto again = run(std::string(VARDENICO_HOME_SCRIPTS) + "/second_launch.txt", "second");
    ASSERT_EQ(again.status, 0) << again.errors;
    const json second = test::readJson(folder / "second" / "home.json");
    EXPECT_TRUE(test::findNamed(second, "myButtonLogoNew") && !test::findNamed(second, "myButtonOk") && !test::findNamed(second, "alert"));
    const json editor = test::readJson(folder / "second" / "editor.json");
    EXPECT_TRUE(test::findNamed(editor, "myButtonSaveLogoProp") && alphaOf(editor, "myViewBgTutorial") == 0);
    EXPECT_FALSE(fs::exists(pictures()));
}

INSTANTIATE_TEST_SUITE_P(Devices, Road, ::testing::Values("phone", "tablet"));

}
}
