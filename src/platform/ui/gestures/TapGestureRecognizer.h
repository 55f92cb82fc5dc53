#pragma once

#include <platform/foundation/RunLoop.h>
#include <platform/ui/gestures/GestureRecognizer.h>

namespace vd {

// A discrete gesture: numberOfTapsRequired taps of numberOfTouchesRequired fingers, each finger
// staying near where it landed, the taps following each other quickly.
class TapGestureRecognizer : public GestureRecognizer {
public:
    using GestureRecognizer::GestureRecognizer;
    ~TapGestureRecognizer() override;
    std::string className() const override { return "TapGestureRecognizer"; }

    int numberOfTapsRequired() const { return m_tapsRequired; }
    void setNumberOfTapsRequired(int taps) { m_tapsRequired = std::max(1, taps); }
    int numberOfTouchesRequired() const { return m_touchesRequired; }
    void setNumberOfTouchesRequired(int touches) { m_touchesRequired = std::max(1, touches); }

    void touchesBegan(const TouchSet& touches, const TouchEvent& event) override;
    void touchesMoved(const TouchSet& touches, const TouchEvent& event) override;
    void touchesEnded(const TouchSet& touches, const TouchEvent& event) override;
    void reset() override;
    bool canBePreventedByGestureRecognizer(const GestureRecognizer& other) const override;

private:
    void cancelTimer();

    int m_tapsRequired { 1 };
    int m_touchesRequired { 1 };
    int m_tapsDone { 0 };
    int m_maxTouchesThisTap { 0 };
    Point m_firstTapLocation;
    std::vector<std::pair<int, Point>> m_starts; // where each finger of this tap landed
    RunLoop::TimerId m_timer { 0 };
};

}
