#include <editor/EditorViewClasses.h>

#include <editor/LogoCanvasView.h>
#include <elements/CustomScrollView.h>
#include <platform/ui/controls/SegmentedControl.h>
#include <platform/ui/presentation/InterfaceDescription.h>

#include <nlohmann/json.hpp>

namespace vd {

namespace {

using nlohmann::json;
using Setter = ViewClassDescription::Setter;

using layout::property;

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
