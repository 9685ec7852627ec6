// The widgets' portable arithmetic: colour arithmetic, rectangles, angles
// with halves-to-even rounding, tick-label decimals, automatic scaling and
// the slider's geometry and pixel mapping.
#include <gtest/gtest.h>

#include "widgets/iwidgetmath.h"

namespace {

constexpr TColor Rgb(int r, int g, int b)
{
    return r | (g << 8) | (b << 16);
}

TEST(WidgetMath, ColourArithmeticClampsEachByte)
{
    EXPECT_EQ(iwm::DimColor(Rgb(200, 100, 50), 3), Rgb(66, 33, 16));
    EXPECT_EQ(iwm::DimColor(Rgb(100, 100, 100), -2), Rgb(200, 200, 200));
    EXPECT_EQ(iwm::DimColor(Rgb(200, 200, 200), -2), Rgb(255, 255, 255));
    EXPECT_EQ(iwm::DimColor(Rgb(200, 100, 50), 0), 0) << "factor 0 gives black";
    EXPECT_EQ(iwm::DimColor(static_cast<TColor>(0x80000000u | 15), 1), 15)
        << "system colours are not resolved";
    EXPECT_EQ(iwm::ColorOffsetRGB(Rgb(250, 10, 128), 16, true), Rgb(255, 26, 144));
    EXPECT_EQ(iwm::ColorOffsetRGB(Rgb(250, 10, 128), 16, false), Rgb(234, 0, 112));
}

TEST(WidgetMath, RectanglesAndAngles)
{
    EXPECT_EQ(iwm::iRect(10, 20, 5, 2), (iwm::Rect{5, 2, 10, 20}));
    EXPECT_EQ(iwm::GetCenterPointRect(10, 10, 5, 4), (iwm::Rect{8, 8, 13, 12}));
    EXPECT_EQ(iwm::GetXYRadPoint(90, 10, {50, 50}), (iwm::Point{50, 40}));
    EXPECT_EQ(iwm::GetXYRadPoint(0, 10, {50, 50}), (iwm::Point{60, 50}));
    EXPECT_EQ(iwm::GetXYRadPoint(180, 10, {50, 50}), (iwm::Point{40, 50}));
    EXPECT_EQ(iwm::GetXYRadPoint(0, 2.5, {0, 0}), (iwm::Point{2, 0})) << "2.5 rounds to even";
    EXPECT_EQ(iwm::GetXYRadPoint(0, 3.5, {0, 0}), (iwm::Point{4, 0}));
    EXPECT_EQ(iwm::RoundEven(2.5), 2);
    EXPECT_EQ(iwm::RoundEven(3.5), 4);
    EXPECT_EQ(iwm::RoundEven(-2.5), -2);
    EXPECT_NEAR(static_cast<double>(iwm::RadToDeg(iwm::arctan2(1, 0))), 90.0, 1e-12);
}

TEST(WidgetMath, TickLabelDecimals)
{
    EXPECT_EQ(iwm::DecimalPoints(false, 3, 100, 0), 3);
    EXPECT_EQ(iwm::DecimalPoints(true, 3, 100, 0), 0);
    EXPECT_EQ(iwm::DecimalPoints(true, 2, 0.5, 0), 2);
    EXPECT_EQ(iwm::DecimalPoints(true, 0, 0.5, 0), 0);
    EXPECT_EQ(iwm::DecimalPoints(true, 4, 20, -20), 2);
}

TEST(WidgetMath, AutoScaleRespectsBothTickCounts)
{
    for (auto [min, max] : {std::pair{0.0, 100.0}, {-20.0, 20.0}, {3.0, 45.0}, {0.013, 0.97}, {-7.0, 1234.0}})
        for (int desired = 2; desired <= 8; ++desired)
            for (int maxTicks = desired; maxTicks <= 10; ++maxTicks)
                for (bool fixed : {false, true}) {
                    const iwm::AutoScaleResult r = iwm::AutoScale(min, max, desired, maxTicks, fixed);
                    SCOPED_TRACE(testing::Message()
                                 << min << ".." << max << " " << desired << "/" << maxTicks);
                    EXPECT_LE(r.TickCount, std::max(maxTicks, 2));
                    EXPECT_GE(r.TickCount, 2);
                    if (fixed) {
                        EXPECT_EQ(r.Min, min);
                        EXPECT_EQ(r.Max, max);
                        EXPECT_GE(r.FirstTick, min - 1e-9);
                    } else {
                        EXPECT_LE(r.Min, min);
                        EXPECT_GE(r.Max, max);
                        EXPECT_NEAR((r.Max - r.Min) / r.Step + 1, r.TickCount, 1e-6);
                    }
                }
    const iwm::AutoScaleResult r = iwm::AutoScale(3, 45, 5, 6, false);
    EXPECT_EQ(r.Min, 0);
    EXPECT_EQ(r.Max, 50);
    EXPECT_EQ(r.Step, 10);
    EXPECT_EQ(r.TickCount, 6);
}

iwm::SliderMetrics PanelSlider()
{
    iwm::SliderMetrics m;
    m.Width = 25;
    m.Height = 180;
    m.PointerHeight = 11;
    return m;
}

TEST(WidgetMath, ThePanelSlidersGeometry)
{
    const iwm::SliderMetrics m = PanelSlider();
    EXPECT_EQ(m.TravelRange(), 155);
    const iwm::SliderRects atMin = iwm::SliderCalcPoints(m, 0);
    EXPECT_EQ(atMin.Track, (iwm::Rect{2, 5, 21, 174}));
    EXPECT_EQ(atMin.Pointer, (iwm::Rect{4, 161, 19, 172}));
    EXPECT_EQ(atMin.Fill, (iwm::Rect{4, 172, 19, 172}));
    const iwm::SliderRects atMax = iwm::SliderCalcPoints(m, 1);
    EXPECT_EQ(atMax.Pointer, (iwm::Rect{4, 6, 19, 17}));
    EXPECT_EQ(atMax.Fill, (iwm::Rect{4, 17, 19, 172}));
    iwm::SliderMetrics reversed = m;
    reversed.ReverseScale = true;
    EXPECT_EQ(iwm::SliderCalcPoints(reversed, 1).Pointer, atMin.Pointer);
    EXPECT_EQ(iwm::SliderCalcPoints(reversed, 1).Fill, atMin.Fill) << "the fill starts at the bottom";
}

TEST(WidgetMath, OtherStylesAndSidesPlaceTheTrack)
{
    iwm::SliderMetrics m;
    m.Width = 70;
    m.Height = 200;
    m.LedPointer = false;
    m.TrackInset = 0;
    EXPECT_EQ(iwm::SliderCalcPoints(m, 0).Track, (iwm::Rect{7, 5, 22, 194}));
    EXPECT_EQ(iwm::SliderCalcPoints(m, 0).Pointer, (iwm::Rect{3, 184, 26, 194}));
    m.TicksBottomRight = false;
    EXPECT_EQ(iwm::SliderCalcPoints(m, 0).Track, (iwm::Rect{47, 5, 62, 194}));
    m.Vertical = false;
    m.Width = 200;
    m.Height = 70;
    EXPECT_EQ(iwm::SliderCalcPoints(m, 0).Track, (iwm::Rect{5, 47, 194, 62}));
    EXPECT_EQ(iwm::SliderCalcPoints(m, 0.5).Fill, (iwm::Rect{7, 49, 97, 60}));
}

TEST(WidgetMath, PixelsMapToPositionsAndClamp)
{
    iwm::SliderMetrics m = PanelSlider();
    // The pointer's centre at the minimum end is 180 - 5 - 2 - 5.5.
    EXPECT_DOUBLE_EQ(iwm::SliderPixelsToPosition(m, 167, -20, 20), -20 + 40 * 0.5 / 155);
    EXPECT_EQ(iwm::SliderPixelsToPosition(m, 500, -20, 20), -20);
    EXPECT_EQ(iwm::SliderPixelsToPosition(m, -500, -20, 20), 20);
    m.ReverseScale = true;
    EXPECT_EQ(iwm::SliderPixelsToPosition(m, 500, -20, 20), 20);
    m.Height = 20; // no travel left: no division, the ratio is 0
    EXPECT_LT(m.TravelRange(), 0);
    EXPECT_EQ(iwm::SliderPixelsToPosition(m, 10, -20, 20), -20);
    const iwm::SliderScaleLine line = iwm::SliderScale(PanelSlider(), {2, 5, 21, 174});
    EXPECT_EQ(line.PixelMin, 174 - 2 - 5 - 1);
    EXPECT_EQ(line.PixelMax, 5 + 2 + 5);
    EXPECT_EQ(line.Base, 21);
    EXPECT_EQ(iwm::ScalePixel(0, 0, 100, 166, 12, false), 166);
    EXPECT_EQ(iwm::ScalePixel(100, 0, 100, 166, 12, false), 12);
    EXPECT_EQ(iwm::ScalePixel(100, 0, 100, 166, 12, true), 166);
    EXPECT_EQ(iwm::ScalePixel(5, 5, 5, 166, 12, false), 89);
}

} // namespace
