#include <services/AppDelegate.h>
#include <services/mySingleElementiManage.h>
#include <platform/foundation/Files.h>
#include <platform/foundation/NotificationCenter.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace vd;
namespace fs = std::filesystem;

TEST(AppDelegate, FirstLaunchCreatesTheStoreMeasuresFreeSpaceWritesNothingUnchangedAndFollowsTheLifecycle)
{
    test::TemporaryFolder folder;
    ::setenv("VARDENICO_HOME", folder.path().c_str(), 1); // the analytics sink writes here
    auto delegate = AppDelegate::create(folder / "documents");
    EXPECT_TRUE(delegate->applicationDidFinishLaunchingWithOptions());
    const auto file = folder / "documents" / "dictModel.sqlite";
    EXPECT_TRUE(fs::exists(file) && delegate->logoStore().myArrLoghiEstratti.empty());
    EXPECT_GT(delegate->metodoSpazioLibero(), 0);
    EXPECT_EQ(delegate->logoStore().myNumMbLiber, AppDelegate::wholeMebibytes(delegate->metodoSpazioLibero()));
    const auto before = std::tuple(fs::last_write_time(file), fs::file_size(file));
    delegate->saveContext();
    EXPECT_EQ(std::tuple(fs::last_write_time(file), fs::file_size(file)), before);

    int posts = 0;
    const void* poster = nullptr;
    auto token = NotificationCenter::defaultCenter().addObserver(&posts, "keycerchi", nullptr, [&](const Notification& notification) {
        ++posts;
        poster = notification.object;
    });
    delegate->applicationDidBecomeActive();
    EXPECT_EQ(std::tuple(delegate->idleTimerDisabled(), delegate->logoStore().myArrStringNameGEOMETRY.size(), delegate->logoStore().myArrStringNameICON.size()), std::tuple(true, 52uz, 71uz));
    delegate->applicationWillResignActive();
    EXPECT_FALSE(delegate->idleTimerDisabled());
    delegate->applicationDidEnterBackground();
    EXPECT_EQ(posts, 0);
    delegate->applicationWillEnterForeground();
    EXPECT_EQ(std::tuple(posts, poster), std::tuple(1, static_cast<const void*>(delegate.get())));
    delegate->applicationDidBecomeActive();
    EXPECT_TRUE(delegate->idleTimerDisabled());
    EXPECT_EQ(delegate->logoStore().myArrStringNameGEOMETRY.size(), 52u) << "coming back does not append the names again";
    NotificationCenter::defaultCenter().removeObserver(token);

    for (auto [bytes, mebibytes] : { std::pair { 1048575LL, 0.0 }, { 1048576LL, 1.0 }, { -10LL, 0.0 }, { 852492288LL, 813.0 } })
        EXPECT_EQ(AppDelegate::wholeMebibytes(bytes), mebibytes) << bytes;
    EXPECT_EQ(AppDelegate::create(folder / "no" / "such" / "folder")->metodoSpazioLibero(), -10);
}

TEST(AppDelegateDeathTest, StoreThatCannotBeOpenedEndsTheProgramAndIsLeftAsItWas)
{
    test::TemporaryFolder folder;
    const std::string text = "SQLite format 3";  // 15 bytes: too short to be a database
    ASSERT_TRUE(files::writeAtomically(folder / "dictModel.sqlite", std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())));
    EXPECT_EXIT(AppDelegate::create(folder.path())->managedObjectContext(), testing::ExitedWithCode(1), "^Unresolved error .*dictModel.sqlite");
    EXPECT_EXIT(AppDelegate::create(folder.path())->logoStore().metodoCaricaDictOfData(), testing::ExitedWithCode(1), "Failed to initialize the application's saved data");
    auto bytes = files::readAll(folder / "dictModel.sqlite").value_or(std::vector<std::uint8_t> {});
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), text);
}
