#include <platform/store/KeyedArchive.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vd::store {

using nlohmann::json;

namespace {
constexpr const char* kArchiver = "VardenicoKeyedArchive";
constexpr int kVersion = 1;
constexpr int kMaxDepth = 64;
constexpr std::size_t kMaxBytes = 64u << 20;

int depth(const json& value, int limit)
{
    if (limit <= 0)
        return 1;
    int deepest = 0;
    if (value.is_object() || value.is_array())
        for (const auto& item : value)
            deepest = std::max(deepest, depth(item, limit - 1));
    return deepest + ((value.is_object() || value.is_array()) ? 1 : 0);
}
}

namespace archive {

json encodeDouble(double value)
{
    if (std::isfinite(value))
        return json { { "$real", value } };
    char bits[32];
    std::snprintf(bits, sizeof bits, "0x%016llx", static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(value)));
    return json { { "$real", bits } };
}

std::optional<double> decodeDouble(const json& value)
{
    if (!value.is_object() || value.size() != 1 || !value.contains("$real"))
        return std::nullopt;
    const json& real = value["$real"];
    if (real.is_number_float())
        return real.get<double>();
    if (real.is_number_integer())
        return static_cast<double>(real.get<std::int64_t>());
    if (real.is_number_unsigned())
        return static_cast<double>(real.get<std::uint64_t>());
    if (real.is_string()) {
        const std::string text = real.get<std::string>();
        if (text.size() != 18 || text.rfind("0x", 0) != 0)
            return std::nullopt;
        char* end = nullptr;
        const unsigned long long bits = std::strtoull(text.c_str() + 2, &end, 16);
        if (*end != '\0')
            return std::nullopt;
        return std::bit_cast<double>(static_cast<std::uint64_t>(bits));
    }
    return std::nullopt;
}

json encodeInteger(std::int64_t value) { return json { { "$integer", value } }; }

std::optional<std::int64_t> decodeInteger(const json& value)
{
    if (!value.is_object() || value.size() != 1 || !value.contains("$integer"))
        return std::nullopt;
    const json& integer = value["$integer"];
    if (integer.is_number_integer() && !integer.is_number_unsigned())
        return integer.get<std::int64_t>();
    if (integer.is_number_unsigned() && integer.get<std::uint64_t>() <= static_cast<std::uint64_t>(INT64_MAX))
        return static_cast<std::int64_t>(integer.get<std::uint64_t>());
    return std::nullopt;
}

json encodeColor(const Color& color)
{
    return json { { "$class", "Color" }, { "red", encodeDouble(color.red) }, { "green", encodeDouble(color.green) }, { "blue", encodeDouble(color.blue) }, { "alpha", encodeDouble(color.alpha) } };
}

std::optional<Color> decodeColor(const json& value)
{
    if (!value.is_object() || value.value("$class", json()) != "Color")
        return std::nullopt;
    Color color;
    for (auto [key, component] : { std::pair { "red", &color.red }, { "green", &color.green }, { "blue", &color.blue }, { "alpha", &color.alpha } }) {
        auto found = value.find(key);
        if (found == value.end())
            return std::nullopt;
        auto number = decodeDouble(*found);
        if (!number)
            return std::nullopt;
        *component = *number;
    }
    return color;
}

json encodeArray(std::vector<json> items) { return json { { "$class", "Array" }, { "items", json(std::move(items)) } }; }

const json* arrayItems(const json& value)
{
    if (!value.is_object() || value.value("$class", json()) != "Array")
        return nullptr;
    auto items = value.find("items");
    return (items != value.end() && items->is_array()) ? &*items : nullptr;
}

std::vector<std::uint8_t> archivedData(const json& root)
{
    const json envelope { { "$archiver", kArchiver }, { "$version", kVersion }, { "root", root } };
    const std::string text = envelope.dump();
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

Result<json> unarchivedRoot(std::span<const std::uint8_t> bytes, const std::string& where)
{
    if (bytes.size() > kMaxBytes)
        return fail(where, "archive larger than " + std::to_string(kMaxBytes >> 20) + " MB");
    json envelope = json::parse(bytes.begin(), bytes.end(), nullptr, false);
    if (envelope.is_discarded())
        return fail(where, "not a keyed archive (not JSON)");
    if (!envelope.is_object() || envelope.value("$archiver", json()) != kArchiver)
        return fail(where, "not a keyed archive");
    const json version = envelope.value("$version", json());
    if (!version.is_number_integer() || version.get<int>() > kVersion || version.get<int>() < 1)
        return fail(where, "keyed archive of an unknown version");
    if (!envelope.contains("root"))
        return fail(where, "keyed archive without a root object");
    if (depth(envelope, kMaxDepth + 1) > kMaxDepth)
        return fail(where, "keyed archive nested too deeply");
    return std::move(envelope["root"]);
}

}

KeyedArchiver::KeyedArchiver(std::string className)
    : m_object { { "$class", std::move(className) } }
{
}

void KeyedArchiver::encodeString(const std::string& key, const std::string& value) { m_object[key] = value; }
void KeyedArchiver::encodeDouble(const std::string& key, double value) { m_object[key] = archive::encodeDouble(value); }
void KeyedArchiver::encodeInteger(const std::string& key, std::int64_t value) { m_object[key] = archive::encodeInteger(value); }
void KeyedArchiver::encodeBool(const std::string& key, bool value) { m_object[key] = json { { "$bool", value } }; }
void KeyedArchiver::encodeColor(const std::string& key, const Color& value) { m_object[key] = archive::encodeColor(value); }
void KeyedArchiver::encodeValue(const std::string& key, json value) { m_object[key] = std::move(value); }

KeyedUnarchiver::KeyedUnarchiver(const json& object)
    : m_object(object)
{
}

std::string KeyedUnarchiver::className() const
{
    if (!m_object.is_object())
        return {};
    auto found = m_object.find("$class");
    return (found != m_object.end() && found->is_string()) ? found->get<std::string>() : std::string();
}

const json* KeyedUnarchiver::valueForKey(const std::string& key) const
{
    if (!m_object.is_object() || key.starts_with('$'))
        return nullptr;
    auto found = m_object.find(key);
    return found == m_object.end() ? nullptr : &*found;
}

bool KeyedUnarchiver::containsValueForKey(const std::string& key) const { return valueForKey(key) != nullptr; }

std::optional<std::string> KeyedUnarchiver::decodeString(const std::string& key) const
{
    const json* value = valueForKey(key);
    return (value && value->is_string()) ? std::optional(value->get<std::string>()) : std::nullopt;
}

std::optional<double> KeyedUnarchiver::decodeDouble(const std::string& key) const
{
    const json* value = valueForKey(key);
    return value ? archive::decodeDouble(*value) : std::nullopt;
}

std::optional<std::int64_t> KeyedUnarchiver::decodeInteger(const std::string& key) const
{
    const json* value = valueForKey(key);
    return value ? archive::decodeInteger(*value) : std::nullopt;
}

std::optional<bool> KeyedUnarchiver::decodeBool(const std::string& key) const
{
    const json* value = valueForKey(key);
    if (!value || !value->is_object() || !value->contains("$bool") || !(*value)["$bool"].is_boolean())
        return std::nullopt;
    return (*value)["$bool"].get<bool>();
}

std::optional<Color> KeyedUnarchiver::decodeColor(const std::string& key) const
{
    const json* value = valueForKey(key);
    return value ? archive::decodeColor(*value) : std::nullopt;
}

}
