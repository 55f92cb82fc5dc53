#include <platform/foundation/UserDefaults.h>

#include <platform/foundation/Files.h>
#include <platform/foundation/Log.h>
#include <platform/foundation/Paths.h>

namespace vd {

namespace fs = std::filesystem;

UserDefaults& UserDefaults::standard()
{
    static UserDefaults defaults(paths::documentsDirectory() / "defaults.json");
    return defaults;
}

UserDefaults::UserDefaults(fs::path file)
    : m_file(std::move(file))
{
    load();
}

void UserDefaults::load()
{
    std::error_code error;
    if (!fs::exists(m_file, error))
        return;
    auto bytes = files::readAll(m_file, 64 << 20);
    if (bytes) {
        auto parsed = nlohmann::json::parse(bytes->begin(), bytes->end(), nullptr, false);
        if (!parsed.is_discarded() && parsed.is_object()) {
            m_values = std::move(parsed);
            return;
        }
    }
    fs::path aside = m_file;
    aside += ".corrupt";
    fs::rename(m_file, aside, error);
    log::warning("the settings file " + m_file.string() + " could not be read; it was moved to " + aside.string() + " and the program starts with default settings");
}

std::optional<nlohmann::json> UserDefaults::objectForKey(const std::string& key) const
{
    auto it = m_values.find(key);
    if (it == m_values.end())
        return std::nullopt;
    return *it;
}

std::optional<std::string> UserDefaults::stringForKey(const std::string& key) const
{
    auto it = m_values.find(key);
    if (it == m_values.end() || !it->is_string())
        return std::nullopt;
    return it->get<std::string>();
}

std::optional<long long> UserDefaults::integerForKey(const std::string& key) const
{
    auto it = m_values.find(key);
    if (it == m_values.end() || !it->is_number())
        return std::nullopt;
    return it->is_number_float() ? static_cast<long long>(it->get<double>()) : it->get<long long>();
}

std::optional<double> UserDefaults::doubleForKey(const std::string& key) const
{
    auto it = m_values.find(key);
    if (it == m_values.end() || !it->is_number())
        return std::nullopt;
    return it->get<double>();
}

std::optional<bool> UserDefaults::boolForKey(const std::string& key) const
{
    auto it = m_values.find(key);
    if (it == m_values.end() || !it->is_boolean())
        return std::nullopt;
    return it->get<bool>();
}

void UserDefaults::setString(const std::string& key, const std::string& value) { setObject(key, value); }
void UserDefaults::setInteger(const std::string& key, long long value) { setObject(key, value); }
void UserDefaults::setDouble(const std::string& key, double value) { setObject(key, value); }
void UserDefaults::setBool(const std::string& key, bool value) { setObject(key, value); }

void UserDefaults::setObject(const std::string& key, nlohmann::json value)
{
    m_values[key] = std::move(value);
    m_dirty = true;
}

void UserDefaults::removeObjectForKey(const std::string& key)
{
    m_dirty = m_values.erase(key) > 0 || m_dirty;
}

bool UserDefaults::synchronize()
{
    if (!m_dirty)
        return true;
    const std::string text = m_values.dump(2) + "\n";
    auto written = files::writeAtomically(m_file, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    if (!written) {
        log::warning("the settings could not be saved: " + written.error().message);
        return false;
    }
    m_dirty = false;
    return true;
}

}
