// Drawing helpers the instrument widgets share: colour arithmetic, plain and
// bevelled lines, 3-D edges, the focus rectangle, text with an embossed
// disabled look, and degree/radian trigonometry. They keep no state and use
// the canvas's current pen, brush and font unless they say otherwise.
#pragma once

#include <string>

#include "framework/graphics.h"
#include "widgets/itypes.h"
#include "widgets/iwidgetmath.h"

ORVANE_ENUM(TiDrawEdgeStyle, idesSunken, idesRaised, idesFlat)
ORVANE_ENUM(TiTextFlag, itfHLeft, itfHCenter, itfHRight, itfVTop, itfVCenter, itfVBottom, itfWordBreak,
            itfSingleLine, itfExpandTabs, itfNoClip, itfShowPrefix, itfCalcRect, itfEndEllipsis,
            itfPathEllipsis, itfWordEllipsis, itfModifyString)
using TiTextFlags = TSet<TiTextFlag>;

inline TColor DimColor(TColor Color, int Factor)
{
    return iwm::DimColor(Color, Factor);
}
// Resolves system colours first.
TColor ColorOffset(TColor Color, uint8_t Offset, bool Lighter);

TRect iRect(int X1, int Y1, int X2, int Y2);
void SwapIntegers(int& A, int& B);
TRect GetCenterPointRect(int X, int Y, int Width, int Height);

void Line(TCanvas* Canvas, int X1, int Y1, int X2, int Y2);
void LineBevel(TCanvas* Canvas, int X1, int Y1, int X2, int Y2, TiBevelStyle Style);
void iDrawEdge(TCanvas* Canvas, const TRect& Rect, TiDrawEdgeStyle Style);
void iDrawFocusRect(TCanvas* Canvas, const TRect& Rect, TColor Color);
void iDrawFocusRect2(TCanvas* Canvas, const TRect& Rect);
// Answers the height of the drawn text.
int iDrawText(TCanvas* Canvas, const std::string& Text, TRect& Rect, TiTextFlags Flags, bool Enabled,
              TColor BackGroundColor);

TPoint GetXYRadPoint(double AngleDegrees, double Radius, TPoint Center);
inline long double DegToRad(long double x)
{
    return iwm::DegToRad(x);
}
inline long double RadToDeg(long double x)
{
    return iwm::RadToDeg(x);
}
inline long double arctan2(long double Y, long double X)
{
    return iwm::arctan2(Y, X);
}
inline long double Log10(long double x)
{
    return iwm::Log10(x);
}

inline TRect ToTRect(const iwm::Rect& r)
{
    return {r.Left, r.Top, r.Right, r.Bottom};
}
inline iwm::Rect ToIRect(const TRect& r)
{
    return {r.Left, r.Top, r.Right, r.Bottom};
}
