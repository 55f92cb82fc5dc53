#include <hosts/AutomationScript.h>

#include <platform/foundation/Files.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>

namespace vd {

namespace {

bool isNumber(const std::string& word)
{
    if (word.empty())
        return false;
    char* end = nullptr;
    const double value = std::strtod(word.c_str(), &end);
    return end == word.c_str() + word.size() && std::isfinite(value);
}

// Argument shapes of each command: 'T' a target (@name, or two numbers X Y), 'N' a number,
// '?' makes the rest optional, 'S' a word, 'R' the rest of the line, 'W' one or more words.
const std::map<std::string, std::vector<std::string>>& grammar()
{
    static const std::map<std::string, std::vector<std::string>> commands {
        { "tap", { "T" } },
        { "double-tap", { "T" } },
        { "long-press", { "T N" } },
        { "force-press", { "T ?N" } },
        { "drag", { "@ N N ?N", "N N N N ?N" } },
        { "two-finger-drag", { "@ N N ?N", "N N N N ?N" } },
        { "pinch", { "T N ?N" } },
        { "circle", { "T N N ?N" } },
        { "press", { "T" } },
        { "move-to", { "N N ?N" } },
        { "release", { "" } },
        { "background", { "" } },
        { "foreground", { "" } },
        { "type", { "R" } },
        { "key", { "S" } },
        { "scroll", { "T N N" } },
        { "drop", { "W" } },
        { "resize", { "N N" } },
        { "wait", { "N" } },
        { "wait-for", { "@ N ?S" } },
        { "screenshot", { "S" } },
        { "dump", { "S" } },
    };
    return commands;
}

// Whether words fit a shape such as "T N ?N".
bool fits(const std::vector<std::string>& words, const std::string& shape)
{
    std::istringstream parts(shape);
    std::string part;
    size_t i = 0;
    bool optional = false;
    while (parts >> part) {
        if (part[0] == '?') {
            optional = true;
            part = part.substr(1);
        }
        if (i >= words.size())
            return optional;
        if (part == "T") {
            if (words[i][0] == '@') {
                if (words[i].size() < 2)
                    return false;
                ++i;
            } else {
                if (i + 1 >= words.size() || !isNumber(words[i]) || !isNumber(words[i + 1]))
                    return false;
                i += 2;
            }
        } else if (part == "@") {
            if (words[i][0] != '@' || words[i].size() < 2)
                return false;
            ++i;
        } else if (part == "W") {
            return i < words.size();
        } else if (part == "N") {
            if (!isNumber(words[i]))
                return false;
            ++i;
        } else {
            ++i;
        }
    }
    return i == words.size();
}

}

Result<std::vector<AutomationCommand>> parseAutomationScript(const std::string& text, const std::string& fileName, std::string_view device)
{
    std::vector<AutomationCommand> commands;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#')
            continue;
        std::istringstream words(line.substr(start));
        AutomationCommand command;
        command.line = number;
        words >> command.name;
        const std::string where = fileName + ":" + std::to_string(number);
        if (command.name.ends_with(':')) {
            const std::string only = command.name.substr(0, command.name.size() - 1);
            if (only != "phone" && only != "tablet")
                return fail(where, "unknown device \"" + only + "\" (phone or tablet)");
            if (only != device)
                continue;
            words >> command.name;
        }
        auto shapes = grammar().find(command.name);
        if (shapes == grammar().end())
            return fail(where, "unknown command \"" + command.name + "\"");
        if (shapes->second.front() == "R") {
            std::string rest;
            std::getline(words, rest);
            const size_t first = rest.find_first_not_of(" \t");
            command.arguments.push_back(first == std::string::npos ? "" : rest.substr(first));
        } else {
            std::string word;
            while (words >> word)
                command.arguments.push_back(word);
            bool ok = false;
            for (auto& shape : shapes->second)
                ok = ok || fits(command.arguments, shape);
            if (!ok && shapes->second.front().empty())
                return fail(where, "\"" + command.name + "\" takes no arguments");
            if (!ok)
                return fail(where, "\"" + command.name + "\" expects " + shapes->second.front() + " (T: @name or X Y, N: a number, ?: optional, S: a word)");
        }
        commands.push_back(std::move(command));
    }
    return commands;
}

Result<std::vector<AutomationCommand>> readAutomationScript(const std::filesystem::path& path, std::string_view device)
{
    auto bytes = files::readAll(path, 16 * 1024 * 1024);
    if (!bytes)
        return std::unexpected(bytes.error());
    return parseAutomationScript(std::string(bytes->begin(), bytes->end()), path.string(), device);
}

}
