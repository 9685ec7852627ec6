#include "skin/imgutil.h"

#include <algorithm>

#include "skinfiles/imgcolor.h"

TColor Blend(TColor a, TColor b, int32_t p)
{
    return static_cast<TColor>(BlendRGB(ColorToRGB(a), ColorToRGB(b), p));
}

int32_t GetHSV(TColor color)
{
    return HSVSaturation(ColorToRGB(color));
}

void GradFill(HDC dc, const TRect& rect, TColor from, bool vertical, TColor to)
{
    if (!dc || rect.IsEmpty()) return;
    const COLORREF a = ColorToRGB(from), b = ColorToRGB(to);
    const int32_t lines = vertical ? rect.Height() : rect.Width();
    for (int32_t i = 0; i < lines; ++i) {
        TBrushHandle brush(CreateSolidBrush(GradientColor(a, b, i, lines)));
        const RECT line = vertical ? RECT{rect.Left, rect.Top + i, rect.Right, rect.Top + i + 1}
                                   : RECT{rect.Left + i, rect.Top, rect.Left + i + 1, rect.Bottom};
        FillRect(dc, &line, brush.Get());
    }
}

void SpiegelnHorizontal(TBitmap* bitmap)
{
    if (!bitmap || bitmap->Empty()) return;
    if (bitmap->GetPixelFormat() != pf24bit) bitmap->SetPixelFormat(pf24bit);
    const int32_t w = bitmap->GetWidth();
    for (int32_t y = 0; y < bitmap->GetHeight(); ++y) {
        auto* row = static_cast<uint8_t*>(bitmap->ScanLine(y));
        for (int32_t x = 0; x < w / 2; ++x)
            std::swap_ranges(row + 3 * x, row + 3 * x + 3, row + 3 * (w - 1 - x));
    }
    bitmap->Modified = true;
}

void ChangeTrans(TBitmap* bitmap, TColor color)
{
    if (!bitmap || bitmap->Empty()) return;
    if (bitmap->GetPixelFormat() != pf24bit) bitmap->SetPixelFormat(pf24bit);
    const COLORREF c = ColorToRGB(color);
    const uint8_t r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    for (int32_t y = 0; y < bitmap->GetHeight(); ++y) {
        auto* p = static_cast<uint8_t*>(bitmap->ScanLine(y));
        for (int32_t x = 0; x < bitmap->GetWidth(); ++x, p += 3) {
            // DIB rows are blue, green, red.
            if (p[0] == 0xFF && p[1] == 0x00 && p[2] == 0xFF) {
                p[0] = b;
                p[1] = g;
                p[2] = r;
            }
        }
    }
    bitmap->Modified = true;
}
