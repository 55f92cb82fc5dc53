#include <browser/BrowserHarness.h>

#include <services/mySingleScritte.h>
#include <browser/AlbumTableViewCell.h>
#include <browser/FotoSelezionateCollectionCell.h>

#include <fstream>

namespace vd {
namespace {

using test::BrowserHarness;
using Positions = std::vector<int>;

class BrowserOnDevice : public ::testing::TestWithParam<DeviceKind> {};

INSTANTIATE_TEST_SUITE_P(PhoneAndTablet, BrowserOnDevice, ::testing::Values(DeviceKind::Phone, DeviceKind::Tablet),
    [](const auto& info) { return std::string(deviceKindName(info.param)); });

// One walk through the browser as a person uses it: the grid, an ordered selection, the large
// previews, forward to the apply screen and back, the strip, cancel and the albums, one of which
// disappears.
TEST_P(BrowserOnDevice, AWalkThroughGridSelectionPreviewsForwardStripCancelAndAlbums)
{
    BrowserHarness b(GetParam());
    const auto& scritte = mySingleScritte::sharedInstance();
    const auto& order = b.photos.newestFirst;
    auto panelOpen = [&] { return b.screen->myViewBgCollectionPicker->center() == b.screen->Centro; };
    EXPECT_EQ(b.gridPhotos(), order);

    // Without photos or logo, forward explains and stays.
    b.tap("myButtonAvantiPro");
    ASSERT_TRUE(b.alert());
    EXPECT_EQ(std::tuple(b.alert()->title(), b.alert()->message()), std::tuple(scritte.stringaSelezionaMedia(), scritte.stringaSelezionaFotoELogo()));
    b.alert()->performAction(0);
    b.settle();
    EXPECT_EQ(b.navigation->viewControllers().size(), 1u);

    // The grid: the device's columns, each cell with the thumbnail of its own photo.
    b.tap("myButtonPicker");
    EXPECT_TRUE(panelOpen());
    const long columns = GetParam() == DeviceKind::Tablet ? 10 : 4;
    auto first = b.gridCell(0), lastOfLine = b.gridCell(columns - 1), nextLine = b.gridCell(columns);
    ASSERT_TRUE(first && lastOfLine && nextLine);
    EXPECT_EQ(lastOfLine->frame().minY(), first->frame().minY()) << "a line holds the device's columns";
    EXPECT_GT(nextLine->frame().minY(), first->frame().minY()) << "and no more";
    EXPECT_EQ(first->representedAssetIdentifier(), order[0]);
    // Every photo shows its thumbnail; only the broken file is marked.
    const long broken = static_cast<long>(order.size()) - 1;
    int shown = 0;
    for (long item = 0; item < broken; ++item) {
        auto c = b.gridCell(item);
        shown += c ? 1 : 0;
        EXPECT_TRUE(!c || (!c->myImagePhoto->image().isEmpty() && !c->isUnreadable())) << c->representedAssetIdentifier();
    }
    EXPECT_GE(shown, 16);

    // A photo that does not decode shows a mark, no stale picture, and cannot be selected.
    auto brokenCell = b.gridCell(broken);
    ASSERT_TRUE(brokenCell);
    EXPECT_EQ(std::tuple(brokenCell->representedAssetIdentifier(), brokenCell->isUnreadable(), brokenCell->myImagePhoto->image().isEmpty(), brokenCell->myLabelIllegibile->isHidden()), std::tuple("rotta.jpg", true, true, false));
    b.tapCell(broken);
    EXPECT_TRUE(b.screen->myArrIndexSelezionati.empty());
    ASSERT_TRUE(b.alert());
    EXPECT_NE(b.alert()->message().find("rotta.jpg"), std::string::npos) << b.alert()->message();
    b.alert()->performAction(0);
    b.settle();

    // The selection keeps the order of the taps; a photo selected again goes to the end.
    auto confirm = b.screen->myButtonSelezionaProperty;
    EXPECT_EQ(std::tuple(b.screen->myLabelCountSelezionate->text(), confirm->isEnabled()), std::tuple("", false));
    for (long item : { 5, 2, 9 })
        b.tapCell(item);
    EXPECT_EQ(b.screen->myArrIndexSelezionati, (Positions { 5, 2, 9 }));
    auto cell = b.gridCell(2);
    EXPECT_EQ(cell->myLabelCheck->alpha(), 1);
    b.tapCell(2);
    EXPECT_EQ(std::tuple(b.screen->myArrIndexSelezionati, b.screen->myLabelCountSelezionate->text(), b.screen->myLabelGiaSelezionate->text(), cell->myLabelCheck->alpha(), confirm->isEnabled()),
        std::tuple(Positions { 5, 9 }, "(2)", scritte.stringaSelezionate() + " (2)", 0.0, true));
    b.tapCell(2);
    EXPECT_EQ(b.screen->myArrIndexSelezionati, (Positions { 5, 9, 2 }));
    b.tapCell(2);

    // A long press shows the photo large at its own size and selects nothing.
    const Point onPhoto = b.centreOf("myCollectionViewRullino.0.4");
    b.press(onPhoto, 0.5);
    EXPECT_EQ(b.screen->myViewPreviewLongGesture->center(), b.screen->Centro);
    ASSERT_FALSE(b.screen->myImageViewLongGesture->image().isEmpty());
    EXPECT_EQ(b.screen->myImageViewLongGesture->image().pixelWidth(), (*b.screen->assetsFetchResults)[4].pixelWidth);
    b.release(onPhoto);
    EXPECT_NE(b.screen->myViewPreviewLongGesture->center(), b.screen->Centro);
    EXPECT_EQ(b.screen->myArrIndexSelezionati, (Positions { 5, 9 })) << "long presses select nothing";

    // A firm press peeks in the photo's proportions; a tap on the card selects it, a second peek of
    // a selected photo changes nothing, nor does a tap beside the card.
    auto peekAt = [&](long item) {
        const Point at = b.centreOf("myCollectionViewRullino.0." + std::to_string(item));
        b.press(at, 0.2, 1.0);
        b.release(at, 1.0);
        return b.screen->peek();
    };
    auto peek = peekAt(3);
    ASSERT_TRUE(peek && peek->asset);
    const auto& peeked = (*b.screen->assetsFetchResults)[3];
    EXPECT_EQ(std::tuple(b.screen->indexSelezionatoPeek, peek->asset->localIdentifier), std::tuple(3, peeked.localIdentifier));
    const Rect card = peek->view()->frame();
    EXPECT_NEAR(card.height() / card.width(), double(peeked.pixelHeight) / peeked.pixelWidth, 0.01);
    EXPECT_FALSE(peek->myImageView->image().isEmpty());
    EXPECT_EQ(b.screen->myArrIndexSelezionati, (Positions { 5, 9 })) << "a firm press is no tap";
    EXPECT_NE(b.screen->myViewPreviewLongGesture->center(), b.screen->Centro) << "nor a long press";
    b.tap("myImageView");
    EXPECT_TRUE(!b.screen->peek() && b.gridCell(3)->isSelected());
    EXPECT_EQ(b.screen->myArrIndexSelezionati, (Positions { 5, 9, 3 }));
    ASSERT_TRUE(peekAt(3));
    b.tap("myImageView");
    ASSERT_TRUE(peekAt(6));
    test::tap(*b.window, { 5, 5 });
    b.settle(0.5);
    EXPECT_FALSE(b.screen->peek());
    EXPECT_EQ(b.screen->myArrIndexSelezionati, (Positions { 5, 9, 3 }));

    // Confirm without a logo closes the panel and stays.
    b.tap("myButtonSelezionaProperty");
    EXPECT_EQ(std::tuple(b.navigation->viewControllers().size(), panelOpen(), b.screen->myArrIndexSelezionati), std::tuple(1uz, false, Positions { 5, 9, 3 })) << "no logo: the screen stays";

    // The gallery opens as a picker, and the logo it hands back shows on return.
    EXPECT_EQ(b.giveLogo(), "logopicker");
    EXPECT_EQ(std::tuple(b.screen->myViewBgLogoPreview->alpha(), b.screen->myImageviewLogoPreview->image().pixelWidth()), std::tuple(1.0, 64));

    // Confirm, photos and logo being there, goes on at once with the positions, their photos and
    // the logo; back on the browser the selection is kept and forward hands it over again.
    b.tap("myButtonPicker");
    EXPECT_TRUE(b.gridCell(9)->isSelected()) << "the grid shows the selection when it opens again";
    b.tap("myButtonSelezionaProperty");
    for (int visit = 0; visit < 2; ++visit) {
        auto apply = std::dynamic_pointer_cast<QuintaraApplyController>(b.navigation->topViewController());
        ASSERT_TRUE(apply) << visit;
        EXPECT_EQ(apply->myArrayIndexSelezionati, (std::vector<int> { 5, 9, 3 }));
        ASSERT_TRUE(apply->assetsFetchResults && apply->logoDaAplicare);
        for (int position : apply->myArrayIndexSelezionati)
            EXPECT_EQ((*apply->assetsFetchResults)[static_cast<std::size_t>(position)].localIdentifier, order[static_cast<std::size_t>(position)]);
        EXPECT_EQ(apply->logoDaAplicare->pixelWidth(), 64);
        b.navigation->popViewController(true);
        b.settle();
        EXPECT_EQ(std::tuple(b.screen->myArrIndexSelezionati, panelOpen()), std::tuple(Positions { 5, 9, 3 }, false)) << "kept, panels closed on return";
        if (visit == 0)
            b.tap("myButtonAvantiPro");
    }

    // The strip removes photos by their buttons, the rows after moving up, and closes when empty.
    b.tap("myButtonEntraSelezionate");
    EXPECT_TRUE(b.screen->myBoolSelezionateAperto && b.screen->myViewBgCollectionViewSELEZIONATE->center().y == b.screen->Centro.y);
    auto strip = b.screen->myCollectionViewSELEZIONATE;
    ASSERT_EQ(strip->numberOfItemsInSection(0), 3);
    auto stripCell = [&](long item) { return std::dynamic_pointer_cast<browser::FotoSelezionateCollectionCell>(strip->cellForItemAtIndexPath(IndexPath::forItem(item, 0))); };
    b.tap("myCollectionViewSELEZIONATE.0.1.myButtonDeselect");
    EXPECT_EQ(std::tuple(b.screen->myArrIndexSelezionati, b.screen->myLabelGiaSelezionate->text()), std::tuple(Positions { 5, 3 }, scritte.stringaSelezionate() + " (2)"));
    ASSERT_TRUE(stripCell(1));
    EXPECT_EQ(std::tuple(stripCell(1)->cella, stripCell(1)->numeroinarray), std::tuple(1, 3));
    b.tap("myCollectionViewSELEZIONATE.0.1.myButtonDeselect");
    EXPECT_EQ(std::tuple(b.screen->myArrIndexSelezionati, b.screen->myBoolSelezionateAperto), std::tuple(Positions { 5 }, true));
    b.tap("myCollectionViewSELEZIONATE.0.0.myButtonDeselect");
    EXPECT_EQ(std::tuple(b.screen->myArrIndexSelezionati.empty(), b.screen->myBoolSelezionateAperto, b.screen->myViewBgCollectionViewSELEZIONATE->center().y), std::tuple(true, false, 3 * b.screen->Centro.y))
        << "removing the last photo closes the strip";

    // Cancel: with a selection it empties it and keeps the panel; with the album list open it only
    // closes the list; with nothing selected it closes the panel.
    b.tap("myButtonPicker");
    b.tapCell(5);
    EXPECT_EQ(b.screen->myArrIndexSelezionati, (Positions { 5 })) << "the grid no longer showed it selected";
    b.tap("myButtonAnnullaProperty");
    EXPECT_EQ(std::tuple(b.screen->myArrIndexSelezionati.empty(), panelOpen(), b.screen->myCollectionViewRullino->alpha(), b.gridCell(5)->isSelected(), b.gridCell(5)->myLabelCheck->alpha()), std::tuple(true, true, 1.0, false, 0.0));
    b.tapCell(4);
    // A second tap on the album button during its 0.4 s slide is ignored.
    const Point albumButton = b.centreOf("myButtonSelezionaAlbum");
    for (int tap = 0; tap < 2; ++tap) {
        b.window->sendTouches(TouchPhase::Began, { { 1, albumButton } });
        RunLoop::main().advance(0.05);
        b.window->sendTouches(TouchPhase::Ended, { { 1, albumButton } });
        RunLoop::main().advance(0.1);
    }
    b.settle();
    EXPECT_TRUE(b.screen->myBoolAlbumInAlto);
    b.tap("myButtonAnnullaProperty");
    EXPECT_EQ(std::tuple(b.screen->myBoolAlbumInAlto, b.screen->myArrIndexSelezionati), std::tuple(false, Positions { 4 }));

    // An album replaces the grid and empties the selection; all photos bring the grid back.
    b.tap("myButtonSelezionaAlbum");
    auto table = b.screen->myTableViewSelezionaAlbum;
    EXPECT_EQ(std::tuple(table->numberOfSections(), table->numberOfRowsInSection(1)), std::tuple(2, 2));
    auto row = [&](long section) { return std::dynamic_pointer_cast<browser::AlbumTableViewCell>(table->cellForRowAtIndexPath(IndexPath::forRow(0, section))); };
    ASSERT_TRUE(row(0) && row(1));
    EXPECT_EQ(std::tuple(row(0)->myLabelTitoloAlbum->text(), row(1)->myLabelTitoloAlbum->text()), std::tuple(scritte.stringaRullino(), "Mare"));
    EXPECT_FALSE(row(0)->myImageCopertinaalbum->image().isEmpty() || row(1)->myImageCopertinaalbum->image().isEmpty()) << "the newest photo is the cover";
    b.tap("myTableViewSelezionaAlbum.1.0");
    EXPECT_EQ(b.gridPhotos(), (std::vector<std::string> { "Mare/scogli.jpg", "Mare/spiaggia.jpg", "Mare/onde.jpg" }));
    EXPECT_EQ(std::tuple(b.screen->myArrIndexSelezionati.empty(), b.screen->myButtonSelezionaAlbum->currentTitle(), b.screen->myBoolAlbumInAlto, b.screen->myLabelCountSelezionate->text()), std::tuple(true, "Mare\u2303", false, ""));
    b.tapCell(1);
    EXPECT_EQ(b.screen->myArrIndexSelezionati, (Positions { 1 }));
    b.tap("myButtonSelezionaAlbum");
    b.tap("myTableViewSelezionaAlbum.0.0");
    EXPECT_EQ(b.gridPhotos(), order);
    EXPECT_EQ(std::tuple(b.screen->myArrIndexSelezionati.empty(), b.screen->myButtonSelezionaAlbum->currentTitle()), std::tuple(true, scritte.stringaRullino() + "\u2303"));
    b.tap("myButtonAnnullaProperty");
    EXPECT_FALSE(panelOpen()) << "cancel with nothing selected closes the panel";

    // An album that disappears takes the grid back to all photos.
    b.tap("myButtonPicker");
    b.tap("myButtonSelezionaAlbum");
    b.tap("myTableViewSelezionaAlbum.1.1");
    b.tapCell(1);
    std::filesystem::remove_all(b.photos.root / "Montagna");
    b.screen->photoLibraryDidChange();
    b.settle();
    EXPECT_EQ(std::tuple(b.gridPhotos().size(), b.screen->myArrIndexSelezionati.empty(), table->numberOfRowsInSection(1)), std::tuple(order.size() - 2, true, 1));
}

TEST(BrowserScreen, WithoutPhotoAccessTheGridIsEmptyAndTheAlertLeadsToSettings)
{
    BrowserHarness b(DeviceKind::Phone, AuthorizationStatus::Denied);
    EXPECT_FALSE(b.screen->sectionFetchResults || b.screen->assetsFetchResults);
    EXPECT_EQ(std::tuple(b.screen->myCollectionViewRullino->numberOfItemsInSection(0), b.screen->myTableViewSelezionaAlbum->numberOfSections()), std::tuple(0, 0));
    auto alert = b.alert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->message(), mySingleScritte::sharedInstance().stringaDeviAutorizzareFoto());
    EXPECT_EQ(alert->actions().size() == 1 ? alert->actions()[0].title : "", "Settings");
    alert->performAction(0);
    b.settle();
    EXPECT_TRUE(b.window->viewNamed("settingsScreen")) << "the Settings action opens the settings page";
}

std::string selectedNames(BrowserHarness& b)
{
    std::string names;
    for (int position : b.screen->myArrIndexSelezionati)
        names += (names.empty() ? "" : " ") + (*b.screen->assetsFetchResults)[static_cast<std::size_t>(position)].localIdentifier;
    return names;
}

// The folder changes behind the screen's back (a file manager, a camera import); the screen reads
// it again when it comes back into view.
TEST(BrowserLibraryChange, TheSelectionFollowsItsPhotosDropsThoseThatAreGoneAndForwardReadsAgain)
{
    BrowserHarness b(DeviceKind::Phone);
    b.tap("myButtonPicker");
    for (long item : { 5, 2, 9, 15 })
        b.tapCell(item);
    const auto& order = b.photos.newestFirst;

    // A new photo, newer than all, and two selected ones removed.
    test::writeUniformJpeg(b.photos.root / "nuova.jpg", 80, 60, 0x884422);
    test::editMetadata(b.photos.root / "nuova.jpg", [](Exiv2::Image& image) { image.exifData()["Exif.Photo.DateTimeOriginal"] = "2024:01:01 09:00:00"; });
    std::filesystem::remove(b.photos.root / order[2]);
    std::filesystem::remove(b.photos.root / order[15]);

    b.tap("myButtonChiudiPicker");
    b.tap("myButtonEntraLogoPicker"); // away to the gallery and back
    b.navigation->popViewController(true);
    b.settle();
    EXPECT_EQ(std::tuple(b.gridPhotos().front(), b.gridPhotos().size()), std::tuple("nuova.jpg", order.size() - 1));
    // Photo 5 moved to 5 (one new before it, one gone before it); photo 9 to 9 likewise.
    EXPECT_EQ(selectedNames(b), order[5] + " " + order[9]);
    EXPECT_EQ(std::tuple(b.screen->myArrIndexSelezionati, b.screen->myLabelCountSelezionate->text()), std::tuple(Positions { 5, 9 }, "(2)"));

    // Everything selected vanishes: nothing left to index, nothing handed on.
    std::filesystem::remove(b.photos.root / order[5]);
    std::filesystem::remove(b.photos.root / order[9]);
    b.giveLogo();
    EXPECT_TRUE(b.screen->myArrIndexSelezionati.empty());
    b.tap("myButtonAvantiPro");
    EXPECT_EQ(b.navigation->viewControllers().size(), 1u);
    ASSERT_TRUE(b.alert());
    b.alert()->performAction(0);

    // Forward reads the folder again before handing over.
    b.tap("myButtonPicker");
    for (long item : { 1, 3 })
        b.tapCell(item);
    b.tap("myButtonChiudiPicker");
    const std::string kept = b.gridPhotos()[3];
    std::filesystem::remove(b.photos.root / b.gridPhotos()[1]);
    b.tap("myButtonAvantiPro");
    auto apply = std::dynamic_pointer_cast<QuintaraApplyController>(b.navigation->topViewController());
    ASSERT_TRUE(apply);
    ASSERT_EQ(apply->myArrayIndexSelezionati.size(), 1u);
    EXPECT_EQ((*apply->assetsFetchResults)[static_cast<std::size_t>(apply->myArrayIndexSelezionati[0])].localIdentifier, kept);
}

// Files dropped on the browser: photos of the library become the selection in drop order (the
// grid going to all photos when its album lacks one), a file that is no photo is named in one
// alert; a photo from outside is copied into "Imported" only when the person agrees.
TEST(BrowserDrop, DroppedPhotosBecomeTheSelectionAndOnesFromOutsideAreCopiedOnlyWhenAgreed)
{
    BrowserHarness b(DeviceKind::Phone);
    b.tap("myButtonPicker");
    b.tap("myButtonSelezionaAlbum");
    b.tap("myTableViewSelezionaAlbum.1.1"); // Montagna, which holds neither photo dropped first
    const auto& order = b.photos.newestFirst;
    test::TemporaryFolder elsewhere;
    std::ofstream(elsewhere / "notes.txt") << "not a photo";
    test::writeUniformJpeg(elsewhere / "outside.jpg", 80, 60, 0x224488);
    auto drop = [&](const std::vector<std::filesystem::path>& files) {
        EXPECT_TRUE(b.window->sendDrop(b.window->bounds().center(), files));
        b.settle();
    };
    auto answer = [&](int action, const std::string& names) {
        ASSERT_TRUE(b.alert());
        EXPECT_NE(b.alert()->message().find(names), std::string::npos) << b.alert()->message();
        b.alert()->performAction(action);
        b.settle();
    };

    drop({ b.photos.root / order[7], elsewhere / "notes.txt", b.photos.root / order[3] });
    EXPECT_EQ(std::tuple(b.gridPhotos().size(), selectedNames(b), b.screen->myLabelCountSelezionate->text()), std::tuple(order.size(), order[7] + " " + order[3], "(2)"));
    answer(0, "notes.txt");

    // Declined: only the library's photo is selected, nothing is copied; agreed: the copy joins
    // the library and the selection, in drop order.
    drop({ elsewhere / "outside.jpg", b.photos.root / order[1] });
    answer(1, "outside.jpg");
    EXPECT_EQ(std::tuple(selectedNames(b), std::filesystem::exists(b.photos.root / "Imported")), std::tuple(order[1], false));
    drop({ elsewhere / "outside.jpg", b.photos.root / order[1] });
    answer(0, "outside.jpg");
    EXPECT_EQ(std::tuple(selectedNames(b), b.gridPhotos().size()), std::tuple("Imported/outside.jpg " + order[1], order.size() + 1));
    EXPECT_TRUE(std::filesystem::exists(elsewhere / "outside.jpg")) << "copied, not moved";
    EXPECT_FALSE(b.alert());
    drop({ elsewhere / "outside.jpg" }); // again: a copy of its own beside the first, which stays
    answer(0, "outside.jpg");
    EXPECT_EQ(std::tuple(selectedNames(b), b.gridPhotos().size()), std::tuple(std::string("Imported/outside_2.jpg"), order.size() + 2));
}

TEST(DetailViewController, ThePeekHasThePhotosUprightProportions)
{
    PhotoAsset photo;
    std::tie(photo.pixelWidth, photo.pixelHeight, photo.orientation) = std::tuple(4000, 3000, 6); // stored turned: upright it stands
    EXPECT_DOUBLE_EQ(browser::DetailViewController::altezzaPerLarghezza(photo, 375), 500);
    EXPECT_EQ(browser::DetailViewController::altezzaPerLarghezza(PhotoAsset {}, 375), 0);
}

}
}
