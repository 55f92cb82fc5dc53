#pragma once

#include <platform/graphics/Image.h>

namespace vd {

// The picture turned by degrees (clockwise on screen) about its centre, mirrored left to right
// when flip is set. The result is the bounding box of the turned picture at scale 1; the corners
// outside it are transparent.
Image imageRotatedByDegrees(const Image& image, double degrees, bool flip);

}
