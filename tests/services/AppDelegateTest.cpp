#include <services/AppDelegate.h>
#include <services/mySingleElementiManage.h>
#include <platform/foundation/Files.h>
#include <platform/foundation/NotificationCenter.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace vd;
namespace fs = std::filesystem;

TEST(AppDelegate, FirstLaunchCreatesTheStoreAndMeasuresFreeSpace)
{
    test::TemporaryFolder folder;
    ::setenv("VARDENICO_HOME", folder.path().c_str(), 1); // the analytics sink writes here
    auto delegate = AppDelegate::create(folder / "documents");
    EXPECT_EQ(delegate->nomeDataModle, "dictModel");
    EXPECT_EQ(delegate->logoStore().myNumMbLiber, 0.0); // not measured before launch
    EXPECT_TRUE(delegate->applicationDidFinishLaunchingWithOptions());
    EXPECT_TRUE(fs::exists(folder / "documents" / "dictModel.sqlite"));
    EXPECT_TRUE(delegate->logoStore().myArrLoghiEstratti.empty());
    EXPECT_GT(delegate->metodoSpazioLibero(), 0);
    EXPECT_EQ(delegate->logoStore().myNumMbLiber, AppDelegate::wholeMebibytes(delegate->metodoSpazioLibero()));
    EXPECT_EQ(delegate->logoStore().appDelegate.lock(), delegate);
    // The context is built once and kept.
    EXPECT_EQ(delegate->managedObjectContext(), delegate->managedObjectContext());
}

TEST(AppDelegate, FreeSpaceIsCountedInWholeMebibytes)
{
    EXPECT_EQ(AppDelegate::wholeMebibytes(1048575), 0.0);
    EXPECT_EQ(AppDelegate::wholeMebibytes(1048576), 1.0);
    EXPECT_EQ(AppDelegate::wholeMebibytes(-10), 0.0);
    EXPECT_EQ(AppDelegate::wholeMebibytes(852492288), 813.0);
    test::TemporaryFolder folder;
    EXPECT_EQ(AppDelegate::create(folder / "no" / "such" / "folder")->metodoSpazioLibero(), -10);
}

TEST(AppDelegate, LifecycleCallbacks)
{
    test::TemporaryFolder folder;
    auto delegate = AppDelegate::create(folder.path());
    int posts = 0;
    const void* poster = nullptr;
    auto token = NotificationCenter::defaultCenter().addObserver(&posts, "keycerchi", nullptr, [&](const Notification& notification) {
        ++posts;
        poster = notification.object;
    });
    delegate->applicationDidBecomeActive();
    EXPECT_TRUE(delegate->idleTimerDisabled());
    EXPECT_EQ(delegate->logoStore().myArrStringNameGEOMETRY.size(), 52u);
    EXPECT_EQ(delegate->logoStore().myArrStringNameICON.size(), 71u);
    delegate->applicationWillResignActive();
    EXPECT_FALSE(delegate->idleTimerDisabled());
    delegate->applicationDidEnterBackground();
    EXPECT_EQ(posts, 0);
    delegate->applicationWillEnterForeground();
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(poster, delegate.get());
    delegate->applicationDidBecomeActive();
    EXPECT_TRUE(delegate->idleTimerDisabled());
    // Coming back does not append the names a second time.
    EXPECT_EQ(delegate->logoStore().myArrStringNameGEOMETRY.size(), 52u);
    delegate->applicationWillEnterForeground();
    EXPECT_EQ(posts, 2);
    NotificationCenter::defaultCenter().removeObserver(token);
}

TEST(AppDelegate, SaveWithoutChangesWritesNothing)
{
    test::TemporaryFolder folder;
    auto delegate = AppDelegate::create(folder.path());
    delegate->managedObjectContext();
    const auto before = fs::last_write_time(folder / "dictModel.sqlite");
    const auto size = fs::file_size(folder / "dictModel.sqlite");
    delegate->saveContext();
    EXPECT_EQ(fs::last_write_time(folder / "dictModel.sqlite"), before);
    EXPECT_EQ(fs::file_size(folder / "dictModel.sqlite"), size);
}

TEST(AppDelegateDeathTest, StoreThatCannotBeOpenedEndsTheProgramAndIsLeftAsItWas)
{
    test::TemporaryFolder folder;
    const std::string text = "SQLite format 3";  // 15 bytes: too short to be a database
    ASSERT_TRUE(files::writeAtomically(folder / "dictModel.sqlite", std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())));
    EXPECT_EXIT(AppDelegate::create(folder.path())->managedObjectContext(), testing::ExitedWithCode(1), "^Unresolved error .*dictModel.sqlite");
    EXPECT_EXIT(AppDelegate::create(folder.path())->logoStore().metodoCaricaDictOfData(), testing::ExitedWithCode(1), "Failed to initialize the application's saved data");
    auto bytes = files::readAll(folder / "dictModel.sqlite");
    ASSERT_TRUE(bytes);
    EXPECT_EQ(std::string(bytes->begin(), bytes->end()), text);
}
