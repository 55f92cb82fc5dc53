#include <E2ESupport.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <unistd.h>

namespace vd {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

const std::string kScripts = VARDENICO_HOME_SCRIPTS;

// A data folder and a photo library of their own for one run of the program.
struct Machine {
    test::TemporaryFolder folder;
    fs::path home() const { return folder / "data"; }
    fs::path pictures() const { return folder / "Pictures"; }
    Machine()
    {
        fs::create_directories(home());
        fs::create_directories(pictures() / "Holidays");
        fs::copy_file(fs::path(VARDENICO_RESOURCES_DIR) / "samples" / "sample-picture.png", pictures() / "Holidays" / "beach.png");
    }
    std::string environment() const { return "VARDENICO_HOME=" + home().string() + " VARDENICO_PHOTOS=" + pictures().string(); }
    // As an ordinary user, who cannot read a folder without permissions (root reads any).
    int runUnprivileged(const std::string& device, const std::string& script, const std::string& out) const
    {
        fs::create_directories(folder / out);
        for (const fs::path& writable : { folder.path(), home(), folder / out })
            fs::permissions(writable, fs::perms::all);
        for (const auto& entry : fs::directory_iterator(home()))
            fs::permissions(entry.path(), fs::perms::all);
        const std::string drop = ::getuid() == 0 ? " setpriv --reuid=65534 --regid=65534 --clear-groups" : "";
        return test::runApp("--headless --device " + device + " --script " + kScripts + "/" + script + " --out " + (folder / out).string(), folder / out, environment() + " VARDENICO_LANG=en" + drop).status;
    }
    json dump(const std::string& out, const std::string& name) const { return test::readJson(folder / out / (name + ".json")); }
    json defaults() const { return test::readJson(home() / "defaults.json"); }
};

// Every alert up in a dump, bottom first: what a person sees is the last, over the others.
std::vector<json> alertsIn(const json& node)
{
    std::vector<json> found;
    if (node.value("name", "") == "alert")
        found.push_back(node);
    for (auto& child : node.value("subviews", json::array()))
        std::ranges::move(alertsIn(child), std::back_inserter(found));
    return found;
}

class HomeRoad : public ::testing::TestWithParam<std::string> {};

// A library that cannot be read at the first launch: one alert says so and its Settings opens the
// settings page, at the load and at each tap of apply. Once it can be read, the next launch asks
// for access before anything else, and OK shows the photos with no alert left over.
TEST_P(HomeRoad, UnreadableLibraryIsExplainedOnceAndAskedForFirstWhenReadable)
{
    const std::string device = GetParam();
    Machine machine;
    fs::permissions(machine.pictures(), fs::perms::none);
    const int locked = machine.runUnprivileged(device, "locked_library.txt", "locked");
    fs::permissions(machine.pictures(), fs::perms::all); // the person makes it readable (and the album writable)
    ASSERT_EQ(locked, 0);

    EXPECT_TRUE(alertsIn(machine.dump("locked", "tutorial3")).empty()) << "an unreadable library has no consent to ask";
    auto alerts = alertsIn(machine.dump("locked", "locked"));
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(std::tuple(alerts[0].value("title", ""), alerts[0].value("message", ""), test::actionTitles(alerts[0])), std::tuple("Error", "Enable photo permissions in settings", std::vector<std::string> { "Settings" }));
    for (const char* step : { "settings", "settingsAgain" }) {
        auto dump = machine.dump("locked", step);
        EXPECT_TRUE(test::findNamed(dump, "settingsScreen")) << step << ": Settings opens the settings page";
        EXPECT_TRUE(alertsIn(dump).empty()) << step << ": and no second alert follows";
    }
    EXPECT_TRUE(alertsIn(machine.dump("locked", "home")).empty());
    auto apply = alertsIn(machine.dump("locked", "apply"));
    EXPECT_TRUE(apply.size() == 1u && apply[0].value("title", "") == "Error") << "one alert a tap of apply";
    auto last = machine.dump("locked", "final");
    EXPECT_TRUE(alertsIn(last).empty() && !test::findNamed(last, "settingsScreen") && test::findNamed(last, "myButtonLogoNew")) << "apply opened nothing";
    EXPECT_FALSE(machine.defaults().contains("photoLibraryAuthorizationStatus")) << "access was never asked";

    ASSERT_EQ(machine.runUnprivileged(device, "unlocked_library.txt", "unlocked"), 0);
    auto consent = alertsIn(machine.dump("unlocked", "consent"));
    ASSERT_EQ(consent.size(), 1u) << "the consent dialog comes alone";
    EXPECT_EQ(test::actionTitles(consent[0]), (std::vector<std::string> { "Don't Allow", "OK" }));
    auto home = machine.dump("unlocked", "home");
    EXPECT_TRUE(alertsIn(home).empty() && !test::findNamed(home, "settingsScreen")) << "access given: nothing left to explain";
}

INSTANTIATE_TEST_SUITE_P(Devices, HomeRoad, ::testing::Values("phone", "tablet"));

}
}
