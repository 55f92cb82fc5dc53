#include <platform/graphics/Color.h>

#include <gtest/gtest.h>

using vd::Color;

TEST(ColorCode, ParsesSixHexDigitsWithOptionalHashSpacesAndEitherCase)
{
    const Color expected { 0, 1.0, 127 / 255.0, 1.0 };
    EXPECT_EQ(Color::fromCode("00ff7f"), expected);
    EXPECT_EQ(Color::fromCode("  #00ff7f \n"), expected);
    EXPECT_EQ(Color::fromCode("00FF7F"), expected);
}

TEST(ColorCode, AnythingElseIsOpaqueBlack)
{
    for (const char* code : { "#FFF", "1234567", "", "#", "zzzzzz", "# 00ff7f" })
        EXPECT_EQ(Color::fromCode(code), Color::black()) << code;
}

TEST(ColorCode, FormatsTruncateEachComponent)
{
    EXPECT_EQ(Color::rgba(1.0, 0.5, 0.0).htmlRGBColor(), "#ff7f00");
    EXPECT_EQ(Color::rgba(1.0, 0.0, 0.0, 0.5).htmlRGBaColor(), "#ff00007f");
    EXPECT_EQ(Color::fromCode("#a1b2c3").htmlRGBColor(), "#a1b2c3");
}
