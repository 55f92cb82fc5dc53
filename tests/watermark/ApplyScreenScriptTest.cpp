// The apply screen driven by scripts of tests/e2e/apply, phone and tablet; the written photos
// checked against their sources and against `vardenico stamp --placement` with the saved placement.

#include "AppScriptSupport.h"

#include <chrono>

namespace vd {
namespace {

using nlohmann::json;
using test::named;
using test::rectOf;

constexpr std::uint32_t kGrey = 0x707070;

bool upright(const json& dump)
{
    const auto& t = named(dump, "stickerView")["transform"];
    return t[0] == 1 && t[1] == 0 && t[2] == 0 && t[3] == 1;
}

// The apply screen as a person reaches it from home (to_apply.txt), over a tall photo and a panorama.
class ApplyScreenScripts : public test::AppScript {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(library());
        // Newest first by capture time: the tall photo is previewed first.
        for (const auto& [name, width, height, taken] : { std::tuple { "panorama.jpg", 3600, 1200, "2024:05:01 10:00:00" }, std::tuple { "tall.jpg", 1080, 1920, "2024:05:02 10:00:00" } }) {
            test::writeUniformJpeg(library() / name, width, height, kGrey);
            test::editMetadata(library() / name, [taken = std::string(taken)](Exiv2::Image& image) {
                image.exifData()["Exif.Image.Make"] = "Vardenico Test Camera";
                image.exifData()["Exif.Image.Artist"] = "Ada";
                image.exifData()["Exif.Photo.DateTimeOriginal"] = taken;
            });
        }
    }
};

TEST_P(ApplyScreenScripts, TallPhotoAndPanoramaFromHomeThenTheLogoStampedAtTheMeasuredPlaceOnEveryPhoto)
{
    prepareHome(false);
    const bool phone = GetParam() == "phone";
    std::vector<std::string> scripts { "apply_edit.txt", "apply_refused.txt", "apply_corner.txt", "save_apply.txt" };
    if (!phone)
        scripts.erase(scripts.begin() + 1);
    const auto run = runScript(scripts, "out", phone ? std::map<std::string, std::string> { { "minus", "237 798" }, { "plus", "285 798" }, { "corner", "-119 205" } } : std::map<std::string, std::string> { { "minus", "253 1290" }, { "plus", "300 1290" }, { "corner", "-226 412" } });
    ASSERT_EQ(run.status, 0) << run.errors;

    // Each photo whole where the preview can be seen, in its own proportions, clear of the
    // opacity slider; the logo inside the margins at least a fingertip wide.
    for (const auto& [name, aspect] : { std::pair { "tall", 1080.0 / 1920 }, std::pair { "panorama", 3.0 }, std::pair { "panoramaSmallest", 3.0 } }) {
        SCOPED_TRACE(name);
        const json shown = dump(name);
        const Rect a = rectOf(shown, "myViewBgPosizionatoreLogoo");
        const Rect visible = rectOf(shown, "myViewBgScrollView");
        ASSERT_GT(a.height(), 0);
        EXPECT_NEAR(a.width() / a.height(), aspect, 0.01);
        EXPECT_GE(a.x(), visible.x() - 1e-6);
        EXPECT_GE(a.y(), visible.y() - 1e-6);
        EXPECT_LE(a.maxX(), visible.maxX() + 1e-6);
        EXPECT_LE(a.maxY(), visible.maxY() + 1e-6) << "the photo is cut at the bottom";
        EXPECT_FALSE(a.intersects(rectOf(shown, "myViewBgSliderAlpha"))) << "the opacity slider covers the photo";
        // The tablet fits the photo to the preview: a tall one to its height, a panorama to its width.
        EXPECT_TRUE(phone || std::abs((aspect < 1 ? a.height() + 50 : a.width()) - (aspect < 1 ? visible.height() : rectOf(shown, "myImageViewPreviewPhotos").width())) < 0.01);
        const Rect logo = rectOf(shown, "stickerContent");
        EXPECT_GE(logo.width(), 44 - 1e-6);
        EXPECT_TRUE(a.contains(Point(logo.midX(), logo.midY())));
    }

    // A drag from the middle of the small logo on the panorama moves it; it neither turns nor grows.
    const json panorama = dump("panorama"), moved = dump("panoramaMoved");
    const Rect tallArea = rectOf(dump("tall"), "myViewBgPosizionatoreLogoo"), panoramaArea = rectOf(panorama, "myViewBgPosizionatoreLogoo");
    EXPECT_TRUE(phone || (std::abs(tallArea.midX() - panoramaArea.midX()) < 0.01 && std::abs(tallArea.midY() - panoramaArea.midY()) < 0.01)) << "the tablet's area keeps its centre";
    EXPECT_EQ(rectOf(moved, "stickerView", "bounds"), rectOf(panorama, "stickerView", "bounds"));
    EXPECT_TRUE(upright(moved));
    EXPECT_NEAR(rectOf(moved, "stickerView").midX() - rectOf(panorama, "stickerView").midX(), 40, 1e-6);
    // Back on the tall photo the logo has the size it had there.
    EXPECT_EQ(rectOf(dump("tallAgain"), "stickerView", "bounds").size, rectOf(dump("tall"), "stickerView", "bounds").size);

    // The stepper counts the logo as it is: after the handle grew it, plus grows it further.
    for (const char* name : { "panoramaSmallest", "tallAgain", "handleResized", "plus", "sized" }) {
        SCOPED_TRACE(name);
        const json shown = dump(name);
        const double percent = rectOf(shown, "stickerView", "bounds").width() * 100 / rectOf(shown, "myViewBgPosizionatoreLogoo").width();
        EXPECT_NEAR(named(shown, "myStepperPercentualeLogo").value("value", -1.0), percent, 1e-3);
        EXPECT_EQ(named(shown, "myLabelPercentualeGrandezzaLog").value("text", ""), std::to_string(static_cast<int>(named(shown, "myStepperPercentualeLogo").value("value", -1.0))) + " pt");
    }
    const double before = rectOf(dump("tallAgain"), "stickerView", "bounds").width();
    const double handle = rectOf(dump("handleResized"), "stickerView", "bounds").width();
    EXPECT_GT(handle, before + 10) << "the handle grew the logo";
    EXPECT_GT(rectOf(dump("plus"), "stickerView", "bounds").width(), handle) << "plus after the handle";

    if (phone) {
        // Turned and grown past the photo's width: refused by name, nothing started.
        const json refused = dump("refused");
        const json* alert = test::findNamed(refused, "myAlertPosizioneNonValida");
        ASSERT_TRUE(alert) << "apply did not refuse the placement";
        EXPECT_NE(alert->value("message", "").find("\"sizePercent\" 1"), std::string::npos) << alert->value("message", "");
        EXPECT_GT(rectOf(refused, "stickerView").width(), rectOf(refused, "myViewBgPosizionatoreLogoo").width());
        EXPECT_NEAR(named(refused, "myStepperPercentualeLogo").value("value", -1.0), rectOf(refused, "stickerView", "bounds").width() * 100 / rectOf(refused, "myViewBgPosizionatoreLogoo").width(), 1e-3)
            << "the stepper counts the turned logo's own side, as it sets it";
        EXPECT_GE(rectOf(refused, "myViewApplicatore").x(), rectOf(refused, "myViewBgScrollView").maxX()) << "the batch started";
        EXPECT_TRUE(upright(dump("upright")));
    }

    // What the screen measured, from the dump after the stepper.
    const json sized = dump("sized");
    const Rect s = rectOf(sized, "stickerView");
    const Rect a = rectOf(sized, "myViewBgPosizionatoreLogoo");
    ASSERT_GT(s.width(), 0);
    EXPECT_TRUE(upright(sized));
    const double sizePercent = s.width() * 100 / a.width();
    const double marginLeft = s.x() - a.x(), marginBottom = a.maxY() - s.maxY();
    EXPECT_EQ(named(sized, "myViewAllineamentoSx").value("alpha", 0.0), 1);
    EXPECT_EQ(named(sized, "myViewAllineamntoDw").value("alpha", 0.0), 1);

    EXPECT_EQ(std::ranges::distance(std::filesystem::directory_iterator(library() / "Saved Photos")), 2) << "one stamped copy of each photo, nothing from the refused placement";
    for (const auto& [name, width, height] : { std::tuple { "tall", 1080, 1920 }, std::tuple { "panorama", 3600, 1200 } }) {
        SCOPED_TRACE(name);
        const auto path = library() / "Saved Photos" / (std::string(name) + "_vardenico.jpg");
        auto output = decodeImageFile(path);
        ASSERT_TRUE(output) << output.error().message;
        EXPECT_EQ(output->pixelWidth(), width);
        EXPECT_EQ(output->pixelHeight(), height);
        const double side = std::min(width, height) * sizePercent / 100;
        const double k = side / s.width();
        // The stamped logo: where the output is no longer the source's grey.
        const Rect logoRect = test::boundsWhere(*output, [](std::uint32_t rgb, int, int) { return !test::near(rgb, kGrey, 40); });
        EXPECT_NEAR(logoRect.width(), side, 2);
        EXPECT_NEAR(logoRect.height(), side, 2);
        EXPECT_NEAR(logoRect.x(), (marginLeft + 14) * k, 2);
        EXPECT_NEAR(logoRect.y(), height - (marginBottom + 14) * k - side, 2);

    }

    // And the metadata with it: the very bytes the command line writes.
    expectTheCommandLineWritesTheSame({ "tall", "panorama" });
}

TEST_P(ApplyScreenScripts, TheSamePlacementAppliedAgainSkipsThePhotosAndAMovedLogoStampsThemAnew)
{
    // Two photos dated by their files after anything stamped today: the library's first two.
    test::writeUniformJpeg(library() / "first.jpg", 160, 120, kGrey);
    test::writeUniformJpeg(library() / "second.jpg", 120, 160, 0x405060);
    const auto future = std::filesystem::file_time_type::clock::now() + std::chrono::hours(24 * 365);
    std::filesystem::last_write_time(library() / "first.jpg", future);
    std::filesystem::last_write_time(library() / "second.jpg", future - std::chrono::hours(1));
    prepareHome(true);
    auto apply = [&](const std::string& move, const std::string& dumps) {
        const auto run = runScript({ "apply_again.txt" }, dumps, { { "move", move } });
        EXPECT_EQ(run.status, 0) << run.errors;
        return test::readJson(folder / dumps / "saved.json");
    };
    auto stamped = [&] {
        std::map<std::string, std::vector<std::uint8_t>> found;
        for (const auto& entry : std::filesystem::directory_iterator(library() / "Saved Photos"))
            found[entry.path().filename().string()] = *files::readAll(entry.path());
        return found;
    };
    // The saved panel's headline, its line of skipped photos and its line of failed ones.
    auto panel = [](const json& dump) {
        return std::vector<std::string> { named(dump, "myLabelLeFotoSonoSalvate").value("text", "?"), named(dump, "myLabelFotoSaltate").value("text", "?"), named(dump, "myLabelFotoNonSalvate").value("text", "?") };
    };
    const std::vector<std::string> applied { "Your logo has been applied. The photos are in your Camera Roll.", "", "" };

    EXPECT_EQ(panel(apply("0 0", "once")), applied);
    const auto once = stamped();
    ASSERT_EQ(once.size(), 2u);

    // Nothing written the second time, and the panel says so (once, in the headline) rather than
    // that the logo was applied.
    const json twice = apply("0 0", "twice");
    EXPECT_EQ(panel(twice), (std::vector<std::string> { "Nothing new to stamp: 2 photos already carry this logo and placement", "", "" }));
    EXPECT_EQ(stamped(), once) << "no copy added, none rewritten";
    EXPECT_EQ(named(twice, "myImageViewCerchio1").value("alpha", 1.0), 0) << "the ring does not show around the panel";

    // Moved: both stamped anew, and the panel says the logo was applied.
    EXPECT_EQ(panel(apply("-60 -40", "moved")), applied);
    const auto moved = stamped();
    EXPECT_EQ(moved.size(), 4u) << "another placement is another stamp";
    for (const auto& [name, bytes] : once)
        EXPECT_EQ(moved.at(name), bytes) << name;
}

INSTANTIATE_TEST_SUITE_P(Devices, ApplyScreenScripts, ::testing::Values("phone", "tablet"));

}
}
