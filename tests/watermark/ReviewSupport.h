#pragma once

// Photos, logos and ways to find the logo in a picture, for the review grid's tests.

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

// Left, top, right and bottom edges (exclusive) of the green logo's pixels, over a grey photo;
// all -1 when none.
struct Edges {
    double left { -1 }, top { -1 }, right { -1 }, bottom { -1 };
};
inline Edges greenEdges(const Image& image)
{
    const Rect r = test::boundsWhere(image, [](std::uint32_t rgb, int, int) {
        const int g = int((rgb >> 8) & 0xFF);
        return g - int(rgb >> 16) > 40 && g - int(rgb & 0xFF) > 40;
    });
    return r.isEmpty() ? Edges {} : Edges { r.x(), r.y(), r.maxX(), r.maxY() };
}

}
