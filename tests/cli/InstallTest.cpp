#include "CommandSupport.h"
#include "TestSupport.h"

#include <fstream>
#include <nlohmann/json.hpp>

using namespace vd;
namespace fs = std::filesystem;

namespace {

using test::runShell;

std::string quoted(const fs::path& path) { return "'" + path.string() + "'"; }

// cmake --install into a fresh prefix: the program, its resources, the desktop entry, the icons
// and the metainfo where desktops look for them, valid to the desktop's own validators; the
// installed program, started from elsewhere, runs a script on the resources it installed.
TEST(Install, PutsADesktopProgramUnderThePrefixThatRunsFromThere)
{
    test::TemporaryFolder folder;
    const fs::path prefix = folder.path() / "prefix";
    const auto installed = runShell("cmake --install " + quoted(VARDENICO_BUILD_DIR) + " --prefix " + quoted(prefix));
    ASSERT_EQ(installed.status, 0) << installed.output;

    const std::string id = "org.vardenico.Vardenico";
    const fs::path share = prefix / "share";
    std::vector<fs::path> expected { prefix / "bin/vardenico", share / "vardenico/resources/ui/theme.json", share / "vardenico/resources/strings/en.json",
        share / ("applications/" + id + ".desktop"), share / ("metainfo/" + id + ".metainfo.xml"), share / ("icons/hicolor/scalable/apps/" + id + ".svg") };
    for (int size : { 16, 32, 48, 64, 128, 256, 512 })
        expected.push_back(share / "icons/hicolor" / (std::to_string(size) + "x" + std::to_string(size)) / "apps" / (id + ".png"));
    for (const auto& path : expected)
        EXPECT_TRUE(fs::is_regular_file(path)) << path;
    EXPECT_FALSE(fs::exists(share / "vardenico/resources/desktop")) << "the desktop files are not resources";

    const auto entry = runShell("desktop-file-validate " + quoted(share / ("applications/" + id + ".desktop")));
    EXPECT_TRUE(entry.status == 0 && entry.output.empty()) << entry.output;
    const auto metainfo = runShell("appstreamcli validate --no-net " + quoted(share / ("metainfo/" + id + ".metainfo.xml")));
    EXPECT_EQ(metainfo.status, 0) << metainfo.output;

    // A text changed in the installed resources shows: the program reads those, not the source
    // tree's.
    const fs::path strings = share / "vardenico/resources/strings/en.json";
    auto catalogue = nlohmann::json::parse(std::ifstream(strings));
    catalogue["welcome"] = "Installed welcome";
    std::ofstream(strings) << catalogue.dump();
    fs::create_directories(folder.path() / "home");
    fs::create_directories(folder.path() / "photos");
    std::ofstream(folder.path() / "first.txt") << "dump first\nscreenshot first\n";
    const auto ran = runShell("cd / && env -u VARDENICO_RESOURCES VARDENICO_LANG=en VARDENICO_HOME=" + quoted(folder.path() / "home") + " VARDENICO_PHOTOS=" + quoted(folder.path() / "photos")
        + " " + quoted(prefix / "bin/vardenico") + " app --headless --script " + quoted(folder.path() / "first.txt") + " --out " + quoted(folder.path() / "out"));
    ASSERT_EQ(ran.status, 0) << ran.output;
    EXPECT_TRUE(test::fileText(folder.path() / "out/first.json").contains("Installed welcome") && fs::is_regular_file(folder.path() / "out/first.png"));
}

}
