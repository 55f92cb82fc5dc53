// The apply screen driven by the automation scripts of tests/e2e/apply, phone and tablet, over a
// library this test makes; then the written photos are checked against their sources, and against
// what `vardenico stamp --placement` writes with the placement the screen saved.

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

class ApplyScreenScripts : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(library());
        std::filesystem::create_directories(home());
        // Newest first by capture time: the portrait photo is previewed first.
        for (const auto& [name, width, height, taken] : { std::tuple { "landscape.jpg", 4000, 3000, "2024:05:01 10:00:00" }, std::tuple { "portrait.jpg", 3000, 4000, "2024:05:02 10:00:00" } }) {
            const auto path = library() / name;
            test::writeUniformJpeg(path, width, height, kGrey);
            test::editMetadata(path, [taken = std::string(taken)](Exiv2::Image& image) {
                image.exifData()["Exif.Image.Make"] = "Vardenico Test Camera";
                image.exifData()["Exif.Image.Artist"] = "Ada";
                image.exifData()["Exif.Photo.DateTimeOriginal"] = taken;
            });
        }
        ASSERT_TRUE(files::writeAtomically(logo(), *encodePng(test::opaqueLogo(300, Color::rgba(0.9, 0.1, 0.1)))));
        const std::string inputs = json { { "logo", logo().string() } }.dump();
        ASSERT_TRUE(files::writeAtomically(folder / "inputs.json", std::span(reinterpret_cast<const std::uint8_t*>(inputs.data()), inputs.size())));
    }

    std::filesystem::path library() const { return folder / "Pictures"; }
    std::filesystem::path home() const { return folder / "home"; }
    std::filesystem::path logo() const { return folder / "logo.png"; }
    std::filesystem::path out() const { return folder / "out"; }

    test::TemporaryFolder folder;
};

TEST_P(ApplyScreenScripts, LogoDraggedToTheCornerIsStampedAtTheMeasuredPlaceOnEveryPhoto)
{
    const std::string device = GetParam();
    const std::string environment = "VARDENICO_HOME='" + home().string() + "' VARDENICO_PHOTOS='" + library().string() + "'";
    const auto run = test::runApp("--headless --device " + device + " --screen quintaraapply --inputs '" + (folder / "inputs.json").string() + "' --script " VARDENICO_APPLY_SCRIPTS "/apply_" + device + ".txt --out '" + out().string() + "'", folder.path(), environment);
    ASSERT_EQ(run.status, 0) << run.errors;

    // What the screen measured, from the dump after the stepper.
    const json sized = test::readJson(out() / "sized.json");
    const Rect s = frameOf(sized, "stickerView");
    const Rect a = frameOf(sized, "myViewBgPosizionatoreLogoo");
    ASSERT_GT(s.width(), 0);
    EXPECT_NEAR(s.width(), a.width() * 0.2, 1e-6) << "the stepper's 20 % of the area width";
    const double marginLeft = s.x() - a.x(), marginBottom = a.maxY() - s.maxY();
    EXPECT_LT(marginLeft, 30);
    EXPECT_LT(marginBottom, 30);
    EXPECT_EQ(test::findNamed(sized, "myViewAllineamentoSx")->value("alpha", 0.0), 1);
    EXPECT_EQ(test::findNamed(sized, "myViewAllineamntoDw")->value("alpha", 0.0), 1);

    const std::string progress = test::findNamed(test::readJson(out() / "progress0.json"), "myLabelPercentualeAvvisi")->value("text", "");
    EXPECT_TRUE(progress.starts_with("0% \n")) << progress;
    EXPECT_EQ(test::findNamed(test::readJson(out() / "saved.json"), "myViewLogoApplicato")->value("alpha", 0.0), 1);

    for (const auto& [name, width, height] : { std::tuple { "landscape", 4000, 3000 }, std::tuple { "portrait", 3000, 4000 } }) {
        SCOPED_TRACE(name);
        const auto written = library() / "Saved Photos" / (std::string(name) + "_vardenico.jpg");
        auto output = decodeImageFile(written);
        ASSERT_TRUE(output) << output.error().message;
        EXPECT_EQ(output->pixelWidth(), width);
        EXPECT_EQ(output->pixelHeight(), height);
        const double side = 600; // 20 % of the short side, 3000
        const double k = side / s.width();
        const Rect logoRect = logoIn(*output);
        EXPECT_NEAR(logoRect.width(), side, 2);
        EXPECT_NEAR(logoRect.height(), side, 2);
        EXPECT_NEAR(logoRect.x(), (marginLeft + 14) * k, 2);
        EXPECT_NEAR(logoRect.y(), height - (marginBottom + 14) * k - side, 2);

        auto metadata = ImageMetadata::readFromFile(written);
        ASSERT_TRUE(metadata) << metadata.error().message;
        EXPECT_EQ(metadata->exifValue("Exif.Image.Orientation"), "1");
        EXPECT_EQ(metadata->exifValue("Exif.Image.Software"), "Vardenico App");
        EXPECT_EQ(metadata->exifValue("Exif.Image.Make"), "Vardenico Test Camera");
        EXPECT_EQ(metadata->exifValue("Exif.Image.Artist"), "Ada");
        EXPECT_EQ(metadata->exifValue("Exif.Photo.DateTimeOriginal"), std::string(name) == "portrait" ? "2024:05:02 10:00:00" : "2024:05:01 10:00:00");
    }

    // The command line with the placement the screen saved writes the very same bytes, run where
    // it names the photos as the app does (from the library's folder).
    std::vector<std::filesystem::path> placements;
    for (const auto& entry : std::filesystem::directory_iterator(home() / "Placements"))
        placements.push_back(entry.path());
    ASSERT_EQ(placements.size(), 1u);
    const auto cli = folder / "cli";
    const std::string command = "cd '" + library().string() + "' && " + VARDENICO_BINARY + " stamp --placement '" + placements[0].string() + "' --logo '" + logo().string() + "' --out '" + cli.string() + "' landscape.jpg portrait.jpg >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (const char* name : { "landscape_vardenico.jpg", "portrait_vardenico.jpg" })
        EXPECT_TRUE(*files::readAll(cli / name) == *files::readAll(library() / "Saved Photos" / name)) << name << " differs";
}

TEST_P(ApplyScreenScripts, TheSamePlacementAppliedAgainSkipsThePhotosAndAMovedLogoStampsThemAnew)
{
    const std::string device = GetParam();
    // Two photos without a capture date, dated by their files after anything stamped today, so
    // they stay the library's first two.
    const auto again = folder / "again";
    std::filesystem::create_directories(again);
    test::writeUniformJpeg(again / "first.jpg", 160, 120, kGrey);
    test::writeUniformJpeg(again / "second.jpg", 120, 160, 0x405060);
    const auto future = std::filesystem::file_time_type::clock::now() + std::chrono::hours(24 * 365);
    std::filesystem::last_write_time(again / "first.jpg", future);
    std::filesystem::last_write_time(again / "second.jpg", future - std::chrono::hours(1));
    const std::string inputs = json { { "logo", logo().string() }, { "photos", { 0, 1 } } }.dump();
    ASSERT_TRUE(files::writeAtomically(folder / "again.json", std::span(reinterpret_cast<const std::uint8_t*>(inputs.data()), inputs.size())));
    const std::string defaults = R"({"tutorialB": "fatto"})";
    ASSERT_TRUE(files::writeAtomically(home() / "defaults.json", std::span(reinterpret_cast<const std::uint8_t*>(defaults.data()), defaults.size())));
    const std::string environment = "VARDENICO_LANG=en VARDENICO_HOME='" + home().string() + "' VARDENICO_PHOTOS='" + again.string() + "'";
    auto apply = [&](const std::string& script, const std::string& out) {
        const auto run = test::runApp("--headless --device " + device + " --screen quintaraapply --inputs '" + (folder / "again.json").string() + "' --script " VARDENICO_APPLY_SCRIPTS "/" + script + " --out '" + (folder / out).string() + "'", folder.path(), environment);
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

    EXPECT_EQ(skippedLine(apply("apply_again.txt", "once")), "");
    const auto once = stamped();
    ASSERT_EQ(once.size(), 2u);
    ASSERT_TRUE(once.contains("first_vardenico.jpg"));

    const json twice = apply("apply_again.txt", "twice");
    EXPECT_EQ(skippedLine(twice), "2 skipped, already stamped with this logo and placement.");
    EXPECT_EQ(test::findNamed(twice, "myLabelFotoNonSalvate")->value("text", "?"), "");
    EXPECT_EQ(stamped(), once) << "no copy added, none rewritten";
    // The panel says only that, tidily: the failures and notices it has not got take no room.
    const Rect panel = frameOf(twice, "myViewLogoApplicato");
    const Rect skipped = frameOf(twice, "myLabelFotoSaltate");
    const Rect ok = frameOf(twice, "myButtonOkSalvate");
    EXPECT_LE(ok.y() - skipped.maxY(), 30);
    EXPECT_LE(skipped.y() - frameOf(twice, "myLabelLeFotoSonoSalvate").maxY(), 20);
    EXPECT_LE(panel.maxY() - ok.maxY(), 24);
    EXPECT_EQ(test::findNamed(twice, "myImageViewCerchio1")->value("alpha", 1.0), 0) << "the ring does not show around the panel";

    EXPECT_EQ(skippedLine(apply("apply_moved.txt", "moved")), "");
    const auto moved = stamped();
    EXPECT_EQ(moved.size(), 4u) << "another placement is another stamp";
    for (const auto& [name, bytes] : once)
        EXPECT_EQ(moved.at(name), bytes) << name;
}

INSTANTIATE_TEST_SUITE_P(Devices, ApplyScreenScripts, ::testing::Values("phone", "tablet"));

}
}
