// Colour arithmetic of the skin images: blend rounding and its two scales,
// the saturation figure with its dark-colour rule, and gradient steps.
#include <gtest/gtest.h>

#include "skinfiles/imgcolor.h"

namespace {

uint32_t Rgb(int r, int g, int b)
{
    return static_cast<uint32_t>(r | g << 8 | b << 16);
}

TEST(ImgColor, BlendRoundsPerChannelInPercentOrPerMille)
{
    EXPECT_EQ(BlendRGB(Rgb(255, 255, 255), Rgb(0, 0, 0), 50), Rgb(128, 128, 128));
    EXPECT_EQ(BlendRGB(Rgb(10, 20, 30), Rgb(110, 120, 130), 0), Rgb(110, 120, 130));
    EXPECT_EQ(BlendRGB(Rgb(10, 20, 30), Rgb(110, 120, 130), 99), Rgb(11, 21, 31));
    // 100 and above count in per mille: 150 is 15 %.
    EXPECT_EQ(BlendRGB(Rgb(128, 128, 128), Rgb(0, 0, 200), 150), Rgb(19, 19, 189));
    EXPECT_EQ(BlendRGB(Rgb(1, 2, 3), Rgb(200, 200, 200), 1000), Rgb(1, 2, 3));
    // Out of range weights stay within the channel range.
    EXPECT_EQ(BlendRGB(Rgb(255, 0, 255), Rgb(0, 255, 0), 5000), Rgb(255, 0, 255));
    EXPECT_EQ(BlendRGB(Rgb(255, 0, 255), Rgb(0, 255, 0), -20), Rgb(0, 255, 0));
    // The high byte never leaks into the result.
    EXPECT_EQ(BlendRGB(0xFF000000u | Rgb(10, 10, 10), 0xFF000000u, 100) >> 24, 0u);
}

TEST(ImgColor, SaturationWithDarkColoursCountedAsSaturated)
{
    EXPECT_EQ(HSVSaturation(Rgb(255, 0, 0)), 255);
    EXPECT_EQ(HSVSaturation(Rgb(255, 255, 255)), 0);
    EXPECT_EQ(HSVSaturation(Rgb(237, 236, 226)), (237 - 226) * 255 / 237);
    EXPECT_EQ(HSVSaturation(Rgb(159, 159, 159)), 200);
    EXPECT_EQ(HSVSaturation(Rgb(0, 0, 0)), 200);
    EXPECT_EQ(HSVSaturation(Rgb(160, 159, 159)), 1 * 255 / 160);
}

TEST(ImgColor, GradientStepsRoundFromTheHalfStep)
{
    EXPECT_EQ(GradientColor(Rgb(0, 0, 0), Rgb(255, 100, 10), 0, 40), Rgb(0, 0, 0));
    EXPECT_EQ(GradientColor(Rgb(0, 0, 0), Rgb(255, 100, 10), 39, 40), Rgb(255, 100, 10));
    // (19 + 20 * 255) div 39 = 131
    EXPECT_EQ(GradientColor(Rgb(0, 0, 0), Rgb(255, 0, 0), 20, 40), Rgb(131, 0, 0));
    // Falling channels round to nearest too, and reach the end colour:
    // 255 + floor((19 - 5100) / 39) = 124.
    EXPECT_EQ(GradientColor(Rgb(255, 0, 0), Rgb(0, 0, 0), 20, 40), Rgb(124, 0, 0));
    EXPECT_EQ(GradientColor(Rgb(255, 200, 7), Rgb(0, 3, 0), 39, 40), Rgb(0, 3, 0));
    // A single line, or none, is the start colour.
    EXPECT_EQ(GradientColor(Rgb(1, 2, 3), Rgb(9, 9, 9), 0, 1), Rgb(1, 2, 3));
    EXPECT_EQ(GradientColor(Rgb(1, 2, 3), Rgb(9, 9, 9), 5, 0), Rgb(1, 2, 3));
}

} // namespace
