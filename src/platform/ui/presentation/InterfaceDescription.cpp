#include <platform/ui/presentation/InterfaceDescription.h>

#include <platform/foundation/Files.h>
#include <platform/graphics/ImageCatalogue.h>
#include <platform/ui/lists/CollectionView.h>
#include <platform/ui/controls/ImageView.h>
#include <platform/ui/lists/PickerView.h>
#include <platform/ui/lists/ScrollView.h>
#include <platform/ui/lists/TableView.h>
#include <platform/ui/presentation/ViewController.h>

#include <nlohmann/json.hpp>

#include <cctype>
#include <set>

namespace vd {

using nlohmann::json;

// The collection, table and picker views' properties (below).
void registerListClasses();
// Labels, buttons and blur views (InterfaceControls.cpp).
void registerControlClasses();

namespace layout {

std::optional<double> number(const json& value)
{
    if (!value.is_number())
        return std::nullopt;
    return value.get<double>();
}

std::optional<bool> boolean(const json& value)
{
    if (!value.is_boolean())
        return std::nullopt;
    return value.get<bool>();
}

std::optional<std::string> string(const json& value)
{
    if (!value.is_string())
        return std::nullopt;
    return value.get<std::string>();
}

namespace {

bool numbers(const json& value, size_t count, double* out)
{
    if (!value.is_array() || value.size() != count)
        return false;
    for (size_t i = 0; i < count; ++i) {
        if (!value[i].is_number())
            return false;
        out[i] = value[i].get<double>();
    }
    return true;
}

}

std::optional<Rect> rect(const json& value)
{
    double v[4];
    if (!numbers(value, 4, v) || v[2] < 0 || v[3] < 0)
        return std::nullopt;
    return Rect(v[0], v[1], v[2], v[3]);
}

std::optional<Size> size(const json& value)
{
    double v[2];
    if (!numbers(value, 2, v) || v[0] < 0 || v[1] < 0)
        return std::nullopt;
    return Size { v[0], v[1] };
}

std::optional<Point> point(const json& value)
{
    double v[2];
    if (!numbers(value, 2, v))
        return std::nullopt;
    return Point { v[0], v[1] };
}

std::optional<EdgeInsets> insets(const json& value)
{
    double v[4];
    if (!numbers(value, 4, v))
        return std::nullopt;
    return EdgeInsets { v[0], v[1], v[2], v[3] };
}

std::optional<Color> color(const json& value)
{
    if (value.is_string()) {
        std::string text = value.get<std::string>();
        if (text == "clear")
            return Color::clear();
        if (!text.empty() && text[0] == '#')
            text.erase(0, 1);
        if (text.size() != 6 && text.size() != 8)
            return std::nullopt;
        for (char c : text) {
            if (!std::isxdigit(static_cast<unsigned char>(c)))
                return std::nullopt;
        }
        const auto component = [&](size_t at) { return std::stoi(text.substr(at, 2), nullptr, 16) / 255.0; };
        return Color::rgba(component(0), component(2), component(4), text.size() == 8 ? component(6) : 1.0);
    }
    double v[4] { 0, 0, 0, 1 };
    if (numbers(value, 3, v) || numbers(value, 4, v)) {
        for (double c : v) {
            if (c < 0 || c > 1)
                return std::nullopt;
        }
        return Color::rgba(v[0], v[1], v[2], v[3]);
    }
    return std::nullopt;
}

}

namespace {

using Setter = ViewClassDescription::Setter;

std::map<std::string, ViewClassDescription>& classes()
{
    static std::map<std::string, ViewClassDescription> table;
    return table;
}

using layout::property;

std::optional<unsigned> autoresizingMask(const json& value)
{
    static const std::map<std::string, unsigned> names {
        { "flexibleLeftMargin", FlexibleLeftMargin }, { "flexibleWidth", FlexibleWidth },
        { "flexibleRightMargin", FlexibleRightMargin }, { "flexibleTopMargin", FlexibleTopMargin },
        { "flexibleHeight", FlexibleHeight }, { "flexibleBottomMargin", FlexibleBottomMargin },
    };
    if (!value.is_array())
        return std::nullopt;
    unsigned mask = 0;
    for (auto& item : value) {
        if (!item.is_string())
            return std::nullopt;
        auto it = names.find(item.get<std::string>());
        if (it == names.end())
            return std::nullopt;
        mask |= it->second;
    }
    return mask;
}

std::optional<ContentMode> contentMode(const json& value)
{
    static const std::map<std::string, ContentMode> names {
        { "scaleToFill", ContentMode::ScaleToFill }, { "scaleAspectFit", ContentMode::ScaleAspectFit },
        { "scaleAspectFill", ContentMode::ScaleAspectFill }, { "redraw", ContentMode::Redraw },
        { "center", ContentMode::Center }, { "top", ContentMode::Top }, { "bottom", ContentMode::Bottom },
        { "left", ContentMode::Left }, { "right", ContentMode::Right }, { "topLeft", ContentMode::TopLeft },
        { "topRight", ContentMode::TopRight }, { "bottomLeft", ContentMode::BottomLeft },
        { "bottomRight", ContentMode::BottomRight },
    };
    if (!value.is_string())
        return std::nullopt;
    auto it = names.find(value.get<std::string>());
    return it == names.end() ? std::nullopt : std::optional(it->second);
}

std::optional<Image> catalogueImage(const json& value)
{
    if (!value.is_string() || !imageExists(value.get<std::string>()))
        return std::nullopt;
    return imageNamed(value.get<std::string>());
}

void registerViewClasses()
{
    ViewClassDescription view;
    view.base.clear();
    view.make = [] { return View::make(); };
    auto& p = view.properties;
    p["frame"] = property<View>(layout::rect, "[x, y, width, height]", [](View& v, Rect r) { v.setFrame(r); });
    p["autoresizingMask"] = property<View>(autoresizingMask, "a list of flexibleLeftMargin, flexibleWidth, flexibleRightMargin, flexibleTopMargin, flexibleHeight, flexibleBottomMargin", [](View& v, unsigned m) { v.setAutoresizingMask(m); });
    p["backgroundColor"] = property<View>(layout::color, "a colour", [](View& v, Color c) { v.setBackgroundColor(c); });
    p["alpha"] = property<View>(layout::number, "a number", [](View& v, double a) { v.setAlpha(a); });
    p["hidden"] = property<View>(layout::boolean, "true or false", [](View& v, bool b) { v.setHidden(b); });
    p["tag"] = property<View>(layout::number, "a number", [](View& v, double t) { v.setTag(static_cast<long>(t)); });
    p["userInteractionEnabled"] = property<View>(layout::boolean, "true or false", [](View& v, bool b) { v.setUserInteractionEnabled(b); });
    p["multipleTouchEnabled"] = property<View>(layout::boolean, "true or false", [](View& v, bool b) { v.setMultipleTouchEnabled(b); });
    p["clipsToBounds"] = property<View>(layout::boolean, "true or false", [](View& v, bool b) { v.setClipsToBounds(b); });
    p["contentMode"] = property<View>(contentMode, "a content mode such as scaleAspectFit", [](View& v, ContentMode m) { v.setContentMode(m); });
    p["tintColor"] = property<View>(layout::color, "a colour", [](View& v, Color c) { v.setTintColor(c); });
    p["cornerRadius"] = property<View>(layout::number, "a number", [](View& v, double r) { v.layer().setCornerRadius(r); });
    p["borderWidth"] = property<View>(layout::number, "a number", [](View& v, double w) { v.layer().setBorderWidth(w); });
    p["borderColor"] = property<View>(layout::color, "a colour", [](View& v, Color c) { v.layer().setBorderColor(c); });
    classes()["View"] = std::move(view);

    ViewClassDescription imageView;
    imageView.make = [] { return View::make<ImageView>(); };
    imageView.properties["image"] = property<ImageView>(catalogueImage, "the name of a catalogue image", [](ImageView& v, Image i) { v.setImage(std::move(i)); });
    imageView.properties["highlightedImage"] = property<ImageView>(catalogueImage, "the name of a catalogue image", [](ImageView& v, Image i) { v.setHighlightedImage(std::move(i)); });
    classes()["ImageView"] = std::move(imageView);

    ViewClassDescription scrollView;
    scrollView.make = [] { return View::make<ScrollView>(); };
    auto& s = scrollView.properties;
    s["contentSize"] = property<ScrollView>(layout::size, "[width, height]", [](ScrollView& v, Size z) { v.setContentSize(z); });
    s["contentInset"] = property<ScrollView>(layout::insets, "[top, left, bottom, right]", [](ScrollView& v, EdgeInsets e) { v.setContentInset(e); });
    s["scrollEnabled"] = property<ScrollView>(layout::boolean, "true or false", [](ScrollView& v, bool b) { v.setScrollEnabled(b); });
    s["minimumZoomScale"] = property<ScrollView>(layout::number, "a number", [](ScrollView& v, double z) { v.setMinimumZoomScale(z); });
    s["maximumZoomScale"] = property<ScrollView>(layout::number, "a number", [](ScrollView& v, double z) { v.setMaximumZoomScale(z); });
    s["alwaysBounceVertical"] = property<ScrollView>(layout::boolean, "true or false", [](ScrollView& v, bool b) { v.setAlwaysBounceVertical(b); });
    classes()["ScrollView"] = std::move(scrollView);

    registerListClasses();
    registerControlClasses();
}

void ensureRegistered()
{
    static bool done = false;
    if (!done) {
        done = true;
        registerViewClasses();
    }
}

// The description of a class with its inherited properties and actions.
const ViewClassDescription::Setter* findSetter(const std::string& className, const std::string& key)
{
    for (std::string name = className; !name.empty();) {
        auto it = classes().find(name);
        if (it == classes().end())
            return nullptr;
        if (auto p = it->second.properties.find(key); p != it->second.properties.end())
            return &p->second;
        name = it->second.base;
    }
    return nullptr;
}

const ViewClassDescription* findActionConnector(const std::string& className)
{
    for (std::string name = className; !name.empty();) {
        auto it = classes().find(name);
        if (it == classes().end())
            return nullptr;
        if (it->second.connectAction)
            return &it->second;
        name = it->second.base;
    }
    return nullptr;
}

struct Builder {
    const std::string& source;
    ViewController& owner;
    std::set<std::string> names;

    std::unexpected<Error> error(const std::string& key, const std::string& reason) const { return fail(source, key + ": " + reason); }

    Result<std::shared_ptr<View>> build(const json& node, const std::string& path)
    {
        if (!node.is_object())
            return error(path, "expected an object describing a view");
        std::string className = "View";
        if (node.contains("class")) {
            if (!node["class"].is_string())
                return error(path + ".class", "expected a class name");
            className = node["class"].get<std::string>();
        }
        auto it = classes().find(className);
        if (it == classes().end() || !it->second.make)
            return error(path + ".class", "unknown view class \"" + className + "\"");
        auto view = it->second.make();
        for (auto& [key, value] : node.items()) {
            const std::string keyPath = path + "." + key;
            if (key == "class" || key == "subviews")
                continue;
            if (key == "name") {
                if (!value.is_string() || value.get<std::string>().empty())
                    return error(keyPath, "expected a field name");
                const std::string name = value.get<std::string>();
                if (!names.insert(name).second)
                    return error(keyPath, "the name \"" + name + "\" is used twice");
                if (!owner.hasField(name))
                    return error(keyPath, owner.className() + " has no field \"" + name + "\"");
                view->setName(name);
                continue;
            }
            if (key == "action") {
                const auto* connector = findActionConnector(className);
                if (!connector)
                    return error(keyPath, "a " + className + " has no action");
                if (!value.is_string())
                    return error(keyPath, "expected an action name");
                auto handler = owner.actionNamed(value.get<std::string>());
                if (!handler)
                    return error(keyPath, owner.className() + " has no action \"" + value.get<std::string>() + "\"");
                connector->connectAction(*view, std::move(handler));
                continue;
            }
            const auto* setter = findSetter(className, key);
            if (!setter)
                return error(keyPath, "unknown property of " + className);
            if (auto reason = (*setter)(*view, value))
                return error(keyPath, *reason);
        }
        if (!view->name().empty() && !owner.fieldAccepts(view->name(), *view))
            return error(path, view->name() + " is a " + view->className() + ", but the field wants another class");
        if (node.contains("subviews")) {
            const auto& subviews = node["subviews"];
            if (!subviews.is_array())
                return error(path + ".subviews", "expected a list of views");
            for (size_t i = 0; i < subviews.size(); ++i) {
                auto child = build(subviews[i], path + ".subviews[" + std::to_string(i) + "]");
                if (!child)
                    return child;
                view->addSubview(*child);
            }
        }
        return view;
    }

    void bindAll(const std::shared_ptr<View>& view)
    {
        if (!view->name().empty())
            owner.setField(view->name(), view);
        for (auto& subview : view->subviews())
            bindAll(subview);
    }
};

}

void registerListClasses()
{
    ViewClassDescription collection;
    collection.base = "ScrollView";
    collection.make = [] { return View::make<CollectionView>(); };
    auto& c = collection.properties;
    auto flow = [](auto change) {
        return [change](CollectionView& v, auto value) {
            auto layout = v.layout();
            change(layout, value);
            v.setLayout(layout);
        };
    };
    c["itemSize"] = property<CollectionView>(layout::size, "[width, height]", flow([](CollectionViewFlowLayout& l, Size z) { l.itemSize = z; }));
    c["minimumLineSpacing"] = property<CollectionView>(layout::number, "a number", flow([](CollectionViewFlowLayout& l, double d) { l.minimumLineSpacing = d; }));
    c["minimumInteritemSpacing"] = property<CollectionView>(layout::number, "a number", flow([](CollectionViewFlowLayout& l, double d) { l.minimumInteritemSpacing = d; }));
    c["sectionInset"] = property<CollectionView>(layout::insets, "[top, left, bottom, right]", flow([](CollectionViewFlowLayout& l, EdgeInsets e) { l.sectionInset = e; }));
    auto direction = [](const json& value) -> std::optional<CollectionViewFlowLayout::ScrollDirection> {
        if (value == "vertical")
            return CollectionViewFlowLayout::ScrollDirection::Vertical;
        if (value == "horizontal")
            return CollectionViewFlowLayout::ScrollDirection::Horizontal;
        return std::nullopt;
    };
    c["scrollDirection"] = property<CollectionView>(direction, "\"vertical\" or \"horizontal\"", flow([](CollectionViewFlowLayout& l, CollectionViewFlowLayout::ScrollDirection d) { l.scrollDirection = d; }));
    c["allowsSelection"] = property<CollectionView>(layout::boolean, "true or false", [](CollectionView& v, bool b) { v.setAllowsSelection(b); });
    c["allowsMultipleSelection"] = property<CollectionView>(layout::boolean, "true or false", [](CollectionView& v, bool b) { v.setAllowsMultipleSelection(b); });
    classes()["CollectionView"] = std::move(collection);

    ViewClassDescription table;
    table.base = "ScrollView";
    table.make = [] { return View::make<TableView>(); };
    auto& t = table.properties;
    t["rowHeight"] = property<TableView>(layout::number, "a number", [](TableView& v, double h) { v.setRowHeight(h); });
    t["allowsSelection"] = property<TableView>(layout::boolean, "true or false", [](TableView& v, bool b) { v.setAllowsSelection(b); });
    t["allowsMultipleSelection"] = property<TableView>(layout::boolean, "true or false", [](TableView& v, bool b) { v.setAllowsMultipleSelection(b); });
    t["editing"] = property<TableView>(layout::boolean, "true or false", [](TableView& v, bool b) { v.setEditing(b); });
    classes()["TableView"] = std::move(table);

    ViewClassDescription picker;
    picker.make = [] { return View::make<PickerView>(); };
    classes()["PickerView"] = std::move(picker);
}

void InterfaceDescription::registerViewClass(const std::string& name, ViewClassDescription description)
{
    ensureRegistered();
    if (description.base.empty() && name != "View")
        description.base = "View";
    classes()[name] = std::move(description);
}

bool InterfaceDescription::hasViewClass(const std::string& name)
{
    ensureRegistered();
    return classes().contains(name);
}

Result<InterfaceDescription> InterfaceDescription::loadFile(const std::filesystem::path& path)
{
    // A screen description is a few kilobytes; anything far larger is not one.
    auto bytes = files::readAll(path, 4 << 20);
    if (!bytes)
        return std::unexpected(bytes.error());
    // Layouts live in <ui>/<device kind>/; the theme they share is <ui>/theme.json.
    std::optional<json> theme;
    const auto themePath = path.parent_path().parent_path() / "theme.json";
    if (std::error_code error; std::filesystem::is_regular_file(themePath, error)) {
        auto themeBytes = files::readAll(themePath, 1 << 20);
        if (!themeBytes)
            return std::unexpected(themeBytes.error());
        theme = json::parse(themeBytes->begin(), themeBytes->end(), nullptr, false);
        if (theme->is_discarded() || !theme->is_object())
            return fail(themePath.string(), "not a JSON object of named values");
    }
    return parse(std::string(bytes->begin(), bytes->end()), path.string(), theme ? &*theme : nullptr);
}

namespace {

// Replaces every string "$name" below value by the theme's value of that name; returns the first
// name the theme lacks.
std::optional<std::string> applyTheme(json& value, const json* theme, const std::string& where)
{
    if (value.is_string()) {
        const auto& text = value.get_ref<const std::string&>();
        if (text.size() < 2 || text[0] != '$')
            return std::nullopt;
        const std::string name = text.substr(1);
        if (!theme || !theme->contains(name))
            return where + ": the theme has no value \"" + name + "\"";
        value = (*theme)[name];
        return std::nullopt;
    }
    if (value.is_object()) {
        for (auto& [key, child] : value.items()) {
            if (auto missing = applyTheme(child, theme, key))
                return missing;
        }
    } else if (value.is_array()) {
        for (auto& child : value) {
            if (auto missing = applyTheme(child, theme, where))
                return missing;
        }
    }
    return std::nullopt;
}

}

Result<InterfaceDescription> InterfaceDescription::parse(const std::string& text, const std::string& sourceName, const nlohmann::json* theme)
{
    ensureRegistered();
    json root = json::parse(text, nullptr, false);
    if (root.is_discarded())
        return fail(sourceName, "not valid JSON");
    if (!root.is_object())
        return fail(sourceName, "expected an object with \"view\"");
    if (auto missing = applyTheme(root, theme, "view"))
        return fail(sourceName, *missing);
    for (auto& [key, value] : root.items()) {
        if (key != "controller" && key != "view")
            return fail(sourceName, key + ": unknown key (expected \"controller\" and \"view\")");
    }
    if (!root.contains("view"))
        return fail(sourceName, "view: missing");
    InterfaceDescription description;
    description.m_source = sourceName;
    if (root.contains("controller")) {
        if (!root["controller"].is_string())
            return fail(sourceName, "controller: expected a class name");
        description.m_controllerClass = root["controller"].get<std::string>();
    }
    description.m_root = std::make_shared<const json>(std::move(root));
    return description;
}

Result<std::shared_ptr<View>> InterfaceDescription::instantiate(ViewController& owner) const
{
    ensureRegistered();
    if (!m_controllerClass.empty() && m_controllerClass != owner.className() && m_controllerClass + "IPAD" != owner.className())
        return fail(m_source, "controller: describes " + m_controllerClass + ", not " + owner.className());
    Builder builder { m_source, owner, {} };
    auto view = builder.build((*m_root)["view"], "view");
    if (!view)
        return view;
    // Fields are set only once the whole description has been built, so a failure leaves the
    // controller as it was.
    builder.bindAll(*view);
    return view;
}

}
