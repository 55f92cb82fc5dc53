#pragma once

// The program run headless on scripts of tests/e2e/apply over a photo library and a data folder of
// the test's own; then what it wrote, and what the command line writes with the saved placement.

#include <PhotoFixtures.h>

#include <CommandSupport.h>
#include <E2ESupport.h>

#include <platform/foundation/Files.h>
#include <platform/graphics/ImageCodecs.h>

#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>

namespace vd::test {

class AppScript : public ::testing::TestWithParam<std::string> {
protected:
    std::filesystem::path library() const { return folder / "Pictures"; }
    std::filesystem::path home() const { return folder / "home"; }

    // A data folder past the first-run notices, photo access granted, one red logo stored.
    void prepareHome(bool tutorialSeen)
    {
        std::filesystem::create_directories(home());
        ASSERT_TRUE(files::writeAtomically(folder / "logo.png", *encodePng(opaqueLogo(300, Color::rgba(0.9, 0.1, 0.1)))));
        const std::string add = "env VARDENICO_HOME='" + home().string() + "' " + VARDENICO_BINARY + " logos add '" + (folder / "logo.png").string() + "' >/dev/null";
        ASSERT_EQ(std::system(add.c_str()), 0);
        nlohmann::json defaults = { { "avvioFatto", "fatto" }, { "aggiornamento1", "visualizzato" }, { "photoLibraryAuthorizationStatus", 3 } };
        if (tutorialSeen)
            defaults["tutorialB"] = "fatto";
        ASSERT_TRUE(writeText(home() / "defaults.json", defaults.dump()));
    }
    // Runs to_apply.txt, picking the `picked` newest photos, then the scripts one after the other,
    // dumping into folder/dumps; "{word}" in them is what places gives.
    AppRun runScript(const std::vector<std::string>& scripts, const std::string& dumps, std::map<std::string, std::string> places = {})
    {
        for (int item = 0; item < picked; ++item)
            places["pick"] += (item ? "\ntap @myCollectionViewRullino.0." : "tap @myCollectionViewRullino.0.") + std::to_string(item);
        std::vector<std::string> all { "to_apply.txt" };
        all.insert(all.end(), scripts.begin(), scripts.end());
        std::string text;
        for (const std::string& name : all) {
            std::string rest = fileText(std::filesystem::path(VARDENICO_APPLY_SCRIPTS) / name);
            EXPECT_FALSE(rest.empty()) << name;
            const std::regex place(R"(\{(\w+)\})");
            for (std::smatch m; std::regex_search(rest, m, place); rest = m.suffix().str()) {
                EXPECT_TRUE(places.contains(m[1].str())) << name << ": nothing for " << m[0];
                text += m.prefix().str() + places[m[1].str()];
            }
            text += rest + "\n";
        }
        const auto path = folder / (dumps + ".txt");
        EXPECT_TRUE(writeText(path, text));
        const std::string environment = "VARDENICO_LANG=en VARDENICO_HOME='" + home().string() + "' VARDENICO_PHOTOS='" + library().string() + "'";
        return runApp("--headless --device " + GetParam() + " --script '" + path.string() + "' --out '" + (folder / dumps).string() + "'", folder.path(), environment);
    }
    nlohmann::json dump(const std::string& name) const { return readJson(folder / "out" / (name + ".json")); }

    // The one placement file the app saved in home.
    std::filesystem::path savedPlacement() const
    {
        const std::vector<std::filesystem::directory_entry> placements(std::filesystem::directory_iterator(home() / "Placements"), {});
        EXPECT_EQ(placements.size(), 1u);
        return placements.empty() ? std::filesystem::path() : placements[0].path();
    }
    // `vardenico stamp` with the saved placement and the stored logo, run where it names the
    // photos as the app does (from the library's folder), writes the very same bytes.
    void expectTheCommandLineWritesTheSame(const std::vector<std::string>& names)
    {
        const auto cli = folder / "cli";
        std::string command = "cd '" + library().string() + "' && env VARDENICO_HOME='" + home().string() + "' " + VARDENICO_BINARY + " stamp --placement '" + savedPlacement().string() + "' --logo-index 0 --out '" + cli.string() + "'";
        for (const std::string& name : names)
            command += " '" + name + ".jpg'";
        ASSERT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0);
        for (const std::string& name : names)
            EXPECT_TRUE(*files::readAll(cli / (name + "_vardenico.jpg")) == *files::readAll(library() / "Saved Photos" / (name + "_vardenico.jpg"))) << name << " differs";
    }

    TemporaryFolder folder;
    int picked { 2 };
};

inline const nlohmann::json& named(const nlohmann::json& dump, const std::string& name)
{
    static const nlohmann::json missing = nlohmann::json::object();
    const nlohmann::json* node = findNamed(dump, name);
    EXPECT_TRUE(node) << name;
    return node ? *node : missing;
}

// A view's frame or bounds in a dump; empty when it is not there.
inline Rect rectOf(const nlohmann::json& dump, const std::string& name, const char* which = "frame")
{
    const nlohmann::json* node = findNamed(dump, name);
    if (!node || !node->contains(which))
        return {};
    const auto& f = (*node)[which];
    return Rect(f[0].get<double>(), f[1].get<double>(), f[2].get<double>(), f[3].get<double>());
}

}
