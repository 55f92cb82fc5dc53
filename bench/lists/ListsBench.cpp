// Scrolling a photo grid of a large library: every offset change places the cells in view and
// reuses those that left. The grid is the photo browser's: four squares to a line on a phone.
#include <platform/foundation/RunLoop.h>
#include <platform/ui/lists/CollectionView.h>
#include <platform/ui/lists/TableView.h>
#include <platform/ui/window/Window.h>

#include <benchmark/benchmark.h>

namespace {

using namespace vd;

struct Grid : CollectionViewDataSource, CollectionViewDelegate {
    long count { 0 };
    long numberOfItemsInSection(CollectionView&, long) override { return count; }
    std::shared_ptr<CollectionViewCell> cellForItemAtIndexPath(CollectionView& view, IndexPath ip) override
    {
        auto cell = view.dequeueReusableCell("cellrullino", ip);
        cell->contentView()->setTag(ip.item);
        return cell;
    }
    std::optional<Size> sizeForItemAtIndexPath(CollectionView& view, IndexPath) override
    {
        const double side = view.bounds().width() * 0.25;
        return Size { side, side };
    }
};

void scrollGrid(benchmark::State& state)
{
    RunLoop::main().setClock(RunLoop::Clock::Virtual);
    auto window = std::make_shared<Window>(Size { 390, 844 });
    auto grid = View::make<CollectionView>(Rect(0, 0, 390, 844));
    CollectionViewFlowLayout layout;
    layout.minimumInteritemSpacing = layout.minimumLineSpacing = 0;
    grid->setLayout(layout);
    grid->registerCellClass<CollectionViewCell>("cellrullino");
    auto source = std::make_shared<Grid>();
    source->count = state.range(0);
    grid->setCollectionDelegate(source);
    grid->setDataSource(source);
    window->addSubview(grid);
    window->layoutIfNeeded();
    const double end = grid->maximumContentOffset().y;
    double y = 0;
    for (auto _ : state) {
        // A finger's step at 60 events a second while flicking: about 40 points.
        y = y + 40 > end ? 0 : y + 40;
        grid->setContentOffset({ 0, y });
        benchmark::DoNotOptimize(grid->subviews().size());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(scrollGrid)->Arg(1000)->Arg(10000)->Arg(50000);

void reloadGrid(benchmark::State& state)
{
    RunLoop::main().setClock(RunLoop::Clock::Virtual);
    auto window = std::make_shared<Window>(Size { 390, 844 });
    auto grid = View::make<CollectionView>(Rect(0, 0, 390, 844));
    grid->registerCellClass<CollectionViewCell>("cellrullino");
    auto source = std::make_shared<Grid>();
    source->count = state.range(0);
    grid->setCollectionDelegate(source);
    grid->setDataSource(source);
    window->addSubview(grid);
    for (auto _ : state) {
        grid->reloadData();
        window->layoutIfNeeded();
    }
}
BENCHMARK(reloadGrid)->Arg(1000)->Arg(10000)->Arg(50000);

}

BENCHMARK_MAIN();
