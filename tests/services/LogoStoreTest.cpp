#include <services/AppDelegate.h>
#include <services/mySingleElementiManage.h>
#include <library/singleFontList.h>
#include <platform/graphics/DrawingContext.h>
#include <platform/store/Database.h>

#include "CommandSupport.h"
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

// What a run of `body` writes to stderr.
std::string diagnosticsOf(const std::function<void()>& body)
{
    testing::internal::CaptureStderr();
    body();
    return testing::internal::GetCapturedStderr();
}

void execute(const fs::path& file, const std::string& sql)
{
    ASSERT_TRUE(store::Database::open(file, store::Database::Access::ReadWrite).value().execute(sql)) << sql;
}

}

// The next key follows the greatest whole-number key; other keys count as zero; no key gives 0.
TEST(LogoStore, AnEmptyStoreIsCreatedAndTheNextKeyFollowsTheGreatestNumericKey)
{
    test::TemporaryFolder folder;
    StoreRun run(folder.path());
    EXPECT_TRUE(fs::exists(folder / "dictModel.sqlite") && run.store->myArrLoghiInCore.empty() && run.store->myArrLoghiEstratti.empty());
    using Keys = std::vector<std::string>;
    const std::vector<std::pair<Keys, int>> cases { { { "0", "1", "7" }, 8 }, { { "3", "x" }, 4 }, { { "10", "9" }, 11 }, { { "4" }, 5 }, { {}, 0 }, { { "0" }, 1 },
        { { "logo" }, 1 }, { { "7b", " 3", "+2", "", "x" }, 1 }, { { "7b", "2" }, 3 } };
    for (const auto& [keys, next] : cases) {
        run.store->myDictLoghiGenerale.clear();
        for (const auto& key : keys)
            run.store->myDictLoghiGenerale[key] = {};
        EXPECT_EQ(run.store->metodoTornaKeyMaggiore(), next) << ::testing::PrintToString(keys);
    }
}

// A picture's logo keeps only its picture, an editor's its layers and canvas colour too. Loading
// gives one logo per row. A run keeps the thumbnails it has; a new run rebuilds a missing or
// damaged cached thumbnail and saves it, without costing the logo its picture.
TEST(LogoStore, PictureAndEditorLogosReloadWithWhatEachKeepsAndLostThumbnailCachesAreRebuiltAndSaved)
{
    test::TemporaryFolder folder;
    const fs::path file = folder / "dictModel.sqlite";
    const auto logo = editorLogo(Color::rgba(0.25, 0.5, 0.75, 1), "Vardenico");
    {
        StoreRun run(folder.path());
        ASSERT_TRUE(run.store->metodoAggiungiSingolaImage(picture(640, 480, Color::rgba(0, 1, 0, 1))));
        run.store->myArrLoghiEstratti.push_back(logo);
        ASSERT_TRUE(run.store->metodoSalvaNewObjectInCoreData("", logo));
        ASSERT_TRUE(logo->myImage()) << "the saved logo still answers with its picture";
        EXPECT_EQ(logo->myImage()->pixelWidth(), 280);
        run.store->metodoCaricaDictOfData();
        ASSERT_EQ(std::tuple(run.store->myArrLoghiEstratti.size(), run.store->myArrLoghiInCore.size()), std::tuple(2uz, 2uz));
        const auto* pixels = run.store->myArrLoghiEstratti[0]->myImageRESIZED->buffer();
        execute(file, "UPDATE DictCoreData SET thumbnailCache = NULL WHERE Z_PK = 1; UPDATE DictCoreData SET thumbnailCache = X'00' WHERE Z_PK = 2");
        run.store->myArrLoghiEstratti.clear();
        run.store->metodoCaricaDictOfData();
        EXPECT_EQ(run.store->myArrLoghiEstratti[0]->myImageRESIZED->buffer(), pixels) << "the same run reads no cache for a thumbnail it has";
    }
    {
        StoreRun next(folder.path());
        ASSERT_TRUE(next.store->myArrLoghiEstratti[0]->myImageRESIZED && next.store->myArrLoghiEstratti[1]->myImageRESIZED);
        EXPECT_EQ(std::tuple(next.store->myArrLoghiEstratti[0]->myImageRESIZED->pixelHeight(), next.store->myArrLoghiEstratti[1]->myImageRESIZED->pixelHeight()), std::tuple(150, 200));
        // The file itself has the caches now, so the next load decodes no picture.
        auto database = store::Database::open(file, store::Database::Access::ReadOnly);
        auto statement = database.value().prepare("SELECT COUNT(*) FROM DictCoreData WHERE length(thumbnailCache) > 1");
        ASSERT_TRUE(statement && statement->step().value_or(false));
        EXPECT_EQ(statement->columnInt64(0), 2) << "the rebuilt caches were not saved";
    }
    StoreRun again(folder.path());
    ASSERT_EQ(again.store->myArrLoghiEstratti.size(), 2u);
    const auto& fromPicture = *again.store->myArrLoghiEstratti[0];
    ASSERT_TRUE(fromPicture.myImageRESIZED && fromPicture.myImage());
    EXPECT_EQ(std::tuple(fromPicture.myImageRESIZED->pixelWidth(), fromPicture.myImageRESIZED->pixelHeight()), std::tuple(200, 150));
    EXPECT_FALSE(fromPicture.myArrViewModel || fromPicture.myColoreSfongo);
    EXPECT_EQ(std::tuple(fromPicture.imagePixelSize(), fromPicture.myImage()->pixelAt(320, 240)), std::tuple(std::pair { 640, 480 }, 0xff00ff00u));
    const auto& loaded = *again.store->myArrLoghiEstratti[1];
    EXPECT_EQ(std::tuple(loaded.myArrViewModel, loaded.myColoreSfongo), std::tuple(logo->myArrViewModel, logo->myColoreSfongo));
    const auto full = loaded.myImage();
    ASSERT_TRUE(full);
    EXPECT_EQ(std::tuple(full->pixelWidth(), full->pixelAt(10, 10)), std::tuple(280, picture(140, 140, Color::rgba(0, 0, 1, 0.5), 2).pixelAt(10, 10)));
}

TEST(LogoStore, DeleteAndReplaceKeepBothListsAlignedReachTheFileAndRefuseAnIndexOutside)
{
    test::TemporaryFolder folder;
    auto canvasOf = [](const mySingleElementiManage& store) {
        std::vector<std::string> codes;
        std::ranges::transform(store.myArrLoghiEstratti, std::back_inserter(codes), [](const auto& logo) { return logo->myColoreSfongo ? logo->myColoreSfongo->htmlRGBColor() : "none"; });
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
        EXPECT_TRUE(canvasOf(*run.store) == (std::vector<std::string> { "#ff0000", "#0000ff" }) && run.store->myArrLoghiInCore.size() == 2u);
    }
    {
        StoreRun run(folder.path()); // the delete was saved, and the replacement reaches a logo read back
        auto replacement = editorLogo(Color::fromCode("#ffff00"), "new");
        ASSERT_TRUE(run.store->metodoModificaIndexWithIndexDaModificare(0, replacement));
        run.store->myArrLoghiEstratti.push_back(replacement);
        EXPECT_TRUE(canvasOf(*run.store) == (std::vector<std::string> { "#0000ff", "#ffff00" }) && run.store->myArrLoghiInCore.size() == 2u);
    }
    StoreRun run(folder.path());
    EXPECT_EQ(canvasOf(*run.store), (std::vector<std::string> { "#0000ff", "#ffff00" }));

    // An index outside the lists, or a picture that cannot be encoded, changes nothing.
    const std::string before = test::fileText(folder / "dictModel.sqlite");
    for (std::int64_t index : { -1, 2, 100 }) {
        auto deleted = run.store->metodoEliminaLogoDalDictWithIndex(index);
        ASSERT_FALSE(deleted);
        EXPECT_NE(deleted.error().message.find("logo " + std::to_string(index)), std::string::npos);
        EXPECT_FALSE(run.store->metodoModificaIndexWithIndexDaModificare(index, editorLogo(Color::whiteColor(), "x")));
    }
    EXPECT_EQ(std::tuple(run.store->myArrLoghiEstratti.size(), run.store->myArrLoghiInCore.size()), std::tuple(2uz, 2uz));
    EXPECT_FALSE(run.delegate->managedObjectContext()->hasChanges());
    EXPECT_FALSE(run.store->metodoAggiungiSingolaImage(Image()));
    EXPECT_EQ(test::fileText(folder / "dictModel.sqlite"), before);
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
    // Row 1: a damaged picture without a cached thumbnail; row 2: a damaged picture (but not its
    // cached thumbnail); row 3: damaged layers and colour.
    execute(file, "UPDATE DictCoreData SET thumbnailCache = NULL, myImagePng = X'0102' WHERE Z_PK = 1;"
                  "UPDATE DictCoreData SET myImagePng = X'89504E470D0A1A0A0000' WHERE Z_PK = 2;"
                  "UPDATE DictCoreData SET myArrViewModel = X'626F6775730A', myColoreView = X'00' WHERE Z_PK = 3;");
    std::optional<StoreRun> opened;
    const std::string loadDiagnostics = diagnosticsOf([&] { opened.emplace(folder.path()); });
    auto& run = *opened;
    ASSERT_EQ(run.store->myArrLoghiEstratti.size(), 3u);
    EXPECT_TRUE(run.store->myArrLoghiEstratti[1]->myImageRESIZED && !run.store->myArrLoghiEstratti[0]->myImageRESIZED && !run.store->myArrLoghiEstratti[0]->myImage());
    EXPECT_EQ(loadDiagnostics.find("logo 1"), std::string::npos) << "opening looked at the damaged picture: " << loadDiagnostics;
    EXPECT_TRUE(loadDiagnostics.contains("logo 2 (row 3)") && loadDiagnostics.contains("logo 0 (row 1)")) << loadDiagnostics;
    EXPECT_FALSE(run.store->myArrLoghiEstratti[2]->myArrViewModel || run.store->myArrLoghiEstratti[2]->myColoreSfongo);
    EXPECT_TRUE(run.store->myArrLoghiEstratti[2]->myImage() && run.store->myArrLoghiEstratti[1]->myArrViewModel);

    const std::string pictureDiagnostic = diagnosticsOf([&] { EXPECT_FALSE(run.store->myArrLoghiEstratti[1]->myImage()); });
    EXPECT_NE(pictureDiagnostic.find("logo 1 (row 2)"), std::string::npos) << pictureDiagnostic;
}

TEST(LogoStore, ResizeScalesTheLongerSide)
{
    auto sizeOf = [](const Image& image) { return std::pair { image.pixelWidth(), image.pixelHeight() }; };
    for (auto [width, height, expected] : { std::tuple { 1000, 500, std::pair { 200, 100 } }, { 300, 600, { 100, 200 } }, { 50, 50, { 200, 200 } } })
        EXPECT_EQ(sizeOf(mySingleElementiManage::ResizeImage(picture(width, height, Color::black()), 200)), expected) << width;
    // Sizes are in points: a 2800-pixel picture at scale 2 is 1400 points.
    const Image scaled = mySingleElementiManage::ResizeImage(picture(1400, 700, Color::rgba(1, 0, 0, 0.5), 2), 200);
    EXPECT_EQ(std::tuple(sizeOf(scaled), scaled.scale(), scaled.pixelAt(100, 50) >> 24), std::tuple(std::pair { 200, 100 }, 1.0, 128u)) << "translucency survives";
    EXPECT_TRUE(mySingleElementiManage::ResizeImage(Image(), 200).isEmpty());
}

TEST(FontList, InstalledPostScriptNamesSortedByCodePoint)
{
    const auto fonts = singleFontList::sharedInstance().printFonts();
    EXPECT_TRUE(std::ranges::is_sorted(fonts) && std::ranges::adjacent_find(fonts) == fonts.end());
    EXPECT_NE(std::ranges::find(fonts, "DejaVuSans"), fonts.end());
    for (const auto& name : fonts)
        EXPECT_EQ(name.find(' '), std::string::npos) << name; // PostScript names, not family names
}
