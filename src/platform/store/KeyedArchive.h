#pragma once

#include <platform/foundation/Error.h>
#include <platform/graphics/Color.h>

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vd::store {

// The keyed archive: a self-describing JSON encoding of objects by key.
//
//   {"$archiver": "VardenicoKeyedArchive", "$version": 1, "root": VALUE}
//
// A VALUE is a JSON string (a string), {"$real": number} (a double), {"$integer": number} (an
// integer), {"$bool": true}, {"$class": "Color", "red": VALUE, ...} (a colour),
// {"$class": "Array", "items": [VALUE, ...]} (a list) or {"$class": NAME, key: VALUE, ...} (an
// object encoded by key). Doubles are written with the shortest text that reads back to the same
// bits; the few that JSON cannot hold (infinities, NaN) are written as their bit pattern in hex.
// Integers stay integers, so 2 and 2.0 read back as what they were.

// Encodes one object: its class name and its values by key.
class KeyedArchiver {
public:
    explicit KeyedArchiver(std::string className);

    void encodeString(const std::string& key, const std::string& value);
    void encodeDouble(const std::string& key, double value);
    void encodeInteger(const std::string& key, std::int64_t value);
    void encodeBool(const std::string& key, bool value);
    void encodeColor(const std::string& key, const Color& value);
    void encodeValue(const std::string& key, nlohmann::json value); // an already encoded VALUE

    const nlohmann::json& encoded() const { return m_object; }
    nlohmann::json take() { return std::move(m_object); }

private:
    nlohmann::json m_object;
};

// Reads one encoded object. Every decode answers nothing when the key is absent or holds a value
// of another kind.
class KeyedUnarchiver {
public:
    explicit KeyedUnarchiver(const nlohmann::json& object);

    std::string className() const; // empty when the value is not an object with a class
    bool containsValueForKey(const std::string& key) const;
    std::optional<std::string> decodeString(const std::string& key) const;
    std::optional<double> decodeDouble(const std::string& key) const;
    std::optional<std::int64_t> decodeInteger(const std::string& key) const;
    std::optional<bool> decodeBool(const std::string& key) const;
    std::optional<Color> decodeColor(const std::string& key) const;
    const nlohmann::json* valueForKey(const std::string& key) const;

private:
    const nlohmann::json& m_object;
};

namespace archive {

nlohmann::json encodeDouble(double value);
std::optional<double> decodeDouble(const nlohmann::json& value);
nlohmann::json encodeInteger(std::int64_t value);
std::optional<std::int64_t> decodeInteger(const nlohmann::json& value);
nlohmann::json encodeColor(const Color& color);
std::optional<Color> decodeColor(const nlohmann::json& value);
nlohmann::json encodeArray(std::vector<nlohmann::json> items);
const nlohmann::json* arrayItems(const nlohmann::json& value); // nullptr unless value is a list

// The archive's bytes for a root VALUE, and back. Reading refuses anything that is not an archive
// (not JSON, another format, a newer version, too deep), naming `where` in the error.
std::vector<std::uint8_t> archivedData(const nlohmann::json& root);
Result<nlohmann::json> unarchivedRoot(std::span<const std::uint8_t> bytes, const std::string& where);

}

}
