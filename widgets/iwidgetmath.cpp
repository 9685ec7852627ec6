#include "widgets/iwidgetmath.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace iwm {

int32_t RoundEven(double x)
{
    return static_cast<int32_t>(std::nearbyint(x)); // default rounding mode: to nearest, ties to even
}

namespace {
int32_t Clamp255(int32_t v)
{
    return std::clamp(v, 0, 255);
}
TColor Assemble(int32_t r, int32_t g, int32_t b)
{
    return static_cast<TColor>(Clamp255(r) | (Clamp255(g) << 8) | (Clamp255(b) << 16));
}
} // namespace

TColor DimColor(TColor color, int32_t factor)
{
    int32_t c[3] = {color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF};
    for (int32_t& v : c)
        v = factor >= 1 ? v / factor : v * -factor;
    return Assemble(c[0], c[1], c[2]);
}

TColor ColorOffsetRGB(TColor rgb, uint8_t offset, bool lighter)
{
    const int32_t d = lighter ? offset : -offset;
    return Assemble((rgb & 0xFF) + d, ((rgb >> 8) & 0xFF) + d, ((rgb >> 16) & 0xFF) + d);
}

Rect iRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    return {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

Rect GetCenterPointRect(int32_t x, int32_t y, int32_t width, int32_t height)
{
    return {x - width / 2, y - height / 2, x + width - width / 2, y + height - height / 2};
}

Point GetXYRadPoint(double angleDegrees, double radius, Point center)
{
    const long double a = DegToRad(angleDegrees);
    return {center.X + RoundEven(static_cast<double>(radius * std::cos(a))),
            center.Y - RoundEven(static_cast<double>(radius * std::sin(a)))};
}

long double DegToRad(long double x)
{
    return x * std::numbers::pi_v<long double> / 180;
}

long double RadToDeg(long double x)
{
    return x * 180 / std::numbers::pi_v<long double>;
}

long double arctan2(long double y, long double x)
{
    return std::atan2(y, x);
}

long double Log10(long double x)
{
    return std::log10(x);
}

int32_t DecimalPoints(bool significantDigits, int32_t precision, double max, double min)
{
    if (!significantDigits) return precision;
    if (precision <= 0) return 0;
    const double r = std::fabs(max - min);
    int32_t d = 0;
    if (r != 0) d = precision - (static_cast<int32_t>(std::trunc(std::log10(r))) + 1);
    if (r < 1) d += 1;
    return std::max(d, 0);
}

namespace {
// The largest of 1, 2, 5 times a power of ten that is at most x.
double NiceStepAtMost(double x)
{
    const double p = std::pow(10.0, std::floor(std::log10(x)));
    for (double m : {5.0, 2.0, 1.0})
        if (m * p <= x * (1 + 1e-12)) return m * p;
    return p;
}
double NextNiceStep(double step)
{
    const double p = std::pow(10.0, std::floor(std::log10(step) + 1e-12));
    const double m = step / p;
    if (m < 1.5) return 2 * p;
    if (m < 3.5) return 5 * p;
    return 10 * p;
}
// Whole numbers stay whole despite the noise of the division.
double Snap(double x)
{
    const double r = std::round(x);
    return std::fabs(x - r) < 1e-9 ? r : x;
}
} // namespace

AutoScaleResult AutoScale(double min, double max, int32_t desiredTicks, int32_t maxTicks, bool fixedBounds)
{
    AutoScaleResult r;
    if (min > max) std::swap(min, max);
    desiredTicks = std::max(desiredTicks, 2);
    maxTicks = std::clamp(maxTicks, 2, 100);
    const double span = max - min;
    r.Min = r.FirstTick = min;
    r.Max = max;
    r.TickCount = 2;
    r.Step = span;
    if (!(span > 0) || !std::isfinite(span)) return r;
    // Start at the round step just below the wished one and widen until the
    // ticks fit; a step far beyond the span can no longer help.
    for (double step = NiceStepAtMost(span / (desiredTicks - 1)); step <= span * 10;
         step = NextNiceStep(step)) {
        double first, last;
        if (fixedBounds) {
            first = std::ceil(Snap(min / step)) * step;
            last = std::floor(Snap(max / step)) * step;
        } else {
            first = std::floor(Snap(min / step)) * step;
            last = std::ceil(Snap(max / step)) * step;
        }
        const int32_t count = static_cast<int32_t>(std::llround((last - first) / step)) + 1;
        if (count >= 2 && count <= maxTicks) {
            r.FirstTick = first;
            r.Step = step;
            r.TickCount = count;
            r.Min = fixedBounds ? min : first;
            r.Max = fixedBounds ? max : last;
            return r;
        }
        if (fixedBounds && count < 2) break; // too coarse to put two ticks inside
    }
    // No round ticks fit (a range across zero with two ticks): the bounds themselves.
    r.TickCount = maxTicks;
    r.Step = span / (maxTicks - 1);
    return r;
}

// ---------------------------------------------------------------------------

int32_t SliderMetrics::TravelRange() const
{
    return (Vertical ? Height : Width) - PointerHeight - 2 * EndsMargin - 2 * TrackInset;
}

SliderRects SliderCalcPoints(const SliderMetrics& m, double percent)
{
    const int32_t range = m.TravelRange();
    int32_t off = RoundEven(range * percent);
    if (m.ReverseScale) off = range - off;
    const int32_t I = m.TrackInset, EM = m.EndsMargin, O1 = m.TrackOffset(), O2 = m.Overhang();
    const int32_t K = 2 * I + m.PointerWidth;
    const int32_t W = m.Width, H = m.Height, PH = m.PointerHeight;
    SliderRects r;
    Rect& T = r.Track;
    if (m.Vertical)
        T = m.TicksBottomRight ? Rect{O1 + 2, EM, O1 + 2 + K, H - 1 - EM}
                               : Rect{W - 1 - O1 - 2 - K, EM, W - 1 - O1 - 2, H - 1 - EM};
    else
        T = m.TicksBottomRight ? Rect{EM, O1 + 2, W - 1 - EM, O1 + 2 + K}
                               : Rect{EM, H - 1 - O1 - 2 - K, W - 1 - EM, H - 1 - O1 - 2};
    if (m.Vertical) {
        r.Pointer = {T.Left + I, T.Bottom - I - off - PH, T.Right - I, T.Bottom - I - off};
        if (!m.LedPointer) r.Pointer = {T.Left - O2, r.Pointer.Top, T.Right + O2, r.Pointer.Bottom};
        r.Fill = iRect(T.Left + 2, T.Bottom - 2 - off, T.Right - 2, T.Bottom - 2);
    } else {
        r.Pointer = {T.Left + I + off, T.Top + I, T.Left + I + off + PH, T.Bottom - I};
        if (!m.LedPointer) r.Pointer = {r.Pointer.Left, T.Top - O2, r.Pointer.Right, T.Bottom + O2};
        r.Fill = iRect(T.Left + 2, T.Top + 2, T.Left + 2 + off, T.Bottom - 2);
    }
    return r;
}

double SliderPixelsToPosition(const SliderMetrics& m, int32_t q, double min, double max)
{
    const double half = m.PointerHeight / 2.0;
    double s, c0;
    if (m.Vertical) {
        s = m.ReverseScale ? m.EndsMargin + m.TrackInset : m.Height - m.EndsMargin - m.TrackInset;
        c0 = m.ReverseScale ? s + half : s - half;
    } else {
        s = m.ReverseScale ? m.Width - m.EndsMargin - m.TrackInset : m.EndsMargin + m.TrackInset;
        c0 = m.ReverseScale ? s - half : s + half;
    }
    const int32_t range = m.TravelRange();
    double r = 0;
    if (range > 0) {
        const bool fromStart = m.Vertical != m.ReverseScale;
        r = fromStart ? (c0 - q) / range : (q - c0) / range;
    }
    r = std::clamp(r, 0.0, 1.0);
    return min + (max - min) * r;
}

SliderScaleLine SliderScale(const SliderMetrics& m, const Rect& T)
{
    const int32_t I = m.TrackInset, PH = m.PointerHeight;
    if (m.Vertical)
        return {T.Bottom - I - PH / 2 - 1, T.Top + I + PH / 2, m.TicksBottomRight ? T.Right : T.Left};
    return {T.Left + I + PH / 2, T.Right - I - PH / 2, m.TicksBottomRight ? T.Bottom : T.Top};
}

int32_t ScalePixel(double v, double min, double max, int32_t pMin, int32_t pMax, bool reverse)
{
    const int32_t a = reverse ? pMax : pMin;
    const int32_t b = reverse ? pMin : pMax;
    if (max == min) return (a + b) / 2;
    return a - RoundEven((v - min) / (max - min) * (a - b));
}

} // namespace iwm
