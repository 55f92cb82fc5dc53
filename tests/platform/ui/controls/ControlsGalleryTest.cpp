#include <E2ESupport.h>
#include <PhotoFixtures.h>

#include <chrono>
#include <fstream>
#include <nlohmann/json.hpp>

namespace vd {
namespace {

using nlohmann::json;

struct GalleryRun : test::AppRun {
    std::filesystem::path out;
    json dump(const std::string& name) const { return test::readJson(out / (name + ".json")); }
};

// Runs the gallery on a phone with a script, its documents and photos in folder, and no clipboard.
GalleryRun runGallery(const std::string& script, const test::TemporaryFolder& folder)
{
    const auto out = folder / "out";
    const std::string environment = "VARDENICO_HOME='" + (folder / "home").string() + "' VARDENICO_PHOTOS='" + (folder / "photos").string() + "' DISPLAY= WAYLAND_DISPLAY=";
    return { test::runApp("--headless --demo controls --script " CONTROLS_E2E_SCRIPTS "/" + script + " --out '" + out.string() + "'", folder.path(), environment), out };
}

json named(const json& tree, const std::string& name) { return test::findNamed(tree, name) ? *test::findNamed(tree, name) : json(); }
std::string textOf(const json& tree, const std::string& name) { return named(tree, name).value("text", "<missing>"); }

// A photo of one colour on disk, with a file time some minutes ago (the library shows the newest
// first).
void writePhoto(const std::filesystem::path& path, int width, int height, std::uint32_t argb, int minutesAgo)
{
    std::filesystem::create_directories(path.parent_path());
    test::writeUniformJpeg(path, width, height, argb);
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - std::chrono::minutes(minutesAgo));
}

TEST(ControlsGallery, ThePhotoPickerHandsBackThePickedOriginalNothingOnCancelAndNoPhotosWithoutAccess)
{
    test::TemporaryFolder folder;
    writePhoto(folder / "photos" / "a.jpg", 600, 400, 0xffe63946, 30);
    writePhoto(folder / "photos" / "b.jpg", 300, 500, 0xff2a9d8f, 20);
    writePhoto(folder / "photos" / "Trip" / "c.jpg", 800, 600, 0xff457b9d, 10);
    std::ofstream(folder / "photos" / "notes.txt") << "not a photo";
    const GalleryRun run = runGallery("picker_phone.txt", folder);
    ASSERT_EQ(run.status, 0) << run.errors;

    const json open = run.dump("pickerOpen");
    const json picker = named(open, "photoPicker");
    ASSERT_FALSE(picker.is_null()) << "the button opens the picker";
    EXPECT_EQ(picker["photoCount"], 3);
    // Newest first, each cell with the thumbnail of its own photo.
    const char* order[] = { "Trip/c.jpg", "b.jpg", "a.jpg" };
    for (int i = 0; i < 3; ++i) {
        const json cell = named(open, "photoPickerGrid.0." + std::to_string(i));
        EXPECT_EQ(std::tuple(cell.value("text", ""), named(cell, "photoPickerThumbnail").value("image", "")), std::tuple(std::string(order[i]), std::string(order[i]))) << "the thumbnail arrived";
    }
    EXPECT_TRUE(named(open, "photoPickerNote")["hidden"].get<bool>());

    for (const char* closed : { "cancelled", "escaped" }) {
        const json tree = run.dump(closed);
        EXPECT_TRUE(named(tree, "photoPicker").is_null()) << closed;
        EXPECT_EQ(textOf(tree, "myLabelResult"), "Picker cancelled") << closed;
        EXPECT_FALSE(named(tree, "myImageViewPicked").contains("image")) << "cancel hands back nothing";
    }

    const json picked = run.dump("picked");
    EXPECT_TRUE(named(picked, "photoPicker").is_null());
    EXPECT_EQ(std::tuple(textOf(picked, "myLabelResult"), named(picked, "myImageViewPicked").value("image", "")), std::tuple(std::string("Picked b.jpg (300 × 500)"), std::string("b.jpg"))) << "the original, at full size";

    // With photo access off the picker shows no photos and says where to allow them.
    test::TemporaryFolder denied;
    writePhoto(denied / "photos" / "a.jpg", 60, 40, 0xffe63946, 5);
    std::filesystem::create_directories(denied / "home");
    std::ofstream(denied / "home" / "defaults.json") << "{\"photoLibraryAuthorizationStatus\": 2}";
    const GalleryRun refused = runGallery("picker_denied.txt", denied);
    ASSERT_EQ(refused.status, 0) << refused.errors;
    const json empty = named(refused.dump("pickerOpen"), "photoPicker");
    EXPECT_EQ(std::tuple(empty["photoCount"], empty["access"], named(empty, "photoPickerNote")["hidden"]), std::tuple(json(0), json("denied"), json(false)));
    EXPECT_TRUE(textOf(empty, "photoPickerNote").contains("Settings") && named(empty, "photoPickerGrid.0.0").is_null());
    EXPECT_EQ(textOf(refused.dump("end"), "myLabelResult"), "Picker cancelled");
}

}
}
