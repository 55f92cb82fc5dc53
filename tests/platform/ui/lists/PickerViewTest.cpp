#include <TestSupport.h>

#include <platform/ui/lists/PickerView.h>

#include <ranges>

namespace vd {
namespace {

// The text tool's pickers: fonts with row views of their own, sizes with titles.
struct Fonts : PickerViewDataSource, PickerViewDelegate {
    std::vector<std::string> fonts { "Arial", "Baskerville", "Chalkduster", "Didot", "Futura", "Georgia", "Helvetica", "Noteworthy", "Optima", "Papyrus" };
    std::vector<int> sizes;
    std::vector<std::string> journal;
    int reused { 0 };
    Fonts() { std::ranges::copy(std::views::iota(0, 48) | std::views::transform([](int i) { return 6 + 2 * i; }), std::back_inserter(sizes)); }
    long numberOfComponentsInPickerView(PickerView&) override { return 2; }
    long numberOfRowsInComponent(PickerView&, long component) override { return static_cast<long>(component == 0 ? fonts.size() : sizes.size()); }
    std::shared_ptr<View> viewForRow(PickerView&, long row, long component, std::shared_ptr<View> reusing) override
    {
        if (component != 0)
            return nullptr;
        auto label = std::dynamic_pointer_cast<PickerRowLabel>(reusing);
        if (label)
            ++reused, label->setTitle(fonts[static_cast<size_t>(row)]);
        return label ? label : View::make<PickerRowLabel>(fonts[static_cast<size_t>(row)]);
    }
    std::optional<std::string> titleForRow(PickerView&, long row, long) override { return std::to_string(sizes[static_cast<size_t>(row)]); }
    std::optional<double> widthForComponent(PickerView&, long component) override { return component == 0 ? 200 : 100; }
    std::optional<double> rowHeightForComponent(PickerView&, long) override { return 40; }
    void didSelectRow(PickerView&, long row, long component) override { journal.push_back(std::to_string(component) + ":" + std::to_string(row)); }
};

struct PickerFixture : test::VirtualClockWindowTest {
    PickerFixture() : VirtualClockWindowTest({ 300, 200 }) { }
    void SetUp() override
    {
        VirtualClockWindowTest::SetUp();
        picker = View::make<PickerView>(Rect(0, 0, 300, 200));
        picker->setName("myPickerViewFont");
        picker->setDataSource(fonts);
        picker->setDelegate(fonts);
        window->addSubview(picker);
        window->layoutIfNeeded();
    }
    // The row drawn in the middle band of a component, from where the views are on screen.
    std::string titleInBand(long component)
    {
        const Rect band = picker->selectionBandInComponent(component);
        for (long row = 0; row < picker->numberOfRowsInComponent(component); ++row) {
            auto view = picker->viewForRow(row, component);
            if (view && std::abs(view->convertRectToView(view->bounds(), picker.get()).midY() - band.midY()) < 1e-6)
                return std::dynamic_pointer_cast<PickerRowLabel>(view)->title();
        }
        return "";
    }
    // The selected row of a component and the title drawn in its band.
    std::string shows(long component) { return std::to_string(picker->selectedRowInComponent(component)) + " " + titleInBand(component); }
    std::shared_ptr<PickerView> picker;
    std::shared_ptr<Fonts> fonts = std::make_shared<Fonts>();
};

TEST_F(PickerFixture, ComponentsRowsAndViewsOnlyNearTheBand)
{
    EXPECT_EQ(std::tuple(picker->selectionBandInComponent(1), titleInBand(0)), std::tuple(Rect(200, 80, 100, 40), std::string("Arial")));
    EXPECT_EQ(std::dynamic_pointer_cast<PickerRowLabel>(picker->viewForRow(1, 1))->title(), "8") << "titles when the delegate gives no view";
    EXPECT_EQ(picker->viewForRow(20, 1), nullptr) << "far from the band";
    EXPECT_EQ(picker->viewForRow(2, 0)->name(), "myPickerViewFont.0.2");

    picker->selectRow(7, 1, Animated::No);
    EXPECT_EQ(shows(1) + " / " + picker->automationText().value_or(""), "7 20 / 0 7");
    EXPECT_TRUE(fonts->journal.empty()) << "selecting in code tells no one";

    picker->selectRow(99, 0, Animated::Yes);
    EXPECT_EQ(picker->selectedRowInComponent(0), 9) << "clamped to the last row";
    RunLoop::main().advance(1);
    EXPECT_EQ(titleInBand(0), "Papyrus");
    EXPECT_LE(picker->subviews()[0]->subviews().size(), 5u) << "rows passed on the way are dropped";
    picker->selectRow(1, 0, Animated::No);
    EXPECT_TRUE(fonts->reused > 0 && titleInBand(0) == "Baskerville") << "row views that turned away are offered again";
    picker->selectRow(9, 0, Animated::No);

    // A reload keeps the selection within the new rows.
    fonts->fonts.resize(4);
    picker->reloadAllComponents();
    window->layoutIfNeeded();
    EXPECT_EQ(shows(0) + " / " + std::to_string(picker->selectedRowInComponent(1)), "3 Didot / 7");
}

TEST_F(PickerFixture, DraggingSettlesOnARowAndTappingTurnsToIt)
{
    // Up by three rows and a bit in the sizes wheel.
    test::drag(*window, { 250, 100 }, { 250, 100 - 3 * 40 - 10 });
    RunLoop::main().advance(1);
    EXPECT_EQ(shows(1), "3 12");
    EXPECT_EQ(fonts->journal, (std::vector<std::string> { "1:3" }));

    // A tap on the row below the band in the fonts wheel.
    test::tap(*window, { 100, 140 });
    RunLoop::main().advance(1);
    EXPECT_EQ(shows(0), "1 Baskerville");
    EXPECT_EQ(fonts->journal.back(), "0:1");

    // A drag past the end stops on the last row.
    for (int i = 0; i < 3; ++i)
        test::drag(*window, { 100, 190 }, { 100, 5 });
    RunLoop::main().advance(1);
    EXPECT_EQ(picker->selectedRowInComponent(0), 9);
    // A tap on the band itself changes nothing.
    fonts->journal.clear();
    test::tap(*window, { 100, 100 });
    EXPECT_TRUE(fonts->journal.empty());

    // The wheel turns the wheel under the pointer by whole rows, at least one a step, and settles
    // as a drag does; past the first row it stops.
    for (auto [at, delta, taken, component, expected] : { std::tuple { Point { 250, 60 }, Point { 0, 10 }, true, 1, "4 14" }, { { 100, 100 }, { 0, -120 }, true, 0, "6 Helvetica" },
             { { 100, 100 }, { 0, -1000 }, true, 0, "0 Arial" }, { { 100, 100 }, { 30, 0 }, false, 0, "0 Arial" } }) { // a sideways wheel turns nothing
        EXPECT_EQ(window->sendScroll(at, delta), taken) << expected;
        RunLoop::main().advance(1);
        EXPECT_EQ(shows(component), expected);
    }
    EXPECT_EQ(std::tuple(fonts->journal.front(), fonts->journal.size(), picker->selectedRowInComponent(1)), std::tuple(std::string("1:4"), 3uz, 4L)) << "the other wheel stays";
}

}
}
