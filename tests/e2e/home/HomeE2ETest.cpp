#include <E2ESupport.h>

#include <platform/foundation/UserDefaults.h>

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
    test::AppRun run(const std::string& device, const std::string& script, const std::string& out) const
    {
        return test::runApp("--headless --device " + device + " --script " + kScripts + "/" + script + " --out " + (folder / out).string(), folder.path(), environment());
    }
    json dump(const std::string& out, const std::string& name) const { return test::readJson(folder / out / (name + ".json")); }
    json defaults() const { return test::readJson(home() / "defaults.json"); }
    std::vector<json> analytics() const
    {
        std::vector<json> events;
        std::ifstream in(home() / "analytics.jsonl");
        for (std::string line; std::getline(in, line);)
            events.push_back(json::parse(line));
        return events;
    }
};

std::string textOf(const json& dump, const std::string& name)
{
    const json* node = test::findNamed(dump, name);
    return node ? node->value("text", "") : "<absent>";
}

bool spins(const json& dump, const std::string& name)
{
    const json* node = test::findNamed(dump, name);
    return node && node->contains("animations");
}

class HomeRoad : public ::testing::TestWithParam<std::string> {};

TEST_P(HomeRoad, FirstLaunchRunsTheTutorialAndASecondGoesStraightHome)
{
    const std::string device = GetParam();
    Machine machine;
    auto first = machine.run(device, "first_launch.txt", "first");
    ASSERT_EQ(first.status, 0) << first.errors;

    auto tutorial = machine.dump("first", "tutorial1");
    EXPECT_TRUE(test::findNamed(tutorial, "myButtonOk")) << "a fresh data folder starts with the tutorial";
    EXPECT_FALSE(test::findNamed(tutorial, "myButtonLogoNew"));
    EXPECT_NE(textOf(tutorial, "myLabelTesto"), textOf(machine.dump("first", "tutorial2"), "myLabelTesto"));
    EXPECT_TRUE(test::findNamed(machine.dump("first", "consent"), "alertAction1")) << "the second press asks for the photos";
    EXPECT_EQ(textOf(machine.dump("first", "tutorial3"), "myButtonOk"), "START");
    auto notice = machine.dump("first", "notice");
    EXPECT_TRUE(test::findNamed(notice, "myButtonLogoNew")) << "START goes home";
    EXPECT_EQ(textOf(notice, "alertAction0"), "Start");

    auto home = machine.dump("first", "home");
    EXPECT_FALSE(test::findNamed(home, "alert"));
    for (const char* cerchio : { "myImageViewCerchio1", "myImageViewCerchio2", "myImageViewCerchio3", "myImageViewCerchio4" }) {
        EXPECT_TRUE(spins(home, cerchio)) << cerchio;
        EXPECT_FALSE(spins(machine.dump("first", "background"), cerchio)) << cerchio;
        EXPECT_TRUE(spins(machine.dump("first", "foreground"), cerchio)) << cerchio;
    }
    auto revealed = machine.dump("first", "revealed");
    EXPECT_EQ(test::findNamed(revealed, "myViewBgButtonCreaETuoiLoghi")->value("alpha", 0.0), 1.0);
    EXPECT_EQ(test::findNamed(home, "myViewBgButtonCreaETuoiLoghi")->value("alpha", 1.0), 0.0);

    auto defaults = machine.defaults();
    EXPECT_EQ(defaults.value("avvioFatto", ""), "fatto");
    EXPECT_EQ(defaults.value("aggiornamento1", ""), "visualizzato");
    EXPECT_TRUE(fs::exists(machine.home() / "dictModel.sqlite")) << "the launch builds the logo store";
    EXPECT_TRUE(fs::is_directory(machine.pictures() / "Vardenico")) << "home creates the application's album";
    auto events = machine.analytics();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front().value("event", ""), "Session Start");
    int appears = 0;
    for (auto& event : events) {
        if (event.value("event", "") == "Home Appear") {
            ++appears;
            EXPECT_EQ(event["attributes"].value("Autorizazzione Foto", ""), "true");
        }
    }
    EXPECT_EQ(appears, 1);

    auto second = machine.run(device, "second_launch.txt", "second");
    ASSERT_EQ(second.status, 0) << second.errors;
    auto again = machine.dump("second", "home");
    EXPECT_TRUE(test::findNamed(again, "myButtonLogoNew")) << "no tutorial the second time";
    EXPECT_FALSE(test::findNamed(again, "myButtonOk"));
    EXPECT_FALSE(test::findNamed(again, "alert")) << "the update notice is gone";
    EXPECT_TRUE(test::findNamed(machine.dump("second", "editor"), "myButtonSaveLogoProp")) << "the run ended in the editor, and cleanly";
}

INSTANTIATE_TEST_SUITE_P(Devices, HomeRoad, ::testing::Values("phone", "tablet"));

// No Pictures folder at all, or one that cannot be read: the home screen still comes up and
// says what is missing, and nothing is created in the person's name.
TEST(HomeRoad, MissingOrUnreadableLibraryStillReachesHome)
{
    {
        Machine machine;
        fs::remove_all(machine.pictures());
        auto run = machine.run("phone", "first_launch.txt", "first");
        ASSERT_EQ(run.status, 0) << run.errors;
        EXPECT_TRUE(test::findNamed(machine.dump("first", "home"), "myButtonLogoNew"));
    }
    Machine machine;
    fs::permissions(machine.pictures(), fs::perms::none);
    fs::permissions(machine.folder.path(), fs::perms::all);
    fs::permissions(machine.home(), fs::perms::all);
    // Root reads any folder: the run drops to an ordinary user for the unreadable one.
    const std::string drop = ::getuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    const std::string script = kScripts + "/second_launch.txt";
    fs::create_directories(machine.folder / "out");
    fs::permissions(machine.folder / "out", fs::perms::all);
    UserDefaults defaults(machine.home() / "defaults.json");
    defaults.setString("avvioFatto", "fatto");
    defaults.setString("aggiornamento1", "visualizzato");
    defaults.synchronize();
    fs::permissions(machine.home() / "defaults.json", fs::perms::all);
    const std::string command = "env " + machine.environment() + " " + drop + VARDENICO_BINARY + " app --headless --script " + script + " --out " + (machine.folder / "out").string() + " 2>" + (machine.folder / "out" / "stderr.txt").string();
    const int status = std::system(command.c_str());
    fs::permissions(machine.pictures(), fs::perms::owner_all);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    auto home = machine.dump("out", "home");
    EXPECT_TRUE(test::findNamed(home, "myButtonLogoNew"));
    const json* alert = test::findNamed(home, "alert");
    ASSERT_TRUE(alert) << "an unreadable library is explained";
}

}
}
