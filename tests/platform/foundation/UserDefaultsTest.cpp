#include <platform/foundation/Files.h>
#include <platform/foundation/UserDefaults.h>

#include "TestSupport.h"

using vd::UserDefaults;

TEST(UserDefaults, TypedValuesSurviveSynchronizeAndReloadUnsynchronizedOnesAreNotWrittenAndACorruptFileIsMovedAside)
{
    vd::test::TemporaryFolder folder;
    {
        UserDefaults unsaved(folder / "defaults.json");
        unsaved.setString("tutorialB", "fatto");
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "defaults.json"));
    {
        UserDefaults defaults(folder / "defaults.json");
        EXPECT_FALSE(defaults.stringForKey("avvioFatto"));
        defaults.setString("avvioFatto", "fatto"), defaults.setInteger("keycoloreeditototo", 2), defaults.setBool("photos", true), defaults.setDouble("ratio", 0.1);
        ASSERT_TRUE(defaults.synchronize());
    }
    UserDefaults reread(folder / "defaults.json");
    EXPECT_EQ(std::tuple(reread.stringForKey("avvioFatto"), reread.integerForKey("keycoloreeditototo"), reread.boolForKey("photos"), reread.doubleForKey("ratio")),
        std::tuple(std::optional<std::string>("fatto"), std::optional<long long>(2), std::optional(true), std::optional(0.1)));
    EXPECT_FALSE(reread.stringForKey("keycoloreeditototo")); // wrong type reads as absent

    // A corrupt file is moved aside and the defaults start empty.
    const std::string garbage = "{\"avvioFatto\": \"fat";
    ASSERT_TRUE(vd::files::writeAtomically(folder / "defaults.json", std::span(reinterpret_cast<const std::uint8_t*>(garbage.data()), garbage.size())));
    UserDefaults defaults(folder / "defaults.json");
    EXPECT_TRUE(!defaults.stringForKey("avvioFatto") && !std::filesystem::exists(folder / "defaults.json"));
    auto kept = vd::files::readAll(folder / "defaults.json.corrupt").value_or(std::vector<std::uint8_t> {});
    EXPECT_EQ(std::string(kept.begin(), kept.end()), garbage);
    defaults.setString("avvioFatto", "fatto");
    EXPECT_TRUE(defaults.synchronize());
}
