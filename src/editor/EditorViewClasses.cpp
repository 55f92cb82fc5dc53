#include <editor/EditorViewClasses.h>

#include <editor/LogoCanvasView.h>
#include <elements/CustomScrollView.h>
#include <platform/graphics/ImageCatalogue.h>
#include <platform/ui/controls/Button.h>
#include <platform/ui/controls/Label.h>
#include <platform/ui/controls/SegmentedControl.h>
#include <platform/ui/controls/Slider.h>
#include <platform/ui/presentation/InterfaceDescription.h>

#include <nlohmann/json.hpp>

namespace vd {

namespace {

using nlohmann::json;
using Setter = ViewClassDescription::Setter;

template<typename T, typename Read, typename Apply>
Setter property(Read read, const char* expected, Apply apply)
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
    if (value == "left")
        return TextAlignment::Left;
    if (value == "center")
        return TextAlignment::Center;
    if (value == "right")
        return TextAlignment::Right;
    return std::nullopt;
}

std::optional<Image> catalogueImage(const json& value)
{
    if (!value.is_string() || !imageExists(value.get<std::string>()))
        return std::nullopt;
    return imageNamed(value.get<std::string>());
}

std::optional<Image> templateImage(const json& value)
{
    auto image = catalogueImage(value);
    if (!image)
        return std::nullopt;
    return image->withRenderingMode(Image::RenderingMode::Template);
}

void registerIfMissing(const std::string& name, ViewClassDescription description)
{
    if (!InterfaceDescription::hasViewClass(name))
        InterfaceDescription::registerViewClass(name, std::move(description));
}

}

void registerEditorViewClasses()
{
    static bool done = false;
    if (done)
        return;
    done = true;

    ViewClassDescription label;
    label.make = [] { return View::make<Label>(); };
    auto& l = label.properties;
    l["fontName"] = property<Label>(layout::string, "a PostScript font name", [](Label& v, std::string f) { v.setFont(f, v.fontSize()); });
    l["fontSize"] = property<Label>(layout::number, "a size in points", [](Label& v, double s) { v.setFont(v.fontName(), s); });
    l["textColor"] = property<Label>(layout::color, "a colour", [](Label& v, Color c) { v.setTextColor(c); });
    l["textAlignment"] = property<Label>(alignment, "left, center or right", [](Label& v, TextAlignment a) { v.setTextAlignment(a); });
    l["numberOfLines"] = property<Label>(layout::number, "a number", [](Label& v, double n) { v.setNumberOfLines(static_cast<int>(n)); });
    // Only the fixed words ("OK", "Start"…) are written in layouts; other texts come from the catalogue.
    l["text"] = property<Label>(layout::string, "a text", [](Label& v, std::string t) { v.setText(std::move(t)); });
    registerIfMissing("Label", std::move(label));

    ViewClassDescription button;
    button.make = [] { return View::make<Button>(Button::Type::Custom); };
    auto& b = button.properties;
    b["title"] = property<Button>(layout::string, "a title", [](Button& v, std::string t) { v.setTitle(std::move(t)); });
    b["titleColor"] = property<Button>(layout::color, "a colour", [](Button& v, Color c) { v.setTitleColor(c); });
    b["fontName"] = property<Button>(layout::string, "a PostScript font name", [](Button& v, std::string f) { v.setFont(f, v.titleStyle().fontSize); });
    b["fontSize"] = property<Button>(layout::number, "a size in points", [](Button& v, double s) { v.setFont(v.titleStyle().fontName, s); });
    b["image"] = property<Button>(catalogueImage, "the name of a catalogue image", [](Button& v, Image i) { v.setImage(std::move(i)); });
    b["templateImage"] = property<Button>(templateImage, "the name of a catalogue image", [](Button& v, Image i) { v.setImage(std::move(i)); });
    b["contentEdgeInsets"] = property<Button>(layout::insets, "[top, left, bottom, right]", [](Button& v, EdgeInsets e) { v.setContentEdgeInsets(e); });
    button.connectAction = [](View& view, std::function<void()> handler) {
        static_cast<Button&>(view).addAction(ControlEvent::TouchUpInside, [handler](Control&) { handler(); });
    };
    registerIfMissing("Button", std::move(button));

    ViewClassDescription slider;
    slider.make = [] { return View::make<Slider>(); };
    auto& s = slider.properties;
    s["minimumValue"] = property<Slider>(layout::number, "a number", [](Slider& v, double x) { v.setMinimumValue(x); });
    s["maximumValue"] = property<Slider>(layout::number, "a number", [](Slider& v, double x) { v.setMaximumValue(x); });
    s["value"] = property<Slider>(layout::number, "a number", [](Slider& v, double x) { v.setValue(x); });
    s["minimumTrackTintColor"] = property<Slider>(layout::color, "a colour", [](Slider& v, Color c) { v.setMinimumTrackTintColor(c); });
    s["maximumTrackTintColor"] = property<Slider>(layout::color, "a colour", [](Slider& v, Color c) { v.setMaximumTrackTintColor(c); });
    slider.connectAction = [](View& view, std::function<void()> handler) {
        static_cast<Slider&>(view).addAction(ControlEvent::ValueChanged, [handler](Control&) { handler(); });
    };
    registerIfMissing("Slider", std::move(slider));

    ViewClassDescription segmented;
    segmented.make = [] { return View::make<SegmentedControl>(); };
    segmented.properties["fontSize"] = property<SegmentedControl>(layout::number, "a size in points", [](SegmentedControl& v, double size) { v.setFont("GillSans", size); });
    segmented.connectAction = [](View& view, std::function<void()> handler) {
        static_cast<SegmentedControl&>(view).addAction(ControlEvent::ValueChanged, [handler](Control&) { handler(); });
    };
    registerIfMissing("SegmentedControl", std::move(segmented));

    ViewClassDescription scroll;
    scroll.base = "ScrollView";
    scroll.make = [] { return View::make<CustomScrollView>(); };
    registerIfMissing("CustomScrollView", std::move(scroll));

    ViewClassDescription canvas;
    canvas.make = [] { return View::make<LogoCanvasView>(); };
    registerIfMissing("LogoCanvasView", std::move(canvas));
}

}
