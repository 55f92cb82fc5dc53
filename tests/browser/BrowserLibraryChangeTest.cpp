#include <browser/BrowserHarness.h>

namespace vd {
namespace {

using test::BrowserHarness;
using Positions = std::vector<int>;

std::string selectedNames(BrowserHarness& b)
{
    std::string names;
    for (int position : b.screen->myArrIndexSelezionati)
        names += (names.empty() ? "" : " ") + (*b.screen->assetsFetchResults)[static_cast<std::size_t>(position)].localIdentifier;
    return names;
}

// The folder changes behind the screen's back (a file manager, a camera import); the screen reads
// it again when it comes back into view.
TEST(BrowserLibraryChange, TheSelectionFollowsItsPhotosAndDropsThoseThatAreGone)
{
    BrowserHarness b(DeviceKind::Phone);
    b.tap("myButtonPicker");
    for (long item : { 5, 2, 9, 15 })
        b.tapCell(item);
    const auto& order = b.photos.newestFirst;
    EXPECT_EQ(selectedNames(b), order[5] + " " + order[2] + " " + order[9] + " " + order[15]);

    // A new photo, newer than all, and two selected ones removed.
    test::writeUniformJpeg(b.photos.root / "nuova.jpg", 80, 60, 0x884422);
    test::editMetadata(b.photos.root / "nuova.jpg", [](Exiv2::Image& image) { image.exifData()["Exif.Photo.DateTimeOriginal"] = "2024:01:01 09:00:00"; });
    std::filesystem::remove(b.photos.root / order[2]);
    std::filesystem::remove(b.photos.root / order[15]);

    b.tap("myButtonChiudiPicker");
    b.tap("myButtonEntraLogoPicker"); // away to the gallery and back
    b.navigation->popViewController(true);
    b.settle();
    EXPECT_EQ(b.gridPhotos().front(), "nuova.jpg");
    EXPECT_EQ(b.gridPhotos().size(), order.size() - 1);
    // Photo 5 moved to 5 (one new before it, one gone before it); photo 9 to 9 likewise.
    EXPECT_EQ(selectedNames(b), order[5] + " " + order[9]);
    EXPECT_EQ(b.screen->myArrIndexSelezionati, (Positions { 5, 9 }));
    EXPECT_EQ(b.screen->myLabelCountSelezionate->text(), "(2)");
    for (int position : b.screen->myArrIndexSelezionati)
        EXPECT_LT(static_cast<std::size_t>(position), b.screen->assetsFetchResults->count());

    // Everything selected vanishes: nothing left to index, nothing handed on.
    std::filesystem::remove(b.photos.root / order[5]);
    std::filesystem::remove(b.photos.root / order[9]);
    b.giveLogo();
    EXPECT_TRUE(b.screen->myArrIndexSelezionati.empty());
    b.tap("myButtonAvantiPro");
    EXPECT_EQ(b.navigation->viewControllers().size(), 1u);
    ASSERT_TRUE(b.alert());
}

TEST(BrowserLibraryChange, ForwardReadsTheFolderAgainBeforeHandingOver)
{
    BrowserHarness b(DeviceKind::Phone);
    b.giveLogo();
    b.tap("myButtonPicker");
    for (long item : { 1, 3 })
        b.tapCell(item);
    b.tap("myButtonChiudiPicker");
    const std::string kept = b.photos.newestFirst[3];
    std::filesystem::remove(b.photos.root / b.photos.newestFirst[1]);
    b.tap("myButtonAvantiPro");
    auto apply = std::dynamic_pointer_cast<QuintaraApplyController>(b.navigation->topViewController());
    ASSERT_TRUE(apply);
    ASSERT_EQ(apply->myArrayIndexSelezionati.size(), 1u);
    EXPECT_EQ((*apply->assetsFetchResults)[static_cast<std::size_t>(apply->myArrayIndexSelezionati[0])].localIdentifier, kept);
}

TEST(BrowserLibraryChange, AnAlbumThatDisappearsTakesTheGridBackToAllPhotos)
{
    BrowserHarness b(DeviceKind::Tablet);
    b.tap("myButtonPicker");
    b.tap("myButtonSelezionaAlbum");
    b.tap("myTableViewSelezionaAlbum.1.1");
    EXPECT_EQ(b.gridPhotos(), (std::vector<std::string> { "Montagna/vetta.jpg", "Montagna/bosco.jpg" }));
    b.tapCell(1);
    std::filesystem::remove_all(b.photos.root / "Montagna");
    b.screen->photoLibraryDidChange();
    b.settle();
    EXPECT_EQ(b.gridPhotos().size(), b.photos.newestFirst.size() - 2);
    EXPECT_TRUE(b.screen->myArrIndexSelezionati.empty());
    EXPECT_EQ(b.screen->myTableViewSelezionaAlbum->numberOfRowsInSection(1), 1);
}

}
}
