#pragma once

#include <platform/graphics/Image.h>

#include <string>

namespace vd {

// The application's named pictures: resources/images/<name>.png (a name may carry its own
// extension, as "rectTrasparente.png"). A file named <name>@2x.png or <name>@3x.png is preferred
// and gets that scale. Pictures are decoded once and kept. A missing name gives an empty image
// and a debug line.
Image imageNamed(const std::string& name);

// Whether the catalogue has a picture of that name (checked without decoding it).
bool imageExists(const std::string& name);

}
