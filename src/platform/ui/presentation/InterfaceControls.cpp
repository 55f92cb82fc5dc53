#include <platform/graphics/ImageCatalogue.h>
#include <platform/ui/controls/BlurView.h>
#include <platform/ui/controls/Button.h>
#include <platform/ui/controls/Label.h>
#include <platform/ui/presentation/InterfaceDescription.h>

#include <nlohmann/json.hpp>

#include <map>

namespace vd {

using nlohmann::json;

namespace {

using Setter = ViewClassDescription::Setter;

template<typename T, typename Read, typename Apply>
Setter setter(Read read, const char* expected, Apply apply)
{
    return [read, expected, apply](View& view, const json& value) -> std::optional<std::string> {
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

std::optional<TextAlignment> alignment(const json& value)
{
    static const std::map<std::string, TextAlignment> names {
        { "left", TextAlignment::Left }, { "center", TextAlignment::Center }, { "right", TextAlignment::Right },
        { "justified", TextAlignment::Justified }, { "natural", TextAlignment::Natural },
    };
    if (!value.is_string())
        return std::nullopt;
    auto it = names.find(value.get<std::string>());
    return it == names.end() ? std::nullopt : std::optional(it->second);
}

std::optional<double> positive(const json& value)
{
    auto n = layout::number(value);
    return n && *n > 0 ? n : std::nullopt;
}

std::optional<Image> catalogueImage(const json& value)
{
    if (!value.is_string() || !imageExists(value.get<std::string>()))
        return std::nullopt;
    return imageNamed(value.get<std::string>());
}

std::optional<BlurView::Style> blurStyle(const json& value)
{
    static const std::map<std::string, BlurView::Style> names {
        { "extraLight", BlurView::Style::ExtraLight }, { "light", BlurView::Style::Light },
        { "dark", BlurView::Style::Dark }, { "regular", BlurView::Style::Regular },
    };
    if (!value.is_string())
        return std::nullopt;
    auto it = names.find(value.get<std::string>());
    return it == names.end() ? std::nullopt : std::optional(it->second);
}

}

// Labels, buttons and blur views in interface descriptions. Texts usually come from the strings
// catalogue at load; "text" and "title" are there for the few fixed words.
void registerControlClasses()
{
    ViewClassDescription label;
    label.make = [] { return View::make<Label>(); };
    auto& l = label.properties;
    l["text"] = setter<Label>(layout::string, "a text", [](Label& v, std::string s) { v.setText(std::move(s)); });
    l["fontName"] = setter<Label>(layout::string, "a PostScript font name", [](Label& v, std::string s) { v.setFont(std::move(s), v.fontSize()); });
    l["fontSize"] = setter<Label>(positive, "a size in points", [](Label& v, double d) { v.setFont(v.fontName(), d); });
    l["textColor"] = setter<Label>(layout::color, "a colour", [](Label& v, Color c) { v.setTextColor(c); });
    l["textAlignment"] = setter<Label>(alignment, "left, center, right, justified or natural", [](Label& v, TextAlignment a) { v.setTextAlignment(a); });
    l["numberOfLines"] = setter<Label>(layout::number, "a number", [](Label& v, double n) { v.setNumberOfLines(static_cast<int>(n)); });
    InterfaceDescription::registerViewClass("Label", std::move(label));

    // A custom button: drawn exactly as described, dimmed while pressed; its action runs on a
    // touch that ends inside.
    ViewClassDescription button;
    button.make = [] { return View::make<Button>(Button::Type::Custom); };
    auto& b = button.properties;
    b["title"] = setter<Button>(layout::string, "a title", [](Button& v, std::string s) { v.setTitle(std::move(s)); });
    b["titleColor"] = setter<Button>(layout::color, "a colour", [](Button& v, Color c) { v.setTitleColor(c); });
    b["fontName"] = setter<Button>(layout::string, "a PostScript font name", [](Button& v, std::string s) { v.setFont(std::move(s), v.titleStyle().fontSize); });
    b["fontSize"] = setter<Button>(positive, "a size in points", [](Button& v, double d) { v.setFont(v.titleStyle().fontName, d); });
    b["image"] = setter<Button>(catalogueImage, "the name of a catalogue image", [](Button& v, Image i) { v.setImage(std::move(i)); });
    b["backgroundImage"] = setter<Button>(catalogueImage, "the name of a catalogue image", [](Button& v, Image i) { v.setBackgroundImage(std::move(i)); });
    b["contentEdgeInsets"] = setter<Button>(layout::insets, "[top, left, bottom, right]", [](Button& v, EdgeInsets e) { v.setContentEdgeInsets(e); });
    button.connectAction = [](View& view, std::function<void()> handler) {
        static_cast<Button&>(view).addAction(ControlEvent::TouchUpInside, [handler](Control&) { handler(); });
    };
    InterfaceDescription::registerViewClass("Button", std::move(button));

    ViewClassDescription blur;
    blur.make = [] { return View::make<BlurView>(); };
    blur.properties["style"] = setter<BlurView>(blurStyle, "extraLight, light, dark or regular", [](BlurView& v, BlurView::Style s) { v.setStyle(s); });
    blur.properties["blurRadius"] = setter<BlurView>(layout::number, "a number", [](BlurView& v, double r) { v.setBlurRadius(r); });
    InterfaceDescription::registerViewClass("BlurView", std::move(blur));
}

}
