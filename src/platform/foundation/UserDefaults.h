#pragma once

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace vd {

// Typed values by key, kept in one JSON file (defaults.json in the documents folder). Changes live
// in memory until synchronize() writes the whole file atomically. A file that cannot be read as
// JSON is moved aside to defaults.json.corrupt and the program starts with no values, saying so
// once.
class UserDefaults {
public:
    static UserDefaults& standard(); // the documents folder's defaults, loaded on first use

    explicit UserDefaults(std::filesystem::path file);

    std::optional<std::string> stringForKey(const std::string& key) const;
    std::optional<long long> integerForKey(const std::string& key) const;
    std::optional<double> doubleForKey(const std::string& key) const;
    std::optional<bool> boolForKey(const std::string& key) const;
    std::optional<nlohmann::json> objectForKey(const std::string& key) const; // any stored value

    void setString(const std::string& key, const std::string& value);
    void setInteger(const std::string& key, long long value);
    void setDouble(const std::string& key, double value);
    void setBool(const std::string& key, bool value);
    void setObject(const std::string& key, nlohmann::json value);
    void removeObjectForKey(const std::string& key);

    bool synchronize(); // false (with a warning naming the file) when the write failed
    const std::filesystem::path& file() const { return m_file; }

private:
    void load();

    std::filesystem::path m_file;
    nlohmann::json m_values = nlohmann::json::object();
    bool m_dirty { false };
};

}
