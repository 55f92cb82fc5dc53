#pragma once

#include <platform/foundation/Error.h>
#include <platform/graphics/Color.h>

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vd {

namespace store {
class KeyedArchiver;
class KeyedUnarchiver;
}

// One layer of a logo as it is stored: a text line or an image (shape, icon, template picture).
// Geometry is in canvas points, the rotation in radians.
class ViewModel {
public:
    ViewModel(std::string nomeImg, double alpha, std::string type, Color tintColor, double largezza, double altezza, double centrox, double centroy,
        double rotazione, std::string testo, std::string fontName, double fontSize, Color textColor, std::int64_t textAllin);

    std::string nomeImg;
    double alpha { 0 };
    std::string type; // "image" or "text"
    Color tintColor;
    double largezza { 0 }; // archived under "larghezza"
    double altezza { 0 };
    double centrox { 0 };
    double centroy { 0 };
    double rotazione { 0 };
    std::string testo;
    std::string fontName;
    double fontSize { 0 };
    Color textColor;
    std::int64_t textAllin { 0 }; // 0 left, 1 centre, 2 right

    friend bool operator==(const ViewModel&, const ViewModel&) = default;

    static constexpr const char* kClassName = "ViewModel";
    void encodeWithCoder(store::KeyedArchiver& coder) const;
    // Nothing when one of the thirteen required keys is missing or holds another kind of value; a
    // missing "textAllin" reads as 0.
    static std::optional<ViewModel> initWithCoder(const store::KeyedUnarchiver& coder);

private:
    ViewModel() = default;
};

// The keyed archive of a list of layer records (a list as the root object), and back. Reading
// fails, naming `where`, when the archive is damaged, its root is not a list, or any record in it
// cannot be decoded.
std::vector<std::uint8_t> archivedDataWithViewModels(const std::vector<ViewModel>& records);
Result<std::vector<ViewModel>> unarchiveViewModels(std::span<const std::uint8_t> bytes, const std::string& where);
// The same list as a JSON value (the root object), for stores that keep archives in JSON already.
nlohmann::json archiveRootWithViewModels(const std::vector<ViewModel>& records);
Result<std::vector<ViewModel>> viewModelsFromArchiveRoot(const nlohmann::json& root, const std::string& where);

// The keyed archive of one colour, and back.
std::vector<std::uint8_t> archivedDataWithColor(const Color& color);
Result<Color> unarchiveColor(std::span<const std::uint8_t> bytes, const std::string& where);

}
