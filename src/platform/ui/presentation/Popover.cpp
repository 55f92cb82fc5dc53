#include <platform/ui/presentation/Popover.h>

#include <cmath>
#include <nlohmann/json.hpp>

namespace vd {

namespace {
constexpr double kArrowHeight = 13;
constexpr double kArrowHalfWidth = 13;
constexpr double kEdgeMargin = 10;
constexpr double kCornerRadius = 13;
}

Popover::Popover(std::shared_ptr<View> content)
    : m_content(std::move(content))
    , m_box(View::make())
{
    setName("popover");
    m_box->setName("popoverBox");
    m_box->setClipsToBounds(true);
    m_box->layer().setCornerRadius(kCornerRadius);
    m_box->setBackgroundColor(Color::whiteColor());
    if (m_content) {
        if (m_content->name().empty())
            m_content->setName("popoverContent");
        m_box->addSubview(m_content);
    }
}

void Popover::automationValues(nlohmann::json& out) const
{
    out["arrow"] = m_arrow == ArrowUp ? "up" : "down";
    out["preferredContentSize"] = { m_preferredSize.width, m_preferredSize.height };
}

void Popover::setPreferredContentSize(Size size)
{
    m_preferredSize = size;
    setNeedsLayout();
}

void Popover::layoutSubviews()
{
    const Rect area = bounds().insetBy(kEdgeMargin, kEdgeMargin);
    Rect source;
    if (auto view = m_sourceView.lock()) {
        const Rect local = m_sourceRect.isEmpty() && m_sourceRect.origin == Point {} ? view->bounds() : m_sourceRect;
        source = convertRectFromView(view->convertRectToView(local, nullptr), nullptr);
    } else {
        source = { bounds().midX(), bounds().midY(), 0, 0 };
    }
    const double width = std::min(m_preferredSize.width, area.width());
    const double roomBelow = area.maxY() - source.maxY() - kArrowHeight;
    const double roomAbove = source.minY() - area.minY() - kArrowHeight;
    const bool canUp = m_permitted & ArrowUp, canDown = m_permitted & ArrowDown;
    m_arrow = canUp && (!canDown || roomBelow >= m_preferredSize.height || roomBelow >= roomAbove) ? ArrowUp : ArrowDown;
    const double room = std::max(0.0, m_arrow == ArrowUp ? roomBelow : roomAbove);
    const double height = std::min(m_preferredSize.height, room);
    m_arrowX = std::clamp(source.midX(), area.minX() + kCornerRadius + kArrowHalfWidth, area.maxX() - kCornerRadius - kArrowHalfWidth);
    const double x = std::clamp(source.midX() - width / 2, area.minX(), area.maxX() - width);
    const double y = m_arrow == ArrowUp ? source.maxY() + kArrowHeight : source.minY() - kArrowHeight - height;
    m_box->setFrame({ x, y, width, height });
    if (m_content)
        m_content->setFrame(m_box->bounds());
    setNeedsDisplay();
}

Rect Popover::boxFrame() const
{
    const Rect box = m_box->frame();
    return m_arrow == ArrowUp ? Rect { box.x(), box.y() - kArrowHeight, box.width(), box.height() + kArrowHeight } : Rect { box.x(), box.y(), box.width(), box.height() + kArrowHeight };
}

void Popover::draw(Painter& painter, const Rect& rect)
{
    (void)rect;
    // The arrow, in the box's colour, with the soft shadow of a floating panel around both.
    const Rect box = m_box->frame();
    const double tipY = m_arrow == ArrowUp ? box.minY() - kArrowHeight : box.maxY() + kArrowHeight;
    const double baseY = m_arrow == ArrowUp ? box.minY() + 1 : box.maxY() - 1;
    for (int spread = 8; spread > 0; spread -= 2) {
        const double x = box.x() - spread, y = box.y() - spread + 2, w = box.width() + 2 * spread, h = box.height() + 2 * spread;
        Path halo;
        halo.addRoundedRect({ x, y, w, h }, kCornerRadius + spread);
        painter.fillPath(halo, Color::rgba(0, 0, 0, 0.025));
    }
    const Color fill = m_box->backgroundColor().value_or(Color::whiteColor());
    Path arrow;
    arrow.moveTo({ m_arrowX - kArrowHalfWidth, baseY });
    arrow.lineTo({ m_arrowX, tipY });
    arrow.lineTo({ m_arrowX + kArrowHalfWidth, baseY });
    arrow.close();
    painter.fillPath(arrow, fill);
}

void Popover::present(View& host)
{
    setFrame(host.bounds());
    setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    // Subviews added in a constructor would not know their parent yet, so the box joins here.
    if (m_box->superview().get() != this)
        addSubview(m_box);
    host.addSubview(shared_from_this());
    layoutIfNeeded();
    View::performWithoutAnimation([this] { setAlpha(0); });
    View::animate(0.2, [this] { setAlpha(1); });
}

void Popover::dismiss()
{
    if (!isPresented())
        return;
    auto protector = shared_from_this();
    removeFromSuperview();
    if (m_onDismiss)
        m_onDismiss();
}

bool Popover::performKeyCommand(const KeyPress& press)
{
    // Escape closes it as a tap outside does.
    if (press == KeyPress { Key::Escape } && isPresented()) {
        dismiss();
        return true;
    }
    return View::performKeyCommand(press);
}

void Popover::touchesBegan(const TouchSet& touches, const TouchEvent& event)
{
    (void)event;
    // Only touches outside the box reach the popover itself; those inside go to the content.
    m_outsideTouch = !touches.empty() && !boxFrame().contains(touches.front()->locationInView(this));
}

void Popover::touchesEnded(const TouchSet& touches, const TouchEvent& event)
{
    (void)touches, (void)event;
    if (m_outsideTouch)
        dismiss();
    m_outsideTouch = false;
}

}
