#include <platform/graphics/ImageCatalogue.h>
#include <platform/ui/controls/Button.h>
#include <platform/ui/controls/Label.h>
#include <platform/ui/controls/ProgressView.h>
#include <platform/ui/controls/Slider.h>
#include <platform/ui/controls/Stepper.h>
#include <platform/ui/presentation/InterfaceDescription.h>

#include <nlohmann/json.hpp>

namespace vd {

using nlohmann::json;

namespace {

using Setter = ViewClassDescription::Setter;

// A setter for views of class T: read turns the JSON value into a T value or nothing.
template<typename T, typename Read, typename Apply>
Setter control(Read read, const char* expected, Apply apply)
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

std::optional<Image> catalogueImage(const json& value)
{
    if (!value.is_string() || !imageExists(value.get<std::string>()))
        return std::nullopt;
    return imageNamed(value.get<std::string>());
}

std::optional<TextAlignment> alignment(const json& value)
{
    if (value == "left")
        return TextAlignment::Left;
    if (value == "center")
        return TextAlignment::Center;
    if (value == "right")
        return TextAlignment::Right;
    return std::nullopt;
}

std::optional<double> positive(const json& value)
{
    auto number = layout::number(value);
    return number && *number > 0 ? number : std::nullopt;
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

ViewClassDescription buttonClass(Button::Type type)
{
    ViewClassDescription button;
    button.make = [type] { return View::make<Button>(type); };
    auto& b = button.properties;
    b["title"] = control<Button>(layout::string, "a text", [](Button& v, std::string t) { v.setTitle(std::move(t)); });
    b["titleColor"] = control<Button>(layout::color, "a colour", [](Button& v, Color c) { v.setTitleColor(c); });
    b["image"] = control<Button>(catalogueImage, "the name of a catalogue image", [](Button& v, Image i) { v.setImage(std::move(i)); });
    b["backgroundImage"] = control<Button>(catalogueImage, "the name of a catalogue image", [](Button& v, Image i) { v.setBackgroundImage(std::move(i)); });
    b["font"] = control<Button>(layout::string, "a font name", [](Button& v, std::string f) { v.setFont(std::move(f), v.titleStyle().fontSize); });
    b["fontSize"] = control<Button>(positive, "a size in points", [](Button& v, double s) { v.setFont(v.titleStyle().fontName, s); });
    b["contentEdgeInsets"] = control<Button>(layout::insets, "[top, left, bottom, right]", [](Button& v, EdgeInsets e) { v.setContentEdgeInsets(e); });
    b["enabled"] = control<Button>(layout::boolean, "true or false", [](Button& v, bool e) { v.setEnabled(e); });
    button.connectAction = [](View& view, std::function<void()> handler) { sendOn(ControlEvent::TouchUpInside, view, std::move(handler)); };
    return button;
}

}

// Labels, buttons and the value controls, for the screens' descriptions. A button sends its
// action on a touch up inside; sliders and steppers on a change of value.
void registerControlClasses()
{
    ViewClassDescription label;
    label.make = [] { return View::make<Label>(); };
    auto& l = label.properties;
    l["text"] = control<Label>(layout::string, "a text", [](Label& v, std::string t) { v.setText(std::move(t)); });
    l["font"] = control<Label>(layout::string, "a font name", [](Label& v, std::string f) { v.setFont(std::move(f), v.fontSize()); });
    l["fontSize"] = control<Label>(positive, "a size in points", [](Label& v, double s) { v.setFont(v.fontName(), s); });
    l["textColor"] = control<Label>(layout::color, "a colour", [](Label& v, Color c) { v.setTextColor(c); });
    l["textAlignment"] = control<Label>(alignment, "\"left\", \"center\" or \"right\"", [](Label& v, TextAlignment a) { v.setTextAlignment(a); });
    l["numberOfLines"] = control<Label>(count, "a whole number of lines, 0 for any", [](Label& v, int n) { v.setNumberOfLines(n); });
    InterfaceDescription::registerViewClass("Label", std::move(label));

    InterfaceDescription::registerViewClass("Button", buttonClass(Button::Type::System));
    InterfaceDescription::registerViewClass("CustomButton", buttonClass(Button::Type::Custom));

    ViewClassDescription slider;
    slider.make = [] { return View::make<Slider>(); };
    auto& s = slider.properties;
    s["minimumValue"] = control<Slider>(layout::number, "a number", [](Slider& v, double n) { v.setMinimumValue(n); });
    s["maximumValue"] = control<Slider>(layout::number, "a number", [](Slider& v, double n) { v.setMaximumValue(n); });
    s["value"] = control<Slider>(layout::number, "a number", [](Slider& v, double n) { v.setValue(n); });
    s["continuous"] = control<Slider>(layout::boolean, "true or false", [](Slider& v, bool b) { v.setContinuous(b); });
    s["thumbImage"] = control<Slider>(catalogueImage, "the name of a catalogue image", [](Slider& v, Image i) { v.setThumbImage(std::move(i)); });
    s["minimumTrackTintColor"] = control<Slider>(layout::color, "a colour", [](Slider& v, Color c) { v.setMinimumTrackTintColor(c); });
    s["maximumTrackTintColor"] = control<Slider>(layout::color, "a colour", [](Slider& v, Color c) { v.setMaximumTrackTintColor(c); });
    slider.connectAction = [](View& view, std::function<void()> handler) { sendOn(ControlEvent::ValueChanged, view, std::move(handler)); };
    InterfaceDescription::registerViewClass("Slider", std::move(slider));

    ViewClassDescription stepper;
    stepper.make = [] { return View::make<Stepper>(); };
    auto& st = stepper.properties;
    st["minimumValue"] = control<Stepper>(layout::number, "a number", [](Stepper& v, double n) { v.setMinimumValue(n); });
    st["maximumValue"] = control<Stepper>(layout::number, "a number", [](Stepper& v, double n) { v.setMaximumValue(n); });
    st["stepValue"] = control<Stepper>(positive, "a number above 0", [](Stepper& v, double n) { v.setStepValue(n); });
    st["value"] = control<Stepper>(layout::number, "a number", [](Stepper& v, double n) { v.setValue(n); });
    stepper.connectAction = [](View& view, std::function<void()> handler) { sendOn(ControlEvent::ValueChanged, view, std::move(handler)); };
    InterfaceDescription::registerViewClass("Stepper", std::move(stepper));

    ViewClassDescription progress;
    progress.make = [] { return View::make<ProgressView>(); };
    auto& p = progress.properties;
    p["progress"] = control<ProgressView>(layout::number, "a number from 0 to 1", [](ProgressView& v, double n) { v.setProgress(n); });
    p["progressTintColor"] = control<ProgressView>(layout::color, "a colour", [](ProgressView& v, Color c) { v.setProgressTintColor(c); });
    p["trackTintColor"] = control<ProgressView>(layout::color, "a colour", [](ProgressView& v, Color c) { v.setTrackTintColor(c); });
    InterfaceDescription::registerViewClass("ProgressView", std::move(progress));
}

}
