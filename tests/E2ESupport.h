#pragma once

#include <TestSupport.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace vd::test {

// How a run of the vardenico binary ended: its exit status (-1 when it did not exit normally) and what it wrote to stderr.
struct AppRun {
    int status { -1 };
    std::string errors;
};

// Runs `vardenico app arguments`, with stderr captured in folder/stderr.txt.
// The environment, when given, is a list of NAME=value words set for this run only.
inline AppRun runApp(const std::string& arguments, const std::filesystem::path& folder, const std::string& environment = {})
{
    const auto errors = folder / "stderr.txt";
    const std::string prefix = environment.empty() ? std::string() : "env " + environment + " ";
    const std::string command = prefix + VARDENICO_BINARY + " app " + arguments + " 2>'" + errors.string() + "'";
    const int raw = std::system(command.c_str());
    AppRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream in(errors);
    std::stringstream text;
    text << in.rdbuf();
    run.errors = text.str();
    return run;
}

inline nlohmann::json readJson(const std::filesystem::path& path)
{
    std::ifstream in(path);
    return nlohmann::json::parse(in);
}

// The view with the name in a view-tree dump, searched depth first, or null when none has it.
inline const nlohmann::json* findNamed(const nlohmann::json& node, const std::string& name)
{
    if (node.value("name", "") == name)
        return &node;
    if (node.contains("subviews")) {
        for (auto& child : node["subviews"]) {
            if (auto* found = findNamed(child, name))
                return found;
        }
    }
    return nullptr;
}

// The titles of an alert's buttons in a dump, in order.
inline std::vector<std::string> actionTitles(const nlohmann::json& alert)
{
    std::vector<std::string> titles;
    for (const auto& action : alert.value("actions", nlohmann::json::array()))
        titles.push_back(action.value("title", ""));
    return titles;
}


// The views a person sees cut by the window's edge, as "name class frame": every view that shows
// (it and all above it neither hidden nor transparent) and overlaps the window must lie inside
// it. A panel parked wholly outside the window does not show; the rows of a list, a picker or a
// scroll view are judged by the list itself, which clips them.
inline std::vector<std::string> viewsCutByWindow(const nlohmann::json& tree)
{
    std::vector<std::string> cut;
    const auto& window = tree["frame"];
    const double width = window[2].get<double>(), height = window[3].get<double>();
    constexpr double slack = 0.5;
    auto visit = [&](auto& self, const nlohmann::json& node) -> void {
        if (node.value("hidden", false) || node.value("alpha", 1.0) < 0.01)
            return;
        const auto& f = node["frame"];
        const double x = f[0].get<double>(), y = f[1].get<double>(), w = f[2].get<double>(), h = f[3].get<double>();
        const bool overlaps = x < width && y < height && x + w > 0 && y + h > 0 && w > 0 && h > 0;
        if (!overlaps)
            return;
        if (x < -slack || y < -slack || x + w > width + slack || y + h > height + slack)
            cut.push_back(node.value("name", "") + " " + node.value("class", "") + " " + f.dump());
        static const std::string clipping[] { "ScrollView", "CustomScrollView", "CollectionView", "TableView", "PickerView", "TextView" };
        if (std::find(std::begin(clipping), std::end(clipping), node.value("class", "")) != std::end(clipping))
            return;
        for (const auto& child : node.value("subviews", nlohmann::json::array()))
            self(self, child);
    };
    for (const auto& child : tree.value("subviews", nlohmann::json::array()))
        visit(visit, child);
    return cut;
}

}
