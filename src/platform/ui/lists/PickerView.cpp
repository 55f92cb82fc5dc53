#include <platform/ui/lists/PickerView.h>

#include <platform/ui/gestures/PanGestureRecognizer.h>


#include <algorithm>
#include <cmath>

namespace vd {

PickerRowLabel::PickerRowLabel(std::string title)
    : m_title(std::move(title))
{
    setUserInteractionEnabled(false);
    m_style.fontSize = 20;
    m_style.alignment = TextAlignment::Center;
}

void PickerRowLabel::setTitle(std::string title)
{
    m_title = std::move(title);
    setNeedsDisplay();
}

void PickerRowLabel::draw(Painter& painter, const Rect& rect)
{
    (void)rect;
    painter.drawText(m_title, m_style, bounds().insetBy(4, 0));
}

PickerView::PickerView()
{
    setUpPicker();
}

PickerView::PickerView(const Rect& frame)
    : View(frame)
{
    setUpPicker();
}

PickerView::~PickerView() = default;

void PickerView::setUpPicker()
{
    setClipsToBounds(true);
    m_pan = std::make_shared<PanGestureRecognizer>();
    m_pan->setMaximumNumberOfTouches(1);
    m_pan->addTarget([this](GestureRecognizer& r) {
        if (r.view())
            handlePan();
    });
    addGestureRecognizer(m_pan);
}

void PickerView::setDataSource(std::weak_ptr<PickerViewDataSource> dataSource)
{
    m_dataSource = std::move(dataSource);
    reloadAllComponents();
}

void PickerView::setDelegate(std::weak_ptr<PickerViewDelegate> delegate)
{
    m_delegate = std::move(delegate);
    reloadAllComponents();
}

void PickerView::reloadAllComponents()
{
    m_componentsValid = false;
    setNeedsLayout();
    setNeedsDisplay();
}

void PickerView::reloadComponent(long component)
{
    ensureComponents();
    auto dataSource = m_dataSource.lock();
    if (!dataSource || component < 0 || component >= static_cast<long>(m_components.size()))
        return;
    auto& c = m_components[static_cast<size_t>(component)];
    for (auto& [row, view] : c.rowViews) {
        view->removeFromSuperview();
        c.spare.push_back(view);
    }
    c.rowViews.clear();
    c.rows = std::max(0L, dataSource->numberOfRowsInComponent(*this, component));
    c.selected = c.rows == 0 ? -1 : std::clamp(c.selected, 0L, c.rows - 1);
    turn(component, std::max(0L, c.selected) * c.rowHeight, Animated::No);
}

void PickerView::ensureComponents()
{
    if (m_componentsValid)
        return;
    m_componentsValid = true;
    auto dataSource = m_dataSource.lock();
    auto delegate = m_delegate.lock();
    std::vector<long> previous;
    for (auto& c : m_components) {
        previous.push_back(c.selected);
        c.wheel->removeFromSuperview();
    }
    m_components.clear();
    if (!dataSource)
        return;
    const long count = std::max(0L, dataSource->numberOfComponentsInPickerView(*this));
    for (long i = 0; i < count; ++i) {
        Component c;
        c.wheel = View::make();
        c.wheel->setClipsToBounds(true);
        if (!name().empty())
            c.wheel->setName(name() + "." + std::to_string(i));
        c.rows = std::max(0L, dataSource->numberOfRowsInComponent(*this, i));
        if (delegate) {
            if (auto height = delegate->rowHeightForComponent(*this, i); height && *height > 0)
                c.rowHeight = *height;
        }
        // A reload keeps the rows that were selected, as far as they still exist.
        const long was = i < static_cast<long>(previous.size()) ? previous[static_cast<size_t>(i)] : 0;
        c.selected = c.rows == 0 ? -1 : std::clamp(was, 0L, c.rows - 1);
        addSubview(c.wheel);
        m_components.push_back(std::move(c));
    }
    placeWheels();
}

void PickerView::placeWheels()
{
    auto delegate = m_delegate.lock();
    const double width = bounds().width(), height = bounds().height();
    std::vector<std::optional<double>> asked;
    double fixed = 0;
    long flexible = 0;
    for (long i = 0; i < static_cast<long>(m_components.size()); ++i) {
        std::optional<double> w = delegate ? delegate->widthForComponent(*this, i) : std::nullopt;
        asked.push_back(w);
        if (w)
            fixed += *w;
        else
            ++flexible;
    }
    const double share = flexible > 0 ? std::max(0.0, width - fixed) / flexible : 0;
    const double total = fixed + share * flexible;
    double x = std::max(0.0, (width - total) / 2);
    for (size_t i = 0; i < m_components.size(); ++i) {
        auto& c = m_components[i];
        const double w = asked[i].value_or(share);
        c.wheel->setFrame({ x, 0, w, height });
        c.wheel->setBounds({ 0, std::max(0L, c.selected) * c.rowHeight, w, height });
        x += w;
        updateRows(static_cast<long>(i));
    }
}

void PickerView::layoutSubviews()
{
    if (!m_componentsValid)
        ensureComponents();
    else
        placeWheels();
}

long PickerView::numberOfComponents()
{
    ensureComponents();
    return static_cast<long>(m_components.size());
}

long PickerView::numberOfRowsInComponent(long component)
{
    ensureComponents();
    if (component < 0 || component >= static_cast<long>(m_components.size()))
        return 0;
    return m_components[static_cast<size_t>(component)].rows;
}

long PickerView::selectedRowInComponent(long component)
{
    ensureComponents();
    if (component < 0 || component >= static_cast<long>(m_components.size()))
        return -1;
    return m_components[static_cast<size_t>(component)].selected;
}

void PickerView::selectRow(long row, long component, Animated animated)
{
    ensureComponents();
    if (component < 0 || component >= static_cast<long>(m_components.size()))
        return;
    auto& c = m_components[static_cast<size_t>(component)];
    if (c.rows == 0)
        return;
    c.selected = std::clamp(row, 0L, c.rows - 1);
    turn(component, c.selected * c.rowHeight, animated);
}

std::shared_ptr<View> PickerView::viewForRow(long row, long component)
{
    ensureComponents();
    if (component < 0 || component >= static_cast<long>(m_components.size()))
        return nullptr;
    auto& views = m_components[static_cast<size_t>(component)].rowViews;
    auto it = views.find(row);
    return it == views.end() ? nullptr : it->second;
}

Rect PickerView::selectionBandInComponent(long component)
{
    ensureComponents();
    if (component < 0 || component >= static_cast<long>(m_components.size()))
        return {};
    const auto& c = m_components[static_cast<size_t>(component)];
    const Rect wheel = c.wheel->frame();
    return { wheel.x(), (bounds().height() - c.rowHeight) / 2, wheel.width(), c.rowHeight };
}

void PickerView::turn(long component, double offset, Animated animated)
{
    auto& c = m_components[static_cast<size_t>(component)];
    const Rect from = c.wheel->bounds();
    const Rect to { 0, offset, from.width(), from.height() };
    if (animated == Animated::Yes && window()) {
        View::animate(kSettleDuration, [&] { c.wheel->setBounds(to); }, [weak = std::weak_ptr<View>(shared_from_this()), component](bool) {
            // Rows passed on the way are dropped once the wheel has settled.
            if (auto self = std::static_pointer_cast<PickerView>(weak.lock()); self && component < static_cast<long>(self->m_components.size()))
                self->updateRows(component);
        });
        updateRows(component, from.y());
    } else {
        c.wheel->setBounds(to);
        updateRows(component);
    }
}

void PickerView::updateRows(long component, std::optional<double> alsoOffset)
{
    auto& c = m_components[static_cast<size_t>(component)];
    const double height = bounds().height(), rowHeight = c.rowHeight;
    const double offset = c.wheel->bounds().y();
    const double lo = std::min(offset, alsoOffset.value_or(offset));
    const double hi = std::max(offset, alsoOffset.value_or(offset));
    const long first = std::max(0L, static_cast<long>(std::floor((lo - height / 2) / rowHeight)));
    const long last = std::min(c.rows - 1, static_cast<long>(std::ceil((hi + height / 2) / rowHeight)));
    for (auto it = c.rowViews.begin(); it != c.rowViews.end();) {
        if (it->first < first || it->first > last) {
            it->second->removeFromSuperview();
            c.spare.push_back(it->second);
            it = c.rowViews.erase(it);
        } else {
            ++it;
        }
    }
    auto delegate = m_delegate.lock();
    const double width = c.wheel->bounds().width();
    for (long row = first; row <= last; ++row) {
        if (c.rowViews.contains(row))
            continue;
        std::shared_ptr<View> reusing;
        if (!c.spare.empty()) {
            reusing = c.spare.back();
            c.spare.pop_back();
        }
        std::shared_ptr<View> view = delegate ? delegate->viewForRow(*this, row, component, reusing) : nullptr;
        if (!view) {
            std::string title = "?";
            if (delegate) {
                if (auto asked = delegate->titleForRow(*this, row, component))
                    title = *asked;
            }
            auto label = std::dynamic_pointer_cast<PickerRowLabel>(reusing);
            if (label)
                label->setTitle(title);
            else
                label = View::make<PickerRowLabel>(title);
            view = label;
        }
        view->setFrame({ 0, row * rowHeight + (height - rowHeight) / 2, width, rowHeight });
        if (!name().empty())
            view->setName(name() + "." + std::to_string(component) + "." + std::to_string(row));
        c.wheel->addSubview(view);
        c.rowViews[row] = view;
    }
}

long PickerView::componentAt(Point point)
{
    ensureComponents();
    for (size_t i = 0; i < m_components.size(); ++i) {
        const Rect frame = m_components[i].wheel->frame();
        if (point.x >= frame.minX() && point.x < frame.maxX())
            return static_cast<long>(i);
    }
    return -1;
}

void PickerView::settle(long component, long row)
{
    auto& c = m_components[static_cast<size_t>(component)];
    row = std::clamp(row, 0L, c.rows - 1);
    const bool changed = row != c.selected;
    c.selected = row;
    turn(component, row * c.rowHeight, Animated::Yes);
    if (changed) {
        if (auto delegate = m_delegate.lock())
            delegate->didSelectRow(*this, row, component);
    }
}

bool PickerView::scrollWheel(Point location, Point delta)
{
    // The wheel under the pointer turns by whole rows, at least one a step, and settles as after
    // a drag: the delegate hears of the row it stops on.
    if (delta.y == 0 || m_panComponent >= 0)
        return View::scrollWheel(location, delta);
    ensureComponents();
    const long component = componentAt(location);
    if (component < 0 || component >= static_cast<long>(m_components.size()) || m_components[static_cast<size_t>(component)].rows == 0)
        return View::scrollWheel(location, delta);
    auto protector = shared_from_this();
    const auto& c = m_components[static_cast<size_t>(component)];
    const long rows = std::max(1L, static_cast<long>(std::lround(std::abs(delta.y) / c.rowHeight)));
    settle(component, c.selected + (delta.y > 0 ? rows : -rows));
    return true;
}

void PickerView::handlePan()
{
    auto protector = shared_from_this();
    using State = GestureRecognizer::State;
    switch (m_pan->state()) {
    case State::Began: {
        const Point start = m_pan->locationInView(this) - m_pan->translationInView(this);
        m_panComponent = componentAt(start);
        if (m_panComponent < 0)
            return;
        m_panStartOffset = m_components[static_cast<size_t>(m_panComponent)].wheel->bounds().y();
        [[fallthrough]];
    }
    case State::Changed: {
        if (m_panComponent < 0 || m_panComponent >= static_cast<long>(m_components.size()))
            return;
        auto& c = m_components[static_cast<size_t>(m_panComponent)];
        const double maxOffset = std::max(0L, c.rows - 1) * c.rowHeight;
        const double offset = std::clamp(m_panStartOffset - m_pan->translationInView(this).y, 0.0, maxOffset);
        Rect b = c.wheel->bounds();
        b.origin.y = offset;
        c.wheel->setBounds(b);
        updateRows(m_panComponent);
        break;
    }
    case State::Ended:
    case State::Cancelled: {
        const long component = m_panComponent;
        m_panComponent = -1;
        if (component < 0 || component >= static_cast<long>(m_components.size()))
            return;
        auto& c = m_components[static_cast<size_t>(component)];
        if (c.rows == 0)
            return;
        settle(component, static_cast<long>(std::lround(c.wheel->bounds().y() / c.rowHeight)));
        break;
    }
    default:
        break;
    }
}

void PickerView::touchesBegan(const TouchSet& touches, const TouchEvent& event)
{
    (void)event;
    m_touchStart.reset();
    if (touches.size() == 1)
        m_touchStart = touches.front()->locationInView(this);
}

void PickerView::touchesEnded(const TouchSet& touches, const TouchEvent& event)
{
    (void)event;
    if (!m_touchStart || touches.empty())
        return;
    m_touchStart.reset();
    auto protector = shared_from_this();
    const Point point = touches.front()->locationInView(this);
    const long component = componentAt(point);
    if (component < 0)
        return;
    auto& c = m_components[static_cast<size_t>(component)];
    const double inWheel = point.y + c.wheel->bounds().y();
    const long row = static_cast<long>(std::floor((inWheel - (bounds().height() - c.rowHeight) / 2) / c.rowHeight));
    if (row < 0 || row >= c.rows || row == c.selected)
        return;
    selectRow(row, component, Animated::Yes);
    if (auto delegate = m_delegate.lock())
        delegate->didSelectRow(*this, row, component);
}

void PickerView::draw(Painter& painter, const Rect& rect)
{
    (void)rect;
    // Drawing never lays out: the wheels are made in the layout pass.
    if (!m_componentsValid)
        return;
    const Color line = Color::rgba(0.78, 0.78, 0.8);
    for (size_t i = 0; i < m_components.size(); ++i) {
        const Rect band = selectionBandInComponent(static_cast<long>(i));
        painter.fillRect({ band.x(), band.minY() - 0.5, band.width(), 0.5 }, line);
        painter.fillRect({ band.x(), band.maxY(), band.width(), 0.5 }, line);
    }
}

std::optional<std::string> PickerView::automationText() const
{
    std::string text;
    for (auto& c : m_components)
        text += (text.empty() ? "" : " ") + std::to_string(c.selected);
    return text;
}

}
