#include <browser/BrowserHarness.h>

#include <services/mySingleScritte.h>
#include <browser/AlbumTableViewCell.h>
#include <browser/FotoSelezionateCollectionCell.h>

namespace vd {
namespace {

using test::BrowserHarness;
using Positions = std::vector<int>;

class BrowserOnDevice : public ::testing::TestWithParam<DeviceKind> {};

INSTANTIATE_TEST_SUITE_P(PhoneAndTablet, BrowserOnDevice, ::testing::Values(DeviceKind::Phone, DeviceKind::Tablet),
    [](const auto& info) { return std::string(deviceKindName(info.param)); });

TEST_P(BrowserOnDevice, TheGridShowsTheLibraryNewestFirstInColumnsOfTheDevice)
{
    BrowserHarness b(GetParam());
    EXPECT_EQ(b.gridPhotos(), b.photos.newestFirst);
    ASSERT_TRUE(b.screen->sectionFetchResults);
    EXPECT_EQ(b.screen->sectionFetchResults->topLevelCollections.count(), 2u);
    b.tap("myButtonPicker");
    EXPECT_EQ(b.screen->myViewBgCollectionPicker->center(), b.screen->Centro) << "the grid panel is open";
    const double width = b.screen->myCollectionViewRullino->bounds().width();
    auto first = b.gridCell(0);
    ASSERT_TRUE(first);
    const double columns = GetParam() == DeviceKind::Tablet ? 10 : 4;
    EXPECT_NEAR(first->bounds().width(), width / columns, 0.01);
    auto second = b.gridCell(1);
    auto nextLine = b.gridCell(static_cast<long>(columns));
    ASSERT_TRUE(second && nextLine);
    EXPECT_EQ(second->frame().minY(), first->frame().minY()) << "the second photo stands beside the first";
    EXPECT_GT(nextLine->frame().minY(), first->frame().minY()) << "a line holds exactly the device's columns";
    // Thumbnails arrive from the workers, each the photo of its cell.
    EXPECT_EQ(first->representedAssetIdentifier(), b.photos.newestFirst[0]);
    EXPECT_FALSE(first->myImagePhoto->image().isEmpty());
    EXPECT_LE(first->myImagePhoto->image().pixelWidth(), static_cast<int>(width / columns * 2) + 1);
}

TEST_P(BrowserOnDevice, SelectionKeepsTheOrderOfTapsAndTheCountersFollow)
{
    BrowserHarness b(GetParam());
    const auto& scritte = mySingleScritte::sharedInstance();
    b.tap("myButtonPicker");
    auto confirm = b.screen->myButtonSelezionaProperty;
    EXPECT_EQ(b.screen->myLabelCountSelezionate->text(), "");
    EXPECT_NEAR(confirm->alpha(), 0.1, 1e-9);
    EXPECT_FALSE(confirm->isEnabled());

    for (long item : { 5, 2, 9 })
        b.tapCell(item);
    EXPECT_EQ(b.screen->myArrIndexSelezionati, (Positions { 5, 2, 9 }));
    auto cell = b.gridCell(2);
    EXPECT_EQ(cell->myLabelCheck->alpha(), 1);
    EXPECT_EQ(cell->myImagePhoto->layer().borderWidth(), 2.2);
    b.tapCell(2);
    EXPECT_EQ(b.screen->myArrIndexSelezionati, (Positions { 5, 9 }));
    EXPECT_EQ(b.screen->myLabelCountSelezionate->text(), "(2)");
    EXPECT_EQ(b.screen->myLabelGiaSelezionate->text(), scritte.stringaSelezionate() + " (2)");
    EXPECT_EQ(cell->myLabelCheck->alpha(), 0);
    EXPECT_NEAR(confirm->alpha(), 1, 1e-9);
    EXPECT_TRUE(confirm->isEnabled());
    b.tapCell(2);
    EXPECT_EQ(b.screen->myArrIndexSelezionati, (Positions { 5, 9, 2 })) << "selected again, it goes to the end";
}

TEST_P(BrowserOnDevice, ForwardHandsThePositionsTheirPhotosAndTheLogoToTheApplyScreen)
{
    BrowserHarness b(GetParam());
    // Without photos or logo, forward explains and stays.
    b.tap("myButtonAvantiPro");
    auto alert = b.alert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), mySingleScritte::sharedInstance().stringaSelezionaMedia());
    EXPECT_EQ(alert->message(), mySingleScritte::sharedInstance().stringaSelezionaFotoELogo());
    alert->performAction(0);
    b.settle();
    EXPECT_EQ(b.navigation->viewControllers().size(), 1u);

    // The gallery opens as a picker, and the logo it hands back shows on return.
    b.tap("myButtonEntraLogoPicker");
    auto gallery = std::dynamic_pointer_cast<test::GalleryStandIn>(b.navigation->topViewController());
    ASSERT_TRUE(gallery);
    EXPECT_EQ(gallery->myStringProvenienza, "logopicker");
    b.screen->setMyImageLogoPreview(test::opaqueLogo(64, Color::rgba(1, 0, 0)));
    b.navigation->popViewController(true);
    b.settle();
    EXPECT_EQ(b.screen->myViewBgLogoPreview->alpha(), 1);
    EXPECT_EQ(b.screen->myImageviewLogoPreview->image().pixelWidth(), 64);

    // A logo and no photos: still the alert.
    b.tap("myButtonAvantiPro");
    ASSERT_TRUE(b.alert());
    b.alert()->performAction(0);
    b.settle();

    b.tap("myButtonPicker");
    for (long item : { 5, 2, 9, 2 })
        b.tapCell(item);
    // Confirm closes the grid panel and goes on at once, photos and logo being there.
    b.tap("myButtonSelezionaProperty");
    auto apply = std::dynamic_pointer_cast<QuintaraApplyController>(b.navigation->topViewController());
    ASSERT_TRUE(apply);
    EXPECT_EQ(apply->myArrayIndexSelezionati, (std::vector<int> { 5, 9 }));
    ASSERT_TRUE(apply->assetsFetchResults);
    EXPECT_EQ((*apply->assetsFetchResults)[5].localIdentifier, b.photos.newestFirst[5]);
    EXPECT_EQ((*apply->assetsFetchResults)[9].localIdentifier, b.photos.newestFirst[9]);
    ASSERT_TRUE(apply->logoDaAplicare);
    EXPECT_EQ(apply->logoDaAplicare->pixelWidth(), 64);

    // Back on the browser the selection is kept and forward hands it over again.
    b.navigation->popViewController(true);
    b.settle();
    EXPECT_EQ(b.screen->myArrIndexSelezionati, (Positions { 5, 9 }));
    EXPECT_NE(b.screen->myViewBgCollectionPicker->center(), b.screen->Centro) << "panels closed on return";
    b.tap("myButtonAvantiPro");
    apply = std::dynamic_pointer_cast<QuintaraApplyController>(b.navigation->topViewController());
    ASSERT_TRUE(apply);
    EXPECT_EQ(apply->myArrayIndexSelezionati, (std::vector<int> { 5, 9 }));
}

TEST_P(BrowserOnDevice, ConfirmWithoutALogoStaysAndCancelFollowsItsThreeRules)
{
    BrowserHarness b(GetParam());
    b.tap("myButtonPicker");
    b.tapCell(3);
    b.tap("myButtonSelezionaProperty");
    EXPECT_EQ(b.navigation->viewControllers().size(), 1u) << "no logo: the screen stays";
    EXPECT_NE(b.screen->myViewBgCollectionPicker->center(), b.screen->Centro) << "the grid panel closed";
    EXPECT_EQ(b.screen->myArrIndexSelezionati, (Positions { 3 }));

    // Cancel with a selection empties it and keeps the panel open.
    b.tap("myButtonPicker");
    EXPECT_TRUE(b.gridCell(3)->isSelected()) << "the grid shows the selection when it opens again";
    b.tapCell(7);
    b.tap("myButtonAnnullaProperty");
    EXPECT_TRUE(b.screen->myArrIndexSelezionati.empty());
    EXPECT_EQ(b.screen->myViewBgCollectionPicker->center(), b.screen->Centro);
    EXPECT_EQ(b.screen->myCollectionViewRullino->alpha(), 1);
    EXPECT_FALSE(b.gridCell(3)->isSelected());
    EXPECT_EQ(b.gridCell(3)->myLabelCheck->alpha(), 0);

    // Cancel while the album list is open only closes the list.
    b.tapCell(4);
    b.tap("myButtonSelezionaAlbum");
    EXPECT_TRUE(b.screen->myBoolAlbumInAlto);
    b.tap("myButtonAnnullaProperty");
    EXPECT_FALSE(b.screen->myBoolAlbumInAlto);
    EXPECT_EQ(b.screen->myArrIndexSelezionati, (Positions { 4 }));

    // Cancel with nothing selected closes the panel.
    b.tap("myButtonAnnullaProperty");
    EXPECT_EQ(b.screen->myViewBgCollectionPicker->center(), b.screen->Centro);
    b.tap("myButtonAnnullaProperty");
    EXPECT_NE(b.screen->myViewBgCollectionPicker->center(), b.screen->Centro);
}

TEST_P(BrowserOnDevice, TheStripRemovesPhotosByTheirButtonsAndClosesWhenEmpty)
{
    BrowserHarness b(GetParam());
    b.tap("myButtonPicker");
    for (long item : { 6, 1, 8 })
        b.tapCell(item);
    b.tap("myButtonChiudiPicker");
    b.tap("myButtonEntraSelezionate");
    EXPECT_TRUE(b.screen->myBoolSelezionateAperto);
    EXPECT_EQ(b.screen->myViewBgCollectionViewSELEZIONATE->center().y, b.screen->Centro.y);
    auto strip = b.screen->myCollectionViewSELEZIONATE;
    ASSERT_EQ(strip->numberOfItemsInSection(0), 3);
    auto middle = std::dynamic_pointer_cast<browser::FotoSelezionateCollectionCell>(strip->cellForItemAtIndexPath(IndexPath::forItem(1, 0)));
    ASSERT_TRUE(middle);
    EXPECT_EQ(middle->cella, 1);
    EXPECT_EQ(middle->numeroinarray, 1);

    b.tap("myCollectionViewSELEZIONATE.0.1.myButtonDeselect");
    EXPECT_EQ(b.screen->myArrIndexSelezionati, (Positions { 6, 8 }));
    EXPECT_EQ(b.screen->myLabelGiaSelezionate->text(), mySingleScritte::sharedInstance().stringaSelezionate() + " (2)");
    // The rows after the removed one moved up, buttons included.
    auto last = std::dynamic_pointer_cast<browser::FotoSelezionateCollectionCell>(strip->cellForItemAtIndexPath(IndexPath::forItem(1, 0)));
    ASSERT_TRUE(last);
    EXPECT_EQ(last->cella, 1);
    EXPECT_EQ(last->numeroinarray, 8);
    b.tap("myCollectionViewSELEZIONATE.0.1.myButtonDeselect");
    EXPECT_EQ(b.screen->myArrIndexSelezionati, (Positions { 6 }));
    EXPECT_TRUE(b.screen->myBoolSelezionateAperto);
    b.tap("myCollectionViewSELEZIONATE.0.0.myButtonDeselect");
    EXPECT_TRUE(b.screen->myArrIndexSelezionati.empty());
    EXPECT_FALSE(b.screen->myBoolSelezionateAperto) << "removing the last photo closes the strip";
    EXPECT_EQ(b.screen->myViewBgCollectionViewSELEZIONATE->center().y, 3 * b.screen->Centro.y);

    // The grid no longer shows them selected: a tap selects again rather than deselecting.
    b.tap("myButtonPicker");
    b.tapCell(6);
    EXPECT_EQ(b.screen->myArrIndexSelezionati, (Positions { 6 }));
}

TEST_P(BrowserOnDevice, AnAlbumReplacesTheGridAndEmptiesTheSelection)
{
    BrowserHarness b(GetParam());
    b.tap("myButtonPicker");
    b.tapCell(0);
    // A second tap during the 0.4 s slide is ignored.
    const Point albumButton = b.centreOf("myButtonSelezionaAlbum");
    for (int tap = 0; tap < 2; ++tap) {
        b.window->sendTouches(TouchPhase::Began, { { 1, albumButton } });
        RunLoop::main().advance(0.05);
        b.window->sendTouches(TouchPhase::Ended, { { 1, albumButton } });
        RunLoop::main().advance(0.1);
    }
    b.settle();
    EXPECT_TRUE(b.screen->myBoolAlbumInAlto);
    auto table = b.screen->myTableViewSelezionaAlbum;
    EXPECT_EQ(table->numberOfSections(), 2);
    EXPECT_EQ(table->numberOfRowsInSection(1), 2);
    auto allPhotos = std::dynamic_pointer_cast<browser::AlbumTableViewCell>(table->cellForRowAtIndexPath(IndexPath::forRow(0, 0)));
    ASSERT_TRUE(allPhotos);
    EXPECT_EQ(allPhotos->myLabelTitoloAlbum->text(), mySingleScritte::sharedInstance().stringaRullino());
    EXPECT_FALSE(allPhotos->myImageCopertinaalbum->image().isEmpty()) << "the newest photo is the cover";
    auto mare = std::dynamic_pointer_cast<browser::AlbumTableViewCell>(table->cellForRowAtIndexPath(IndexPath::forRow(0, 1)));
    ASSERT_TRUE(mare);
    EXPECT_EQ(mare->myLabelTitoloAlbum->text(), "Mare");
    EXPECT_FALSE(mare->myImageCopertinaalbum->image().isEmpty());

    b.tap("myTableViewSelezionaAlbum.1.0");
    EXPECT_EQ(b.gridPhotos(), (std::vector<std::string> { "Mare/scogli.jpg", "Mare/spiaggia.jpg", "Mare/onde.jpg" }));
    EXPECT_TRUE(b.screen->myArrIndexSelezionati.empty());
    EXPECT_EQ(b.screen->myButtonSelezionaAlbum->currentTitle(), "Mare\u2303");
    EXPECT_FALSE(b.screen->myBoolAlbumInAlto);
    EXPECT_EQ(b.screen->myLabelCountSelezionate->text(), "");
    b.tapCell(1);
    EXPECT_EQ(b.screen->myArrIndexSelezionati, (Positions { 1 }));

    b.tap("myButtonSelezionaAlbum");
    b.tap("myTableViewSelezionaAlbum.0.0");
    EXPECT_EQ(b.gridPhotos(), b.photos.newestFirst);
    EXPECT_TRUE(b.screen->myArrIndexSelezionati.empty());
    EXPECT_EQ(b.screen->myButtonSelezionaAlbum->currentTitle(), mySingleScritte::sharedInstance().stringaRullino() + "\u2303");
}

TEST_P(BrowserOnDevice, ALongPressShowsThePhotoLargeAndAPressOnTheGapDoesNot)
{
    BrowserHarness b(GetParam());
    b.tap("myButtonPicker");
    const Point onPhoto = b.centreOf("myCollectionViewRullino.0.4");
    b.press(onPhoto, 0.5);
    EXPECT_EQ(b.screen->myViewPreviewLongGesture->center(), b.screen->Centro);
    const Image& large = b.screen->myImageViewLongGesture->image();
    ASSERT_FALSE(large.isEmpty());
    const auto& asset = (*b.screen->assetsFetchResults)[4];
    EXPECT_EQ(large.pixelWidth(), asset.pixelWidth) << "the photo at its own size";
    b.release(onPhoto);
    EXPECT_NE(b.screen->myViewPreviewLongGesture->center(), b.screen->Centro);
    EXPECT_TRUE(b.screen->myArrIndexSelezionati.empty()) << "a long press selects nothing";

    // Below the last line of photos there is no photo to show.
    auto grid = b.screen->myCollectionViewRullino;
    const Point gap = grid->convertPointToView({ grid->bounds().midX(), grid->bounds().maxY() - 10 }, nullptr);
    ASSERT_FALSE(grid->indexPathForItemAtPoint(grid->convertPointFromView(gap, nullptr)));
    b.press(gap, 0.5);
    EXPECT_NE(b.screen->myViewPreviewLongGesture->center(), b.screen->Centro);
    b.release(gap);
}

TEST_P(BrowserOnDevice, APeekTakesThePhotosProportionsAndSelectsItWhenCommitted)
{
    BrowserHarness b(GetParam());
    b.tap("myButtonPicker");
    const Point onPhoto = b.centreOf("myCollectionViewRullino.0.3");
    b.press(onPhoto, 0.2, 1.0);
    b.release(onPhoto, 1.0);
    auto peek = b.screen->peek();
    ASSERT_TRUE(peek);
    EXPECT_EQ(b.screen->indexSelezionatoPeek, 3);
    const auto& asset = (*b.screen->assetsFetchResults)[3];
    ASSERT_TRUE(peek->asset);
    EXPECT_EQ(peek->asset->localIdentifier, asset.localIdentifier);
    const Rect card = peek->view()->frame();
    EXPECT_NEAR(card.height() / card.width(), double(asset.pixelHeight) / asset.pixelWidth, 0.01);
    EXPECT_NEAR(peek->preferredContentSize().height, asset.pixelHeight * (card.width() / asset.pixelWidth), 0.01);
    EXPECT_FALSE(peek->myImageView->image().isEmpty());
    EXPECT_TRUE(b.screen->myArrIndexSelezionati.empty()) << "a firm press is no tap";
    EXPECT_FALSE(b.screen->myViewPreviewLongGesture->center() == b.screen->Centro) << "nor a long press";

    b.tap("myImageView");
    EXPECT_FALSE(b.screen->peek());
    EXPECT_EQ(b.screen->myArrIndexSelezionati, (Positions { 3 }));
    EXPECT_TRUE(b.gridCell(3)->isSelected());

    // Committing a peek of a selected photo changes nothing; a tap beside the card commits nothing.
    b.tapCell(8);
    b.press(onPhoto, 0.2, 1.0);
    b.release(onPhoto, 1.0);
    ASSERT_TRUE(b.screen->peek());
    b.tap("myImageView");
    EXPECT_EQ(b.screen->myArrIndexSelezionati, (Positions { 3, 8 }));
    const Point other = b.centreOf("myCollectionViewRullino.0.5");
    b.press(other, 0.2, 1.0);
    b.release(other, 1.0);
    ASSERT_TRUE(b.screen->peek());
    b.tapAt({ 5, 5 });
    EXPECT_FALSE(b.screen->peek());
    EXPECT_EQ(b.screen->myArrIndexSelezionati, (Positions { 3, 8 }));
}

TEST(BrowserScreen, APhotoThatDoesNotDecodeShowsAMarkAndCannotBeSelected)
{
    BrowserHarness b(DeviceKind::Phone);
    b.tap("myButtonPicker");
    const long broken = static_cast<long>(b.photos.newestFirst.size()) - 1;
    auto cell = b.gridCell(broken);
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->representedAssetIdentifier(), "rotta.jpg");
    EXPECT_TRUE(cell->isUnreadable());
    EXPECT_TRUE(cell->myImagePhoto->image().isEmpty()) << "no stale picture";
    EXPECT_FALSE(cell->myLabelIllegibile->isHidden());
    EXPECT_FALSE(b.gridCell(0)->isUnreadable());
    b.tapCell(broken);
    EXPECT_TRUE(b.screen->myArrIndexSelezionati.empty());
    auto alert = b.alert();
    ASSERT_TRUE(alert);
    EXPECT_NE(alert->message().find("rotta.jpg"), std::string::npos) << alert->message();
}

TEST(BrowserScreen, WithoutPhotoAccessTheGridIsEmptyAndTheAlertLeadsToSettings)
{
    BrowserHarness b(DeviceKind::Phone, AuthorizationStatus::Denied);
    EXPECT_FALSE(b.screen->sectionFetchResults);
    EXPECT_FALSE(b.screen->assetsFetchResults);
    EXPECT_EQ(b.screen->myCollectionViewRullino->numberOfItemsInSection(0), 0);
    EXPECT_EQ(b.screen->myTableViewSelezionaAlbum->numberOfSections(), 0);
    auto alert = b.alert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "Vardenico");
    EXPECT_EQ(alert->message(), mySingleScritte::sharedInstance().stringaDeviAutorizzareFoto());
    ASSERT_EQ(alert->actions().size(), 1u);
    EXPECT_EQ(alert->actions()[0].title, "Settings");
    alert->performAction(0);
    b.settle();
    bool settingsShown = false;
    for (auto& view : b.window->subviews())
        settingsShown = settingsShown || view->className() == "SettingsScreen";
    EXPECT_TRUE(settingsShown) << "the Settings action opens the settings page";
}

TEST(DetailViewController, ThePeekHasThePhotosUprightProportions)
{
    PhotoAsset landscape;
    landscape.pixelWidth = 4000;
    landscape.pixelHeight = 3000;
    EXPECT_DOUBLE_EQ(browser::DetailViewController::altezzaPerLarghezza(landscape, 375), 281.25);
    landscape.orientation = 6; // stored turned: upright it stands
    EXPECT_DOUBLE_EQ(browser::DetailViewController::altezzaPerLarghezza(landscape, 375), 500);
    EXPECT_EQ(browser::DetailViewController::altezzaPerLarghezza(std::nullopt, 375), 0);
    EXPECT_EQ(browser::DetailViewController::altezzaPerLarghezza(PhotoAsset {}, 375), 0);
}

}
}
