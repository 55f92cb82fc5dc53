#pragma once

// Photos, logos and ways to find the logo in a picture (greenBox), for the review grid's tests.

#include "StampFixtures.h"

namespace vd::review {

// The picture scaled to fit a square cell of side pixels, as the grid's thumbnails are.
inline Image thumbnail(const Image& photo, int side)
{
    const double scale = std::min(double(side) / photo.pixelWidth(), double(side) / photo.pixelHeight());
    const Size size(std::round(photo.pixelWidth() * scale), std::round(photo.pixelHeight() * scale));
    DrawingContext context(size, DrawingContext::Opacity::Opaque, 1.0);
    context.drawImage(photo, { 0, 0, size.width, size.height });
    return context.takeImage();
}

}
