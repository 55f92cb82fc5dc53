// The apply screen driven by the automation scripts of tests/e2e/apply, phone and tablet, over a
// library this test makes; then the written photos are checked against their sources, and against
// what `vardenico stamp --placement` writes with the placement the screen saved.

#include "PhotoFixtures.h"

#include <E2ESupport.h>

#include <platform/foundation/Files.h>
#include <platform/graphics/ImageCodecs.h>
#include <platform/graphics/ImageMetadata.h>

#include <gtest/gtest.h>
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

    // The command line with the placement the screen saved writes the very same bytes.
    std::vector<std::filesystem::path> placements;
    for (const auto& entry : std::filesystem::directory_iterator(home() / "Placements"))
        placements.push_back(entry.path());
    ASSERT_EQ(placements.size(), 1u);
    const auto cli = folder / "cli";
    const std::string command = std::string(VARDENICO_BINARY) + " stamp --placement '" + placements[0].string() + "' --logo '" + logo().string() + "' --out '" + cli.string() + "' '" + (library() / "landscape.jpg").string() + "' '" + (library() / "portrait.jpg").string() + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (const char* name : { "landscape_vardenico.jpg", "portrait_vardenico.jpg" })
        EXPECT_TRUE(*files::readAll(cli / name) == *files::readAll(library() / "Saved Photos" / name)) << name << " differs";
}

INSTANTIATE_TEST_SUITE_P(Devices, ApplyScreenScripts, ::testing::Values("phone", "tablet"));

}
}
