#include <platform/graphics/ImageCatalogue.h>
#include <platform/ui/controls/BlurView.h>
#include <platform/ui/controls/Button.h>
#include <platform/ui/controls/Label.h>
#include <platform/ui/controls/ProgressView.h>
#include <platform/ui/controls/Slider.h>
#include <platform/ui/controls/Stepper.h>
#include <platform/ui/controls/Switch.h>
#include <platform/ui/presentation/InterfaceDescription.h>

#include <nlohmann/json.hpp>

#include <map>

namespace vd {

using nlohmann::json;

namespace {

using Setter = ViewClassDescription::Setter;

using layout::property;

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

std::optional<KeyPress> keyName(const json& value)
{
    if (!value.is_string())
        return std::nullopt;
    return KeyPress::named(value.get<std::string>());
}

std::optional<int> count(const json& value)
{
    if (!value.is_number_integer() || value.get<int>() < 0)
        return std::nullopt;
    return value.get<int>();
}

void sendOn(ControlEvent event, View& view, std::function<void()> handler)
{
    static_cast<Control&>(view).addAction(event, [handler = std::move(handler)](Control&) { handler(); });
}

// A button of the given kind: a custom one is drawn exactly as described and dimmed while
// pressed, a system one draws its title in the tint colour. Its action runs on a touch that ends
// inside.
ViewClassDescription buttonClass(Button::Type type)
{
    ViewClassDescription button;
    button.make = [type] { return View::make<Button>(type); };
    auto& b = button.properties;
    b["title"] = property<Button>(layout::string, "a title", [](Button& v, std::string s) { v.setTitle(std::move(s)); });
    b["titleColor"] = property<Button>(layout::color, "a colour", [](Button& v, Color c) { v.setTitleColor(c); });
    b["fontName"] = property<Button>(layout::string, "a PostScript font name", [](Button& v, std::string s) { v.setFont(std::move(s), v.titleStyle().fontSize); });
    b["font"] = b["fontName"];
    b["fontSize"] = property<Button>(positive, "a size in points", [](Button& v, double d) { v.setFont(v.titleStyle().fontName, d); });
    b["image"] = property<Button>(catalogueImage, "the name of a catalogue image", [](Button& v, Image i) { v.setImage(std::move(i)); });
    b["backgroundImage"] = property<Button>(catalogueImage, "the name of a catalogue image", [](Button& v, Image i) { v.setBackgroundImage(std::move(i)); });
    b["contentEdgeInsets"] = property<Button>(layout::insets, "[top, left, bottom, right]", [](Button& v, EdgeInsets e) { v.setContentEdgeInsets(e); });
    b["enabled"] = property<Button>(layout::boolean, "true or false", [](Button& v, bool e) { v.setEnabled(e); });
    b["keyEquivalent"] = property<Button>(keyName, "a key such as \"escape\" or \"ctrl+s\"", [](Button& v, KeyPress k) { v.setKeyEquivalent(k); });
    button.connectAction = [](View& view, std::function<void()> handler) { sendOn(ControlEvent::TouchUpInside, view, std::move(handler)); };
    return button;
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

// Labels, buttons, blur views and the value controls (sliders, steppers, switches, progress bars)
// in interface descriptions. Texts usually come from the strings catalogue at load; "text" and
// "title" are there for the few fixed words.
void registerControlClasses()
{
    ViewClassDescription label;
    label.make = [] { return View::make<Label>(); };
    auto& l = label.properties;
    l["text"] = property<Label>(layout::string, "a text", [](Label& v, std::string s) { v.setText(std::move(s)); });
    l["fontName"] = property<Label>(layout::string, "a PostScript font name", [](Label& v, std::string s) { v.setFont(std::move(s), v.fontSize()); });
    l["font"] = l["fontName"];
    l["fontSize"] = property<Label>(positive, "a size in points", [](Label& v, double d) { v.setFont(v.fontName(), d); });
    l["textColor"] = property<Label>(layout::color, "a colour", [](Label& v, Color c) { v.setTextColor(c); });
    l["textAlignment"] = property<Label>(alignment, "left, center, right, justified or natural", [](Label& v, TextAlignment a) { v.setTextAlignment(a); });
    l["numberOfLines"] = property<Label>(count, "a whole number of lines, 0 for any", [](Label& v, int n) { v.setNumberOfLines(n); });
    InterfaceDescription::registerViewClass("Label", std::move(label));

    // "Button" and "CustomButton" are custom buttons, "SystemButton" a system one.
    InterfaceDescription::registerViewClass("Button", buttonClass(Button::Type::Custom));
    InterfaceDescription::registerViewClass("CustomButton", buttonClass(Button::Type::Custom));
    InterfaceDescription::registerViewClass("SystemButton", buttonClass(Button::Type::System));

    ViewClassDescription blur;
    blur.make = [] { return View::make<BlurView>(); };
    blur.properties["style"] = property<BlurView>(blurStyle, "extraLight, light, dark or regular", [](BlurView& v, BlurView::Style s) { v.setStyle(s); });
    blur.properties["blurRadius"] = property<BlurView>(layout::number, "a number", [](BlurView& v, double r) { v.setBlurRadius(r); });
    InterfaceDescription::registerViewClass("BlurView", std::move(blur));

    // Sliders and steppers send their action on a change of value.
    ViewClassDescription slider;
    slider.make = [] { return View::make<Slider>(); };
    auto& s = slider.properties;
    s["minimumValue"] = property<Slider>(layout::number, "a number", [](Slider& v, double n) { v.setMinimumValue(n); });
    s["maximumValue"] = property<Slider>(layout::number, "a number", [](Slider& v, double n) { v.setMaximumValue(n); });
    s["value"] = property<Slider>(layout::number, "a number", [](Slider& v, double n) { v.setValue(n); });
    s["continuous"] = property<Slider>(layout::boolean, "true or false", [](Slider& v, bool b) { v.setContinuous(b); });
    s["thumbImage"] = property<Slider>(catalogueImage, "the name of a catalogue image", [](Slider& v, Image i) { v.setThumbImage(std::move(i)); });
    s["minimumTrackTintColor"] = property<Slider>(layout::color, "a colour", [](Slider& v, Color c) { v.setMinimumTrackTintColor(c); });
    s["maximumTrackTintColor"] = property<Slider>(layout::color, "a colour", [](Slider& v, Color c) { v.setMaximumTrackTintColor(c); });
    slider.connectAction = [](View& view, std::function<void()> handler) { sendOn(ControlEvent::ValueChanged, view, std::move(handler)); };
    InterfaceDescription::registerViewClass("Slider", std::move(slider));

    ViewClassDescription stepper;
    stepper.make = [] { return View::make<Stepper>(); };
    auto& st = stepper.properties;
    st["minimumValue"] = property<Stepper>(layout::number, "a number", [](Stepper& v, double n) { v.setMinimumValue(n); });
    st["maximumValue"] = property<Stepper>(layout::number, "a number", [](Stepper& v, double n) { v.setMaximumValue(n); });
    st["stepValue"] = property<Stepper>(positive, "a number above 0", [](Stepper& v, double n) { v.setStepValue(n); });
    st["value"] = property<Stepper>(layout::number, "a number", [](Stepper& v, double n) { v.setValue(n); });
    stepper.connectAction = [](View& view, std::function<void()> handler) { sendOn(ControlEvent::ValueChanged, view, std::move(handler)); };
    InterfaceDescription::registerViewClass("Stepper", std::move(stepper));

    ViewClassDescription progress;
    progress.make = [] { return View::make<ProgressView>(); };
    auto& p = progress.properties;
    p["progress"] = property<ProgressView>(layout::number, "a number from 0 to 1", [](ProgressView& v, double n) { v.setProgress(n); });
    p["progressTintColor"] = property<ProgressView>(layout::color, "a colour", [](ProgressView& v, Color c) { v.setProgressTintColor(c); });
    p["trackTintColor"] = property<ProgressView>(layout::color, "a colour", [](ProgressView& v, Color c) { v.setTrackTintColor(c); });
    InterfaceDescription::registerViewClass("ProgressView", std::move(progress));

    ViewClassDescription toggle;
    toggle.make = [] { return View::make<Switch>(); };
    toggle.properties["on"] = property<Switch>(layout::boolean, "true or false", [](Switch& v, bool b) { v.setOn(b); });
    toggle.properties["onTintColor"] = property<Switch>(layout::color, "a colour", [](Switch& v, Color c) { v.setOnTintColor(c); });
    toggle.connectAction = [](View& view, std::function<void()> handler) { sendOn(ControlEvent::ValueChanged, view, std::move(handler)); };
    InterfaceDescription::registerViewClass("Switch", std::move(toggle));
}

}
