#include "ApplyScreenSupport.h"
#include "StampFixtures.h"

#include <platform/graphics/ImageMetadata.h>
#include <platform/ui/controls/ImageView.h>
#include <platform/ui/controls/ProgressView.h>
#include <platform/ui/controls/Stepper.h>
#include <platform/ui/controls/Switch.h>
#include <platform/ui/lists/CollectionView.h>

namespace vd {
namespace {

using test::ApplyScreen;

const Image kLogo = test::opaqueLogo(60, Color::rgba(1, 0, 0));

class ApplyScreenRules : public ApplyScreen {
protected:
    void SetUp() override
    {
        ApplyScreen::SetUp();
        for (const auto& [name, width, height] : { std::tuple { "portrait.jpg", 300, 400 }, { "panorama.jpg", 800, 300 }, { "wide1.jpg", 600, 400 }, { "wide2.jpg", 450, 300 } })
            test::writeUniformJpeg(root() / name, width, height, 0x336699);
    }
    // Puts the sticker's frame at origin (container points), keeping its size.
    void placeSticker(Point origin)
    {
        const Rect s = sticker();
        screen->stickerView->setCenter({ origin.x + s.width() / 2, origin.y + s.height() / 2 });
        screen->metodoAllinementoDaPan();
    }
};

TEST_F(ApplyScreenRules, TheTutorialShowsUntilDismissedTheStepperSetsAPercentageOfTheAreaWidthAndCloseEdgesAreAlignedAndMarked)
{
    UserDefaults::standard().removeObjectForKey("tutorialB");
    open(DeviceKind::Phone, { "portrait.jpg" }, kLogo);
    EXPECT_EQ(screen->myViewBgTutorial->alpha(), 1);
    tap(*screen->myButtonOkTuto);
    EXPECT_EQ(screen->myViewBgTutorial->alpha(), 0);
    EXPECT_EQ(UserDefaults::standard().stringForKey("tutorialB"), "fatto") << "remembered";

    // The stepper sets the logo as a percentage of the area's width.
    auto& areaView = *screen->myViewBgPosizionatoreLogoo;
    areaView.setFrame({ areaView.frame().x(), areaView.frame().y(), 300, areaView.frame().height() });
    tap(*screen->myButtonBigPresetLogo);
    EXPECT_EQ(screen->myViewBgPercentualeGrandezzaLogo->alpha(), 1);
    const Point centre = screen->stickerView->center();
    screen->myStepperPercentualeLogo->setValue(29);
    screen->myStepperPercentualeLogo->increment();
    EXPECT_EQ(screen->stickerView->bounds().size, (Size { 90, 90 }));
    EXPECT_EQ(screen->stickerView->center(), centre);
    EXPECT_EQ(screen->myLabelPercentualeGrandezzaLog->text(), "30 pt");
    EXPECT_NEAR(screen->myPercentualeGrandezza, 30, 1e-9);
    // Never below a fingertip: 72 points with the margins, 24 % of this area; the stepper says so.
    screen->myStepperPercentualeLogo->setValue(10);
    screen->myStepperPercentualeLogo->sendActions(ControlEvent::ValueChanged);
    EXPECT_EQ(screen->stickerView->bounds().size, (Size { 72, 72 }));
    EXPECT_NEAR(screen->myStepperPercentualeLogo->value(), 24, 1e-9);
    EXPECT_NEAR(screen->myStepperPercentualeLogo->minimumValue(), 24, 1e-9);
    EXPECT_EQ(screen->myLabelPercentualeGrandezzaLog->text(), "24 pt");
    tap(*screen->myButtonCloseViewPercentuale);
    EXPECT_EQ(screen->myViewBgPercentualeGrandezzaLogo->alpha(), 0);

    screen->mySliderAlphaProp->setValue(0.4);
    screen->mySliderAlphaProp->sendActions(ControlEvent::ValueChanged);
    EXPECT_EQ(screen->stickerView->alpha(), 0.4);
    EXPECT_EQ(screen->metodoDescrizionePosizionamento().opacity, 0.4);

    const Rect a = area();
    placeSticker({ a.x() + 29.9, a.y() + 100 });
    EXPECT_EQ(screen->myArrAllineamentoGenerale, (std::vector<double> { 1, 0, 0, 0 }));
    EXPECT_EQ(screen->myViewAllineamentoSx->alpha(), 1);
    EXPECT_NEAR(screen->myArrayConMisureMargini[0], 29.9, 1e-9);
    placeSticker({ a.x() + 30.0, a.y() + 100 });
    EXPECT_EQ(screen->myArrAllineamentoGenerale[0], 0) << "30.0 points is not aligned";
    EXPECT_EQ(screen->myViewAllineamentoSx->alpha(), 0);

    // Partly past the right and bottom edges: negative distances, aligned.
    placeSticker({ a.maxX() - sticker().width() + 12, a.maxY() - sticker().height() + 5 });
    EXPECT_LT(screen->myArrayConMisureMargini[1], 0);
    EXPECT_EQ(screen->myArrAllineamentoGenerale, (std::vector<double> { 0, 1, 0, 1 }));
    EXPECT_EQ(screen->myViewAllineamentoDx->alpha(), 1);
    EXPECT_EQ(screen->myViewAllineamntoDw->alpha(), 1);
    tap(*screen->myButtonAppareTutorial);
    EXPECT_EQ(screen->myViewBgTutorial->alpha(), 1) << "shown again when asked";
}

TEST_F(ApplyScreenRules, PanoramasResizeTheLogoByTheShortSidesAndSimilarPhotosKeepItAlignedOrNot)
{
    open(DeviceKind::Phone, { "portrait.jpg", "panorama.jpg", "wide1.jpg", "wide2.jpg" }, kLogo);
    // The phone's area is as wide as the part of the preview beside the opacity slider.
    const double width = area().width();
    EXPECT_NEAR(width, screen->myViewBgSliderAlpha->frame().minX() - 4, 1e-6);
    EXPECT_NEAR(area().height(), width * 400 / 300, 1e-6);
    // Free (no edge): portrait → panorama resizes by the short sides' ratio.
    screen->stickerView->setBounds({ 0, 0, 240, 240 });
    placeSticker({ area().x() + 50, area().y() + 150 });
    ASSERT_EQ(screen->myArrAllineamentoGenerale, (std::vector<double> { 0, 0, 0, 0 }));
    const double side = screen->stickerView->bounds().width();
    const auto percent = screen->myArrPercentualiAllineamento;
    preview(1);
    const double panoramaHeight = width * 300 / 800;
    EXPECT_NEAR(area().height(), panoramaHeight, 1e-6);
    EXPECT_NEAR(screen->stickerView->bounds().width(), side * panoramaHeight / width, 1e-6);
    EXPECT_NEAR(screen->stickerView->center().x, area().x() + percent[0] * area().width() / 100, 1e-6) << "a free logo keeps its relative place";
    EXPECT_NEAR(screen->stickerView->center().y, area().y() + percent[1] * area().height() / 100, 1e-6);
    EXPECT_NEAR(screen->myPercentualeGrandezza, sticker().width() * 100 / area().width(), 1e-9);

    // Two photos of ratio 1.5: the same size.
    preview(2);
    const double sideOnWide = screen->stickerView->bounds().width();
    preview(3);
    EXPECT_NEAR(screen->stickerView->bounds().width(), sideOnWide, 1e-9);

    // Aligned to the bottom only: the distance to that edge is kept in points.
    placeSticker({ area().x() + 150, area().maxY() - sticker().height() - 12 });
    ASSERT_EQ(screen->myArrAllineamentoGenerale, (std::vector<double> { 0, 0, 0, 1 }));
    preview(0);
    EXPECT_NEAR(area().maxY() - sticker().maxY(), 12, 1e-6);
    // Aligned both ways: the percentages are kept, and the size follows the short sides too.
    screen->myArrAllineamentoGenerale = { 1, 1, 0, 0 };
    screen->myArrPercentualiAllineamento = { 40, 30 };
    screen->stickerView->setBounds({ 0, 0, 150, 150 });
    preview(2);
    EXPECT_NEAR(screen->stickerView->bounds().width(), 150 * area().height() / width, 1e-6);
    EXPECT_NEAR(screen->stickerView->center().x, area().x() + 0.4 * area().width(), 1e-6);
    EXPECT_NEAR(screen->stickerView->center().y, area().y() + 0.3 * area().height(), 1e-6);
    preview(0);

    // A logo the rule would take below a fingertip stays one (44 points inside its 14-point
    // margins); back on the portrait it has its own size again, not the lifted one grown.
    screen->stickerView->setBounds({ 0, 0, 100, 100 });
    placeSticker({ area().x() + 120, area().y() + 150 });
    preview(1);
    EXPECT_EQ(screen->stickerView->bounds().size, (Size { 72, 72 })) << "the rule asks " << 100 * panoramaHeight / width;
    EXPECT_EQ(screen->stickerView->contentView()->frame().width(), 44);
    // Tapped in the strip under the preview, twice: the same photo, the logo where and as large
    // as it was, the photo still the one selected.
    const Rect lifted = sticker();
    const auto measured = screen->myArrPercentualiAllineamento;
    for (int tapCount = 1; tapCount <= 2; ++tapCount) {
        SCOPED_TRACE(tapCount);
        auto cell = screen->myCollectionView->cellForItemAtIndexPath({ 0, 1 });
        ASSERT_TRUE(cell);
        screen->myImageViewPreviewPhotos->setImage({});
        tap(*cell);
        ASSERT_TRUE(pumpUntil([&] { return !screen->myImageViewPreviewPhotos->image().isEmpty(); }));
        EXPECT_EQ(sticker(), lifted);
        EXPECT_EQ(screen->myArrPercentualiAllineamento, measured);
        EXPECT_TRUE(screen->myCollectionView->isItemSelected({ 0, 1 }));
        EXPECT_FALSE(screen->myCollectionView->isItemSelected({ 0, 0 }));
    }
    preview(0);
    EXPECT_NEAR(screen->stickerView->bounds().width(), 100, 1e-6);
    preview(1);
    // Turned smaller with the handle, it is lifted back to the smallest size too.
    const Point grip = test::centerInWindow(*screen->stickerView->rotateView()), middle = stickerOnWindow();
    drag(grip, middle + (grip - middle) * 0.3);
    EXPECT_EQ(screen->stickerView->bounds().size, (Size { 72, 72 }));
    EXPECT_NEAR(screen->stickerView->center().x, middle.x, 1e-6);
}

TEST_F(ApplyScreenRules, DraggingTheLogoMeasuresItThroughTheScreensPanRecognizerAndCannotTakeItOffThePhoto)
{
    open(DeviceKind::Phone, { "portrait.jpg", "panorama.jpg" }, kLogo);
    // Far below the photo and past its right edge: the centre stops on the bottom-right corner,
    // measured as aligned there with the distances beyond the edges.
    drag(stickerOnWindow(), { 388, 842 }, 30);
    EXPECT_NEAR(screen->stickerView->center().x, area().maxX(), 1e-9);
    EXPECT_NEAR(screen->stickerView->center().y, area().maxY(), 1e-9);
    EXPECT_EQ(screen->myArrAllineamentoGenerale, (std::vector<double> { 0, 1, 0, 1 }));
    EXPECT_NEAR(screen->myArrayConMisureMargini[3], -sticker().height() / 2, 1e-6);
    // And far above it, over the bar (held 10 points inside the window's left edge).
    drag(stickerOnWindow() + Point { -10, -10 }, { 2, 2 }, 30);
    EXPECT_NEAR(screen->stickerView->center().x, 12, 0.5);
    EXPECT_NEAR(screen->stickerView->center().y, area().minY(), 1e-9);
    EXPECT_EQ(screen->myArrAllineamentoGenerale, (std::vector<double> { 1, 0, 1, 0 }));
    // Within the photo nothing is held back (held off its centre, to 10 and 60 points in).
    const Rect a = screen->myViewBgPosizionatoreLogoo->convertRectToView(screen->myViewBgPosizionatoreLogoo->bounds(), nullptr);
    const Point to { a.x() + 10 + sticker().width() / 2, a.y() + 60 + sticker().height() / 2 };
    drag(stickerOnWindow() + Point { 10, 10 }, to + Point { 10, 10 });
    EXPECT_NEAR(sticker().x() - area().x(), 10, 0.5);
    EXPECT_EQ(screen->myArrAllineamentoGenerale, (std::vector<double> { 1, 0, 0, 0 }));
    EXPECT_NEAR(screen->myArrayConMisureMargini[2], 60, 0.5);
    EXPECT_EQ(screen->myViewAllineamentoSx->alpha(), 1);

    // A logo kept at its distance beyond an edge of a photo that shrinks comes back onto it.
    screen->stickerView->setCenter({ area().midX() + 60, area().maxY() });
    screen->metodoAllinementoDaPan();
    ASSERT_EQ(screen->myArrAllineamentoGenerale, (std::vector<double> { 0, 0, 0, 1 }));
    preview(1); // portrait → panorama: the logo shrinks, and its old distance would leave it below
    EXPECT_NEAR(screen->stickerView->center().y, area().maxY(), 1e-9);
    EXPECT_NEAR(screen->myArrayConMisureMargini[3], -sticker().height() / 2, 1e-6) << "measured where it now stands";
}

// ---- The batch ------------------------------------------------------------------------------

class ApplyScreenBatch : public ApplyScreen {
protected:
    // Applies and follows the run to the saved panel, keeping every first line the label showed.
    std::vector<std::string> applyAndWait()
    {
        std::vector<std::string> lines;
        // The bar shows what the label says at every step, not only at the end.
        auto record = [&] {
            const std::string text = screen->myLabelPercentualeAvvisi->text();
            const std::string line = text.substr(0, text.find('\n'));
            if (lines.empty() || lines.back() != line)
                lines.push_back(line);
            EXPECT_DOUBLE_EQ(screen->myProgressBarApplicatore->progress(), std::atoi(line.c_str()) / 100.0) << line;
        };
        touch(TouchPhase::Began, test::centerInWindow(*screen->myButtonApplica));
        touch(TouchPhase::Ended, test::centerInWindow(*screen->myButtonApplica));
        record();
        EXPECT_TRUE(pumpUntil([&] { return screen->myViewLogoApplicato->alpha() > 0; }, record));
        frames(0.4);
        record();
        return lines;
    }
    std::size_t savedPhotos() const
    {
        std::error_code error;
        return std::ranges::distance(std::filesystem::directory_iterator(root() / "Saved Photos", error));
    }
};

TEST_F(ApplyScreenBatch, AnEmptySelectionShowsTheSavedPanelAtOnceAndFailedPhotosAreNamedAndTheOthersKept)
{
    open(DeviceKind::Phone, {}, kLogo, false);
    EXPECT_EQ(applyAndWait(), (std::vector<std::string> { "0% " }));
    EXPECT_EQ(screen->myLabelLeFotoSonoSalvate->text(), mySingleScritte::sharedInstance().stringaLoghiApplicati());
    EXPECT_EQ(savedPhotos(), 0u);

    for (const char* name : { "good.jpg", "vanished.jpg", "broken.jpg" })
        test::writeUniformJpeg(root() / name, 64, 48, 0x808080);
    open(DeviceKind::Phone, { "good.jpg", "vanished.jpg", "broken.jpg" }, kLogo);
    // After choosing: one photo is deleted, another truncated.
    std::filesystem::remove(root() / "vanished.jpg");
    test::cutShort(root() / "broken.jpg", root() / "broken.jpg", 1.0 / 3);
    // The photo gone from the library is counted as the batch starts, the others as they finish.
    EXPECT_EQ(applyAndWait(), (std::vector<std::string> { "33% ", "66% ", "100% " }));
    EXPECT_EQ(savedPhotos(), 1u);
    const std::string title = screen->myLabelLeFotoSonoSalvate->text(), names = screen->myLabelFotoNonSalvate->text();
    EXPECT_TRUE(title.contains('1') && title.contains('3')) << title;
    EXPECT_TRUE(names.contains("vanished.jpg: ") && names.contains("broken.jpg: ") && !names.contains("good.jpg")) << names;
}

TEST_F(ApplyScreenBatch, TheScreenStaysWhileTheBatchRunsAndItsPhotosReachTheLibrary)
{
    for (int i = 0; i < 4; ++i)
        test::writeUniformJpeg(root() / ("p" + std::to_string(i) + ".jpg"), 1600, 1200, 0x808080);
    open(DeviceKind::Phone, { "p0.jpg", "p1.jpg", "p2.jpg", "p3.jpg" }, kLogo);
    struct Observer : PhotoLibraryChangeObserver {
        void photoLibraryDidChange() override { ++changes; }
        int changes { 0 };
    };
    auto observer = std::make_shared<Observer>();
    library->registerChangeObserver(observer);
    auto other = std::make_shared<ViewController>();
    navigation->setViewControllers({ other, screen }, false);
    frames(0.5);

    tap(*screen->myButtonApplica);
    ASSERT_TRUE(screen->metodoBatchInCorso());
    // Back and a second apply do nothing while it runs; the window keeps drawing frames.
    screen->myButtonBackACTION();
    screen->myButtonApplicaACTION();
    frames(0.1);
    EXPECT_EQ(navigation->topViewController(), screen);
    ASSERT_TRUE(pumpUntil([&] { return screen->myViewLogoApplicato->alpha() > 0; }));
    EXPECT_EQ(savedPhotos(), 4u) << "one batch";
    EXPECT_EQ(observer->changes, 1);
    EXPECT_EQ(library->fetchAssetsWithOptions().count(), 8u) << "the stamped photos are in the library's next fetch";

    frames(0.5); // the panel has slid in
    tap(*screen->myButtonOkSalvate);
    frames(0.6);
    EXPECT_EQ(navigation->topViewController(), other);
}

TEST_F(ApplyScreenBatch, TheSavedPanelIsAsTallAsWhatItSaysAndCoversTheProgress)
{
    test::writeUniformJpeg(root() / "done.jpg", 320, 240, 0x808080);
    test::writeUniformJpeg(root() / "new.jpg", 320, 240, 0x406080);
    test::writeUniformJpeg(root() / "broken.jpg", 320, 240, 0x808080);
    for (DeviceKind kind : { DeviceKind::Phone, DeviceKind::Tablet }) {
        SCOPED_TRACE(kind == DeviceKind::Phone ? "phone" : "tablet");
        std::filesystem::remove_all(root() / "Saved Photos");
        open(kind, { "done.jpg" }, kLogo);
        applyAndWait();
        const Rect simple = screen->myViewLogoApplicato->frame();

        // Now one skipped, one saved, one failed: three texts, one under the other.
        open(kind, { "done.jpg", "new.jpg", "broken.jpg" }, kLogo);
        test::cutShort(root() / "broken.jpg", root() / "broken.jpg", 1.0 / 3);
        applyAndWait();
        test::writeUniformJpeg(root() / "broken.jpg", 320, 240, 0x808080);
        std::string skipped = mySingleScritte::sharedInstance().stringaFotoGiaApplicate();
        EXPECT_EQ(screen->myLabelFotoSaltate->text(), skipped.replace(skipped.find("{skipped}"), 9, "1"));
        const View& panel = *screen->myViewLogoApplicato;
        const Rect full = panel.frame();
        EXPECT_GT(full.height(), simple.height()) << "more to say, a taller panel";
        // One under the other from the top: no overlap, no empty band, the empty notice taking no room.
        double bottom = 0;
        for (const View* item : std::initializer_list<const View*> { screen->myLabelLeFotoSonoSalvate.get(), screen->myLabelFotoNonSalvate.get(), screen->myLabelFotoSaltate.get(), screen->myLabelAvvisiFoto.get(), screen->myButtonOkSalvate.get() }) {
            if (item->frame().height() == 0)
                continue;
            EXPECT_TRUE(item->frame().y() >= bottom && item->frame().y() <= bottom + 30) << item->name() << " at " << item->frame().y() << ", the one above ending at " << bottom;
            bottom = item->frame().maxY();
        }
        EXPECT_LE(panel.bounds().height() - bottom, 24);
        for (const Label* label : { screen->myLabelLeFotoSonoSalvate.get(), screen->myLabelFotoNonSalvate.get(), screen->myLabelFotoSaltate.get() })
            EXPECT_GE(label->frame().height(), label->sizeThatFits({ label->frame().width(), 0 }).height) << label->text() << ": every line shows";
        // Centred on the overlay, and nothing of the progress peeks out around it.
        const Rect overlay = screen->myViewApplicatore->bounds();
        EXPECT_NEAR(full.midY(), overlay.midY(), 1);
        for (const View* progress : std::initializer_list<const View*> { screen->myImageViewCerchio1.get(), screen->myLabelPercentualeAvvisi.get(), screen->myProgressBarApplicatore.get() })
            EXPECT_TRUE(progress->alpha() == 0 || (full.unionWith(progress->frame()) == full)) << progress->name();

        // A photo edited since among done ones, nothing failed: applied, not "nothing new".
        test::writeUniformJpeg(root() / "new.jpg", 320, 240, kind == DeviceKind::Phone ? 0x204060 : 0x602040);
        open(kind, { "done.jpg", "new.jpg" }, kLogo);
        applyAndWait();
        EXPECT_EQ(screen->myNumeroFotoSalvate, 1u);
        EXPECT_EQ(screen->myLabelLeFotoSonoSalvate->text(), mySingleScritte::sharedInstance().stringaLoghiApplicati());
    }
}

TEST_F(ApplyScreenBatch, TheLosslessSwitchIsRememberedItsNoticesAreShownAndASavedPlacementReplacesNoOther)
{
    UserDefaults::standard().removeObjectForKey("keyApplicaSenzaPerdita");
    test::writeUniformJpeg(root() / "camera.jpg", 320, 240, 0x808080);
    test::editMetadata(root() / "camera.jpg", [](Exiv2::Image& image) { image.exifData()["Exif.Image.Orientation"] = static_cast<std::uint16_t>(6); });
    ASSERT_TRUE(files::writeAtomically(root() / "drawing.png", *encodePng(test::opaqueLogo(200, Color::rgba(0, 0, 1)))));
    test::writeSource(root() / "grey.jpg", 200, 150, { .greyscale = true });
    test::setOrientation(root() / "grey.jpg", 6);
    open(DeviceKind::Phone, { "camera.jpg", "drawing.png", "grey.jpg" }, kLogo);
    EXPECT_FALSE(screen->mySwitchSenzaPerdita->isOn()) << "off until chosen";
    tap(*screen->mySwitchSenzaPerdita);
    EXPECT_EQ(UserDefaults::standard().boolForKey("keyApplicaSenzaPerdita"), true);

    applyAndWait();
    ASSERT_EQ(savedPhotos(), 3u);
    EXPECT_EQ(screen->myLabelLeFotoSonoSalvate->text(), mySingleScritte::sharedInstance().stringaLoghiApplicati()) << "all were saved";
    // The colour JPEG keeps its orientation tag, as lossless stamping does; the PNG and the
    // greyscale JPEG are named with why, and stamped in the normal mode: turned upright.
    EXPECT_EQ(ImageMetadata::readFromFile(root() / "Saved Photos" / "camera_vardenico.jpg")->orientation(), 6);
    const auto grey = root() / "Saved Photos" / "grey_vardenico.jpg";
    EXPECT_TRUE(decodeImageFile(grey)->pixelWidth() == 150 && ImageMetadata::readFromFile(grey)->orientation() == 1);
    const std::string notices = screen->myLabelAvvisiFoto->text();
    EXPECT_TRUE(notices.starts_with(mySingleScritte::sharedInstance().stringaAvvisiFoto() + "\n")) << notices;
    for (const char* said : { "drawing.png: lossless stamping works on JPEG photos only; stamped in the normal mode", "grey.jpg: ", "greyscale" })
        EXPECT_NE(notices.find(said), std::string::npos) << notices;
    EXPECT_EQ(notices.find("camera.jpg"), std::string::npos) << notices;
    EXPECT_TRUE(screen->myLabelFotoNonSalvate->text().empty());

    // The next time the screen opens, the switch is as it was left; off again stamps normally.
    open(DeviceKind::Phone, { "camera.jpg" }, kLogo);
    EXPECT_TRUE(screen->mySwitchSenzaPerdita->isOn());
    tap(*screen->mySwitchSenzaPerdita);
    EXPECT_EQ(UserDefaults::standard().boolForKey("keyApplicaSenzaPerdita"), false);
    applyAndWait();
    EXPECT_EQ(ImageMetadata::readFromFile(root() / "Saved Photos" / "camera_vardenico_2.jpg")->orientation(), 1);
    EXPECT_TRUE(screen->myLabelAvvisiFoto->text().empty());

    // What the saved file holds is checked by the scripts: the command line with it writes the
    // very photos the screen did.
    auto saved = screen->metodoSalvaPosizionamento(folder.path() / "Placements"), again = screen->metodoSalvaPosizionamento(folder.path() / "Placements");
    EXPECT_TRUE(saved && again && *saved != *again);
    screen->myButtonSalvaPosizioneACTION();
    EXPECT_TRUE(window->viewNamed("myAlertPosizione")) << "the user is told where the file is";
}

}
}
