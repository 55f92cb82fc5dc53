#include <platform/foundation/Files.h>
#include <platform/foundation/Log.h>
#include <platform/foundation/Paths.h>
#include <platform/foundation/Strings.h>

#include <cctype>
#include <cstdlib>
#include <nlohmann/json.hpp>

namespace vd {

namespace {

std::string languageOf(const char* locale)
{
    std::string code;
    for (const char* c = locale; *c && std::isalpha(static_cast<unsigned char>(*c)); ++c)
        code += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
    if (code.empty() || code == "c" || code == "posix")
        return "en";
    return code;
}

std::optional<std::map<std::string, std::string>> readTable(const std::filesystem::path& file, bool warn)
{
    auto bytes = files::readAll(file, 16u << 20);
    if (!bytes) {
        if (warn)
            log::warning(bytes.error().message);
        return std::nullopt;
    }
    auto json = nlohmann::json::parse(bytes->begin(), bytes->end(), nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        log::warning(file.string() + ": not a table of texts (a JSON object of key to text)");
        return std::nullopt;
    }
    std::map<std::string, std::string> table;
    for (const auto& [key, value] : json.items())
        if (value.is_string())
            table[key] = value.get<std::string>();
    return table;
}

}

StringsCatalogue::StringsCatalogue(std::map<std::string, std::string> table, std::string language)
    : m_table(std::move(table))
    , m_language(std::move(language))
{
}

std::string StringsCatalogue::preferredLanguage()
{
    for (const char* name : { "VARDENICO_LANG", "LC_ALL", "LC_MESSAGES", "LANG" }) {
        const char* value = std::getenv(name);
        if (value && *value)
            return languageOf(value);
    }
    return "en";
}

StringsCatalogue StringsCatalogue::load(const std::filesystem::path& stringsFolder, const std::string& language)
{
    if (auto table = readTable(stringsFolder / (language + ".json"), false))
        return StringsCatalogue(std::move(*table), language);
    if (language != "en") {
        log::debug("no texts for language " + language + "; using English");
        if (auto table = readTable(stringsFolder / "en.json", true))
            return StringsCatalogue(std::move(*table), "en");
    } else {
        log::warning((stringsFolder / "en.json").string() + ": cannot be read; texts show their keys");
    }
    return StringsCatalogue({}, "en");
}

const StringsCatalogue& StringsCatalogue::main()
{
    static const StringsCatalogue catalogue = load(paths::resourcesDirectory() / "strings", preferredLanguage());
    return catalogue;
}

std::string StringsCatalogue::localizedString(const std::string& key) const
{
    auto found = m_table.find(key);
    return found == m_table.end() ? key : found->second;
}

std::string localizedString(const std::string& key) { return StringsCatalogue::main().localizedString(key); }

std::string replaced(std::string text, const std::string& field, const std::string& value)
{
    for (size_t at = text.find(field); at != std::string::npos; at = text.find(field, at + value.size()))
        text.replace(at, field.size(), value);
    return text;
}

}
