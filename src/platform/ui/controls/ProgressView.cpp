#include <platform/ui/controls/ProgressView.h>

#include <cmath>
#include <nlohmann/json.hpp>

namespace vd {

namespace {
constexpr double kAnimationDuration = 0.25;
}

ProgressView::ProgressView()
    : m_fill(View::make())
{
    setUserInteractionEnabled(false);
    setClipsToBounds(true);
    setBackgroundColor(Color::rgba(0.72, 0.72, 0.74));
    m_fill->setName("progressFill");
    tintColorDidChange();
}

ProgressView::ProgressView(const Rect& frame)
    : ProgressView()
{
    setFrame(frame);
}

void ProgressView::automationValues(nlohmann::json& out) const
{
    out["progress"] = m_progress;
}

Rect ProgressView::fillFrame() const
{
    return { 0, 0, bounds().width() * m_progress, bounds().height() };
}

void ProgressView::setProgress(double progress, bool animated)
{
    if (!std::isfinite(progress))
        return;
    m_progress = std::clamp(progress, 0.0, 1.0);
    if (!weak_from_this().expired())
        attachFill();
    if (animated)
        View::animate(kAnimationDuration, [this] { m_fill->setFrame(fillFrame()); });
    else
        View::performWithoutAnimation([this] { m_fill->setFrame(fillFrame()); });
}

void ProgressView::setProgressTintColor(std::optional<Color> color)
{
    m_progressTint = color;
    tintColorDidChange();
}

void ProgressView::setTrackTintColor(std::optional<Color> color)
{
    setBackgroundColor(color.value_or(Color::rgba(0.72, 0.72, 0.74)));
}

void ProgressView::attachFill()
{
    // Subviews added in a constructor would not know their parent yet, so the fill joins later.
    if (m_fill->superview().get() != this)
        insertSubviewAtIndex(m_fill, 0);
}

void ProgressView::didMoveToSuperview()
{
    attachFill();
}

void ProgressView::layoutSubviews()
{
    attachFill();
    if (!m_fill->hasRunningAnimations())
        m_fill->setFrame(fillFrame());
}

void ProgressView::tintColorDidChange()
{
    m_fill->setBackgroundColor(m_progressTint.value_or(tintColor()));
}

}
