#pragma once

#include <platform/graphics/Image.h>

namespace vd {

// Blurs premultiplied pixels in place with passes of a box blur of the given radius in pixels,
// rows then columns; three passes come close to a gaussian. Pixels beyond the edges repeat the
// edge. A radius below 1 leaves the pixels as they are.
void boxBlur(PixelBuffer& buffer, int radius, int passes = 3);

}
