// Arithmetic and geometry of the instrument widgets that needs no window:
// colour arithmetic on raw colour values, rectangles, angles, rounding, the
// decimal-places rule of tick labels and the slider's geometry. Portable, so
// it is tested natively and under the sanitizers.
#pragma once

#include <cstdint>

#include "runtime/colors.h"
#include "widgets/itypes.h"

namespace iwm {

struct Point {
    int32_t X = 0, Y = 0;
    constexpr bool operator==(const Point&) const = default;
};

struct Rect {
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    constexpr bool operator==(const Rect&) const = default;
};

// Nearest integer, halves to even (the rounding all widget coordinates use).
int32_t RoundEven(double x);

// Each byte of the raw value (system colours are not resolved) divided by
// Factor when it is 1 or more, multiplied by -Factor otherwise; clamped.
TColor DimColor(TColor color, int32_t factor);
// rgb must already be resolved: Offset added to (or taken from) each byte, clamped.
TColor ColorOffsetRGB(TColor rgb, uint8_t offset, bool lighter);

Rect iRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// A Width x Height rectangle centred on (X, Y), the odd pixel right and below.
Rect GetCenterPointRect(int32_t x, int32_t y, int32_t width, int32_t height);
// Counter-clockwise from the positive x axis; y grows downwards on screen.
Point GetXYRadPoint(double angleDegrees, double radius, Point center);

long double DegToRad(long double x);
long double RadToDeg(long double x);
long double arctan2(long double y, long double x);
long double Log10(long double x);

// Decimals of tick labels: precision as given, or significant digits of the span.
int32_t DecimalPoints(bool significantDigits, int32_t precision, double max, double min);

// Automatic scaling: rounded tick values (1, 2 or 5 times a power of ten
// apart) for about desiredTicks and at most maxTicks major ticks. With
// fixedBounds the bounds stay and the ticks are chosen inside them;
// otherwise the bounds widen to the first and last tick.
struct AutoScaleResult {
    double Min = 0, Max = 0; // the bounds to use
    double FirstTick = 0, Step = 0;
    int32_t TickCount = 2;
};
AutoScaleResult AutoScale(double min, double max, int32_t desiredTicks, int32_t maxTicks, bool fixedBounds);

// ---------------------------------------------------------------------------
// The slider's geometry: what it draws where, and how pixels map to positions.

struct SliderMetrics {
    int32_t Width = 0, Height = 0;
    bool Vertical = true;
    bool TicksBottomRight = true;
    bool LedPointer = true; // ispsLed: no overhang and no track offset
    bool ReverseScale = false;
    int32_t EndsMargin = 5;
    int32_t TrackInset = 2;
    int32_t PointerHeight = 10;
    int32_t PointerWidth = 15;

    int32_t Overhang() const { return LedPointer ? 0 : 4; }
    int32_t TrackOffset() const { return LedPointer ? 0 : 5; }
    int32_t TravelRange() const;
};

struct SliderRects {
    Rect Track, Pointer, Fill;
};

// percent: the position's share of the range, 0..1.
SliderRects SliderCalcPoints(const SliderMetrics& m, double percent);
// q: y for a vertical slider, x for a horizontal one. The ratio is 0 when the
// travel range is empty.
double SliderPixelsToPosition(const SliderMetrics& m, int32_t q, double min, double max);
// Pixel of the scale's minimum and maximum end and its base line, for the
// track as drawn (already moved across by the centring offsets).
struct SliderScaleLine {
    int32_t PixelMin = 0, PixelMax = 0, Base = 0;
};
SliderScaleLine SliderScale(const SliderMetrics& m, const Rect& track);
// Value to pixel along a scale from pMin to pMax.
int32_t ScalePixel(double v, double min, double max, int32_t pMin, int32_t pMax, bool reverse);

} // namespace iwm
