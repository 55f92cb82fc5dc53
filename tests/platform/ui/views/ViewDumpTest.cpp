#include <platform/graphics/Path.h>
#include <platform/ui/views/Layer.h>
#include <platform/ui/views/View.h>
#include <platform/ui/views/ViewDump.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace vd;

TEST(ViewDump, ShapeSublayersAreListedByNameWithTheirVisibility)
{
    auto canvas = View::make(Rect(0, 0, 100, 100));
    EXPECT_FALSE(dumpViewTree(*canvas).contains("sublayers")) << "a view without shape layers lists none";

    auto guide = std::make_shared<ShapeLayer>();
    guide->setName("lineOrizzontale");
    guide->setHidden(true);
    auto outline = std::make_shared<ShapeLayer>();
    outline->setName("outline");
    canvas->layer().addSublayer(guide);
    canvas->layer().addSublayer(outline);

    const auto dump = dumpViewTree(*canvas);
    ASSERT_TRUE(dump.contains("sublayers"));
    EXPECT_EQ(dump["sublayers"], nlohmann::json::parse(R"([{"name":"lineOrizzontale","hidden":true},{"name":"outline","hidden":false}])"));

    guide->setHidden(false);
    guide->removeFromSuperlayer();
    EXPECT_EQ(dumpViewTree(*canvas)["sublayers"].size(), 1u) << "a removed layer leaves the dump";
}
