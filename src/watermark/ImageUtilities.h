#pragma once

#include <platform/graphics/Geometry.h>
#include <platform/graphics/Image.h>

namespace vd {

class View;
class ImageView;

// The picture turned by degrees (clockwise on screen) about its centre, mirrored left to right
// when flip is set. The result is the bounding box of the turned picture at scale 1; the corners
// outside it are transparent.
Image imageRotatedByDegrees(const Image& image, double degrees, bool flip);

// The view's whole tree drawn into a transparent picture of its bounds size at scale 1.
Image mygetSnapshotImagePNG(View& view);

// The view's whole tree drawn, after a redisplay, into a transparent picture 1400 points wide
// with the view's frame aspect ratio, at scale 2 (2800 pixels wide whatever the view's size).
// A view with an empty frame gives an empty picture.
Image getSnapshotImage(View& view);

// Where an aspect-fit image lies inside its image view, in the view's own coordinates, from the
// view's frame size; (0, 0, 0, 0) when the view has no image.
Rect frameForImageInImageViewAspectFit(const ImageView& imageView);

}
