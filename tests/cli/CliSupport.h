#pragma once

#include "CommandSupport.h"
#include "PhotoFixtures.h"
#include "TestSupport.h"

#include <platform/graphics/DrawingContext.h>
#include <platform/graphics/ImageCodecs.h>

#include <gtest/gtest.h>

namespace vd::test {

// A picture in the colour with its top-left quarter blue, as a JPEG or a PNG anyone may read.
inline std::filesystem::path writePicture(const std::filesystem::path& path, int width, int height, bool jpeg, Color colour = Color::rgba(0.9, 0.4, 0.1))
{
    DrawingContext context({ double(width), double(height) }, DrawingContext::Opacity::Opaque, 1.0);
    context.fill({ 0, 0, double(width), double(height) }, colour);
    context.fill({ 0, 0, double(width) / 2, double(height) / 2 }, Color::rgba(0.1, 0.3, 0.9));
    auto bytes = jpeg ? encodeJpeg(context.takeImage()) : encodePng(context.takeImage());
    EXPECT_TRUE(bytes && files::writeAtomically(path, *bytes)) << path;
    using enum std::filesystem::perms;
    std::filesystem::permissions(path, owner_read | owner_write | group_read | others_read);
    return path;
}

}
