#pragma once

#include <platform/graphics/TextRenderer.h>
#include <platform/ui/lists/ScrollView.h>
#include <platform/ui/views/View.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vd {

class PickerView;
class PanGestureRecognizer;

class PickerViewDataSource {
public:
    virtual ~PickerViewDataSource() = default;
    virtual long numberOfComponentsInPickerView(PickerView& picker) = 0;
    virtual long numberOfRowsInComponent(PickerView& picker, long component) = 0;
};

// Row views and titles, sizes, and the news of a row picked by the user; all optional.
class PickerViewDelegate {
public:
    virtual ~PickerViewDelegate() = default;
    // A view for the row; reusing is a row view that scrolled away, or nullptr.
    virtual std::shared_ptr<View> viewForRow(PickerView& picker, long row, long component, std::shared_ptr<View> reusing) { (void)picker, (void)row, (void)component, (void)reusing; return nullptr; }
    // Used when there is no row view: the row shows this title centred.
    virtual std::optional<std::string> titleForRow(PickerView& picker, long row, long component) { (void)picker, (void)row, (void)component; return std::nullopt; }
    virtual std::optional<double> rowHeightForComponent(PickerView& picker, long component) { (void)picker, (void)component; return std::nullopt; }
    virtual std::optional<double> widthForComponent(PickerView& picker, long component) { (void)picker, (void)component; return std::nullopt; }
    virtual void didSelectRow(PickerView& picker, long row, long component) { (void)picker, (void)row, (void)component; }
};

// A title row of a picker when the delegate gives no view of its own.
class PickerRowLabel : public View {
public:
    explicit PickerRowLabel(std::string title);
    std::string className() const override { return "PickerRowLabel"; }
    const std::string& title() const { return m_title; }
    void setTitle(std::string title);
    TextStyle& style() { return m_style; }
    std::optional<std::string> automationText() const override { return m_title; }
    void draw(Painter& painter, const Rect& rect) override;

private:
    std::string m_title;
    TextStyle m_style;
};

// Turning wheels side by side, one per component, each with its selected row in the middle
// band. A finger drags a wheel, which settles on the nearest row when it lifts; a tap on a row
// above or below turns the wheel to it. Either way the delegate hears of the new row; selecting
// in code does not tell it. Only rows near the band have views.
class PickerView : public View {
public:
    PickerView();
    explicit PickerView(const Rect& frame);
    ~PickerView() override;
    std::string className() const override { return "PickerView"; }

    void setDataSource(std::weak_ptr<PickerViewDataSource> dataSource);
    void setDelegate(std::weak_ptr<PickerViewDelegate> delegate);
    void reloadAllComponents();
    void reloadComponent(long component);

    long numberOfComponents();
    long numberOfRowsInComponent(long component);
    long selectedRowInComponent(long component); // -1 when the component has no rows
    void selectRow(long row, long component, Animated animated); // clamped to the rows
    std::shared_ptr<View> viewForRow(long row, long component); // nullptr unless near the band
    Rect selectionBandInComponent(long component); // own coordinates

    void layoutSubviews() override;
    void draw(Painter& painter, const Rect& rect) override;
    void touchesBegan(const TouchSet& touches, const TouchEvent& event) override;
    void touchesEnded(const TouchSet& touches, const TouchEvent& event) override;
    bool scrollWheel(Point location, Point delta) override; // turns the wheel under the pointer by rows
    std::optional<std::string> automationText() const override; // selected rows, "7" or "3 7"

    static constexpr double kDefaultRowHeight = 32;
    static constexpr double kSettleDuration = 0.25;

private:
    struct Component {
        std::shared_ptr<View> wheel; // clips; its bounds origin y is the turn
        long rows { 0 };
        double rowHeight { kDefaultRowHeight };
        long selected { -1 };
        std::map<long, std::shared_ptr<View>> rowViews;
        std::vector<std::shared_ptr<View>> spare;
    };
    void setUpPicker();
    void ensureComponents();
    void placeWheels();
    void updateRows(long component, std::optional<double> alsoOffset = std::nullopt);
    void turn(long component, double offset, Animated animated);
    long componentAt(Point point);
    void settle(long component, long row); // turns to the row (clamped); the delegate hears of a change
    void handlePan();

    std::weak_ptr<PickerViewDataSource> m_dataSource;
    std::weak_ptr<PickerViewDelegate> m_delegate;
    std::vector<Component> m_components;
    bool m_componentsValid { false };
    std::shared_ptr<PanGestureRecognizer> m_pan;
    long m_panComponent { -1 };
    double m_panStartOffset { 0 };
    std::optional<Point> m_touchStart;
};

}
