// The apply screen driven by the automation scripts of tests/e2e/apply, phone and tablet, reached
// from home over a library this test makes; then the written photos are checked against their
// sources, and against what `vardenico stamp --placement` writes with the placement the screen saved.

#include "PhotoFixtures.h"

#include <E2ESupport.h>

#include <platform/foundation/Files.h>
#include <platform/graphics/ImageCodecs.h>
#include <platform/graphics/ImageMetadata.h>

#include <chrono>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>

namespace vd {
namespace {

using nlohmann::json;

constexpr std::uint32_t kGrey = 0x707070;

Rect frameOf(const json& dump, const std::string& name)
{
    const json* node = test::findNamed(dump, name);
    if (!node)
        return {};
    const auto& f = (*node)["frame"];
    return Rect(f[0].get<double>(), f[1].get<double>(), f[2].get<double>(), f[3].get<double>());
}

// The stamped logo: the rectangle where the output is no longer the source's grey.
Rect logoIn(const Image& output)
{
    int x0 = output.pixelWidth(), y0 = output.pixelHeight(), x1 = -1, y1 = -1;
    for (int y = 0; y < output.pixelHeight(); ++y)
        for (int x = 0; x < output.pixelWidth(); ++x)
            if (!test::near(test::rgbAt(output, x, y), kGrey, 40)) {
                x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
            }
    return x1 < 0 ? Rect {} : Rect(x0, y0, x1 - x0 + 1, y1 - y0 + 1);
}

double number(const json& dump, const std::string& name, const std::string& key)
{
    const json* node = test::findNamed(dump, name);
    return node ? node->value(key, -1.0) : -1.0;
}

Rect boundsOf(const json& dump, const std::string& name)
{
    const json* node = test::findNamed(dump, name);
    if (!node)
        return {};
    const auto& b = (*node)["bounds"];
    return Rect(b[0].get<double>(), b[1].get<double>(), b[2].get<double>(), b[3].get<double>());
}

bool upright(const json& dump)
{
    const auto& t = (*test::findNamed(dump, "stickerView"))["transform"];
    return t[0].get<double>() == 1 && t[1].get<double>() == 0 && t[2].get<double>() == 0 && t[3].get<double>() == 1;
}

// The apply screen as a person reaches it: a data folder whose tutorial and notices were seen,
// with photo access granted and one logo stored; home, the photo browser, the two newest photos,
// the logo from the gallery, forward (to_apply.txt), then the device's script.
class ApplyScreenScripts : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(library());
        std::filesystem::create_directories(home());
        // Newest first by capture time: the tall photo is previewed first.
        for (const auto& [name, width, height, taken] : { std::tuple { "panorama.jpg", 3600, 1200, "2024:05:01 10:00:00" }, std::tuple { "tall.jpg", 1080, 1920, "2024:05:02 10:00:00" } }) {
            const auto path = library() / name;
            test::writeUniformJpeg(path, width, height, kGrey);
            test::editMetadata(path, [taken = std::string(taken)](Exiv2::Image& image) {
                image.exifData()["Exif.Image.Make"] = "Vardenico Test Camera";
                image.exifData()["Exif.Image.Artist"] = "Ada";
                image.exifData()["Exif.Photo.DateTimeOriginal"] = taken;
            });
        }
        ASSERT_TRUE(files::writeAtomically(logo(), *encodePng(test::opaqueLogo(300, Color::rgba(0.9, 0.1, 0.1)))));
        storeLogo(home());
        writeDefaults(home(), false);
    }

    std::filesystem::path library() const { return folder / "Pictures"; }
    std::filesystem::path home() const { return folder / "home"; }
    std::filesystem::path logo() const { return folder / "logo.png"; }
    std::filesystem::path out() const { return folder / "out"; }

    void storeLogo(const std::filesystem::path& data) const
    {
        const std::string command = "env VARDENICO_HOME='" + data.string() + "' " + VARDENICO_BINARY + " logos add '" + logo().string() + "' >/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    static void writeDefaults(const std::filesystem::path& data, bool tutorialSeen)
    {
        json defaults = { { "avvioFatto", "fatto" }, { "aggiornamento1", "visualizzato" }, { "photoLibraryAuthorizationStatus", 3 } };
        if (tutorialSeen)
            defaults["tutorialB"] = "fatto";
        const std::string text = defaults.dump();
        ASSERT_TRUE(files::writeAtomically(data / "defaults.json", std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())));
    }
    // The way from home to the apply screen, then the script.
    std::filesystem::path fromHome(const std::string& script) const
    {
        const auto path = folder / ("home_" + script);
        std::string text;
        for (const std::string& name : { std::string("to_apply.txt"), script }) {
            auto bytes = files::readAll(std::filesystem::path(VARDENICO_APPLY_SCRIPTS) / name);
            EXPECT_TRUE(bytes) << name;
            if (bytes)
                text += std::string(bytes->begin(), bytes->end()) + "\n";
        }
        EXPECT_TRUE(files::writeAtomically(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())));
        return path;
    }

    test::TemporaryFolder folder;
};

TEST_P(ApplyScreenScripts, TallPhotoAndPanoramaFromHomeThenTheLogoStampedAtTheMeasuredPlaceOnEveryPhoto)
{
    const std::string device = GetParam();
    const bool phone = device == "phone";
    const std::string environment = "VARDENICO_LANG=en VARDENICO_HOME='" + home().string() + "' VARDENICO_PHOTOS='" + library().string() + "'";
    const auto run = test::runApp("--headless --device " + device + " --script '" + fromHome("apply_" + device + ".txt").string() + "' --out '" + out().string() + "'", folder.path(), environment);
    ASSERT_EQ(run.status, 0) << run.errors;
    auto dump = [&](const std::string& name) { return test::readJson(out() / (name + ".json")); };

    // Each photo whole where the preview can be seen, in its own proportions, clear of the
    // opacity slider; the logo inside the margins at least a fingertip wide.
    for (const auto& [name, aspect] : { std::pair { "tall", 1080.0 / 1920 }, std::pair { "panorama", 3.0 }, std::pair { "panoramaSmallest", 3.0 } }) {
        SCOPED_TRACE(name);
        const json shown = dump(name);
        const Rect a = frameOf(shown, "myViewBgPosizionatoreLogoo");
        const Rect visible = frameOf(shown, "myViewBgScrollView");
        ASSERT_GT(a.height(), 0);
        EXPECT_NEAR(a.width() / a.height(), aspect, 0.01);
        EXPECT_GE(a.x(), visible.x() - 1e-6);
        EXPECT_GE(a.y(), visible.y() - 1e-6);
        EXPECT_LE(a.maxX(), visible.maxX() + 1e-6);
        EXPECT_LE(a.maxY(), visible.maxY() + 1e-6) << "the photo is cut at the bottom";
        EXPECT_FALSE(a.intersects(frameOf(shown, "myViewBgSliderAlpha"))) << "the opacity slider covers the photo";
        const Rect logo = frameOf(shown, "stickerContent");
        EXPECT_GE(logo.width(), 44 - 1e-6);
        EXPECT_GE(logo.height(), 44 - 1e-6);
        EXPECT_TRUE(a.contains(Point(logo.midX(), logo.midY())));
    }
    if (phone) {
        EXPECT_NEAR(frameOf(dump("tall"), "myViewBgPosizionatoreLogoo").height(), frameOf(dump("tall"), "myViewBgScrollView").height(), 1e-6) << "the tall photo fills the height";
    }

    // A drag from the middle of the small logo on the panorama moves it; it neither turns nor grows.
    const json panorama = dump("panorama"), moved = dump("panoramaMoved");
    EXPECT_EQ(boundsOf(moved, "stickerView"), boundsOf(panorama, "stickerView"));
    EXPECT_TRUE(upright(moved));
    EXPECT_NEAR(frameOf(moved, "stickerView").midX() - frameOf(panorama, "stickerView").midX(), 40, 1e-6);
    // Back on the tall photo the logo has the size it had there.
    EXPECT_EQ(boundsOf(dump("tallAgain"), "stickerView").size, boundsOf(dump("tall"), "stickerView").size);

    // The stepper counts the logo as it is: after the handle grew it, plus grows it further.
    for (const char* name : { "panoramaSmallest", "tallAgain", "handleResized", "plus", "sized" }) {
        SCOPED_TRACE(name);
        const json shown = dump(name);
        const double percent = boundsOf(shown, "stickerView").width() * 100 / frameOf(shown, "myViewBgPosizionatoreLogoo").width();
        EXPECT_NEAR(number(shown, "myStepperPercentualeLogo", "value"), percent, 1e-3);
        EXPECT_EQ(test::findNamed(shown, "myLabelPercentualeGrandezzaLog")->value("text", ""), std::to_string(static_cast<int>(number(shown, "myStepperPercentualeLogo", "value"))) + " pt");
    }
    const double before = boundsOf(dump("tallAgain"), "stickerView").width();
    const double handle = boundsOf(dump("handleResized"), "stickerView").width();
    EXPECT_GT(handle, before + 10) << "the handle grew the logo";
    EXPECT_GT(boundsOf(dump("plus"), "stickerView").width(), handle) << "plus after the handle";

    if (phone) {
        // Turned and grown past the photo's width: refused by name, nothing started.
        const json refused = dump("refused");
        const json* alert = test::findNamed(refused, "myAlertPosizioneNonValida");
        ASSERT_TRUE(alert) << "apply did not refuse the placement";
        EXPECT_NE(alert->value("message", "").find("\"sizePercent\" 1"), std::string::npos) << alert->value("message", "");
        EXPECT_GT(frameOf(refused, "stickerView").width(), frameOf(refused, "myViewBgPosizionatoreLogoo").width());
        EXPECT_NEAR(number(refused, "myStepperPercentualeLogo", "value"), boundsOf(refused, "stickerView").width() * 100 / frameOf(refused, "myViewBgPosizionatoreLogoo").width(), 1e-3)
            << "the stepper counts the turned logo's own side, as it sets it";
        EXPECT_GE(frameOf(refused, "myViewApplicatore").x(), frameOf(refused, "myViewBgScrollView").maxX()) << "the batch started";
        EXPECT_TRUE(upright(dump("upright")));
    }

    // What the screen measured, from the dump after the stepper.
    const json sized = dump("sized");
    const Rect s = frameOf(sized, "stickerView");
    const Rect a = frameOf(sized, "myViewBgPosizionatoreLogoo");
    ASSERT_GT(s.width(), 0);
    EXPECT_TRUE(upright(sized));
    const double sizePercent = s.width() * 100 / a.width();
    const double marginLeft = s.x() - a.x(), marginBottom = a.maxY() - s.maxY();
    EXPECT_LT(marginLeft, 30);
    EXPECT_LT(marginBottom, 30);
    EXPECT_EQ(test::findNamed(sized, "myViewAllineamentoSx")->value("alpha", 0.0), 1);
    EXPECT_EQ(test::findNamed(sized, "myViewAllineamntoDw")->value("alpha", 0.0), 1);

    const std::string progress = test::findNamed(dump("progress0"), "myLabelPercentualeAvvisi")->value("text", "");
    EXPECT_TRUE(progress.starts_with("0% \n")) << progress;
    const json saved = dump("saved");
    EXPECT_EQ(test::findNamed(saved, "myViewLogoApplicato")->value("alpha", 0.0), 1);
    EXPECT_EQ(test::findNamed(saved, "myLabelLeFotoSonoSalvate")->value("text", ""), "Your logo has been applied. The photos are in your Camera Roll.");

    std::size_t written = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(library() / "Saved Photos"))
        ++written;
    EXPECT_EQ(written, 2u) << "one stamped copy of each photo, nothing from the refused placement";
    for (const auto& [name, width, height] : { std::tuple { "tall", 1080, 1920 }, std::tuple { "panorama", 3600, 1200 } }) {
        SCOPED_TRACE(name);
        const auto path = library() / "Saved Photos" / (std::string(name) + "_vardenico.jpg");
        auto output = decodeImageFile(path);
        ASSERT_TRUE(output) << output.error().message;
        EXPECT_EQ(output->pixelWidth(), width);
        EXPECT_EQ(output->pixelHeight(), height);
        const double side = std::min(width, height) * sizePercent / 100;
        const double k = side / s.width();
        const Rect logoRect = logoIn(*output);
        EXPECT_NEAR(logoRect.width(), side, 2);
        EXPECT_NEAR(logoRect.height(), side, 2);
        EXPECT_NEAR(logoRect.x(), (marginLeft + 14) * k, 2);
        EXPECT_NEAR(logoRect.y(), height - (marginBottom + 14) * k - side, 2);

        auto metadata = ImageMetadata::readFromFile(path);
        ASSERT_TRUE(metadata) << metadata.error().message;
        EXPECT_EQ(metadata->exifValue("Exif.Image.Orientation"), "1");
        EXPECT_EQ(metadata->exifValue("Exif.Image.Software"), "Vardenico App");
        EXPECT_EQ(metadata->exifValue("Exif.Image.Make"), "Vardenico Test Camera");
        EXPECT_EQ(metadata->exifValue("Exif.Image.Artist"), "Ada");
        EXPECT_EQ(metadata->exifValue("Exif.Photo.DateTimeOriginal"), std::string(name) == "tall" ? "2024:05:02 10:00:00" : "2024:05:01 10:00:00");
    }

    // The command line with the placement the screen saved and the stored logo writes the very
    // same bytes, run where it names the photos as the app does (from the library's folder).
    std::vector<std::filesystem::path> placements;
    for (const auto& entry : std::filesystem::directory_iterator(home() / "Placements"))
        placements.push_back(entry.path());
    ASSERT_EQ(placements.size(), 1u);
    const auto cli = folder / "cli";
    const std::string command = "cd '" + library().string() + "' && env VARDENICO_HOME='" + home().string() + "' " + VARDENICO_BINARY + " stamp --placement '" + placements[0].string() + "' --logo-index 0 --out '" + cli.string() + "' tall.jpg panorama.jpg >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (const char* name : { "tall_vardenico.jpg", "panorama_vardenico.jpg" })
        EXPECT_TRUE(*files::readAll(cli / name) == *files::readAll(library() / "Saved Photos" / name)) << name << " differs";
}

TEST_P(ApplyScreenScripts, TheSamePlacementAppliedAgainSkipsThePhotosAndAMovedLogoStampsThemAnew)
{
    const std::string device = GetParam();
    // Two photos without a capture date, dated by their files after anything stamped today, so
    // they stay the library's first two.
    const auto again = folder / "again";
    const auto data = folder / "againHome";
    std::filesystem::create_directories(again);
    std::filesystem::create_directories(data);
    test::writeUniformJpeg(again / "first.jpg", 160, 120, kGrey);
    test::writeUniformJpeg(again / "second.jpg", 120, 160, 0x405060);
    const auto future = std::filesystem::file_time_type::clock::now() + std::chrono::hours(24 * 365);
    std::filesystem::last_write_time(again / "first.jpg", future);
    std::filesystem::last_write_time(again / "second.jpg", future - std::chrono::hours(1));
    storeLogo(data);
    writeDefaults(data, true);
    const std::string environment = "VARDENICO_LANG=en VARDENICO_HOME='" + data.string() + "' VARDENICO_PHOTOS='" + again.string() + "'";
    auto apply = [&](const std::string& script, const std::string& out) {
        const auto run = test::runApp("--headless --device " + device + " --script '" + fromHome(script).string() + "' --out '" + (folder / out).string() + "'", folder.path(), environment);
        EXPECT_EQ(run.status, 0) << run.errors;
        return test::readJson(folder / out / "saved.json");
    };
    auto stamped = [&] {
        std::map<std::string, std::vector<std::uint8_t>> found;
        for (const auto& entry : std::filesystem::directory_iterator(again / "Saved Photos"))
            found[entry.path().filename().string()] = *files::readAll(entry.path());
        return found;
    };
    auto skippedLine = [](const json& dump) { return test::findNamed(dump, "myLabelFotoSaltate")->value("text", "?"); };
    auto headline = [](const json& dump) { return test::findNamed(dump, "myLabelLeFotoSonoSalvate")->value("text", "?"); };

    const json first = apply("apply_again.txt", "once");
    EXPECT_EQ(skippedLine(first), "");
    EXPECT_EQ(headline(first), "Your logo has been applied. The photos are in your Camera Roll.");
    const auto once = stamped();
    ASSERT_EQ(once.size(), 2u);
    ASSERT_TRUE(once.contains("first_vardenico.jpg"));

    // Nothing written the second time, and the panel says so rather than that the logo was applied.
    const json twice = apply("apply_again.txt", "twice");
    EXPECT_EQ(headline(twice), "Nothing new to stamp: 2 photos already carry this logo and placement");
    EXPECT_EQ(skippedLine(twice), "") << "said once, in the headline";
    EXPECT_EQ(test::findNamed(twice, "myLabelFotoNonSalvate")->value("text", "?"), "");
    EXPECT_EQ(stamped(), once) << "no copy added, none rewritten";
    // The panel says only that, tidily: the failures and notices it has not got take no room.
    const Rect panel = frameOf(twice, "myViewLogoApplicato");
    const Rect ok = frameOf(twice, "myButtonOkSalvate");
    EXPECT_LE(ok.y() - frameOf(twice, "myLabelLeFotoSonoSalvate").maxY(), 30);
    EXPECT_LE(panel.maxY() - ok.maxY(), 24);
    EXPECT_EQ(test::findNamed(twice, "myImageViewCerchio1")->value("alpha", 1.0), 0) << "the ring does not show around the panel";

    // Moved: both stamped anew, and the panel says the logo was applied.
    const json movedPanel = apply("apply_moved.txt", "moved");
    EXPECT_EQ(skippedLine(movedPanel), "");
    EXPECT_EQ(headline(movedPanel), "Your logo has been applied. The photos are in your Camera Roll.");
    const auto moved = stamped();
    EXPECT_EQ(moved.size(), 4u) << "another placement is another stamp";
    for (const auto& [name, bytes] : once)
        EXPECT_EQ(moved.at(name), bytes) << name;
}

INSTANTIATE_TEST_SUITE_P(Devices, ApplyScreenScripts, ::testing::Values("phone", "tablet"));

}
}
