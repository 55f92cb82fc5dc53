#pragma once

#include <TestSupport.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <sys/wait.h>

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

}
