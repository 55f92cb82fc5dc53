#include <services/AppDelegate.h>
#include <services/mySingleElementiManage.h>
#include <platform/graphics/DrawingContext.h>
#include <platform/store/Database.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace vd;
namespace fs = std::filesystem;

namespace {

// A store over a documents folder, opened and loaded the way a new run of the program does.
struct ProgramRun {
    std::shared_ptr<AppDelegate> delegate;
    mySingleElementiManage* store;
    explicit ProgramRun(const fs::path& documents)
        : delegate(AppDelegate::create(documents))
        , store(&delegate->logoStore())
    {
        store->metodoCaricaDictOfData();
    }
};

Image halves(double width, double height)
{
    DrawingContext context({ width, height }, DrawingContext::Opacity::Transparent, 1.0);
    context.fill({ 0, 0, width / 2, height }, Color::rgba(1, 0, 0, 1));
    context.fill({ width / 2, 0, width / 2, height }, Color::rgba(0, 0, 1, 1));
    return context.takeImage();
}

}

TEST(LogoStoreNextKey, NoKeyGivesZeroAndKeysThatAreNotNumbersCountAsZero)
{
    test::TemporaryFolder folder;
    ProgramRun run(folder.path());
    auto& keys = run.store->myDictLoghiGenerale;
    auto next = [&](std::map<std::string, std::map<std::string, std::any>> dictionary) {
        keys = std::move(dictionary);
        return run.store->metodoTornaKeyMaggiore();
    };
    EXPECT_EQ(next({ { "4", {} } }), 5);
    EXPECT_EQ(next({}), 0) << "emptied again: no key";
    EXPECT_EQ(next({ { "0", {} } }), 1);
    EXPECT_EQ(next({ { "logo", {} } }), 1);
    // Text that merely starts with a number, or has spaces or a sign, is not a number either.
    EXPECT_EQ(next({ { "7b", {} }, { " 3", {} }, { "+2", {} }, { "", {} }, { "x", {} } }), 1);
    EXPECT_EQ(next({ { "7b", {} }, { "2", {} } }), 3);
}

// A row written before thumbnails were cached gets its cache on the first load; saving that
// cache must not cost the logo its full picture.
TEST(LogoStoreUpdate, FillingAMissingThumbnailCacheKeepsThePicture)
{
    test::TemporaryFolder folder;
    const fs::path file = folder / "dictModel.sqlite";
    {
        ProgramRun run(folder.path());
        ASSERT_TRUE(run.store->metodoAggiungiSingolaImage(halves(400, 200)));
        ASSERT_TRUE(run.store->metodoAggiungiSingolaImage(halves(100, 300)));
    }
    {
        auto database = store::Database::open(file, store::Database::Access::ReadWrite);
        ASSERT_TRUE(database);
        ASSERT_TRUE(database->execute("UPDATE DictCoreData SET thumbnailCache = NULL WHERE Z_PK = 1"));
    }
    {
        ProgramRun run(folder.path()); // fills and saves the missing cache
        ASSERT_EQ(run.store->myArrLoghiEstratti.size(), 2u);
    }
    {
        // The file itself has the cache now, so the next load decodes no picture.
        auto database = store::Database::open(file, store::Database::Access::ReadOnly);
        ASSERT_TRUE(database);
        auto statement = database->prepare("SELECT thumbnailCache FROM DictCoreData WHERE Z_PK = 1");
        ASSERT_TRUE(statement);
        auto row = statement->step();
        ASSERT_TRUE(row && *row);
        EXPECT_FALSE(statement->isNull(0)) << "the filled cache was not saved";
    }
    ProgramRun run(folder.path());
    ASSERT_EQ(run.store->myArrLoghiEstratti.size(), 2u);
    EXPECT_TRUE(run.store->myArrLoghiInCore[0].thumbnailCache());
    struct Expected {
        int width, height;
    };
    const Expected expected[] = { { 400, 200 }, { 100, 300 } };
    for (size_t i = 0; i < 2; ++i) {
        auto picture = run.store->myArrLoghiEstratti[i]->myImage();
        ASSERT_TRUE(picture) << "logo " << i << " lost its picture";
        EXPECT_EQ(picture->pixelWidth(), expected[i].width);
        EXPECT_EQ(picture->pixelHeight(), expected[i].height);
        EXPECT_EQ(picture->pixelAt(5, 5), 0xffff0000u);
        EXPECT_EQ(picture->pixelAt(expected[i].width - 5, expected[i].height - 5), 0xff0000ffu);
    }
}
