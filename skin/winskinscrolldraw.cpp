#include "skin/winskinscrolldraw.h"

#include <algorithm>
#include <cstdlib>

#include "framework/gdiobj.h"
#include "skin/winskinimage.h"

namespace {

// Frames of the Scrollbar image: four per arrow (normal, pressed, unused,
// hot), then three per thumb grip (normal, pressed, hot).
constexpr int kScrollbarFrames = 23;
constexpr int kLeftArrow = 1, kRightArrow = 5, kUpArrow = 9, kDownArrow = 13;
constexpr int kHorzGrip = 17, kVertGrip = 20;

void FillWith(HDC dc, const TRect& r, TColor color)
{
    TBrushHandle brush(::CreateSolidBrush(ColorToRGB(color)));
    RECT rc = r;
    ::FillRect(dc, &rc, brush.Get());
}

bool Has(const std::unique_ptr<TDataSkinObject>& obj)
{
    return obj && obj->Image && !obj->Image->Empty();
}

// A rectangle along the bar from a to b, across 0..cross.
TRect Along(bool vertical, int a, int b, int cross)
{
    return vertical ? Rect(0, a, cross, b) : Rect(a, 0, b, cross);
}

bool Inside(const TRect& inner, const TRect& outer)
{
    return inner.Left >= outer.Left && inner.Top >= outer.Top && inner.Right <= outer.Right &&
           inner.Bottom <= outer.Bottom;
}

// A grip larger than its thumb, scaled down to the largest size the thumb
// holds at the grip's own proportions, centred (offsets rounded toward
// zero). Empty when nothing of it would show.
TRect GripFitted(const TRect& thumb, int gripWidth, int gripHeight)
{
    if (gripWidth <= 0 || gripHeight <= 0 || thumb.IsEmpty()) return {};
    int w = std::min(gripWidth, thumb.Width());
    int h = gripHeight * w / gripWidth;
    if (h > thumb.Height()) {
        h = thumb.Height();
        w = gripWidth * h / gripHeight;
    }
    if (w <= 0 || h <= 0) return {};
    return Bounds(thumb.Left + (thumb.Width() - w) / 2, thumb.Top + (thumb.Height() - h) / 2, w, h);
}

} // namespace

int ScrollHitPart(int c, const TScrollGeometry& g)
{
    if (c < g.Arrow) return sbpFirstArrow;
    if (c < g.ThumbStart) return sbpPageBefore;
    if (c < g.ThumbEnd) return sbpThumb;
    if (c < g.Length - g.Arrow) return sbpPageAfter;
    return sbpSecondArrow;
}

int DraggedThumbStart(int startAtPress, int moved, const TScrollGeometry& g)
{
    const int len = g.ThumbEnd - g.ThumbStart;
    const int hi = g.Length - g.Arrow - len;
    if (hi < g.Arrow) return g.Arrow;
    return std::clamp(startAtPress + moved, g.Arrow, hi);
}

int ScrollThickness(const TSkinData& data, int arrow)
{
    if (!Has(data.Scrollbar)) return arrow;
    const int h = data.Scrollbar->Image->GetHeight();
    return std::abs(h - arrow) <= 2 ? h : arrow;
}

int ScrollPartOfRequest(int request)
{
    switch (request) {
    case SB_LINEUP:
    case SB_LINEDOWN:
    case SB_PAGEUP:
    case SB_PAGEDOWN:
    case SB_THUMBTRACK:
        return request;
    default:
        return sbpNone;
    }
}

TScrollFrames ScrollFramesOf(const TScrollBarLook& look)
{
    TScrollFrames f;
    const int step = look.Pressed ? 1 : 3;
    f.FirstArrow = look.Vertical ? kUpArrow : kLeftArrow;
    f.SecondArrow = look.Vertical ? kDownArrow : kRightArrow;
    if (look.Hot == sbpFirstArrow) f.FirstArrow += step;
    if (look.Hot == sbpSecondArrow) f.SecondArrow += step;
    f.Track = look.Enabled ? 1 : 3;
    if (look.Enabled) {
        const bool onThumb = look.Hot == sbpThumb;
        f.Thumb = !onThumb ? 1 : look.Pressed ? 2 : 3;
        f.Grip = (look.Vertical ? kVertGrip : kHorzGrip) + (f.Thumb - 1);
    }
    return f;
}

bool PaintScrollBar(HDC dc, const TRect& dest, const TScrollBarLook& look, TSkinData& data)
{
    if (!dc || !Has(data.Scrollbar)) return false;
    const TScrollGeometry& g = look.Geometry;
    const int w = look.Vertical ? look.Cross : g.Length;
    const int h = look.Vertical ? g.Length : look.Cross;
    if (w <= 0 || h <= 0 || w > dest.Width() || h > dest.Height()) return false;

    TBitmap buffer;
    buffer.SetPixelFormat(pf24bit);
    buffer.SetSize(w, h);
    HDC bdc = buffer.Canvas()->Handle();
    const TRect all = Rect(0, 0, w, h);
    FillWith(bdc, all, look.Face);
    const TScrollFrames f = ScrollFramesOf(look);
    const int t = ScrollThickness(data, g.Arrow);
    TBitmap* strip = data.Scrollbar->Image.get();
    const bool stripTrans = data.Scrollbar->Trans == 1;

    // Track.
    const auto& track = look.Vertical ? data.VertScroll : data.HorzScroll;
    if (Has(track))
        DrawRect2(bdc, Along(look.Vertical, g.Arrow, g.Length - g.Arrow, look.Cross), track->Image.get(),
                  false, track->Tile == 1, track->Trans == 1, track->Frame, f.Track, track->Margins);

    // Arrows: half the bar each when it is shorter than two arrows.
    const int arrow = g.Length < 2 * g.Arrow ? g.Length / 2 : g.Arrow;
    DrawRect1(bdc, Along(look.Vertical, 0, arrow, look.Cross), strip, stripTrans, kScrollbarFrames,
              f.FirstArrow);
    DrawRect1(bdc, Along(look.Vertical, g.Length - arrow, g.Length, look.Cross), strip, stripTrans,
              kScrollbarFrames, f.SecondArrow);

    // Thumb and grip.
    if (f.Thumb) {
        int start = g.ThumbStart, end = g.ThumbEnd;
        if (look.Dragging) {
            start = DraggedThumbStart(look.StartAtPress, look.Moved, g);
            end = start + (g.ThumbEnd - g.ThumbStart);
        }
        // Art a pixel or two thicker than the system's bar is drawn at the
        // bar's thickness rather than cut off by it.
        const TRect thumb = Along(look.Vertical, start, end, std::min(t, look.Cross));
        const auto& obj = look.Vertical ? data.VertScrollThumb : data.HorzScrollThumb;
        if (end > start && end <= g.Length && Has(obj)) {
            DrawRect2(bdc, thumb, obj->Image.get(), false, false, obj->Trans == 1, obj->Frame, f.Thumb,
                      obj->Margins);
            const int grip = strip->GetHeight();
            const int gripWidth = strip->GetWidth() / kScrollbarFrames;
            if (end - start > grip - 2) {
                const TRect placed = Bounds(thumb.Left + (thumb.Width() - gripWidth) / 2,
                                            thumb.Top + (thumb.Height() - grip) / 2, gripWidth, grip);
                if (Inside(placed, all))
                    DrawRect3(bdc, thumb, strip, true, kScrollbarFrames, f.Grip);
                else if (!GripFitted(thumb, gripWidth, grip).IsEmpty())
                    DrawRect1(bdc, GripFitted(thumb, gripWidth, grip), strip, true, kScrollbarFrames, f.Grip);
            }
        }
    }

    ::BitBlt(dc, dest.Left, dest.Top, w, h, bdc, 0, 0, SRCCOPY);
    return true;
}

void DrawScrollControlBorder(HDC dc, const TRect& window, TColor shadow, TColor face)
{
    if (!dc || window.IsEmpty()) return;
    TBrushHandle outer(::CreateSolidBrush(ColorToRGB(shadow)));
    TBrushHandle inner(::CreateSolidBrush(ColorToRGB(face)));
    RECT r = window;
    ::FrameRect(dc, &r, outer.Get());
    ::InflateRect(&r, -1, -1);
    ::FrameRect(dc, &r, inner.Get());
}
