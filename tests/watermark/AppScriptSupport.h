#pragma once

// The program run headless on a script of tests/e2e/apply, reached from home, over a photo
// library and a data folder of the test's own; then what it wrote, and what the command line
// writes with the placement it saved.

#include <PhotoFixtures.h>

#include <E2ESupport.h>

#include <platform/foundation/Files.h>
#include <platform/graphics/DrawingContext.h>
#include <platform/graphics/ImageCodecs.h>

#include <functional>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace vd::test {

class AppScript : public ::testing::TestWithParam<std::string> {
protected:
    std::filesystem::path library() const { return folder / "Pictures"; }
    std::filesystem::path home() const { return folder / "home"; }
    std::filesystem::path out() const { return folder / "out"; }

    static void writeText(const std::filesystem::path& path, const std::string& text)
    {
        ASSERT_TRUE(files::writeAtomically(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())));
    }
    // A data folder whose first-run notices were seen, with photo access granted and one red
    // logo stored.
    void prepareHome(const std::filesystem::path& data, bool tutorialSeen)
    {
        std::filesystem::create_directories(data);
        DrawingContext context({ 300, 300 }, DrawingContext::Opacity::Transparent, 1.0);
        context.fill({ 0, 0, 300, 300 }, Color::rgba(0.9, 0.1, 0.1));
        ASSERT_TRUE(files::writeAtomically(folder / "logo.png", *encodePng(context.takeImage())));
        const std::string add = "env VARDENICO_HOME='" + data.string() + "' " + VARDENICO_BINARY + " logos add '" + (folder / "logo.png").string() + "' >/dev/null";
        ASSERT_EQ(std::system(add.c_str()), 0);
        nlohmann::json defaults = { { "avvioFatto", "fatto" }, { "aggiornamento1", "visualizzato" }, { "photoLibraryAuthorizationStatus", 3 } };
        if (tutorialSeen)
            defaults["tutorialB"] = "fatto";
        writeText(data / "defaults.json", defaults.dump());
    }
    // Runs the way from home (a script of its own) and then the script, dumping into dumps.
    AppRun runScript(const std::string& way, const std::string& script, const std::filesystem::path& data, const std::filesystem::path& photos, const std::filesystem::path& dumps)
    {
        std::string text;
        for (const std::string& name : { way, script }) {
            auto bytes = files::readAll(std::filesystem::path(VARDENICO_APPLY_SCRIPTS) / name);
            EXPECT_TRUE(bytes) << name;
            if (bytes)
                text += std::string(bytes->begin(), bytes->end()) + "\n";
        }
        const auto path = folder / ("home_" + script);
        writeText(path, text);
        const std::string environment = "VARDENICO_LANG=en VARDENICO_HOME='" + data.string() + "' VARDENICO_PHOTOS='" + photos.string() + "'";
        return runApp("--headless --device " + GetParam() + " --script '" + path.string() + "' --out '" + dumps.string() + "'", folder.path(), environment);
    }
    nlohmann::json dump(const std::string& name) const { return readJson(out() / (name + ".json")); }

    // The one placement file the app saved in home.
    std::filesystem::path savedPlacement() const
    {
        std::vector<std::filesystem::path> placements;
        for (const auto& entry : std::filesystem::directory_iterator(home() / "Placements"))
            placements.push_back(entry.path());
        EXPECT_EQ(placements.size(), 1u);
        return placements.empty() ? std::filesystem::path() : placements[0];
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
