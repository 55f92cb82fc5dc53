#include <platform/ui/views/ViewDump.h>

#include <platform/ui/views/View.h>

#include <cmath>

namespace vd {

namespace {

// Values rounded to a thousandth of a point so dumps compare across machines.
double tidy(double value)
{
    const double rounded = std::round(value * 1000) / 1000;
    return rounded == 0 ? 0 : rounded;
}

nlohmann::json rectJson(const Rect& r) { return { tidy(r.x()), tidy(r.y()), tidy(r.width()), tidy(r.height()) }; }

nlohmann::json colorJson(const Color& c) { return c.htmlRGBaColor(); }

nlohmann::json dumpView(const View& view)
{
    nlohmann::json node;
    node["class"] = view.className();
    if (!view.name().empty())
        node["name"] = view.name();
    node["frame"] = rectJson(view.convertRectToView(view.bounds(), nullptr));
    node["bounds"] = rectJson(view.bounds());
    node["center"] = { tidy(view.center().x), tidy(view.center().y) };
    const AffineTransform t = view.transform();
    node["transform"] = { tidy(t.a), tidy(t.b), tidy(t.c), tidy(t.d), tidy(t.tx), tidy(t.ty) };
    node["rotation"] = tidy(t.angle());
    node["alpha"] = tidy(view.alpha());
    node["hidden"] = view.isHidden();
    node["tag"] = view.tag();
    node["userInteractionEnabled"] = view.isUserInteractionEnabled();
    if (auto text = view.automationText())
        node["text"] = *text;
    if (auto image = view.automationImageName())
        node["image"] = *image;
    // Control state (value, selection, enabled…) joins the common keys without replacing any.
    nlohmann::json values = nlohmann::json::object();
    view.automationValues(values);
    for (auto& [key, value] : values.items())
        if (!node.contains(key))
            node[key] = value;
    if (auto background = view.backgroundColor())
        node["backgroundColor"] = colorJson(*background);
    if (view.layer().borderWidth() > 0)
        node["borderColor"] = colorJson(view.layer().borderColor());
    node["tintColor"] = colorJson(view.tintColor());
    if (view.layer().hasAnimations())
        node["animations"] = view.layer().animationKeys();
    // Shape sublayers (guides, outlines) by name, so a dump tells whether each is visible.
    if (!view.layer().sublayers().empty()) {
        nlohmann::json layers = nlohmann::json::array();
        for (const auto& layer : view.layer().sublayers())
            layers.push_back({ { "name", layer->name() }, { "hidden", layer->isHidden() } });
        node["sublayers"] = std::move(layers);
    }
    nlohmann::json children = nlohmann::json::array();
    for (auto& subview : view.subviews())
        children.push_back(dumpView(*subview));
    if (!children.empty())
        node["subviews"] = std::move(children);
    return node;
}

}

nlohmann::json dumpViewTree(const View& root) { return dumpView(root); }

}
