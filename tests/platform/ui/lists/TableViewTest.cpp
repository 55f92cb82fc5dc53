#include <TestSupport.h>

#include <platform/ui/lists/TableView.h>

namespace vd {
namespace {

class LayerCell : public TableViewCell {
public:
    std::string layer;
};

// The editor's layer table: one row per canvas layer, every row movable, no delete control.
struct Layers : TableViewDataSource, TableViewDelegate {
    std::vector<std::string> names { "sfondo", "cerchio", "testo", "stella", "logo" };
    std::vector<std::string> journal;
    double height { 60 };
    long numberOfRowsInSection(TableView&, long) override { return static_cast<long>(names.size()); }
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& table, IndexPath ip) override
    {
        auto cell = table.dequeueReusableCell<LayerCell>("cell", ip);
        cell->layer = names[static_cast<size_t>(ip.row())];
        return cell;
    }
    bool canMoveRowAtIndexPath(TableView&, IndexPath) override { return true; }
    void moveRowAtIndexPath(TableView&, IndexPath from, IndexPath to) override
    {
        journal.push_back("move " + from.text() + " " + to.text());
        auto moved = names[static_cast<size_t>(from.row())];
        names.erase(names.begin() + from.row());
        names.insert(names.begin() + to.row(), moved);
    }
    std::optional<double> heightForRowAtIndexPath(TableView&, IndexPath) override { return height; }
    void didSelectRowAtIndexPath(TableView&, IndexPath ip) override { journal.push_back("select " + ip.text()); }
    void didDeselectRowAtIndexPath(TableView&, IndexPath ip) override { journal.push_back("deselect " + ip.text()); }
    TableViewCellEditingStyle editingStyleForRowAtIndexPath(TableView&, IndexPath) override { return TableViewCellEditingStyle::None; }
    bool shouldIndentWhileEditingRowAtIndexPath(TableView&, IndexPath) override { return false; }
};

struct TableFixture : test::VirtualClockWindowTest {
    TableFixture() : VirtualClockWindowTest({ 320, 200 }) { }
    void SetUp() override
    {
        VirtualClockWindowTest::SetUp();
        table = View::make<TableView>(Rect(0, 0, 320, 200));
        table->setName("myTableViewLayer");
        table->registerCellClass<LayerCell>("cell");
        table->setTableDelegate(layers);
        table->setDataSource(layers);
        window->addSubview(table);
        window->layoutIfNeeded();
    }
    std::vector<std::string> shownInOrder()
    {
        // What a person sees: the visible cells from the top down.
        auto cells = table->visibleCells();
        std::sort(cells.begin(), cells.end(), [](auto& a, auto& b) { return a->frame().y() < b->frame().y(); });
        std::vector<std::string> out;
        for (auto& cell : cells)
            out.push_back(std::static_pointer_cast<LayerCell>(cell)->layer);
        return out;
    }
    Point centreOfRow(long row) { return table->convertPointToView(table->rectForRowAtIndexPath({ 0, row })->center(), nullptr); }
    Point grip(long row) { return test::centerInWindow(*window->viewNamed("myTableViewLayer.0." + std::to_string(row) + ".reorder")); }
    std::shared_ptr<TableView> table;
    std::shared_ptr<Layers> layers = std::make_shared<Layers>();
};

TEST_F(TableFixture, RowsHeightsAndCellsOnlyInView)
{
    EXPECT_EQ(shownInOrder(), (std::vector<std::string> { "sfondo", "cerchio", "testo", "stella" }));
    EXPECT_EQ(table->cellForRowAtIndexPath({ 0, 4 }), nullptr);
    table->scrollToRowAtIndexPath({ 0, 4 }, ScrollPosition::Bottom, Animated::No);
    EXPECT_EQ(shownInOrder(), (std::vector<std::string> { "cerchio", "testo", "stella", "logo" }));
    EXPECT_TRUE(table->contentOffset().y == 100 && table->cellForRowAtIndexPath({ 0, 4 })->name() == "myTableViewLayer.0.4");

    layers->height = 20;
    table->reloadData();
    window->layoutIfNeeded();
    EXPECT_EQ(std::tuple(table->contentSize().height, table->contentOffset().y, table->visibleCells().size()), std::tuple(100.0, 0.0, 5uz)) << "the offset follows the smaller content";
}

TEST_F(TableFixture, TapsSelectOneRowAndEditingModeDoesNotSelect)
{
    for (long row : { 1, 2 })
        test::tap(*window, centreOfRow(row));
    EXPECT_EQ(layers->journal, (std::vector<std::string> { "select 0.1", "deselect 0.1", "select 0.2" }));
    EXPECT_TRUE(table->indexPathForSelectedRow() == (IndexPath { 0, 2 }) && table->cellForRowAtIndexPath({ 0, 2 })->isSelected() && !table->cellForRowAtIndexPath({ 0, 1 })->isSelected());

    table->setEditing(true);
    layers->journal.clear();
    test::tap(*window, centreOfRow(0));
    EXPECT_TRUE(layers->journal.empty());
    auto cell = table->cellForRowAtIndexPath({ 0, 0 });
    EXPECT_TRUE(cell->showsReorderControl() && !cell->showsDeleteControl()) << "no delete control and no indentation";
    EXPECT_LT(cell->contentView()->frame().width(), 320) << "room for the grip";
    table->setEditing(false);
    EXPECT_TRUE(!cell->showsReorderControl() && cell->contentView()->frame().width() == 320);

    table->selectRowAtIndexPath(IndexPath { 0, 3 }, Animated::No, ScrollPosition::None);
    EXPECT_TRUE(table->indexPathsForSelectedRows() == (std::vector<IndexPath> { { 0, 3 } }) && layers->journal.empty()) << "selecting in code tells no one";
}

TEST_F(TableFixture, DraggingTheGripMovesTheRowAndTellsTheDataSource)
{
    table->selectRowAtIndexPath(IndexPath { 0, 0 }, Animated::No, ScrollPosition::None);
    table->setEditing(true);
    window->layoutIfNeeded();
    ASSERT_TRUE(window->viewNamed("myTableViewLayer.0.0.reorder"));
    const Point start = grip(0);
    // Row 0 dragged down two rows and a bit: it lands in row 2.
    test::drag(*window, start, { start.x, start.y + 125 });
    EXPECT_EQ(layers->journal, (std::vector<std::string> { "move 0.0 0.2" }));
    EXPECT_EQ(layers->names, (std::vector<std::string> { "cerchio", "testo", "sfondo", "stella", "logo" }));
    EXPECT_EQ(table->contentOffset().y, 0) << "the table did not scroll while a row moved";
    RunLoop::main().advance(1);
    EXPECT_EQ(shownInOrder(), (std::vector<std::string> { "cerchio", "testo", "sfondo", "stella" }));
    EXPECT_EQ(std::tuple(table->indexPathForSelectedRow(), table->cellForRowAtIndexPath({ 0, 2 })->frame()), std::tuple(std::optional(IndexPath { 0, 2 }), Rect(0, 120, 320, 60))) << "the selection moves with its row";
    ASSERT_TRUE(window->viewNamed("myTableViewLayer.0.2.reorder"));

    // Upwards, and dropping where it started changes nothing.
    const Point from = grip(2);
    test::drag(*window, from, { from.x, from.y - 125 });
    EXPECT_EQ(layers->names, (std::vector<std::string> { "sfondo", "cerchio", "testo", "stella", "logo" }));
    EXPECT_EQ(table->indexPathForSelectedRow(), (IndexPath { 0, 0 }));
    layers->journal.clear();
    const Point still = grip(1);
    test::drag(*window, still, { still.x, still.y + 20 });
    EXPECT_TRUE(layers->journal.empty());

    // Outside editing mode the same drag scrolls.
    table->setEditing(false);
    test::drag(*window, { 100, 150 }, { 100, 100 });
    EXPECT_TRUE(std::abs(table->contentOffset().y - 50) < 1e-9 && layers->names.front() == "sfondo");
}

}
}
