#include <platform/ui/controls/Toolbar.h>


namespace vd {

namespace {
constexpr double kBarHeight = 44;
constexpr double kItemMargin = 16;
}

Toolbar::Toolbar()
{
    setBarStyle(Style::Default);
}

void Toolbar::setItems(std::vector<Item> items)
{
    for (auto& item : m_items)
        if (item.button)
            item.button->removeFromSuperview();
    m_items = std::move(items);
    for (auto& item : m_items)
        if (item.button)
            addSubview(item.button);
    setNeedsLayout();
}

void Toolbar::setBarStyle(Style style)
{
    m_style = style;
    setBackgroundColor(style == Style::BlackTranslucent ? Color::rgba(0.08, 0.08, 0.09, 0.86) : Color::rgba(0.97, 0.97, 0.97, 0.94));
}

Size Toolbar::sizeThatFits(Size size) const
{
    return { size.width > 0 ? size.width : bounds().width(), kBarHeight };
}

void Toolbar::layoutSubviews()
{
    const Rect area = bounds();
    double fixed = 0;
    int flexible = 0;
    std::vector<Size> sizes;
    for (auto& item : m_items) {
        if (!item.button) {
            ++flexible;
            sizes.push_back({});
            continue;
        }
        Size s = item.button->sizeThatFits(area.size);
        s.width += 16;
        s.height = std::min(area.height(), std::max(s.height, 30.0));
        sizes.push_back(s);
        fixed += s.width;
    }
    const double gaps = kItemMargin * 2 + (m_items.empty() ? 0 : (m_items.size() - 1) * 8.0);
    const double spare = std::max(0.0, area.width() - fixed - gaps);
    double x = kItemMargin;
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (!m_items[i].button) {
            x += flexible ? spare / flexible : 0;
            continue;
        }
        m_items[i].button->setFrame({ x, (area.height() - sizes[i].height) / 2, sizes[i].width, sizes[i].height });
        x += sizes[i].width + 8;
    }
}

void Toolbar::draw(Painter& painter, const Rect& rect)
{
    (void)rect;
    // A hairline along the top edge, as bars have.
    const double shade = m_style == Style::BlackTranslucent ? 0.25 : 0.7;
    painter.fillRect({ 0, 0, bounds().width(), 0.5 }, Color::white(shade));
}

std::shared_ptr<Toolbar> Toolbar::makeDoneToolbar(std::function<void()> done, const std::string& doneButtonName)
{
    auto bar = View::make<Toolbar>();
    bar->setBarStyle(Style::BlackTranslucent);
    bar->setTintColor(Color::whiteColor());
    auto button = View::make<Button>(Button::Type::System);
    button->setTitle("Done");
    button->setFont("Helvetica-Bold", 17);
    button->setName(doneButtonName);
    button->addAction(ControlEvent::TouchUpInside, [done = std::move(done)](Control&) {
        if (done)
            done();
    });
    bar->setItems({ Item::flexibleSpace(), Item::of(button) });
    bar->setFrame({ 0, 0, 320, kBarHeight });
    bar->setName("keyboardToolbar");
    return bar;
}

}
