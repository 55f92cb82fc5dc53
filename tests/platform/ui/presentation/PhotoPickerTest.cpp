#include <TestSupport.h>

#include <platform/foundation/Files.h>
#include <platform/foundation/UserDefaults.h>
#include <platform/graphics/ImageCodecs.h>
#include <platform/photos/PhotoLibrary.h>
#include <platform/ui/presentation/AlertController.h>
#include <platform/ui/presentation/PhotoPicker.h>

namespace vd {
namespace {

TEST(PhotoPicker, APhotoThatCannotBeReadIsReportedAndThePickerStaysOpen)
{
    test::TemporaryFolder folder;
    std::filesystem::create_directories(folder / "photos");
    ASSERT_TRUE(files::writeAtomically(folder / "photos" / "gone.jpg", *encodeJpeg(Image::fromBuffer({ 40, 30, std::vector<std::uint32_t>(40 * 30, 0xff336699u), true }))));
    UserDefaults defaults(folder / "defaults.json");
    PhotoLibrary library(folder / "photos", folder / "index.sqlite", defaults);
    ImageManager manager(1u << 20, 1);
    auto window = View::make<Window>(Size { 390, 844 });
    auto picker = View::make<PhotoPicker>(library, manager);
    int completions = 0;
    picker->setCompletion([&](std::optional<PickedPhoto>) { ++completions; });
    picker->present(*window);
    ASSERT_EQ(picker->photoCount(), 1u);

    std::filesystem::remove(folder / "photos" / "gone.jpg");
    EXPECT_TRUE(!picker->pickPhotoAtIndex(0) && completions == 0 && picker->superview() == window) << "the picker stays open";
    auto alert = std::dynamic_pointer_cast<AlertController>(window->viewNamed("alert"));
    ASSERT_TRUE(alert && alert->message().contains("gone.jpg"));
    alert->performAction(0);

    picker->cancel(), picker->cancel();
    EXPECT_TRUE(completions == 1 && !picker->superview()) << "the completion runs once";
}

}
}
