#pragma once

namespace vd {

class View;

// Endless spinning of a view about its centre, for decorations: a keyed layer animation of
// "transform.rotation.z" that runs until stopped or until the view leaves its window.
inline constexpr const char* kZRotationKey = "transform.rotation.z";

// One turn (2π, or −2π when not clockwise) every duration seconds, cumulative, repeated
// repeatCount times (infinity: for ever). Does nothing if the view is already spinning.
void startZRotationWithDuration(View& view, double duration, float repeatCount, bool clockwise);
// The same, always turning anticlockwise (−2π); clockwise is ignored.
void startZRotationReverseWithDuration(View& view, double duration, float repeatCount, bool clockwise);
// Removes the spin: the view shows its unrotated self again.
void stopZRotation(View& view);

// The four circles behind the home and tutorial screens, turning for ever, one turn every
// secondsPerTurn: the outer two clockwise, the inner two the other way. Missing views are skipped.
void startTurningCircles(View* first, View* second, View* third, View* fourth, double secondsPerTurn);

}
