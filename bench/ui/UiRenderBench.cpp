// Rendering a phone screen of 100 views (cards with images and text) at scale 2: a full frame,
// and the frame after one small view moved (only its dirty area redrawn).
#include "UiScreen.h"

#include <benchmark/benchmark.h>

namespace vd::bench {
namespace {

void countViews(const View& view, int& count)
{
    ++count;
    for (auto& subview : view.subviews())
        countViews(*subview, count);
}

void BM_RenderFullScreen100Views(benchmark::State& state)
{
    auto window = makeBenchScreen();
    int views = 0;
    countViews(*window, views);
    DrawingContext context(window->bounds().size, DrawingContext::Opacity::Opaque, 2);
    window->prepareFrame();
    for (auto _ : state) {
        window->render(context.painter());
        benchmark::ClobberMemory();
    }
    state.counters["views"] = views;
}
BENCHMARK(BM_RenderFullScreen100Views)->Unit(benchmark::kMillisecond);

void BM_RenderAfterOneViewMoved(benchmark::State& state)
{
    auto window = makeBenchScreen();
    DrawingContext context(window->bounds().size, DrawingContext::Opacity::Opaque, 2);
    window->prepareFrame();
    window->render(context.painter());
    window->clearDirty();
    auto moving = window->subviews()[4];
    double dx = 1;
    for (auto _ : state) {
        moving->setCenter(moving->center() + Point { dx, 0 });
        dx = -dx;
        window->prepareFrame();
        window->render(context.painter(), window->dirtyRect());
        window->clearDirty();
    }
}
BENCHMARK(BM_RenderAfterOneViewMoved)->Unit(benchmark::kMillisecond);

void BM_SnapshotScreenToImage(benchmark::State& state)
{
    auto window = makeBenchScreen();
    for (auto _ : state) {
        DrawingContext context(window->bounds().size, DrawingContext::Opacity::Opaque, 2);
        window->drawViewHierarchyInRect(context.painter(), window->bounds());
        benchmark::DoNotOptimize(context.takeImage());
    }
}
BENCHMARK(BM_SnapshotScreenToImage)->Unit(benchmark::kMillisecond);

}
}

BENCHMARK_MAIN();
