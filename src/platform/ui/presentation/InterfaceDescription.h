#pragma once

#include <platform/foundation/Error.h>
#include <platform/ui/views/View.h>

#include <nlohmann/json_fwd.hpp>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace vd {

class ViewController;

// How the interface description makes views of one class and sets their properties. A class
// inherits the properties of its base ("View" at the root). A setter returns the reason a value
// cannot be used, or nothing when it was set.
struct ViewClassDescription {
    using Setter = std::function<std::optional<std::string>(View& view, const nlohmann::json& value)>;
    std::string base { "View" };
    std::function<std::shared_ptr<View>()> make;
    std::map<std::string, Setter> properties;
    // Connects the control's main action ("action": "myButtonSalvaACTION"); absent: no actions.
    std::function<void(View& view, std::function<void()> handler)> connectAction;
};

// A screen's interface described in JSON: a tree of views with frames, autoresizing masks and
// properties, each named view stored into the controller field of the same name.
//
//   { "controller": "ListsDemoController",
//     "view": { "class": "View", "frame": [0, 0, 375, 667], "backgroundColor": "#202020",
//               "subviews": [ { "class": "TableView", "name": "myTableViewLayer",
//                               "frame": [0, 64, 375, 603], "autoresizingMask": ["flexibleWidth", "flexibleHeight"],
//                               "rowHeight": 60 } ] } }
//
// Anything it does not know (a class, a property, a field the controller lacks, an action it
// does not have, a value of the wrong kind) is an error naming the file and the key.
class InterfaceDescription {
public:
    // A file under <ui>/<device kind>/ may name values of <ui>/theme.json as "$name" anywhere a
    // value stands: colours, fonts and common sizes shared by every screen.
    static Result<InterfaceDescription> loadFile(const std::filesystem::path& path);
    static Result<InterfaceDescription> parse(const std::string& text, const std::string& sourceName,
        const nlohmann::json* theme = nullptr);

    const std::string& sourceName() const { return m_source; }
    const std::string& controllerClass() const { return m_controllerClass; } // may be empty

    // Builds the view tree and stores every named view into owner's field of that name.
    Result<std::shared_ptr<View>> instantiate(ViewController& owner) const;

    // The classes descriptions may use; the platform's own are registered on first use.
    static void registerViewClass(const std::string& name, ViewClassDescription description);
    static bool hasViewClass(const std::string& name);

private:
    InterfaceDescription() = default;
    std::string m_source;
    std::string m_controllerClass;
    std::shared_ptr<const nlohmann::json> m_root;
};

// Value readers shared with the property setters of other controls. Each returns nothing when
// the value is not of that kind.
namespace layout {
std::optional<Rect> rect(const nlohmann::json& value);    // [x, y, width, height]
std::optional<Size> size(const nlohmann::json& value);    // [width, height]
std::optional<Point> point(const nlohmann::json& value);  // [x, y]
std::optional<EdgeInsets> insets(const nlohmann::json& value); // [top, left, bottom, right]
std::optional<Color> color(const nlohmann::json& value);  // "#rrggbb", "#rrggbbaa", "clear" or [r, g, b, a] in 0…1
std::optional<double> number(const nlohmann::json& value);
std::optional<bool> boolean(const nlohmann::json& value);
std::optional<std::string> string(const nlohmann::json& value);

// A property setter for views of class T: read turns the JSON value into the property's value
// (nothing when it is not of that kind) and apply sets it; a refusal says what was expected.
template<typename T, typename Read, typename Apply>
ViewClassDescription::Setter property(Read read, const char* expected, Apply apply)
{
    return [read, expected, apply](View& view, const nlohmann::json& value) -> std::optional<std::string> {
        auto* typed = dynamic_cast<T*>(&view);
        if (!typed)
            return std::string("not a property of this view");
        auto parsed = read(value);
        if (!parsed)
            return std::string("expected ") + expected;
        apply(*typed, *parsed);
        return std::nullopt;
    };
}
}

}
