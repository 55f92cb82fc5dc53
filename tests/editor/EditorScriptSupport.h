#pragma once

#include <E2ESupport.h>

#include <platform/foundation/Files.h>
#include <platform/graphics/Geometry.h>

#include <gtest/gtest.h>
#include <iomanip>
#include <map>
#include <regex>

namespace vd::test {

// A later launch with photo access granted, plus any further keys: the program opens at home and
// the scripts reach the editor from there, inside the container, as a person does.
inline void writeDefaults(const TemporaryFolder& home, const nlohmann::json& more = nlohmann::json::object())
{
    nlohmann::json defaults { { "avvioFatto", "fatto" }, { "aggiornamento1", "visualizzato" }, { "photoLibraryAuthorizationStatus", 3 } };
    defaults.update(more);
    const std::string text = defaults.dump();
    ASSERT_TRUE(files::writeAtomically(home / "defaults.json", std::vector<std::uint8_t>(text.begin(), text.end())));
}

// A point of the window as a script writes it.
inline std::string scriptPoint(Point p)
{
    std::ostringstream text;
    text << std::setprecision(10) << p.x << ' ' << p.y;
    return text.str();
}

// A script of tests/e2e/editor written into home with its places filled in: "{x,y}" is a point of
// the canvas, whose top-left corner is at `canvas` in the window, and "{word}" what `places` gives.
inline std::filesystem::path fillScript(const TemporaryFolder& home, const std::string& name, Point canvas, const std::map<std::string, std::string>& places = {})
{
    std::ifstream in(std::string(VARDENICO_EDITOR_SCRIPTS) + "/" + name);
    std::stringstream text;
    text << in.rdbuf();
    std::string rest = text.str(), filled;
    const std::regex token(R"(\{([-0-9.]+),([-0-9.]+)\}|\{(\w+)\})");
    for (std::smatch m; std::regex_search(rest, m, token); rest = m.suffix().str()) {
        filled += m.prefix().str();
        if (!m[3].matched)
            filled += scriptPoint(canvas + Point { std::stod(m[1].str()), std::stod(m[2].str()) });
        else if (auto place = places.find(m[3].str()); place != places.end())
            filled += place->second;
        else
            ADD_FAILURE() << name << ": nothing for " << m[0];
    }
    const auto path = home / name;
    std::ofstream(path) << filled + rest;
    return path;
}

inline AppRun runEditorScript(const TemporaryFolder& home, const std::string& device, const std::filesystem::path& script, const std::string& out)
{
    return runApp("--headless --device " + device + " --script " + script.string() + " --out " + (home / out).string(), home.path(),
        "VARDENICO_HOME=" + home.path().string() + " VARDENICO_PHOTOS=" + (home / "photos").string());
}

// The canvas as a person sees it and the store keeps it, handles aside (they show only on the
// selected layer): each layer's place, size, turn, tint, opacity and text, and the canvas colour.
inline nlohmann::json canvasOf(const nlohmann::json& tree)
{
    const nlohmann::json* canvas = findNamed(tree, "myViewTemporanea");
    if (!canvas) {
        ADD_FAILURE() << "no canvas";
        return {};
    }
    nlohmann::json layers = nlohmann::json::array();
    for (const auto& sticker : canvas->value("subviews", nlohmann::json::array())) {
        nlohmann::json layer { { "name", sticker["name"] }, { "center", sticker["center"] }, { "bounds", sticker["bounds"] }, { "transform", sticker["transform"] },
            { "tintColor", sticker["tintColor"] } };
        const auto& content = sticker["subviews"][0];
        layer["content"] = { { "alpha", content["alpha"] }, { "bounds", content["bounds"] }, { "tag", content["tag"] } };
        if (const nlohmann::json* text = findNamed(sticker, "myTextField")) {
            nlohmann::json values = *text; // how the text is set; its own frame follows the content view
            for (const char* key : { "subviews", "frame", "bounds", "center", "firstResponder", "caret", "name" })
                values.erase(key);
            layer["text"] = values;
        }
        layers.push_back(layer);
    }
    return { { "layers", layers }, { "backgroundColor", canvas->value("backgroundColor", nlohmann::json()) } };
}

}
