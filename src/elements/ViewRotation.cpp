#include <elements/ViewRotation.h>

#include <platform/ui/views/View.h>

#include <limits>
#include <numbers>

namespace vd {

namespace {

void addRotation(View& view, double duration, float repeatCount, double toValue)
{
    if (view.layer().animationForKey(kZRotationKey))
        return;
    BasicAnimation animation;
    animation.keyPath = kZRotationKey;
    animation.toValue = toValue;
    animation.duration = duration;
    animation.cumulative = true;
    animation.repeatCount = repeatCount;
    view.layer().addAnimation(animation, kZRotationKey);
}

}

void startZRotationWithDuration(View& view, double duration, float repeatCount, bool clockwise)
{
    addRotation(view, duration, repeatCount, clockwise ? 2 * std::numbers::pi : -2 * std::numbers::pi);
}

void startZRotationReverseWithDuration(View& view, double duration, float repeatCount, bool clockwise)
{
    (void)clockwise;
    addRotation(view, duration, repeatCount, -2 * std::numbers::pi);
}

void stopZRotation(View& view)
{
    view.layer().removeAnimationForKey(kZRotationKey);
}

void startTurningCircles(View* first, View* second, View* third, View* fourth, double secondsPerTurn)
{
    const float always = std::numeric_limits<float>::infinity();
    if (first)
        startZRotationWithDuration(*first, secondsPerTurn, always, true);
    if (second)
        startZRotationReverseWithDuration(*second, secondsPerTurn, always, true);
    if (third)
        startZRotationReverseWithDuration(*third, secondsPerTurn, always, true);
    if (fourth)
        startZRotationWithDuration(*fourth, secondsPerTurn, always, true);
}

}
