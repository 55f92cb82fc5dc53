#include <platform/graphics/Color.h>

#include <gtest/gtest.h>

using vd::Color;

TEST(ColorCode, ParsesSixHexDigitsElseIsOpaqueBlackAndFormatsTruncateEachComponent)
{
    const Color expected { 0, 1.0, 127 / 255.0, 1.0 };
    for (const char* code : { "00ff7f", "  #00ff7f \n", "00FF7F" })
        EXPECT_EQ(Color::fromCode(code), expected) << code;
    for (const char* code : { "#FFF", "1234567", "", "#", "zzzzzz", "# 00ff7f" })
        EXPECT_EQ(Color::fromCode(code), Color::black()) << code;
    EXPECT_EQ(Color::rgba(1.0, 0.5, 0.0).htmlRGBColor() + Color::rgba(1.0, 0.0, 0.0, 0.5).htmlRGBaColor() + Color::fromCode("#a1b2c3").htmlRGBColor(), "#ff7f00#ff00007f#a1b2c3");
}
