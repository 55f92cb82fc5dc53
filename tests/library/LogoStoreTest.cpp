#include <services/AppDelegate.h>
#include <services/mySingleElementiManage.h>
#include <library/singleFontList.h>
#include <platform/foundation/Files.h>
#include <platform/graphics/DrawingContext.h>
#include <platform/store/Database.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace vd;
namespace fs = std::filesystem;

namespace {

Image picture(double width, double height, Color color, double scale = 1.0)
{
    DrawingContext context({ width, height }, DrawingContext::Opacity::Transparent, scale);
    context.fill({ 0, 0, width, height }, color);
    return context.takeImage();
}

std::shared_ptr<DictDatamodelEstratti> editorLogo(Color canvas, const std::string& text)
{
    auto logo = std::make_shared<DictDatamodelEstratti>();
    logo->setMyImage(picture(140, 140, Color::rgba(0, 0, 1, 0.5), 2));
    logo->myArrViewModel = std::vector<ViewModel> {
        ViewModel("q", 1.0, "image", Color::rgba(1, 0, 0, 1), 80, 80, 150, 150, 0.25, "", "", 0, Color::clear(), 0),
        ViewModel("testo", 0.5, "text", Color::clear(), 120.5, 40, 100.1, 200.2, -0.3, text, "DejaVuSans", 24, Color::black(), 1),
    };
    logo->myColoreSfongo = canvas;
    return logo;
}

// A store over a temporary documents folder, reloaded by a fresh delegate as a new run would.
struct StoreRun {
    std::shared_ptr<AppDelegate> delegate;
    mySingleElementiManage* store;
    explicit StoreRun(const fs::path& documents)
        : delegate(AppDelegate::create(documents))
        , store(&delegate->logoStore())
    {
        store->metodoCaricaDictOfData();
    }
};

std::string fileBytes(const fs::path& path)
{
    auto bytes = files::readAll(path);
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

void execute(const fs::path& file, const std::string& sql)
{
    auto database = store::Database::open(file, store::Database::Access::ReadWrite);
    ASSERT_TRUE(database);
    ASSERT_TRUE(database->execute(sql)) << sql;
}

}

TEST(LogoStore, EmptyStoreIsCreatedInTheDocumentsFolder)
{
    test::TemporaryFolder folder;
    StoreRun run(folder.path());
    EXPECT_TRUE(fs::exists(folder / "dictModel.sqlite"));
    EXPECT_TRUE(run.store->myArrLoghiInCore.empty());
    EXPECT_TRUE(run.store->myArrLoghiEstratti.empty());
    EXPECT_EQ(run.store->metodoTornaKeyMaggiore(), 0);
    EXPECT_EQ(run.store->myNumMbLiber, 0.0);
    EXPECT_EQ(run.store->myStringNameCore, "DictCoreData");
    EXPECT_EQ(run.store->keyArrVIew, "arrayViewModel");
}

TEST(LogoStore, NextKeyFollowsTheGreatestNumericKey)
{
    test::TemporaryFolder folder;
    StoreRun run(folder.path());
    auto& dictionary = run.store->myDictLoghiGenerale;
    dictionary = { { "0", {} }, { "1", {} }, { "7", {} } };
    EXPECT_EQ(run.store->metodoTornaKeyMaggiore(), 8);
    dictionary = { { "3", {} }, { "x", {} } };
    EXPECT_EQ(run.store->metodoTornaKeyMaggiore(), 4);
    dictionary = { { "10", {} }, { "9", {} } }; // numeric order, not text order
    EXPECT_EQ(run.store->metodoTornaKeyMaggiore(), 11);
}

TEST(LogoStore, LogoFromAPictureStoresOnlyItsPictureAndReloadsWithItsThumbnail)
{
    test::TemporaryFolder folder;
    {
        StoreRun run(folder.path());
        ASSERT_TRUE(run.store->metodoAggiungiSingolaImage(picture(640, 480, Color::rgba(0, 1, 0, 1))));
        ASSERT_EQ(run.store->myArrLoghiEstratti.size(), 1u);
        ASSERT_EQ(run.store->myArrLoghiInCore.size(), 1u);
        const DictCoreData& row = run.store->myArrLoghiInCore[0];
        EXPECT_TRUE(row.hasMyImagePng());
        EXPECT_FALSE(row.myArrViewModel());
        EXPECT_FALSE(row.myColoreView());
        EXPECT_FALSE(row.myNomeKeyDaDict());
        EXPECT_FALSE(row.myAccValueUNO());
    }
    StoreRun again(folder.path());
    ASSERT_EQ(again.store->myArrLoghiEstratti.size(), 1u);
    const auto& logo = *again.store->myArrLoghiEstratti[0];
    ASSERT_TRUE(logo.myImageRESIZED);
    EXPECT_EQ(logo.myImageRESIZED->pixelWidth(), 200);
    EXPECT_EQ(logo.myImageRESIZED->pixelHeight(), 150);
    EXPECT_FALSE(logo.myArrViewModel);
    EXPECT_FALSE(logo.myColoreSfongo);
    EXPECT_EQ(logo.imagePixelSize(), (std::pair { 640, 480 }));
    auto full = logo.myImage();
    ASSERT_TRUE(full);
    EXPECT_EQ(full->pixelWidth(), 640);
    EXPECT_EQ(full->pixelAt(320, 240), 0xff00ff00u);
}

TEST(LogoStore, EditorLogoKeepsLayersAndCanvasColourThroughSaveAndReload)
{
    test::TemporaryFolder folder;
    const auto logo = editorLogo(Color::rgba(0.25, 0.5, 0.75, 1), "Vardenico");
    {
        StoreRun run(folder.path());
        run.store->myArrLoghiEstratti.push_back(logo);
        ASSERT_TRUE(run.store->metodoSalvaNewObjectInCoreData("", logo));
        EXPECT_EQ(run.store->myArrLoghiInCore.size(), 1u);
        EXPECT_EQ(run.store->myArrLoghiEstratti.size(), 1u);
        // The saved logo still answers with its picture.
        ASSERT_TRUE(logo->myImage());
        EXPECT_EQ(logo->myImage()->pixelWidth(), 280);
    }
    StoreRun again(folder.path());
    ASSERT_EQ(again.store->myArrLoghiEstratti.size(), 1u);
    const auto& loaded = *again.store->myArrLoghiEstratti[0];
    EXPECT_EQ(loaded.myArrViewModel, logo->myArrViewModel);
    EXPECT_EQ(loaded.myColoreSfongo, logo->myColoreSfongo);
    EXPECT_EQ(loaded.myImageRESIZED->pixelWidth(), 200);
    const auto full = loaded.myImage();
    ASSERT_TRUE(full);
    EXPECT_EQ(full->pixelWidth(), 280);
    EXPECT_EQ(full->pixelAt(10, 10), picture(140, 140, Color::rgba(0, 0, 1, 0.5), 2).pixelAt(10, 10));
}

TEST(LogoStore, DeleteAndReplaceKeepBothListsAlignedAndReachTheFile)
{
    test::TemporaryFolder folder;
    auto canvasOf = [](const mySingleElementiManage& store) {
        std::vector<std::string> codes;
        for (const auto& logo : store.myArrLoghiEstratti)
            codes.push_back(logo->myColoreSfongo ? logo->myColoreSfongo->htmlRGBColor() : "none");
        return codes;
    };
    {
        StoreRun run(folder.path());
        for (const char* code : { "#ff0000", "#00ff00", "#0000ff" }) {
            auto logo = editorLogo(Color::fromCode(code), code);
            run.store->myArrLoghiEstratti.push_back(logo);
            ASSERT_TRUE(run.store->metodoSalvaNewObjectInCoreData("", logo));
        }
        ASSERT_TRUE(run.store->metodoEliminaLogoDalDictWithIndex(1));
        EXPECT_EQ(canvasOf(*run.store), (std::vector<std::string> { "#ff0000", "#0000ff" }));
        EXPECT_EQ(run.store->myArrLoghiInCore.size(), 2u);
    }
    {
        StoreRun run(folder.path()); // the delete was saved
        EXPECT_EQ(canvasOf(*run.store), (std::vector<std::string> { "#ff0000", "#0000ff" }));
        auto replacement = editorLogo(Color::fromCode("#ffff00"), "new");
        ASSERT_TRUE(run.store->metodoModificaIndexWithIndexDaModificare(0, replacement));
        run.store->myArrLoghiEstratti.push_back(replacement);
        EXPECT_EQ(canvasOf(*run.store), (std::vector<std::string> { "#0000ff", "#ffff00" }));
        EXPECT_EQ(run.store->myArrLoghiInCore.size(), 2u);
    }
    StoreRun run(folder.path());
    EXPECT_EQ(canvasOf(*run.store), (std::vector<std::string> { "#0000ff", "#ffff00" }));
    EXPECT_EQ(run.store->myArrLoghiEstratti[1]->myArrViewModel->at(1).testo, "new");
}

TEST(LogoStore, IndexOutsideTheListsIsRefusedAndTouchesNothing)
{
    test::TemporaryFolder folder;
    StoreRun run(folder.path());
    ASSERT_TRUE(run.store->metodoAggiungiSingolaImage(picture(50, 50, Color::black())));
    const std::string before = fileBytes(folder / "dictModel.sqlite");
    for (std::int64_t index : { -1, 1, 100 }) {
        auto deleted = run.store->metodoEliminaLogoDalDictWithIndex(index);
        ASSERT_FALSE(deleted);
        EXPECT_NE(deleted.error().message.find("logo " + std::to_string(index)), std::string::npos);
        EXPECT_FALSE(run.store->metodoModificaIndexWithIndexDaModificare(index, editorLogo(Color::whiteColor(), "x")));
    }
    EXPECT_EQ(run.store->myArrLoghiEstratti.size(), 1u);
    EXPECT_EQ(run.store->myArrLoghiInCore.size(), 1u);
    EXPECT_FALSE(run.delegate->managedObjectContext()->hasChanges());
    EXPECT_EQ(fileBytes(folder / "dictModel.sqlite"), before);
    // A replacement whose picture cannot be encoded keeps the old logo.
    auto empty = std::make_shared<DictDatamodelEstratti>();
    empty->setMyImage(Image());
    EXPECT_FALSE(run.store->metodoAggiungiSingolaImage(Image()));
    EXPECT_EQ(fileBytes(folder / "dictModel.sqlite"), before);
}

TEST(LogoStore, ReloadYieldsOneLogoPerStoredRow)
{
    test::TemporaryFolder folder;
    StoreRun run(folder.path());
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(run.store->metodoAggiungiSingolaImage(picture(30 + i, 20, Color::whiteColor())));
    run.store->metodoCaricaDictOfData();
    EXPECT_EQ(run.store->myArrLoghiEstratti.size(), 4u);
    EXPECT_EQ(run.store->myArrLoghiInCore.size(), 4u);
    EXPECT_EQ(run.store->myArrLoghiEstratti[3]->imagePixelSize(), (std::pair { 33, 20 }));
}

TEST(LogoStore, OpeningDecodesNoPictureAndDamagedFieldsAreLeftOutWithADiagnostic)
{
    test::TemporaryFolder folder;
    const fs::path file = folder / "dictModel.sqlite";
    {
        StoreRun run(folder.path());
        for (const char* code : { "#112233", "#445566", "#778899" }) {
            auto logo = editorLogo(Color::fromCode(code), code);
            run.store->myArrLoghiEstratti.push_back(logo);
            ASSERT_TRUE(run.store->metodoSalvaNewObjectInCoreData("", logo));
        }
    }
    // Row 1: its picture is damaged (its cached thumbnail is not). Row 2: its layer archive and
    // colour archive are damaged.
    execute(file, "UPDATE DictCoreData SET myImagePng = X'89504E470D0A1A0A0000' WHERE Z_PK = 2;"
                  "UPDATE DictCoreData SET myArrViewModel = X'626F6775730A', myColoreView = X'00' WHERE Z_PK = 3;");
    testing::internal::CaptureStderr();
    StoreRun run(folder.path());
    const std::string loadDiagnostics = testing::internal::GetCapturedStderr();
    ASSERT_EQ(run.store->myArrLoghiEstratti.size(), 3u);
    // Opening used the cached thumbnail and did not look at the damaged picture.
    EXPECT_TRUE(run.store->myArrLoghiEstratti[1]->myImageRESIZED);
    EXPECT_EQ(loadDiagnostics.find("logo 1"), std::string::npos) << loadDiagnostics;
    EXPECT_NE(loadDiagnostics.find("logo 2 (row 3)"), std::string::npos) << loadDiagnostics;
    EXPECT_FALSE(run.store->myArrLoghiEstratti[2]->myArrViewModel);
    EXPECT_FALSE(run.store->myArrLoghiEstratti[2]->myColoreSfongo);
    EXPECT_TRUE(run.store->myArrLoghiEstratti[2]->myImage());
    EXPECT_TRUE(run.store->myArrLoghiEstratti[1]->myArrViewModel);

    testing::internal::CaptureStderr();
    EXPECT_FALSE(run.store->myArrLoghiEstratti[1]->myImage());
    const std::string pictureDiagnostic = testing::internal::GetCapturedStderr();
    EXPECT_NE(pictureDiagnostic.find("logo 1 (row 2)"), std::string::npos) << pictureDiagnostic;
}

TEST(LogoStore, RowWithoutThumbnailCacheGetsOneOnLoad)
{
    test::TemporaryFolder folder;
    const fs::path file = folder / "dictModel.sqlite";
    {
        StoreRun run(folder.path());
        ASSERT_TRUE(run.store->metodoAggiungiSingolaImage(picture(400, 100, Color::whiteColor())));
    }
    execute(file, "UPDATE DictCoreData SET thumbnailCache = NULL");
    {
        StoreRun run(folder.path());
        ASSERT_TRUE(run.store->myArrLoghiEstratti[0]->myImageRESIZED);
        EXPECT_EQ(run.store->myArrLoghiEstratti[0]->myImageRESIZED->pixelHeight(), 50);
    }
    StoreRun run(folder.path());
    EXPECT_TRUE(run.store->myArrLoghiInCore[0].thumbnailCache());
    // A picture that is damaged and has no cache: the logo loads without picture and thumbnail.
    execute(file, "UPDATE DictCoreData SET thumbnailCache = NULL, myImagePng = X'0102'");
    testing::internal::CaptureStderr();
    StoreRun damaged(folder.path());
    const std::string diagnostics = testing::internal::GetCapturedStderr();
    ASSERT_EQ(damaged.store->myArrLoghiEstratti.size(), 1u);
    EXPECT_FALSE(damaged.store->myArrLoghiEstratti[0]->myImageRESIZED);
    EXPECT_FALSE(damaged.store->myArrLoghiEstratti[0]->myImage());
    EXPECT_NE(diagnostics.find("logo 0 (row 1)"), std::string::npos) << diagnostics;
}

TEST(LogoStore, ReloadKeepsKnownThumbnailsAndRepairsABrokenCache)
{
    test::TemporaryFolder folder;
    const fs::path file = folder / "dictModel.sqlite";
    StoreRun run(folder.path());
    ASSERT_TRUE(run.store->metodoAggiungiSingolaImage(picture(300, 150, Color::rgba(1, 0, 0, 1))));
    run.store->metodoCaricaDictOfData();
    const auto* pixels = run.store->myArrLoghiEstratti[0]->myImageRESIZED->buffer();
    execute(file, "UPDATE DictCoreData SET thumbnailCache = X'00'");
    // The same run reuses the thumbnail it has; the damaged cache is not even read.
    run.store->myArrLoghiEstratti.clear();
    run.store->metodoCaricaDictOfData();
    EXPECT_EQ(run.store->myArrLoghiEstratti[0]->myImageRESIZED->buffer(), pixels);
    // A new run finds the cache damaged, makes the thumbnail from the picture and stores it again.
    StoreRun next(folder.path());
    ASSERT_TRUE(next.store->myArrLoghiEstratti[0]->myImageRESIZED);
    EXPECT_EQ(next.store->myArrLoghiEstratti[0]->myImageRESIZED->pixelHeight(), 100);
    StoreRun last(folder.path());
    ASSERT_TRUE(last.store->myArrLoghiInCore[0].thumbnailCache());
    EXPECT_GT(last.store->myArrLoghiInCore[0].thumbnailCache()->size(), 1u);
}

TEST(LogoStore, ResizeImageScalesTheLongerSideToTheGivenSize)
{
    auto sizeOf = [](const Image& image) { return std::pair { image.pixelWidth(), image.pixelHeight() }; };
    EXPECT_EQ(sizeOf(mySingleElementiManage::ResizeImage(picture(1000, 500, Color::black()), 200)), (std::pair { 200, 100 }));
    EXPECT_EQ(sizeOf(mySingleElementiManage::ResizeImage(picture(300, 600, Color::black()), 200)), (std::pair { 100, 200 }));
    EXPECT_EQ(sizeOf(mySingleElementiManage::ResizeImage(picture(50, 50, Color::black()), 200)), (std::pair { 200, 200 }));
    // Sizes are in points: a 2800-pixel picture at scale 2 is 1400 points.
    const Image thumbnail = mySingleElementiManage::ResizeImage(picture(1400, 700, Color::rgba(1, 0, 0, 0.5), 2), 200);
    EXPECT_EQ(sizeOf(thumbnail), (std::pair { 200, 100 }));
    EXPECT_EQ(thumbnail.scale(), 1.0);
    EXPECT_EQ(thumbnail.pixelAt(100, 50) >> 24, 128u); // translucency survives
    EXPECT_TRUE(mySingleElementiManage::ResizeImage(Image(), 200).isEmpty());
}

TEST(LogoStore, PictureBecomesA800SquareWithTransparentMargins)
{
    const Image square = logoSquareFromPicture(picture(1600, 1200, Color::rgba(1, 0, 0, 1)));
    ASSERT_EQ(square.pixelWidth(), 800);
    ASSERT_EQ(square.pixelHeight(), 800);
    EXPECT_EQ(square.pixelAt(400, 50) >> 24, 0u);   // top margin
    EXPECT_EQ(square.pixelAt(400, 750) >> 24, 0u);  // bottom margin
    EXPECT_EQ(square.pixelAt(400, 400), 0xffff0000u);
    EXPECT_EQ(square.pixelAt(0, 101), 0xffff0000u); // the photo spans 800 × 600, from y = 100
    const Image thumbnail = mySingleElementiManage::ResizeImage(square, 200);
    EXPECT_EQ(thumbnail.pixelWidth(), 200);
    EXPECT_EQ(thumbnail.pixelHeight(), 200);
}

TEST(LogoStore, NameListsHoldTheShapesAndIconsInOrder)
{
    test::TemporaryFolder folder;
    StoreRun run(folder.path());
    run.store->metodoRiempiNomiGeo();
    run.store->metodoRiempiNomiIcon();
    const auto& shapes = run.store->myArrStringNameGEOMETRY;
    ASSERT_EQ(shapes.size(), 52u);
    EXPECT_EQ(shapes[0], "l");
    EXPECT_EQ(shapes[3], "lp");
    EXPECT_EQ(shapes[8], "c1");
    EXPECT_EQ(shapes[27], "rcp");
    EXPECT_EQ(shapes[51], "ep");
    const auto& icons = run.store->myArrStringNameICON;
    ASSERT_EQ(icons.size(), 71u);
    EXPECT_EQ(icons.front(), "1");
    EXPECT_EQ(icons.back(), "71");
}

TEST(FontList, InstalledPostScriptNamesSortedByCodePoint)
{
    const auto fonts = singleFontList::sharedInstance().printFonts();
    ASSERT_FALSE(fonts.empty());
    EXPECT_TRUE(std::is_sorted(fonts.begin(), fonts.end()));
    EXPECT_EQ(std::adjacent_find(fonts.begin(), fonts.end()), fonts.end());
    EXPECT_NE(std::find(fonts.begin(), fonts.end(), "DejaVuSans"), fonts.end());
    for (const auto& name : fonts)
        EXPECT_EQ(name.find(' '), std::string::npos) << name; // PostScript names, not family names
}
