#pragma once

#include <platform/ui/presentation/ScreenRegistry.h>
#include <platform/ui/presentation/ViewController.h>
#include <platform/ui/views/View.h>

#include <algorithm>
#include <cmath>

namespace vd {

// The sensor housing of the tall notched phones (at least 1792 pixels, three a point, except the
// 1920 and 2208 of the older large phones) covers the top 30 points of the screen.
inline constexpr double kAltezzaNotch = 30;

inline bool metodoSchermoConNotch()
{
    if (ScreenRegistry::shared().deviceKind() == DeviceKind::Tablet)
        return false;
    const double pixels = std::round(currentScreenSize().height * 3);
    return pixels >= 1792 && pixels != 1920 && pixels != 2208;
}

// How far a screen's top bar must drop to clear the housing: the container already hosts the
// screens below it, so a screen in the container needs nothing; a screen that reaches the top of
// the screen needs the whole 30 points. Read it once the view has its place (on appearing).
inline double metodoSpazioSottoNotch(const View& view)
{
    if (!metodoSchermoConNotch())
        return 0;
    const double top = view.convertPointToView({ 0, 0 }, nullptr).y;
    return std::clamp(kAltezzaNotch - top, 0.0, kAltezzaNotch);
}

}
