#pragma once

#include <platform/ui/views/View.h>

#include <functional>

namespace vd {

// A content view shown in a rounded box with an arrow pointing at a rectangle of a source view.
// The box sits below the source with the arrow up when it fits there (or when only up is
// permitted), above it otherwise; it keeps 10 points from the window's edges. It is a popover on
// every device kind. A tap anywhere outside the box dismisses it and calls onDismiss.
class Popover : public View {
public:
    enum ArrowDirection : unsigned { ArrowUp = 1, ArrowDown = 2, ArrowAny = ArrowUp | ArrowDown };

    explicit Popover(std::shared_ptr<View> content);
    std::string className() const override { return "Popover"; }
    void automationValues(nlohmann::json& out) const override;

    const std::shared_ptr<View>& contentView() const { return m_content; }
    Size preferredContentSize() const { return m_preferredSize; }
    void setPreferredContentSize(Size size);
    void setSourceView(std::weak_ptr<View> view) { m_sourceView = std::move(view); setNeedsLayout(); }
    void setSourceRect(Rect rect) { m_sourceRect = rect; setNeedsLayout(); } // in the source view; empty: its bounds
    void setPermittedArrowDirections(unsigned directions) { m_permitted = directions ? directions : ArrowAny; setNeedsLayout(); }
    ArrowDirection arrowDirection() const { return m_arrow; } // after layout
    void setOnDismiss(std::function<void()> handler) { m_onDismiss = std::move(handler); }

    void present(View& host); // covers host, usually the window
    void dismiss();           // takes it away and calls onDismiss
    bool isPresented() const { return superview() != nullptr; }
    Rect boxFrame() const;    // the box with its arrow, in the popover's coordinates

    void layoutSubviews() override;
    void draw(Painter& painter, const Rect& rect) override;
    void touchesBegan(const TouchSet& touches, const TouchEvent& event) override;
    void touchesEnded(const TouchSet& touches, const TouchEvent& event) override;
    bool performKeyCommand(const KeyPress& press) override;

private:
    std::shared_ptr<View> m_content;
    std::shared_ptr<View> m_box;
    Size m_preferredSize { 320, 320 };
    std::weak_ptr<View> m_sourceView;
    Rect m_sourceRect;
    unsigned m_permitted { ArrowUp };
    ArrowDirection m_arrow { ArrowUp };
    double m_arrowX { 0 };
    std::function<void()> m_onDismiss;
    bool m_outsideTouch { false };
};

}
