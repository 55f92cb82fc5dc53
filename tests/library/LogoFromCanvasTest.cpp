#include <services/AppDelegate.h>
#include <elements/LDStickerView.h>
#include <services/mySingleElementiManage.h>
#include <platform/graphics/ImageCatalogue.h>
#include <platform/ui/controls/ImageView.h>

#include "TestSupport.h"

#include <gtest/gtest.h>
#include <numbers>

using namespace vd;

namespace {

// A canvas as the editor makes it, with stickers of image content.
struct Canvas {
    std::shared_ptr<View> view;
    explicit Canvas(Size size, Color colour = Color::rgba(0.2, 0.2, 0.25))
        : view(View::make(Rect(0, 0, size.width, size.height)))
    {
        view->setBackgroundColor(colour);
    }
    std::shared_ptr<LDStickerView> image(const std::string& name, Rect frame, Color tint, double alpha = 1)
    {
        auto sticker = LDStickerView::initWithFrame(frame);
        auto content = View::make<ImageView>(Rect(0, 0, frame.width(), frame.height()));
        content->setImage(imageNamed(name).withRenderingMode(Image::RenderingMode::Template));
        sticker->setContentView(content);
        sticker->nomeImmagine = name;
        view->addSubview(sticker);
        sticker->setTintColor(tint);
        content->setAlpha(alpha);
        return sticker;
    }
};

struct Store {
    test::TemporaryFolder folder;
    std::shared_ptr<AppDelegate> delegate { AppDelegate::create(folder.path()) };
    mySingleElementiManage& store { delegate->logoStore() };
    Store() { store.metodoCaricaDictOfData(); }
};

}

TEST(LogoFromCanvas, TheCanvasGivesA2800PixelPictureOfItsAspectWithOnlyTheLayersAtTheirOpacity)
{
    Store s;
    Canvas canvas({ 300, 300 });
    canvas.image("q", { 100, 100, 100, 100 }, Color::rgba(1, 0, 0));
    auto picture = s.store.metodoSalvaLogoDaView(*canvas.view, std::nullopt);
    ASSERT_TRUE(picture) << picture.error().message;
    EXPECT_EQ(std::tuple(picture->size(), picture->pixelWidth(), picture->pixelHeight()), std::tuple(Size { 1400, 1400 }, 2800, 2800));
    for (auto [x, y] : { std::pair { 0, 0 }, { 2799, 0 }, { 0, 2799 }, { 2799, 2799 } })
        EXPECT_EQ(unpremultiply(picture->pixelAt(x, y)).a, 0) << "corner " << x << "," << y << ": no canvas colour";
    const Rgba8 middle = unpremultiply(picture->pixelAt(1400, 1400));
    EXPECT_TRUE(middle.r > 200 && middle.g < 40);

    ASSERT_EQ(std::tuple(s.store.myArrLoghiEstratti.size(), s.store.myArrLoghiInCore.size()), std::tuple(1uz, 1uz));
    const auto& logo = *s.store.myArrLoghiEstratti[0];
    EXPECT_EQ(std::tuple(logo.myColoreSfongo, logo.myImageRESIZED->size()), std::tuple(std::optional(Color::rgba(0.2, 0.2, 0.25)), Size { 200, 200 })) << "the canvas colour is kept with the logo";

    // A wide canvas gives a wide picture; a translucent layer is drawn at its opacity.
    Canvas wide({ 320, 160 });
    wide.image("q", { 160, 0, 160, 160 }, Color::rgba(1, 0, 0), 0.4);
    picture = s.store.metodoSalvaLogoDaView(*wide.view, std::nullopt);
    ASSERT_TRUE(picture);
    EXPECT_EQ(std::tuple(picture->size(), picture->pixelHeight()), std::tuple(Size { 1400, 700 }, 1400));
    EXPECT_NEAR(unpremultiply(picture->pixelAt(2100, 700)).a, 0.4 * 255, 3);
    EXPECT_EQ(s.store.myArrLoghiEstratti[1]->myImageRESIZED->size(), (Size { 200, 100 }));
}

TEST(LogoFromCanvas, RecordsFollowTheStickersInChildOrder)
{
    Canvas canvas({ 300, 300 });
    auto shape = canvas.image("s", { 20, 30, 120, 100 }, Color::rgba(0, 1, 0), 0.4);
    auto words = LDStickerView::initWithFrame({ 50, 60, 200, 90 });
    words->nomeImmagine = "testo";
    words->setTextView(false);
    canvas.view->addSubview(words);
    words->myTextField->setText("Vardenico\nLogo");
    words->myTextField->setFont("DejaVuSans-Bold", 32);
    words->myTextField->setTextColor(Color::rgba(0, 0, 1));
    words->myTextField->setTextAlignment(TextAlignment::Center);
    words->setTransform(AffineTransform::rotation(std::numbers::pi / 2));
    canvas.view->addSubview(View::make(Rect(0, 0, 10, 10))); // not a layer
    auto nameless = canvas.image("q", { 0, 0, 50, 50 }, Color::black());
    nameless->nomeImmagine.reset();

    const auto records = mySingleElementiManage::metodoRecordDaCanvas(*canvas.view);
    ASSERT_EQ(records.size(), 2u) << "only stickers with an image name are layers";
    // The text's size is the unrotated one; colours a layer does not use are not compared.
    EXPECT_EQ(records[0], ViewModel("s", 0.4, "image", Color::rgba(0, 1, 0), 120, 100, 80, 80, 0, "", "", 0, records[0].textColor, 0));
    EXPECT_EQ(records[1], ViewModel("testo", records[1].alpha, "text", records[1].tintColor, 200, 90, 150, 105, records[1].rotazione, "Vardenico\nLogo", "DejaVuSans-Bold", 32, Color::rgba(0, 0, 1), 1));
    EXPECT_NEAR(records[1].rotazione, std::numbers::pi / 2, 1e-12);
}

TEST(LogoFromCanvas, SavingAReopenedLogoReplacesItAndMovesItToTheEndAndAMissingOneIsRefused)
{
    Store s;
    for (int i = 0; i < 5; ++i) {
        Canvas canvas({ 300, 300 });
        canvas.image("c", { 10.0 + i, 10, 80, 80 }, Color::whiteColor());
        ASSERT_TRUE(s.store.metodoSalvaLogoDaView(*canvas.view, std::nullopt));
    }
    auto third = s.store.myArrLoghiEstratti[2], fourth = s.store.myArrLoghiEstratti[3];
    Canvas edited({ 300, 300 });
    edited.image("s", { 50, 50, 100, 100 }, Color::rgba(1, 0, 0));
    ASSERT_TRUE(s.store.metodoSalvaLogoDaView(*edited.view, 2));
    ASSERT_EQ(std::tuple(s.store.myArrLoghiEstratti.size(), s.store.myArrLoghiInCore.size()), std::tuple(5uz, 5uz));
    EXPECT_TRUE(s.store.myArrLoghiEstratti[2] == fourth && std::ranges::find(s.store.myArrLoghiEstratti, third) == s.store.myArrLoghiEstratti.end()) << "the replaced entry 2 is gone";
    EXPECT_EQ(s.store.myArrLoghiEstratti[4]->myArrViewModel->at(0).nomeImg, "s") << "the new logo is last";

    auto reread = AppDelegate::create(s.folder.path());
    reread->logoStore().metodoCaricaDictOfData();
    ASSERT_EQ(reread->logoStore().myArrLoghiEstratti.size(), 5u);
    EXPECT_EQ(std::tuple(reread->logoStore().myArrLoghiEstratti[4]->myArrViewModel->at(0).nomeImg, reread->logoStore().myArrLoghiEstratti[2]->myArrViewModel->at(0).centrox), std::tuple("s", 13 + 40));

    // A save over a logo that is not there leaves the canvas and the lists as they were.
    Canvas grey({ 300, 300 }, Color::rgba(0.5, 0.5, 0.5));
    grey.image("c", { 10, 10, 80, 80 }, Color::whiteColor());
    auto refused = s.store.metodoSalvaLogoDaView(*grey.view, 5);
    ASSERT_FALSE(refused);
    EXPECT_TRUE(refused.error().message.contains("logo 5")) << refused.error().message;
    EXPECT_EQ(std::tuple(grey.view->backgroundColor(), s.store.myArrLoghiEstratti.size(), s.store.myArrLoghiInCore.size()), std::tuple(std::optional(Color::rgba(0.5, 0.5, 0.5)), 5uz, 5uz));
}
