#pragma once

#include <platform/ui/controls/Button.h>

#include <vector>

namespace vd {

// A bar of buttons laid out left to right, with flexible spaces sharing what is left over. Used
// as the keyboard accessory of text views.
class Toolbar : public View {
public:
    enum class Style { Default, BlackTranslucent };
    struct Item {
        std::shared_ptr<Button> button; // absent: a flexible space
        static Item flexibleSpace() { return {}; }
        static Item of(std::shared_ptr<Button> button) { return { std::move(button) }; }
    };

    Toolbar();
    std::string className() const override { return "Toolbar"; }

    void setItems(std::vector<Item> items);
    const std::vector<Item>& items() const { return m_items; }
    Style barStyle() const { return m_style; }
    void setBarStyle(Style style);

    Size sizeThatFits(Size size) const override; // the given width, 44 points high
    void layoutSubviews() override;
    void draw(Painter& painter, const Rect& rect) override;

    // A bar with a flexible space and a "Done" button (named doneButtonName) that runs done.
    static std::shared_ptr<Toolbar> makeDoneToolbar(std::function<void()> done, const std::string& doneButtonName = "keyboardDoneButton");

private:
    std::vector<Item> m_items;
    Style m_style { Style::Default };
};

}
