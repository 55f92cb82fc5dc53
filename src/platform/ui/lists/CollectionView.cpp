#include <platform/ui/lists/CollectionView.h>

#include <platform/foundation/Log.h>
#include <platform/ui/window/Window.h>

#include <algorithm>
#include <cmath>

namespace vd {

namespace {

constexpr double kUpdateDuration = 0.25;
constexpr double kFitTolerance = 1e-6; // four items of a quarter of the width fit a line

}

CollectionViewCell::CollectionViewCell()
{
    m_contentView = View::make();
    m_contentView->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
}

void CollectionViewCell::attachContentView()
{
    // A view cannot adopt children before a shared pointer owns it, so the content view joins
    // the cell once the cell is made.
    if (m_contentView->superview().get() == this)
        return;
    m_contentView->setFrame(bounds());
    insertSubviewAtIndex(m_contentView, 0);
}

std::optional<std::string> CollectionViewCell::automationText() const
{
    if (m_selected)
        return std::string("selected");
    return std::nullopt;
}

CollectionView::CollectionView()
{
    setUpCollection();
}

CollectionView::CollectionView(const Rect& frame)
    : ScrollView(frame)
{
    setUpCollection();
}

CollectionView::~CollectionView() = default;

void CollectionView::setUpCollection()
{
    setAlwaysBounceVertical(false);
}

void CollectionView::setDataSource(std::weak_ptr<CollectionViewDataSource> dataSource)
{
    m_dataSource = std::move(dataSource);
    reloadData();
}

void CollectionView::setCollectionDelegate(std::weak_ptr<CollectionViewDelegate> delegate)
{
    m_delegate = delegate;
    setDelegate(std::weak_ptr<ScrollViewDelegate>(delegate.lock()));
    m_layoutValid = false;
    setNeedsLayout();
}

void CollectionView::setLayout(const CollectionViewFlowLayout& layout)
{
    m_layout = layout;
    m_layoutValid = false;
    setNeedsLayout();
}

void CollectionView::registerCell(const std::string& identifier, CellFactory factory)
{
    m_reusePool.registerCell(identifier, std::move(factory));
}

std::shared_ptr<CollectionViewCell> CollectionView::dequeueReusableCell(const std::string& identifier, IndexPath indexPath)
{
    auto cell = m_reusePool.dequeue(identifier, "collection view " + name());
    if (!cell)
        return nullptr;
    // The frame and the selection are known when the data source fills the cell.
    if (auto frame = frameForItemAtIndexPath(indexPath))
        cell->setFrame(*frame);
    cell->setSelected(isItemSelected(indexPath));
    return cell;
}

void CollectionView::enqueue(const std::shared_ptr<CollectionViewCell>& cell)
{
    m_reusePool.enqueue(cell);
}

void CollectionView::reloadData()
{
    for (auto& [indexPath, cell] : m_visible)
        enqueue(cell);
    m_visible.clear();
    m_selected.clear();
    m_touchedItem.reset();
    m_layoutValid = false;
    setNeedsLayout();
}

long CollectionView::numberOfSections()
{
    ensureLayout();
    return static_cast<long>(m_sections.size());
}

long CollectionView::numberOfItemsInSection(long section)
{
    ensureLayout();
    if (section < 0 || section >= static_cast<long>(m_sections.size()))
        return 0;
    return static_cast<long>(m_sections[static_cast<size_t>(section)].frames.size());
}

void CollectionView::ensureLayout()
{
    if (!m_layoutValid || m_layoutSize != bounds().size)
        computeLayout();
}

void CollectionView::computeLayout()
{
    m_layoutValid = true;
    m_layoutSize = bounds().size;
    auto dataSource = m_dataSource.lock();
    if (!dataSource) {
        m_sections.clear();
        setContentSize({ 0, 0 });
        return;
    }
    auto self = std::static_pointer_cast<CollectionView>(shared_from_this());
    auto delegate = m_delegate.lock();
    const bool vertical = m_layout.scrollDirection == CollectionViewFlowLayout::ScrollDirection::Vertical;
    // Work in (across, along): across is the axis lines fill, along the one they stack on.
    const double extentAcross = vertical ? bounds().width() : bounds().height();
    const EdgeInsets in = m_layout.sectionInset;
    const double insetStart = vertical ? in.left : in.top, insetEnd = vertical ? in.right : in.bottom;
    const double insetBefore = vertical ? in.top : in.left, insetAfter = vertical ? in.bottom : in.right;
    double along = 0;
    double widest = 0;
    const long sections = std::max(0L, dataSource->numberOfSectionsInCollectionView(*self));
    // The frames' storage is kept across layouts: a large library is laid out again on every
    // reload, and fresh megabytes each time cost more than the layout itself.
    m_sections.resize(static_cast<size_t>(sections));
    for (long s = 0; s < sections; ++s) {
        Section& section = m_sections[static_cast<size_t>(s)];
        section.frames.clear();
        section.deepest = 0;
        const long count = std::max(0L, dataSource->numberOfItemsInSection(*self, s));
        section.frames.reserve(static_cast<size_t>(count));
        along += insetBefore;
        double across = insetStart, lineDepth = 0;
        bool lineEmpty = true;
        for (long i = 0; i < count; ++i) {
            Size size = m_layout.itemSize;
            if (delegate) {
                if (auto asked = delegate->sizeForItemAtIndexPath(*self, { s, i }))
                    size = *asked;
            }
            size = { std::max(0.0, size.width), std::max(0.0, size.height) };
            const double itemAcross = vertical ? size.width : size.height;
            const double itemAlong = vertical ? size.height : size.width;
            if (!lineEmpty && across + itemAcross > extentAcross - insetEnd + kFitTolerance) {
                along += lineDepth + m_layout.minimumLineSpacing;
                across = insetStart;
                lineDepth = 0;
                lineEmpty = true;
            }
            section.frames.push_back(vertical ? Rect(across, along, size.width, size.height) : Rect(along, across, size.width, size.height));
            widest = std::max(widest, across + itemAcross + insetEnd);
            section.deepest = std::max(section.deepest, itemAlong);
            across += itemAcross + m_layout.minimumInteritemSpacing;
            lineDepth = std::max(lineDepth, itemAlong);
            lineEmpty = false;
        }
        along += lineDepth + insetAfter;
    }
    const double acrossSize = std::min(widest, extentAcross);
    setContentSize(vertical ? Size { acrossSize, along } : Size { along, acrossSize });
}

std::optional<Rect> CollectionView::frameForItemAtIndexPath(IndexPath indexPath)
{
    ensureLayout();
    if (indexPath.section < 0 || indexPath.section >= static_cast<long>(m_sections.size()))
        return std::nullopt;
    const auto& frames = m_sections[static_cast<size_t>(indexPath.section)].frames;
    if (indexPath.item < 0 || indexPath.item >= static_cast<long>(frames.size()))
        return std::nullopt;
    return frames[static_cast<size_t>(indexPath.item)];
}

void CollectionView::layoutSubviews()
{
    ScrollView::layoutSubviews();
    ensureLayout();
    updateVisibleCells();
}

void CollectionView::updateVisibleCells()
{
    if (m_updatingCells)
        return;
    m_updatingCells = true;
    ensureLayout();
    auto self = std::static_pointer_cast<CollectionView>(shared_from_this());
    const Rect visible = bounds();
    const bool vertical = m_layout.scrollDirection == CollectionViewFlowLayout::ScrollDirection::Vertical;
    const double visibleStart = vertical ? visible.minY() : visible.minX();
    const double visibleEnd = vertical ? visible.maxY() : visible.maxX();
    std::vector<IndexPath> wanted;
    for (size_t s = 0; s < m_sections.size(); ++s) {
        const auto& section = m_sections[s];
        const auto& frames = section.frames;
        // Lines only move forward, so the items in view are found without visiting the others.
        auto leading = [vertical](const Rect& r) { return vertical ? r.minY() : r.minX(); };
        auto first = std::partition_point(frames.begin(), frames.end(), [&](const Rect& r) { return leading(r) + section.deepest <= visibleStart; });
        for (auto it = first; it != frames.end() && leading(*it) < visibleEnd; ++it) {
            if (it->intersects(visible))
                wanted.push_back({ static_cast<long>(s), static_cast<long>(it - frames.begin()) });
        }
    }
    // Cells that left the view go back to their queues first, so the new ones can reuse them.
    for (auto it = m_visible.begin(); it != m_visible.end();) {
        if (!std::binary_search(wanted.begin(), wanted.end(), it->first)) {
            enqueue(it->second);
            it = m_visible.erase(it);
        } else {
            ++it;
        }
    }
    auto dataSource = m_dataSource.lock();
    for (const auto& indexPath : wanted) {
        auto existing = m_visible.find(indexPath);
        const Rect frame = m_sections[static_cast<size_t>(indexPath.section)].frames[static_cast<size_t>(indexPath.item)];
        if (existing != m_visible.end()) {
            existing->second->setFrame(frame);
            continue;
        }
        if (!dataSource)
            break;
        auto cell = dataSource->cellForItemAtIndexPath(*this, indexPath);
        if (!cell) {
            log::warning("collection view " + name() + ": the data source gave no cell for item " + indexPath.text());
            continue;
        }
        cell->attachContentView();
        cell->setFrame(frame);
        cell->setSelected(isItemSelected(indexPath));
        insertSubviewAtIndex(cell, 0);
        m_visible[indexPath] = cell;
    }
    // Scripts address cells by the item they show now, also after deletions moved them.
    if (!name().empty()) {
        for (auto& [indexPath, cell] : m_visible)
            cell->setName(name() + "." + indexPath.text());
    }
    m_updatingCells = false;
}

std::shared_ptr<CollectionViewCell> CollectionView::cellForItemAtIndexPath(IndexPath indexPath)
{
    layoutIfNeeded();
    auto it = m_visible.find(indexPath);
    return it == m_visible.end() ? nullptr : it->second;
}

std::vector<IndexPath> CollectionView::indexPathsForVisibleItems()
{
    layoutIfNeeded();
    std::vector<IndexPath> result;
    for (auto& [indexPath, cell] : m_visible)
        result.push_back(indexPath);
    return result;
}

std::vector<std::shared_ptr<CollectionViewCell>> CollectionView::visibleCells()
{
    layoutIfNeeded();
    std::vector<std::shared_ptr<CollectionViewCell>> result;
    for (auto& [indexPath, cell] : m_visible)
        result.push_back(cell);
    return result;
}

std::optional<IndexPath> CollectionView::indexPathForItemAtPoint(Point point)
{
    ensureLayout();
    for (size_t s = 0; s < m_sections.size(); ++s) {
        const auto& frames = m_sections[s].frames;
        for (size_t i = 0; i < frames.size(); ++i) {
            if (frames[i].contains(point))
                return IndexPath { static_cast<long>(s), static_cast<long>(i) };
        }
    }
    return std::nullopt;
}

std::optional<IndexPath> CollectionView::indexPathForCell(const CollectionViewCell& cell)
{
    for (auto& [indexPath, visible] : m_visible) {
        if (visible.get() == &cell)
            return indexPath;
    }
    return std::nullopt;
}

void CollectionView::scrollToItemAtIndexPath(IndexPath indexPath, ScrollPosition position, Animated animated)
{
    auto frame = frameForItemAtIndexPath(indexPath);
    if (!frame)
        return;
    const Size size = bounds().size;
    Point offset = contentOffset();
    switch (position) {
    case ScrollPosition::None:
        scrollRectToVisible(*frame, animated);
        return;
    case ScrollPosition::Top:
        offset.y = frame->minY();
        break;
    case ScrollPosition::CenteredVertically:
        offset.y = frame->midY() - size.height / 2;
        break;
    case ScrollPosition::Bottom:
        offset.y = frame->maxY() - size.height;
        break;
    case ScrollPosition::Left:
        offset.x = frame->minX();
        break;
    case ScrollPosition::CenteredHorizontally:
        offset.x = frame->midX() - size.width / 2;
        break;
    case ScrollPosition::Right:
        offset.x = frame->maxX() - size.width;
        break;
    }
    setContentOffset(offset, animated);
}

void CollectionView::setAllowsSelection(bool allows)
{
    m_allowsSelection = allows;
    if (!allows)
        selectItemAtIndexPath(std::nullopt, Animated::No, ScrollPosition::None);
}

void CollectionView::setAllowsMultipleSelection(bool allows)
{
    m_allowsMultipleSelection = allows;
    if (!allows && m_selected.size() > 1) {
        const auto keep = m_selected.back();
        for (auto indexPath : std::vector<IndexPath>(m_selected))
            if (indexPath != keep)
                applySelection(indexPath, false);
    }
}

bool CollectionView::isItemSelected(IndexPath indexPath) const
{
    return std::find(m_selected.begin(), m_selected.end(), indexPath) != m_selected.end();
}

void CollectionView::applySelection(IndexPath indexPath, bool selected)
{
    if (selected) {
        if (!isItemSelected(indexPath))
            m_selected.push_back(indexPath);
    } else {
        std::erase(m_selected, indexPath);
    }
    if (auto it = m_visible.find(indexPath); it != m_visible.end())
        it->second->setSelected(selected);
}

void CollectionView::selectItemAtIndexPath(std::optional<IndexPath> indexPath, Animated animated, ScrollPosition position)
{
    if (!indexPath) {
        for (auto selected : std::vector<IndexPath>(m_selected))
            applySelection(selected, false);
        return;
    }
    if (!frameForItemAtIndexPath(*indexPath) || !m_allowsSelection)
        return;
    if (!m_allowsMultipleSelection) {
        for (auto selected : std::vector<IndexPath>(m_selected))
            if (selected != *indexPath)
                applySelection(selected, false);
    }
    applySelection(*indexPath, true);
    if (position != ScrollPosition::None)
        scrollToItemAtIndexPath(*indexPath, position, animated);
}

void CollectionView::deselectItemAtIndexPath(IndexPath indexPath, Animated animated)
{
    (void)animated;
    applySelection(indexPath, false);
}

void CollectionView::userTapped(IndexPath indexPath)
{
    if (!m_allowsSelection)
        return;
    auto protector = shared_from_this();
    auto delegate = m_delegate.lock();
    if (m_allowsMultipleSelection && isItemSelected(indexPath)) {
        applySelection(indexPath, false);
        if (delegate)
            delegate->didDeselectItemAtIndexPath(*this, indexPath);
        return;
    }
    if (delegate && !delegate->shouldSelectItemAtIndexPath(*this, indexPath))
        return;
    if (!m_allowsMultipleSelection) {
        for (auto selected : std::vector<IndexPath>(m_selected)) {
            if (selected == indexPath)
                continue;
            applySelection(selected, false);
            if (delegate)
                delegate->didDeselectItemAtIndexPath(*this, selected);
        }
    }
    applySelection(indexPath, true);
    if (delegate)
        delegate->didSelectItemAtIndexPath(*this, indexPath);
}

void CollectionView::touchesBegan(const TouchSet& touches, const TouchEvent& event)
{
    (void)event;
    m_touchedItem.reset();
    if (touches.size() != 1 || event.allTouches.size() != 1)
        return;
    m_touchedItem = indexPathForItemAtPoint(touches.front()->locationInView(this));
    if (m_touchedItem) {
        if (auto cell = cellForItemAtIndexPath(*m_touchedItem))
            cell->setHighlighted(true);
    }
}

void CollectionView::touchesMoved(const TouchSet& touches, const TouchEvent& event)
{
    (void)touches, (void)event;
}

void CollectionView::touchesEnded(const TouchSet& touches, const TouchEvent& event)
{
    (void)event;
    auto touched = m_touchedItem;
    m_touchedItem.reset();
    if (!touched)
        return;
    if (auto cell = cellForItemAtIndexPath(*touched))
        cell->setHighlighted(false);
    // The finger must lift over the item it landed on.
    if (!touches.empty() && indexPathForItemAtPoint(touches.front()->locationInView(this)) == touched)
        userTapped(*touched);
}

void CollectionView::touchesCancelled(const TouchSet& touches, const TouchEvent& event)
{
    (void)touches, (void)event;
    if (m_touchedItem) {
        if (auto cell = cellForItemAtIndexPath(*m_touchedItem))
            cell->setHighlighted(false);
    }
    m_touchedItem.reset();
}

void CollectionView::deleteItemsAtIndexPaths(const std::vector<IndexPath>& indexPaths)
{
    ensureLayout();
    std::vector<long> oldCounts;
    for (auto& section : m_sections)
        oldCounts.push_back(static_cast<long>(section.frames.size()));
    std::vector<IndexPath> doomed;
    for (auto& indexPath : indexPaths) {
        if (indexPath.section >= 0 && indexPath.section < static_cast<long>(oldCounts.size()) && indexPath.item >= 0 && indexPath.item < oldCounts[static_cast<size_t>(indexPath.section)])
            doomed.push_back(indexPath);
    }
    std::sort(doomed.begin(), doomed.end());
    doomed.erase(std::unique(doomed.begin(), doomed.end()), doomed.end());

    // The data source must already have lost exactly these items; otherwise start afresh.
    auto dataSource = m_dataSource.lock();
    bool consistent = dataSource != nullptr;
    if (consistent) {
        auto self = std::static_pointer_cast<CollectionView>(shared_from_this());
        consistent = dataSource->numberOfSectionsInCollectionView(*self) == static_cast<long>(oldCounts.size());
        for (size_t s = 0; consistent && s < oldCounts.size(); ++s) {
            const long removed = std::count_if(doomed.begin(), doomed.end(), [&](auto& ip) { return ip.section == static_cast<long>(s); });
            consistent = dataSource->numberOfItemsInSection(*self, static_cast<long>(s)) == oldCounts[s] - removed;
        }
    }
    if (!consistent) {
        log::warning("collection view " + name() + ": the data source does not match the deleted items; reloading");
        reloadData();
        return;
    }
    auto shifted = [&](IndexPath ip) -> std::optional<IndexPath> {
        if (std::binary_search(doomed.begin(), doomed.end(), ip))
            return std::nullopt;
        const long before = std::count_if(doomed.begin(), doomed.end(), [&](auto& d) { return d.section == ip.section && d.item < ip.item; });
        return IndexPath { ip.section, ip.item - before };
    };
    std::vector<IndexPath> selection;
    for (auto& ip : m_selected) {
        if (auto moved = shifted(ip))
            selection.push_back(*moved);
    }
    m_selected = std::move(selection);
    std::map<IndexPath, std::shared_ptr<CollectionViewCell>> visible;
    for (auto& [ip, cell] : m_visible) {
        if (auto moved = shifted(ip))
            visible[*moved] = cell;
        else
            enqueue(cell);
    }
    m_visible = std::move(visible);
    m_touchedItem.reset();
    computeLayout();
    // The remaining cells slide to their new places.
    if (window()) {
        View::animate(kUpdateDuration, [&] {
            for (auto& [ip, cell] : m_visible)
                cell->setFrame(m_sections[static_cast<size_t>(ip.section)].frames[static_cast<size_t>(ip.item)]);
        });
    }
    updateVisibleCells();
}

std::optional<std::string> CollectionView::automationText() const
{
    std::string text;
    for (auto& ip : m_selected)
        text += (text.empty() ? "" : " ") + ip.text();
    return text;
}

}
