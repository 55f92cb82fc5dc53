#include <TestSupport.h>

#include <platform/ui/lists/CollectionView.h>

namespace vd {
namespace {

class PhotoCell : public CollectionViewCell {
public:
    PhotoCell() { ++made; }
    void prepareForReuse() override { ++reused; }
    static inline int made = 0;
    static inline int reused = 0;
    long shows { -1 };
};

// A grid of photos four to a line, as the photo browser asks for: side = width × 0.25.
struct Photos : CollectionViewDataSource, CollectionViewDelegate {
    std::vector<long> items;
    std::vector<std::string> journal;
    long asked { 0 };
    long numberOfItemsInSection(CollectionView&, long) override { return static_cast<long>(items.size()); }
    std::shared_ptr<CollectionViewCell> cellForItemAtIndexPath(CollectionView& view, IndexPath ip) override
    {
        ++asked;
        auto cell = view.dequeueReusableCell<PhotoCell>("cellrullino", ip);
        cell->shows = items[static_cast<size_t>(ip.item)];
        return cell;
    }
    std::optional<Size> sizeForItemAtIndexPath(CollectionView& view, IndexPath) override
    {
        const double side = view.bounds().width() * 0.25;
        return Size { side, side };
    }
    void didSelectItemAtIndexPath(CollectionView&, IndexPath ip) override { journal.push_back("select " + ip.text()); }
    void didDeselectItemAtIndexPath(CollectionView&, IndexPath ip) override { journal.push_back("deselect " + ip.text()); }
};

struct CollectionFixture : test::VirtualClockWindowTest {
    CollectionFixture() : VirtualClockWindowTest({ 400, 300 }) { }
    void SetUp() override
    {
        VirtualClockWindowTest::SetUp();
        grid = View::make<CollectionView>(Rect(0, 0, 400, 300));
        grid->setName("myCollectionViewRullino");
        grid->setLayout({ .minimumLineSpacing = 0, .minimumInteritemSpacing = 0 });
        grid->registerCellClass<PhotoCell>("cellrullino");
        for (long i = 0; i < 40; ++i)
            photos->items.push_back(i);
        grid->setCollectionDelegate(photos);
        grid->setDataSource(photos);
        window->addSubview(grid);
        window->layoutIfNeeded();
    }
    std::vector<long> shown()
    {
        std::vector<long> out;
        for (auto& ip : grid->indexPathsForVisibleItems())
            out.push_back(std::static_pointer_cast<PhotoCell>(grid->cellForItemAtIndexPath(ip))->shows);
        return out;
    }
    Point centreOf(long item) { return grid->convertPointToView(grid->frameForItemAtIndexPath({ 0, item })->center(), nullptr); }
    void tapItems(std::initializer_list<long> items)
    {
        for (long item : items)
            test::tap(*window, centreOf(item));
    }
    std::shared_ptr<CollectionView> grid;
    std::shared_ptr<Photos> photos = std::make_shared<Photos>();
};

TEST_F(CollectionFixture, FlowLayoutAndCellsOnlyForItemsInView)
{
    EXPECT_EQ(shown(), (std::vector<long> { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11 }));
    EXPECT_TRUE(!grid->cellForItemAtIndexPath({ 0, 20 }) && grid->cellForItemAtIndexPath({ 0, 3 })->name() == "myCollectionViewRullino.0.3") << "cells only in view";
    const int madeBefore = PhotoCell::made;

    grid->setContentOffset({ 0, 550 });
    EXPECT_EQ(shown(), (std::vector<long> { 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35 }));
    EXPECT_TRUE(PhotoCell::made - madeBefore <= 4 && PhotoCell::reused > 0 && grid->subviews().size() == 16u) << "cells that left are reused";

    grid->scrollToItemAtIndexPath({ 0, 39 }, ScrollPosition::Bottom, Animated::No);
    EXPECT_EQ(grid->contentOffset().y, 700);

    // The wheel over a cell scrolls the grid within its content, its cells following, and selects
    // nothing; a sideways wheel (nothing to scroll there) or any wheel with scrolling off is left to
    // the views below.
    for (auto [delta, enabled, taken, y] : { std::tuple { Point { 0, -120 }, true, true, 580.0 }, { { 0, 400 }, true, true, 700.0 }, { { 60, 0 }, true, false, 700.0 }, { { 0, -40 }, false, false, 700.0 } }) {
        grid->setScrollEnabled(enabled);
        const bool handled = window->sendScroll({ 150, 150 }, delta);
        EXPECT_EQ(std::tuple(handled, grid->contentOffset().y, shown().front()), std::tuple(taken, y, static_cast<long>(y / 100) * 4)) << delta.x << ", " << delta.y;
    }
    EXPECT_TRUE(grid->contentOffset().x == 0 && photos->journal.empty()) << "the wheel selects nothing";
    grid->setScrollEnabled(true);

    // A horizontal strip inside the grid takes the sideways wheel and leaves the vertical one to the grid.
    auto strip = View::make<CollectionView>(Rect(0, 0, 300, 104));
    strip->setLayout({ .itemSize = { 100, 100 }, .minimumLineSpacing = 5, .sectionInset = { 2, 2, 2, 2 }, .scrollDirection = CollectionViewFlowLayout::ScrollDirection::Horizontal });
    strip->registerCellClass<PhotoCell>("cellrullino");
    strip->setDataSource(photos);
    grid->scrollToItemAtIndexPath({ 0, 0 }, ScrollPosition::Top, Animated::No);
    EXPECT_EQ(grid->contentOffset().y, 0);
    grid->addSubview(strip);
    window->layoutIfNeeded();
    EXPECT_TRUE(window->sendScroll({ 150, 50 }, { 80, 0 }) && strip->contentOffset().x == 80);
    EXPECT_TRUE(window->sendScroll({ 150, 50 }, { 0, 30 }));
    EXPECT_EQ(std::pair(strip->contentOffset().y, grid->contentOffset().y), std::pair(0.0, 30.0));
}

TEST_F(CollectionFixture, TapsSelectInOrderAndToggleWithMultipleSelection)
{
    grid->setAllowsMultipleSelection(true);
    tapItems({ 5, 2, 9, 2 });
    EXPECT_EQ(photos->journal, (std::vector<std::string> { "select 0.5", "select 0.2", "select 0.9", "deselect 0.2" }));
    EXPECT_EQ(grid->indexPathsForSelectedItems(), (std::vector<IndexPath> { { 0, 5 }, { 0, 9 } }));
    EXPECT_TRUE(grid->cellForItemAtIndexPath({ 0, 5 })->isSelected() && !grid->cellForItemAtIndexPath({ 0, 2 })->isSelected() && grid->automationText() == "0.5 0.9");

    // A drag scrolls and selects nothing.
    photos->journal.clear();
    test::drag(*window, centreOf(4), { centreOf(4).x, centreOf(4).y - 80 });
    EXPECT_TRUE(photos->journal.empty() && std::abs(grid->contentOffset().y - 80) < 1e-9);

    // Selection survives scrolling away and back: a new cell for the item shows it.
    grid->setContentOffset({ 0, 700 });
    grid->setContentOffset({ 0, 0 });
    EXPECT_TRUE(grid->cellForItemAtIndexPath({ 0, 5 })->isSelected());

    // In code: no delegate calls; single selection keeps one.
    photos->journal.clear();
    grid->setAllowsMultipleSelection(false);
    EXPECT_EQ(grid->indexPathsForSelectedItems(), (std::vector<IndexPath> { { 0, 9 } }));
    grid->selectItemAtIndexPath(IndexPath { 0, 30 }, Animated::No, ScrollPosition::None);
    EXPECT_TRUE(grid->indexPathsForSelectedItems() == (std::vector<IndexPath> { { 0, 30 } }) && photos->journal.empty());
    grid->deselectItemAtIndexPath({ 0, 30 }, Animated::No);
    EXPECT_TRUE(grid->indexPathsForSelectedItems().empty());

    grid->setContentOffset({ 0, 0 });
    tapItems({ 1, 3 });
    EXPECT_EQ(photos->journal, (std::vector<std::string> { "select 0.1", "deselect 0.1", "select 0.3" }));

    grid->setAllowsSelection(false);
    tapItems({ 6 });
    EXPECT_TRUE(grid->indexPathsForSelectedItems().empty());
}

TEST_F(CollectionFixture, DeletingItemsShiftsCellsAndSelectionAndReloadForgets)
{
    grid->setAllowsMultipleSelection(true);
    grid->selectItemAtIndexPath(IndexPath { 0, 1 }, Animated::No, ScrollPosition::None);
    grid->selectItemAtIndexPath(IndexPath { 0, 6 }, Animated::No, ScrollPosition::None);
    auto cellOfSix = grid->cellForItemAtIndexPath({ 0, 6 });
    photos->items.erase(photos->items.begin() + 1);
    photos->items.erase(photos->items.begin() + 2); // was item 3
    grid->deleteItemsAtIndexPaths({ { 0, 3 }, { 0, 1 } });
    EXPECT_EQ(grid->indexPathsForSelectedItems(), (std::vector<IndexPath> { { 0, 4 } }));
    EXPECT_EQ(grid->cellForItemAtIndexPath({ 0, 4 }), cellOfSix) << "the cell moves with its item";
    RunLoop::main().advance(1);
    EXPECT_EQ(std::tuple(cellOfSix->frame(), grid->numberOfItemsInSection(0)), std::tuple(Rect(0, 100, 100, 100), 38L));
    EXPECT_EQ(shown(), (std::vector<long> { 0, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13 }));

    // A data source that does not match is reloaded rather than trusted.
    photos->items.resize(10);
    grid->deleteItemsAtIndexPaths({ { 0, 0 } });
    EXPECT_TRUE(grid->numberOfItemsInSection(0) == 10 && grid->indexPathsForSelectedItems().empty());

    grid->selectItemAtIndexPath(IndexPath { 0, 2 }, Animated::No, ScrollPosition::None);
    const long askedBefore = photos->asked;
    grid->reloadData();
    window->layoutIfNeeded();
    EXPECT_TRUE(grid->indexPathsForSelectedItems().empty());
    EXPECT_EQ(std::tuple(photos->asked - askedBefore, grid->contentSize().height), std::tuple(10L, 300.0));
}

}
}
