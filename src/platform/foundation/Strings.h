#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace vd {

// The table of user-visible texts for one language, read from resources/strings/<lang>.json (an
// object of key → text). A key the table lacks reads as the key itself.
class StringsCatalogue {
public:
    // The catalogue of the preferred language, loaded on first use.
    static const StringsCatalogue& main();

    // The language two-letter code: VARDENICO_LANG, else the first of LC_ALL, LC_MESSAGES and
    // LANG that is set ("it_IT.UTF-8" gives "it"), else "en". "C" and "POSIX" mean English.
    static std::string preferredLanguage();

    // The table for language in the resources' strings folder; English when that language has no
    // table; empty (every key reads as itself) when neither can be read.
    static StringsCatalogue load(const std::filesystem::path& stringsFolder, const std::string& language);

    StringsCatalogue() = default;
    explicit StringsCatalogue(std::map<std::string, std::string> table, std::string language = "en");

    std::string localizedString(const std::string& key) const;
    const std::string& language() const { return m_language; }
    std::size_t size() const { return m_table.size(); }

private:
    std::map<std::string, std::string> m_table;
    std::string m_language { "en" };
};

// NSLocalizedString: the main catalogue's text for key.
std::string localizedString(const std::string& key);

// text with every field (such as "{reason}", as the catalogue's texts carry them) replaced by value.
std::string replaced(std::string text, const std::string& field, const std::string& value);

}
