#pragma once

#include <platform/ui/views/View.h>

#include <functional>

namespace vd {

// The editor's canvas: its children are the logo's layers, bottom first. Each child is named
// after the canvas and its stacking index ("myViewTemporanea.0" is the bottom layer), so scripts
// reach layers by position; the names follow every change of order. A touch that lands on the
// bare canvas and lifts there is reported to onBareTouchEnded.
class LogoCanvasView : public View {
public:
    using View::View;
    std::string className() const override { return "LogoCanvasView"; }

    std::function<void()> onBareTouchEnded;
    void renumberLayers(); // names the children by their index; call after reordering them

    void didAddSubview(View* subview) override;
    void willRemoveSubview(View* subview) override;
    void layoutSubviews() override { renumberLayers(); }
    void touchesBegan(const TouchSet& touches, const TouchEvent& event) override;
    void touchesEnded(const TouchSet& touches, const TouchEvent& event) override;

private:
    const View* m_leaving { nullptr };
};

}
