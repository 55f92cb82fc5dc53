#include <demos/ListsDemo.h>

#include <platform/foundation/Log.h>
#include <platform/graphics/TextRenderer.h>
#include <platform/ui/lists/CollectionView.h>
#include <platform/ui/presentation/InterfaceDescription.h>
#include <platform/ui/presentation/NavigationController.h>
#include <platform/ui/lists/PickerView.h>
#include <platform/ui/presentation/ScreenRegistry.h>
#include <platform/ui/lists/TableView.h>
#include <platform/ui/gestures/TapGestureRecognizer.h>
#include <platform/ui/window/Window.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vd {

namespace {

// A line of text for the demonstration; the program's own label is another piece of work.
class DemoLabel : public View {
public:
    DemoLabel()
    {
        m_style.fontName = "GillSans";
        m_style.fontSize = 17;
        m_style.alignment = TextAlignment::Center;
        m_style.color = Color::fromCode("#2b2d42");
        setUserInteractionEnabled(false);
    }
    std::string className() const override { return "DemoLabel"; }
    std::optional<std::string> automationText() const override { return m_text; }
    const std::string& text() const { return m_text; }
    void setText(std::string text)
    {
        m_text = std::move(text);
        setNeedsDisplay();
    }
    TextStyle& style() { return m_style; }
    void draw(Painter& painter, const Rect&) override { painter.drawText(m_text, m_style, bounds().insetBy(4, 0)); }

private:
    std::string m_text;
    TextStyle m_style;
};

// A rounded button with a title that runs its action on a tap.
class DemoButton : public View {
public:
    DemoButton()
    {
        setBackgroundColor(Color::fromCode("#ef233c"));
        layer().setCornerRadius(10);
    }
    std::string className() const override { return "DemoButton"; }
    std::optional<std::string> automationText() const override { return m_title; }
    void setTitle(std::string title)
    {
        m_title = std::move(title);
        setNeedsDisplay();
    }
    void setAction(std::function<void()> action)
    {
        m_action = std::move(action);
        if (!m_tap) {
            m_tap = std::make_shared<TapGestureRecognizer>();
            m_tap->addTarget([this](GestureRecognizer& r) {
                if (r.view() && r.state() == GestureRecognizer::Recognized && m_action)
                    m_action();
            });
            addGestureRecognizer(m_tap);
        }
    }
    void draw(Painter& painter, const Rect&) override
    {
        TextStyle style;
        style.fontName = "GillSans-Bold";
        style.fontSize = 18;
        style.alignment = TextAlignment::Center;
        style.color = Color::whiteColor();
        painter.drawText(m_title, style, bounds());
    }

private:
    std::string m_title;
    std::function<void()> m_action;
    std::shared_ptr<TapGestureRecognizer> m_tap;
};

void registerDemoClasses()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    ViewClassDescription label;
    label.make = [] { return View::make<DemoLabel>(); };
    label.properties["text"] = [](View& view, const nlohmann::json& value) -> std::optional<std::string> {
        if (!value.is_string())
            return std::string("expected a text");
        static_cast<DemoLabel&>(view).setText(value.get<std::string>());
        return std::nullopt;
    };
    label.properties["fontSize"] = [](View& view, const nlohmann::json& value) -> std::optional<std::string> {
        if (!value.is_number() || value.get<double>() <= 0)
            return std::string("expected a size in points");
        static_cast<DemoLabel&>(view).style().fontSize = value.get<double>();
        return std::nullopt;
    };
    label.properties["textColor"] = [](View& view, const nlohmann::json& value) -> std::optional<std::string> {
        auto color = layout::color(value);
        if (!color)
            return std::string("expected a colour");
        static_cast<DemoLabel&>(view).style().color = *color;
        return std::nullopt;
    };
    InterfaceDescription::registerViewClass("DemoLabel", std::move(label));

    ViewClassDescription button;
    button.make = [] { return View::make<DemoButton>(); };
    button.properties["title"] = [](View& view, const nlohmann::json& value) -> std::optional<std::string> {
        if (!value.is_string())
            return std::string("expected a title");
        static_cast<DemoButton&>(view).setTitle(value.get<std::string>());
        return std::nullopt;
    };
    button.connectAction = [](View& view, std::function<void()> handler) { static_cast<DemoButton&>(view).setAction(std::move(handler)); };
    InterfaceDescription::registerViewClass("DemoButton", std::move(button));
}

Color swatchColor(long index)
{
    // Hues around the wheel, two shades each.
    const double hue = std::fmod(index * 0.618034, 1.0) * 6;
    const double x = 1 - std::abs(std::fmod(hue, 2.0) - 1);
    double r = 0, g = 0, b = 0;
    switch (static_cast<int>(hue)) {
    case 0: r = 1, g = x; break;
    case 1: r = x, g = 1; break;
    case 2: g = 1, b = x; break;
    case 3: g = x, b = 1; break;
    case 4: r = x, b = 1; break;
    default: r = 1, b = x; break;
    }
    const double shade = index % 2 ? 0.75 : 0.95;
    return Color::rgba(r * shade, g * shade, b * shade);
}

class SwatchCell : public CollectionViewCell {
public:
    void setSelected(bool selected) override
    {
        CollectionViewCell::setSelected(selected);
        contentView()->layer().setBorderColor(Color::fromCode("#2b2d42"));
        contentView()->layer().setBorderWidth(selected ? 5 : 0);
    }
};

class RowCell : public TableViewCell {
public:
    RowCell()
    {
        m_label = View::make<DemoLabel>();
        m_label->style().alignment = TextAlignment::Left;
        contentView()->addSubview(m_label);
    }
    void show(const std::string& text) { m_label->setText(text); }
    void layoutSubviews() override
    {
        TableViewCell::layoutSubviews();
        m_label->setFrame(contentView()->bounds().insetBy(12, 0));
    }

private:
    std::shared_ptr<DemoLabel> m_label;
};

class ListsDemoController;

// The demo's three lists each get a small adapter that speaks to the screen.
struct Swatches : CollectionViewDataSource, CollectionViewDelegate {
    ListsDemoController* screen { nullptr };
    long numberOfItemsInSection(CollectionView&, long) override;
    std::shared_ptr<CollectionViewCell> cellForItemAtIndexPath(CollectionView& view, IndexPath ip) override;
    std::optional<Size> sizeForItemAtIndexPath(CollectionView& view, IndexPath) override;
    void didSelectItemAtIndexPath(CollectionView&, IndexPath) override;
    void didDeselectItemAtIndexPath(CollectionView&, IndexPath) override;
};

struct LayerRows : TableViewDataSource, TableViewDelegate {
    ListsDemoController* screen { nullptr };
    long numberOfRowsInSection(TableView&, long) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& table, IndexPath ip) override;
    bool canMoveRowAtIndexPath(TableView&, IndexPath) override { return true; }
    void moveRowAtIndexPath(TableView&, IndexPath from, IndexPath to) override;
    void didSelectRowAtIndexPath(TableView&, IndexPath) override;
    TableViewCellEditingStyle editingStyleForRowAtIndexPath(TableView&, IndexPath) override { return TableViewCellEditingStyle::None; }
    bool shouldIndentWhileEditingRowAtIndexPath(TableView&, IndexPath) override { return false; }
};

struct FontWheels : PickerViewDataSource, PickerViewDelegate {
    ListsDemoController* screen { nullptr };
    long numberOfComponentsInPickerView(PickerView&) override { return 2; }
    long numberOfRowsInComponent(PickerView&, long component) override;
    std::shared_ptr<View> viewForRow(PickerView&, long row, long component, std::shared_ptr<View> reusing) override;
    std::optional<std::string> titleForRow(PickerView&, long row, long) override;
    std::optional<double> widthForComponent(PickerView& picker, long component) override { return picker.bounds().width() * (component == 0 ? 0.65 : 0.35); }
    void didSelectRow(PickerView&, long, long) override;
};

class ListsDemoController : public ViewController {
public:
    ListsDemoController()
    {
        bind("myLabelTitolo", myLabelTitolo);
        bind("myCollectionViewDemo", myCollectionViewDemo);
        bind("myTableViewDemo", myTableViewDemo);
        bind("myPickerViewDemo", myPickerViewDemo);
        bind("myLabelStato", myLabelStato);
        bind("myViewEditButton", myViewEditButton);
        bind("myViewDeleteButton", myViewDeleteButton);
        bind("myViewPushButton", myViewPushButton);
        action("myViewEditButtonACTION", [this] { editButtonTapped(); });
        action("myViewDeleteButtonACTION", [this] { deleteButtonTapped(); });
        action("myViewPushButtonACTION", [this] { pushButtonTapped(); });
        for (long i = 0; i < 24; ++i)
            swatches.push_back(i);
        layers = { "Sfondo", "Cerchio", "Stella", "Testo Vardenico", "Cornice", "Freccia", "Cuore", "Firma" };
        fonts = { "GillSans", "GillSans-Bold", "GillSans-UltraBold", "DejaVuSans", "DejaVuSans-Bold", "Helvetica", "Georgia", "Futura", "Optima", "Courier" };
        for (int size = 6; size < 102; size += 2)
            sizes.push_back(size);
        m_swatches->screen = m_rows->screen = m_wheels->screen = this;
    }
    std::string className() const override { return "ListsDemoController"; }

    void viewDidLoad() override
    {
        myCollectionViewDemo->registerCellClass<SwatchCell>("cellSwatch");
        myCollectionViewDemo->setCollectionDelegate(m_swatches);
        myCollectionViewDemo->setDataSource(m_swatches);
        myTableViewDemo->registerCellClass<RowCell>("cell");
        myTableViewDemo->setTableDelegate(m_rows);
        myTableViewDemo->setDataSource(m_rows);
        myPickerViewDemo->setDataSource(m_wheels);
        myPickerViewDemo->setDelegate(m_wheels);
        myPickerViewDemo->selectRow(7, 1, Animated::No); // 20 points
        log::debug("lists demo did load");
    }
    void viewWillAppear(bool) override
    {
        ++appearances;
        updateStatus();
    }

    void updateStatus()
    {
        char text[200];
        const auto selectedRow = myTableViewDemo->indexPathForSelectedRow();
        const long font = myPickerViewDemo->selectedRowInComponent(0), size = myPickerViewDemo->selectedRowInComponent(1);
        std::snprintf(text, sizeof text, "%zu selected · row %s · %s %d · shown %d", myCollectionViewDemo->indexPathsForSelectedItems().size(),
            selectedRow ? std::to_string(selectedRow->row()).c_str() : "none", font >= 0 ? fonts[static_cast<size_t>(font)].c_str() : "-",
            size >= 0 ? sizes[static_cast<size_t>(size)] : 0, appearances);
        myLabelStato->setText(text);
    }

    void editButtonTapped()
    {
        const bool editing = !myTableViewDemo->isEditing();
        myTableViewDemo->setEditing(editing, Animated::Yes);
        myViewEditButton->setTitle(editing ? "Done" : "Edit");
    }

    void deleteButtonTapped()
    {
        auto selected = myCollectionViewDemo->indexPathsForSelectedItems();
        if (selected.empty())
            return;
        std::sort(selected.begin(), selected.end(), [](auto& a, auto& b) { return a.item > b.item; });
        for (auto& ip : selected)
            swatches.erase(swatches.begin() + ip.item);
        myCollectionViewDemo->deleteItemsAtIndexPaths(selected);
        updateStatus();
    }

    void pushButtonTapped()
    {
        auto detail = ScreenRegistry::shared().instantiate("listsDetail");
        if (!detail) {
            log::warning(detail.error().message);
            return;
        }
        if (auto navigation = navigationController())
            navigation->pushViewController(*detail, true);
    }

    std::shared_ptr<DemoLabel> myLabelTitolo, myLabelStato;
    std::shared_ptr<CollectionView> myCollectionViewDemo;
    std::shared_ptr<TableView> myTableViewDemo;
    std::shared_ptr<PickerView> myPickerViewDemo;
    std::shared_ptr<DemoButton> myViewEditButton, myViewDeleteButton, myViewPushButton;
    std::vector<long> swatches;
    std::vector<std::string> layers, fonts;
    std::vector<int> sizes;
    int appearances { 0 };

private:
    std::shared_ptr<Swatches> m_swatches = std::make_shared<Swatches>();
    std::shared_ptr<LayerRows> m_rows = std::make_shared<LayerRows>();
    std::shared_ptr<FontWheels> m_wheels = std::make_shared<FontWheels>();
};

long Swatches::numberOfItemsInSection(CollectionView&, long) { return static_cast<long>(screen->swatches.size()); }

std::shared_ptr<CollectionViewCell> Swatches::cellForItemAtIndexPath(CollectionView& view, IndexPath ip)
{
    auto cell = view.dequeueReusableCell("cellSwatch", ip);
    const long swatch = screen->swatches[static_cast<size_t>(ip.item)];
    cell->contentView()->setBackgroundColor(swatchColor(swatch));
    cell->setTag(swatch);
    return cell;
}

std::optional<Size> Swatches::sizeForItemAtIndexPath(CollectionView& view, IndexPath)
{
    // Four to a line on a phone, eight on a tablet.
    const double side = view.bounds().width() * (ScreenRegistry::shared().deviceKind() == DeviceKind::Tablet ? 0.125 : 0.25);
    return Size { side, side };
}

void Swatches::didSelectItemAtIndexPath(CollectionView&, IndexPath) { screen->updateStatus(); }
void Swatches::didDeselectItemAtIndexPath(CollectionView&, IndexPath) { screen->updateStatus(); }

long LayerRows::numberOfRowsInSection(TableView&, long) { return static_cast<long>(screen->layers.size()); }

std::shared_ptr<TableViewCell> LayerRows::cellForRowAtIndexPath(TableView& table, IndexPath ip)
{
    auto cell = table.dequeueReusableCell<RowCell>("cell", ip);
    cell->show(screen->layers[static_cast<size_t>(ip.row())]);
    return cell;
}

void LayerRows::moveRowAtIndexPath(TableView&, IndexPath from, IndexPath to)
{
    auto& layers = screen->layers;
    auto moved = layers[static_cast<size_t>(from.row())];
    layers.erase(layers.begin() + from.row());
    layers.insert(layers.begin() + to.row(), moved);
}

void LayerRows::didSelectRowAtIndexPath(TableView&, IndexPath) { screen->updateStatus(); }

long FontWheels::numberOfRowsInComponent(PickerView&, long component)
{
    return static_cast<long>(component == 0 ? screen->fonts.size() : screen->sizes.size());
}

std::shared_ptr<View> FontWheels::viewForRow(PickerView&, long row, long component, std::shared_ptr<View> reusing)
{
    if (component != 0)
        return nullptr;
    // Each font name shown in its own font.
    auto label = std::dynamic_pointer_cast<PickerRowLabel>(reusing);
    const auto& name = screen->fonts[static_cast<size_t>(row)];
    if (label)
        label->setTitle(name);
    else
        label = View::make<PickerRowLabel>(name);
    label->style().fontName = name;
    label->style().fontSize = 18;
    return label;
}

std::optional<std::string> FontWheels::titleForRow(PickerView&, long row, long)
{
    return std::to_string(screen->sizes[static_cast<size_t>(row)]);
}

void FontWheels::didSelectRow(PickerView&, long, long) { screen->updateStatus(); }

class ListsDetailController : public ViewController, public ScrollViewDelegate {
public:
    ListsDetailController()
    {
        bind("myScrollViewZoom", myScrollViewZoom);
        bind("myViewZoomCanvas", myViewZoomCanvas);
        bind("myLabelZoom", myLabelZoom);
        bind("myViewBackButton", myViewBackButton);
        bind("myViewInfoButton", myViewInfoButton);
        action("myViewBackButtonACTION", [this] {
            if (auto navigation = navigationController())
                navigation->popViewController(true);
        });
        action("myViewInfoButtonACTION", [this] {
            auto info = ScreenRegistry::shared().instantiate("listsInfo");
            if (!info) {
                log::warning(info.error().message);
                return;
            }
            presentViewController(*info, true);
        });
    }
    std::string className() const override { return "ListsDetailController"; }
    void viewDidLoad() override
    {
        // A checker of swatches to zoom into.
        const Size size = myViewZoomCanvas->bounds().size;
        const int tiles = 6;
        for (int y = 0; y < tiles; ++y) {
            for (int x = 0; x < tiles; ++x) {
                auto tile = View::make(Rect(x * size.width / tiles, y * size.height / tiles, size.width / tiles, size.height / tiles));
                tile->setBackgroundColor(swatchColor(y * tiles + x));
                tile->setUserInteractionEnabled(false);
                myViewZoomCanvas->addSubview(tile);
            }
        }
        myScrollViewZoom->setContentSize(size);
        myScrollViewZoom->setDelegate(std::weak_ptr<ScrollViewDelegate>(std::dynamic_pointer_cast<ScrollViewDelegate>(shared_from_this())));
        scrollViewDidZoom(*myScrollViewZoom);
    }
    std::shared_ptr<View> viewForZoomingInScrollView(ScrollView&) override { return myViewZoomCanvas; }
    void scrollViewDidZoom(ScrollView& scrollView) override
    {
        char text[64];
        std::snprintf(text, sizeof text, "Zoom %.1f×", scrollView.zoomScale());
        myLabelZoom->setText(text);
    }

    std::shared_ptr<ScrollView> myScrollViewZoom;
    std::shared_ptr<View> myViewZoomCanvas;
    std::shared_ptr<DemoLabel> myLabelZoom;
    std::shared_ptr<DemoButton> myViewBackButton, myViewInfoButton;
};

// A screen shown modally over the stack, closed by its own button.
class ListsInfoController : public ViewController {
public:
    ListsInfoController()
    {
        bind("myLabelInfo", myLabelInfo);
        bind("myViewCloseButton", myViewCloseButton);
        action("myViewCloseButtonACTION", [this] { dismissViewController(true); });
    }
    std::string className() const override { return "ListsInfoController"; }
    std::shared_ptr<DemoLabel> myLabelInfo;
    std::shared_ptr<DemoButton> myViewCloseButton;
};

}

bool installListsDemo(Window& window, HostDevice device)
{
    registerDemoClasses();
    auto& registry = ScreenRegistry::shared();
    registry.setDeviceKind(device == HostDevice::Tablet ? DeviceKind::Tablet : DeviceKind::Phone);
    setCurrentScreenSize(window.bounds().size);
    registry.registerClass<ListsDemoController>("ListsDemoController");
    registry.registerClass<ListsDetailController>("ListsDetailController");
    registry.registerScreen("listsDemo", "ListsDemoController");
    registry.registerScreen("listsDetail", "ListsDetailController");
    registry.registerClass<ListsInfoController>("ListsInfoController");
    registry.registerScreen("listsInfo", "ListsInfoController");
    auto home = registry.instantiate("listsDemo");
    if (!home) {
        log::warning(home.error().message);
        return false;
    }
    auto navigation = std::make_shared<NavigationController>(*home);
    ViewController::installAsRoot(navigation, window);
    // The window keeps the views; the stack of screens lives as long as the process.
    static std::vector<std::shared_ptr<ViewController>> keep;
    keep.push_back(navigation);
    return true;
}

}
