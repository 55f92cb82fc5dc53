#include <platform/ui/lists/TableView.h>

#include <platform/foundation/Log.h>
#include <platform/ui/gestures/PanGestureRecognizer.h>


#include <algorithm>
#include <cmath>
#include <numbers>

namespace vd {

namespace {

constexpr double kMoveDuration = 0.2;

// Where row i of a section lands when the row at from moves to to.
long movedIndex(long i, long from, long to)
{
    if (i == from)
        return to;
    if (from < to && i > from && i <= to)
        return i - 1;
    if (to < from && i >= to && i < from)
        return i + 1;
    return i;
}

}

// The grip on the right of a movable row in editing mode: dragging it moves the row.
class TableReorderControl : public View {
public:
    TableReorderControl()
    {
        setName("reorder");
    }
    std::string className() const override { return "TableReorderControl"; }
    void attach()
    {
        if (m_pan)
            return;
        m_pan = std::make_shared<PanGestureRecognizer>();
        m_pan->setMaximumNumberOfTouches(1);
        m_pan->addTarget([this](GestureRecognizer& r) {
            if (r.view())
                moved();
        });
        addGestureRecognizer(m_pan);
    }
    void draw(Painter& painter, const Rect&) override
    {
        const double midX = bounds().midX(), midY = bounds().midY();
        Path grip;
        for (int i = -1; i <= 1; ++i) {
            grip.moveTo({ midX - 9, midY + i * 5 });
            grip.lineTo({ midX + 9, midY + i * 5 });
        }
        painter.strokePath(grip, Color::rgba(0.55, 0.55, 0.58), { .width = 1.5 });
    }
    // Touches that miss the drag stay here rather than selecting the row.
    void touchesBegan(const TouchSet&, const TouchEvent&) override {}
    void touchesEnded(const TouchSet&, const TouchEvent&) override {}

private:
    void moved()
    {
        auto cell = std::dynamic_pointer_cast<TableViewCell>(superview());
        auto table = cell ? std::dynamic_pointer_cast<TableView>(cell->superview()) : nullptr;
        if (!table)
            return;
        using State = GestureRecognizer::State;
        switch (m_pan->state()) {
        case State::Began:
            table->reorderBegan(*cell);
            [[fallthrough]];
        case State::Changed:
            table->reorderMoved(m_pan->translationInView(table.get()).y);
            break;
        case State::Ended:
        case State::Cancelled:
            table->reorderEnded();
            break;
        default:
            break;
        }
    }
    std::shared_ptr<PanGestureRecognizer> m_pan;
};

// The red round button on the left of a deletable row in editing mode.
class TableDeleteControl : public View {
public:
    TableDeleteControl() { setName("delete"); }
    std::string className() const override { return "TableDeleteControl"; }
    void draw(Painter& painter, const Rect&) override
    {
        const Point c { TableViewCell::kIndentation / 2, bounds().midY() };
        Path disc;
        disc.addCircle(c, 11);
        painter.fillPath(disc, Color::rgba(1, 0.23, 0.19));
        painter.fillRect({ c.x - 6, c.y - 1, 12, 2 }, Color::whiteColor());
    }
    void touchesBegan(const TouchSet&, const TouchEvent&) override {}
    void touchesEnded(const TouchSet& touches, const TouchEvent&) override
    {
        if (touches.empty() || !bounds().contains(touches.front()->locationInView(this)))
            return;
        auto cell = std::dynamic_pointer_cast<TableViewCell>(superview());
        auto table = cell ? std::dynamic_pointer_cast<TableView>(cell->superview()) : nullptr;
        if (table)
            table->deleteTapped(*cell);
    }
};

TableViewCell::TableViewCell()
{
    m_contentView = View::make();
    setBackgroundColor(Color::whiteColor());
}

void TableViewCell::attachContentView()
{
    // A view cannot adopt children before a shared pointer owns it.
    if (m_contentView->superview().get() == this)
        return;
    m_contentView->setFrame(bounds());
    insertSubviewAtIndex(m_contentView, 0);
    setNeedsLayout();
}

void TableViewCell::setSelected(bool selected)
{
    m_selected = selected;
    setNeedsDisplay();
}

void TableViewCell::setHighlighted(bool highlighted)
{
    m_highlighted = highlighted;
    setNeedsDisplay();
}

std::optional<std::string> TableViewCell::automationText() const
{
    if (m_selected)
        return std::string("selected");
    return std::nullopt;
}

void TableViewCell::setEditingControls(bool deleteControl, bool indent, bool reorder)
{
    attachContentView();
    if (reorder && !m_reorder) {
        auto control = View::make<TableReorderControl>();
        control->attach();
        m_reorder = control;
        addSubview(m_reorder);
    }
    if (deleteControl && indent && !m_delete) {
        m_delete = View::make<TableDeleteControl>();
        addSubview(m_delete);
    }
    if (m_reorder)
        m_reorder->setHidden(!reorder);
    if (m_delete)
        m_delete->setHidden(!(deleteControl && indent));
    m_indented = indent;
    setNeedsLayout();
}

void TableViewCell::layoutSubviews()
{
    const Rect b = bounds();
    const double left = m_indented ? kIndentation : 0;
    const double right = showsReorderControl() ? kControlWidth : 0;
    m_contentView->setFrame({ left, 0, std::max(0.0, b.width() - left - right), b.height() });
    if (m_reorder) {
        m_reorder->setFrame({ b.width() - kControlWidth, 0, kControlWidth, b.height() });
        m_reorder->setName(name().empty() ? "reorder" : name() + ".reorder");
    }
    if (m_delete) {
        m_delete->setFrame({ 0, 0, kIndentation, b.height() });
        m_delete->setName(name().empty() ? "delete" : name() + ".delete");
    }
}

void TableViewCell::draw(Painter& painter, const Rect& rect)
{
    (void)rect;
    const Rect b = bounds();
    if ((m_selected || m_highlighted) && m_selectionStyle != TableViewCellSelectionStyle::None)
        painter.fillRect({ 0, 0, b.width(), b.height() }, Color::rgba(0.85, 0.85, 0.87));
    painter.fillRect({ 15, b.height() - 0.5, b.width() - 15, 0.5 }, Color::rgba(0.78, 0.78, 0.8));
}

TableView::TableView()
{
    setBackgroundColor(Color::whiteColor());
}

TableView::TableView(const Rect& frame)
    : ScrollView(frame)
{
    setBackgroundColor(Color::whiteColor());
}

TableView::~TableView() = default;

void TableView::setDataSource(std::weak_ptr<TableViewDataSource> dataSource)
{
    m_dataSource = std::move(dataSource);
    reloadData();
}

void TableView::setTableDelegate(std::weak_ptr<TableViewDelegate> delegate)
{
    m_delegate = delegate;
    setDelegate(std::weak_ptr<ScrollViewDelegate>(delegate.lock()));
    m_layoutValid = false;
    setNeedsLayout();
}

void TableView::setRowHeight(double height)
{
    m_rowHeight = std::max(0.0, height);
    m_layoutValid = false;
    setNeedsLayout();
}

void TableView::registerCell(const std::string& identifier, CellFactory factory)
{
    m_reusePool.registerCell(identifier, std::move(factory));
}

std::shared_ptr<TableViewCell> TableView::dequeueReusableCell(const std::string& identifier, IndexPath indexPath)
{
    auto cell = m_reusePool.dequeue(identifier, "table view " + name());
    if (!cell)
        return nullptr;
    if (auto frame = rectForRowAtIndexPath(indexPath))
        cell->setFrame(*frame);
    cell->setSelected(std::find(m_selected.begin(), m_selected.end(), indexPath) != m_selected.end());
    configureEditing(*cell, indexPath);
    return cell;
}

void TableView::enqueue(const std::shared_ptr<TableViewCell>& cell)
{
    m_reusePool.enqueue(cell);
}

void TableView::reloadData()
{
    m_reorder.reset();
    for (auto& [indexPath, cell] : m_visible)
        enqueue(cell);
    m_visible.clear();
    m_selected.clear();
    m_touchedRow.reset();
    m_layoutValid = false;
    setNeedsLayout();
}

long TableView::numberOfSections()
{
    ensureLayout();
    return static_cast<long>(m_rows.size());
}

long TableView::numberOfRowsInSection(long section)
{
    ensureLayout();
    if (section < 0 || section >= static_cast<long>(m_rows.size()))
        return 0;
    return static_cast<long>(m_rows[static_cast<size_t>(section)].size());
}

void TableView::ensureLayout()
{
    if (!m_layoutValid || m_layoutSize.width != bounds().width())
        computeLayout();
}

void TableView::computeLayout()
{
    m_layoutValid = true;
    m_layoutSize = bounds().size;
    m_rows.clear();
    auto dataSource = m_dataSource.lock();
    if (!dataSource) {
        setContentSize({ 0, 0 });
        return;
    }
    auto self = std::static_pointer_cast<TableView>(shared_from_this());
    auto delegate = m_delegate.lock();
    const double width = bounds().width();
    double y = 0;
    const long sections = std::max(0L, dataSource->numberOfSectionsInTableView(*self));
    for (long s = 0; s < sections; ++s) {
        std::vector<Rect> rows;
        const long count = std::max(0L, dataSource->numberOfRowsInSection(*self, s));
        for (long r = 0; r < count; ++r) {
            double height = m_rowHeight;
            if (delegate) {
                if (auto asked = delegate->heightForRowAtIndexPath(*self, { s, r }))
                    height = std::max(0.0, *asked);
            }
            rows.push_back({ 0, y, width, height });
            y += height;
        }
        m_rows.push_back(std::move(rows));
    }
    setContentSize({ width, y });
}

std::optional<Rect> TableView::rectForRowAtIndexPath(IndexPath indexPath)
{
    ensureLayout();
    if (indexPath.section < 0 || indexPath.section >= static_cast<long>(m_rows.size()))
        return std::nullopt;
    const auto& rows = m_rows[static_cast<size_t>(indexPath.section)];
    if (indexPath.item < 0 || indexPath.item >= static_cast<long>(rows.size()))
        return std::nullopt;
    return rows[static_cast<size_t>(indexPath.item)];
}

void TableView::layoutSubviews()
{
    ScrollView::layoutSubviews();
    ensureLayout();
    updateVisibleCells();
}

void TableView::configureEditing(TableViewCell& cell, IndexPath indexPath)
{
    if (!m_editing) {
        cell.setEditingControls(false, false, false);
        return;
    }
    auto self = std::static_pointer_cast<TableView>(shared_from_this());
    auto delegate = m_delegate.lock();
    auto dataSource = m_dataSource.lock();
    const auto style = delegate ? delegate->editingStyleForRowAtIndexPath(*self, indexPath) : TableViewCellEditingStyle::Delete;
    const bool indent = style != TableViewCellEditingStyle::None && (!delegate || delegate->shouldIndentWhileEditingRowAtIndexPath(*self, indexPath));
    const bool movable = dataSource && dataSource->canMoveRowAtIndexPath(*self, indexPath);
    cell.setEditingControls(style == TableViewCellEditingStyle::Delete, indent, movable);
}

void TableView::updateVisibleCells()
{
    if (m_updatingCells)
        return;
    m_updatingCells = true;
    ensureLayout();
    const Rect visible = bounds();
    std::vector<IndexPath> wanted;
    for (size_t s = 0; s < m_rows.size(); ++s) {
        for (size_t r = 0; r < m_rows[s].size(); ++r) {
            if (m_rows[s][r].intersects(visible))
                wanted.push_back({ static_cast<long>(s), static_cast<long>(r) });
        }
    }
    for (auto it = m_visible.begin(); it != m_visible.end();) {
        const bool dragged = m_reorder && m_reorder->cell == it->second;
        if (!dragged && !std::binary_search(wanted.begin(), wanted.end(), it->first)) {
            enqueue(it->second);
            it = m_visible.erase(it);
        } else {
            ++it;
        }
    }
    auto dataSource = m_dataSource.lock();
    for (const auto& indexPath : wanted) {
        if (m_visible.contains(indexPath))
            continue;
        if (!dataSource)
            break;
        auto cell = dataSource->cellForRowAtIndexPath(*this, indexPath);
        if (!cell) {
            log::warning("table view " + name() + ": the data source gave no cell for row " + indexPath.text());
            continue;
        }
        cell->attachContentView();
        cell->setSelected(std::find(m_selected.begin(), m_selected.end(), indexPath) != m_selected.end());
        configureEditing(*cell, indexPath);
        insertSubviewAtIndex(cell, 0);
        m_visible[indexPath] = cell;
    }
    for (auto& [indexPath, cell] : m_visible) {
        if (!name().empty() && cell->name() != name() + "." + indexPath.text()) {
            cell->setName(name() + "." + indexPath.text());
            cell->setNeedsLayout(); // renames its controls
        }
    }
    if (!m_reorder)
        placeCells(false);
    m_updatingCells = false;
}

void TableView::placeCells(bool animated)
{
    auto place = [&] {
        for (auto& [indexPath, cell] : m_visible) {
            if (m_reorder && cell == m_reorder->cell)
                continue;
            const long section = indexPath.section;
            Rect frame = m_rows[static_cast<size_t>(section)][static_cast<size_t>(indexPath.item)];
            if (m_reorder && section == m_reorder->from.section) {
                // Stack the section's heights in the order the drag would leave them.
                const auto& rows = m_rows[static_cast<size_t>(section)];
                const long target = movedIndex(indexPath.item, m_reorder->from.item, m_reorder->to.item);
                double y = rows.front().y();
                for (long k = 0; k < target; ++k) {
                    long old = 0;
                    for (long i = 0; i < static_cast<long>(rows.size()); ++i)
                        if (movedIndex(i, m_reorder->from.item, m_reorder->to.item) == k)
                            old = i;
                    y += rows[static_cast<size_t>(old)].height();
                }
                frame.origin.y = y;
            }
            if (cell->frame() != frame)
                cell->setFrame(frame);
        }
    };
    if (animated)
        View::animate(kMoveDuration, place);
    else
        place();
}

std::shared_ptr<TableViewCell> TableView::cellForRowAtIndexPath(IndexPath indexPath)
{
    layoutIfNeeded();
    auto it = m_visible.find(indexPath);
    return it == m_visible.end() ? nullptr : it->second;
}

std::vector<IndexPath> TableView::indexPathsForVisibleRows()
{
    layoutIfNeeded();
    std::vector<IndexPath> result;
    for (auto& [indexPath, cell] : m_visible)
        result.push_back(indexPath);
    return result;
}

std::vector<std::shared_ptr<TableViewCell>> TableView::visibleCells()
{
    layoutIfNeeded();
    std::vector<std::shared_ptr<TableViewCell>> result;
    for (auto& [indexPath, cell] : m_visible)
        result.push_back(cell);
    return result;
}

std::optional<IndexPath> TableView::indexPathForRowAtPoint(Point point)
{
    ensureLayout();
    for (size_t s = 0; s < m_rows.size(); ++s) {
        for (size_t r = 0; r < m_rows[s].size(); ++r) {
            if (m_rows[s][r].contains(point))
                return IndexPath { static_cast<long>(s), static_cast<long>(r) };
        }
    }
    return std::nullopt;
}

std::optional<IndexPath> TableView::indexPathForCell(const TableViewCell& cell)
{
    for (auto& [indexPath, visible] : m_visible) {
        if (visible.get() == &cell)
            return indexPath;
    }
    return std::nullopt;
}

void TableView::scrollToRowAtIndexPath(IndexPath indexPath, ScrollPosition position, Animated animated)
{
    auto frame = rectForRowAtIndexPath(indexPath);
    if (!frame)
        return;
    Point offset = contentOffset();
    const double height = bounds().height();
    switch (position) {
    case ScrollPosition::Top:
        offset.y = frame->minY();
        break;
    case ScrollPosition::CenteredVertically:
        offset.y = frame->midY() - height / 2;
        break;
    case ScrollPosition::Bottom:
        offset.y = frame->maxY() - height;
        break;
    default:
        scrollRectToVisible(*frame, animated);
        return;
    }
    setContentOffset(offset, animated);
}

void TableView::setAllowsSelection(bool allows)
{
    m_allowsSelection = allows;
    if (!allows)
        selectRowAtIndexPath(std::nullopt, Animated::No, ScrollPosition::None);
}

std::optional<IndexPath> TableView::indexPathForSelectedRow() const
{
    if (m_selected.empty())
        return std::nullopt;
    return *std::min_element(m_selected.begin(), m_selected.end());
}

void TableView::applySelection(IndexPath indexPath, bool selected)
{
    if (selected) {
        if (std::find(m_selected.begin(), m_selected.end(), indexPath) == m_selected.end())
            m_selected.push_back(indexPath);
    } else {
        std::erase(m_selected, indexPath);
    }
    if (auto it = m_visible.find(indexPath); it != m_visible.end())
        it->second->setSelected(selected);
}

void TableView::selectRowAtIndexPath(std::optional<IndexPath> indexPath, Animated animated, ScrollPosition position)
{
    if (!indexPath || !rectForRowAtIndexPath(*indexPath) || !m_allowsSelection) {
        if (!indexPath) {
            for (auto selected : std::vector<IndexPath>(m_selected))
                applySelection(selected, false);
        }
        return;
    }
    if (!m_allowsMultipleSelection) {
        for (auto selected : std::vector<IndexPath>(m_selected))
            if (selected != *indexPath)
                applySelection(selected, false);
    }
    applySelection(*indexPath, true);
    if (position != ScrollPosition::None)
        scrollToRowAtIndexPath(*indexPath, position, animated);
}

void TableView::deselectRowAtIndexPath(IndexPath indexPath, Animated animated)
{
    (void)animated;
    applySelection(indexPath, false);
}

void TableView::userTapped(IndexPath indexPath)
{
    if (!m_allowsSelection || m_editing)
        return;
    auto protector = shared_from_this();
    auto delegate = m_delegate.lock();
    const bool selected = std::find(m_selected.begin(), m_selected.end(), indexPath) != m_selected.end();
    if (m_allowsMultipleSelection && selected) {
        applySelection(indexPath, false);
        if (delegate)
            delegate->didDeselectRowAtIndexPath(*this, indexPath);
        return;
    }
    if (delegate && !delegate->shouldSelectRowAtIndexPath(*this, indexPath))
        return;
    if (!m_allowsMultipleSelection) {
        for (auto other : std::vector<IndexPath>(m_selected)) {
            if (other == indexPath)
                continue;
            applySelection(other, false);
            if (delegate)
                delegate->didDeselectRowAtIndexPath(*this, other);
        }
    }
    applySelection(indexPath, true);
    if (delegate)
        delegate->didSelectRowAtIndexPath(*this, indexPath);
}

void TableView::touchesBegan(const TouchSet& touches, const TouchEvent& event)
{
    m_touchedRow.reset();
    if (touches.size() != 1 || event.allTouches.size() != 1 || m_editing)
        return;
    m_touchedRow = indexPathForRowAtPoint(touches.front()->locationInView(this));
    if (m_touchedRow) {
        if (auto cell = cellForRowAtIndexPath(*m_touchedRow))
            cell->setHighlighted(true);
    }
}

void TableView::touchesEnded(const TouchSet& touches, const TouchEvent& event)
{
    (void)event;
    auto touched = m_touchedRow;
    m_touchedRow.reset();
    if (!touched)
        return;
    if (auto cell = cellForRowAtIndexPath(*touched))
        cell->setHighlighted(false);
    if (!touches.empty() && indexPathForRowAtPoint(touches.front()->locationInView(this)) == touched)
        userTapped(*touched);
}

void TableView::touchesCancelled(const TouchSet& touches, const TouchEvent& event)
{
    (void)touches, (void)event;
    if (m_touchedRow) {
        if (auto cell = cellForRowAtIndexPath(*m_touchedRow))
            cell->setHighlighted(false);
    }
    m_touchedRow.reset();
}

void TableView::setEditing(bool editing, Animated animated)
{
    if (m_editing == editing)
        return;
    if (!editing && m_reorder)
        reorderEnded();
    m_editing = editing;
    m_touchedRow.reset();
    auto apply = [&] {
        for (auto& [indexPath, cell] : m_visible) {
            configureEditing(*cell, indexPath);
            cell->layoutIfNeeded();
        }
    };
    if (animated == Animated::Yes)
        View::animate(kMoveDuration, apply);
    else
        apply();
}

void TableView::remapAfterMove(IndexPath from, IndexPath to)
{
    auto remap = [&](IndexPath ip) {
        if (ip.section != from.section)
            return ip;
        return IndexPath { ip.section, movedIndex(ip.item, from.item, to.item) };
    };
    for (auto& ip : m_selected)
        ip = remap(ip);
    std::map<IndexPath, std::shared_ptr<TableViewCell>> visible;
    for (auto& [ip, cell] : m_visible)
        visible[remap(ip)] = cell;
    m_visible = std::move(visible);
    computeLayout();
}

void TableView::moveRowAtIndexPath(IndexPath from, IndexPath to)
{
    ensureLayout();
    if (!rectForRowAtIndexPath(from) || !rectForRowAtIndexPath(to) || from.section != to.section || from == to)
        return;
    remapAfterMove(from, to);
    placeCells(window() != nullptr);
    updateVisibleCells();
}

void TableView::reorderBegan(TableViewCell& cell)
{
    auto indexPath = indexPathForCell(cell);
    if (!indexPath || !m_editing)
        return;
    m_reorder = Reorder { *indexPath, *indexPath, m_visible[*indexPath], cell.center().y };
    bringSubviewToFront(&cell);
    cell.layer().setShadowOpacity(0.3);
    cell.layer().setShadowRadius(4);
    setScrollEnabled(false);
}

void TableView::reorderMoved(double dy)
{
    if (!m_reorder)
        return;
    const auto& rows = m_rows[static_cast<size_t>(m_reorder->from.section)];
    auto& cell = *m_reorder->cell;
    const double half = cell.bounds().height() / 2;
    const double y = std::clamp(m_reorder->startCentreY + dy, rows.front().minY() + half, rows.back().maxY() - half);
    cell.setCenter({ cell.center().x, y });
    long target = static_cast<long>(rows.size()) - 1;
    for (size_t r = 0; r < rows.size(); ++r) {
        if (y < rows[r].maxY()) {
            target = static_cast<long>(r);
            break;
        }
    }
    if (target != m_reorder->to.item) {
        m_reorder->to.item = target;
        placeCells(true);
    }
}

void TableView::reorderEnded()
{
    if (!m_reorder)
        return;
    auto protector = shared_from_this();
    Reorder reorder = std::move(*m_reorder);
    m_reorder.reset();
    reorder.cell->layer().setShadowOpacity(0);
    setScrollEnabled(true);
    if (reorder.from != reorder.to) {
        if (auto dataSource = m_dataSource.lock())
            dataSource->moveRowAtIndexPath(*this, reorder.from, reorder.to);
        remapAfterMove(reorder.from, reorder.to);
    }
    View::animate(kMoveDuration, [&] {
        for (auto& [ip, cell] : m_visible) {
            if (auto frame = rectForRowAtIndexPath(ip))
                cell->setFrame(*frame);
        }
    });
    updateVisibleCells();
}

void TableView::deleteTapped(TableViewCell& cell)
{
    auto indexPath = indexPathForCell(cell);
    auto dataSource = m_dataSource.lock();
    if (indexPath && dataSource && m_editing)
        dataSource->commitDeleteRowAtIndexPath(*this, *indexPath);
}

std::optional<std::string> TableView::automationText() const
{
    std::string text;
    for (auto& ip : m_selected)
        text += (text.empty() ? "" : " ") + ip.text();
    return text;
}

}
