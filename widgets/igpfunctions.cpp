#include "widgets/igpfunctions.h"

#include <utility>

TColor ColorOffset(TColor Color, uint8_t Offset, bool Lighter)
{
    return iwm::ColorOffsetRGB(static_cast<TColor>(ColorToRGB(Color)), Offset, Lighter);
}

TRect iRect(int X1, int Y1, int X2, int Y2)
{
    return ToTRect(iwm::iRect(X1, Y1, X2, Y2));
}

void SwapIntegers(int& A, int& B)
{
    std::swap(A, B);
}

TRect GetCenterPointRect(int X, int Y, int Width, int Height)
{
    return ToTRect(iwm::GetCenterPointRect(X, Y, Width, Height));
}

TPoint GetXYRadPoint(double AngleDegrees, double Radius, TPoint Center)
{
    const iwm::Point p = iwm::GetXYRadPoint(AngleDegrees, Radius, {Center.X, Center.Y});
    return {p.X, p.Y};
}

void Line(TCanvas* Canvas, int X1, int Y1, int X2, int Y2)
{
    const TPoint points[2] = {{X1, Y1}, {X2, Y2}};
    Canvas->Polyline(points, 2);
}

void LineBevel(TCanvas* Canvas, int X1, int Y1, int X2, int Y2, TiBevelStyle Style)
{
    const bool vertical = X1 == X2;
    if (vertical ? Y1 > Y2 : X1 > X2) {
        std::swap(X1, X2);
        std::swap(Y1, Y2);
    }
    if (Style == ibsNone) {
        Line(Canvas, X1, Y1, X2, Y2);
        return;
    }
    const TColor first = Style == ibsRaised ? clWhite : clBlack;
    const TColor second = Style == ibsRaised ? clBlack : clWhite;
    const int dx = vertical ? 1 : 0, dy = vertical ? 0 : 1;
    Canvas->Pen()->SetColor(first);
    Line(Canvas, X1, Y1, X2, Y2);
    Canvas->Pen()->SetColor(second);
    Line(Canvas, X1 + dx, Y1 + dy, X2 + dx, Y2 + dy);
}

void iDrawEdge(TCanvas* Canvas, const TRect& Rect, TiDrawEdgeStyle Style)
{
    if (Style == idesFlat) {
        Canvas->Pen()->SetColor(clBtnShadow);
        Canvas->Pen()->SetStyle(psSolid);
        const TPoint points[4] = {{Rect.Left, Rect.Top},
                                  {Rect.Right - 1, Rect.Top},
                                  {Rect.Right - 1, Rect.Bottom - 1},
                                  {Rect.Left, Rect.Bottom - 1}};
        Canvas->Polygon(points, 4);
        return;
    }
    RECT r = Rect;
    DrawEdge(Canvas->Handle(), &r, Style == idesRaised ? EDGE_RAISED : EDGE_SUNKEN, BF_RECT);
}

void iDrawFocusRect(TCanvas* Canvas, const TRect& Rect, TColor Color)
{
    Canvas->Pen()->SetColor(Color);
    Canvas->Brush()->SetColor(Color);
    iDrawFocusRect2(Canvas, Rect);
}

void iDrawFocusRect2(TCanvas* Canvas, const TRect& Rect)
{
    Canvas->DrawFocusRect(Rect);
}

namespace {
UINT TextFormat(TiTextFlags f)
{
    UINT r = f.Contains(itfShowPrefix) ? 0 : DT_NOPREFIX;
    const std::pair<TiTextFlag, UINT> map[] = {{itfHCenter, DT_CENTER},
                                               {itfHRight, DT_RIGHT},
                                               {itfVCenter, DT_VCENTER},
                                               {itfVBottom, DT_BOTTOM},
                                               {itfWordBreak, DT_WORDBREAK},
                                               {itfSingleLine, DT_SINGLELINE},
                                               {itfExpandTabs, DT_EXPANDTABS},
                                               {itfNoClip, DT_NOCLIP},
                                               {itfCalcRect, DT_CALCRECT},
                                               {itfEndEllipsis, DT_END_ELLIPSIS},
                                               {itfPathEllipsis, DT_PATH_ELLIPSIS},
                                               {itfWordEllipsis, DT_WORD_ELLIPSIS}};
    // itfModifyString adds nothing: the text is passed by value and nobody
    // reads a shortened copy back, so DrawText must not write into it.
    for (const auto& [flag, bits] : map)
        if (f.Contains(flag)) r |= bits;
    return r;
}
} // namespace

int iDrawText(TCanvas* Canvas, const std::string& Text, TRect& Rect, TiTextFlags Flags, bool Enabled,
              TColor BackGroundColor)
{
    const UINT format = TextFormat(Flags);
    if (Enabled || Flags.Contains(itfCalcRect) || ColorToRGB(BackGroundColor) == 0)
        return Canvas->DrawText(Text, Rect, format);
    const TColor fontColor = Canvas->Font()->GetColor();
    Canvas->Font()->SetColor(ColorOffset(clBtnFace, 64, true));
    TRect shifted(Rect.Left + 1, Rect.Top + 1, Rect.Right + 1, Rect.Bottom + 1);
    Canvas->DrawText(Text, shifted, format);
    Canvas->Font()->SetColor(ColorOffset(clBtnFace, 32, false));
    const int height = Canvas->DrawText(Text, Rect, format);
    Canvas->Font()->SetColor(fontColor);
    return height;
}
