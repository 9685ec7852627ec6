#include "skin/winskineditdraw.h"

#include <algorithm>

#include "framework/gdiobj.h"
#include "skin/winskinimage.h"

namespace {

void FillWith(HDC dc, const TRect& r, TColor color)
{
    TBrushHandle brush(::CreateSolidBrush(ColorToRGB(color)));
    RECT rc = r;
    ::FillRect(dc, &rc, brush.Get());
}

void FrameWith(HDC dc, const TRect& r, TColor color)
{
    if (r.IsEmpty()) return;
    TBrushHandle brush(::CreateSolidBrush(ColorToRGB(color)));
    RECT rc = r;
    ::FrameRect(dc, &rc, brush.Get());
}

TRect Intersect(const TRect& a, const TRect& b)
{
    return Rect(std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
                std::min(a.Bottom, b.Bottom));
}

} // namespace

// ---------------------------------------------------------------------------
// Check boxes and radio buttons.

namespace {
// A twelve-frame strip (and a radio's eight, its first eight) orders checked,
// unchecked disabled and checked disabled differently from the short strips.
int TwelveFrameOrder(int frame)
{
    switch (frame) {
    case 2:
        return 5;
    case 3:
        return 4;
    case 4:
        return 8;
    default:
        return frame;
    }
}
} // namespace

int CheckImageFrame(const TCheckLook& look, int frames)
{
    // A grey State property and the button's own third state are one look.
    const bool indeterminate = look.Indeterminate || look.Base == 4;
    int frame = look.Base + (look.Disabled ? 2 : 0);
    if (indeterminate) frame = 4;
    if (frames != 12) return frame;
    if (indeterminate) return look.Disabled ? 12 : 9;
    return TwelveFrameOrder(frame);
}

int RadioImageFrame(const TCheckLook& look, int frames)
{
    const int frame = std::min(look.Base, 2) + (look.Disabled ? 2 : 0);
    if (frames != 8) return frame;
    return TwelveFrameOrder(frame);
}

TRect CheckImageRect(const TRect& r, int frameWidth, int imageHeight, bool boxRight, int rightInset)
{
    const int top = r.Top + (r.Height() - imageHeight) / 2;
    const int left = boxRight ? r.Right - frameWidth - rightInset : r.Left;
    return Bounds(left, top, frameWidth, imageHeight);
}

void PaintCheckLike(HDC dc, const TRect& r, const TCheckPaint& p)
{
    if (!dc || r.IsEmpty()) return;
    const int frames = std::max(p.Frames, 1);
    const bool hasImage = p.Image && !p.Image->Empty();
    const int fw = hasImage ? p.Image->GetWidth() / frames : 0;
    const int ih = hasImage ? p.Image->GetHeight() : 0;
    const TRect box = CheckImageRect(r, fw, ih, p.BoxRight, p.ImageRightInset);
    const TRect text = p.BoxRight ? Rect(r.Left, r.Top, box.Left - 2, r.Bottom)
                                  : Rect(box.Right + 2, r.Top, r.Right, r.Bottom);

    if (p.FillBackground) FillWith(dc, r, p.Face);
    if (hasImage) DrawRect1(dc, box, p.Image, true, frames, p.Frame);
    if (p.Caption.empty() || text.IsEmpty()) return;

    TSaveDC saved(dc);
    if (p.Font) ::SelectObject(dc, p.Font);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ColorToRGB(p.TextColor));
    UINT format = DT_WORDBREAK | DT_NOPREFIX;
    if (p.BoxRight) format |= DT_RIGHT;
    if (p.BoxRight && p.RightToLeft) format |= DT_RTLREADING;
    RECT measured = text;
    ::DrawTextW(dc, p.Caption.c_str(), static_cast<int>(p.Caption.size()), &measured, format | DT_CALCRECT);
    const int h = measured.bottom - measured.top;
    RECT place = text;
    place.top = text.Top + (text.Height() - h) / 2;
    place.bottom = place.top + h;
    if (p.Focused) {
        // The measured text is as wide as its longest line; right-aligned
        // text ends at the right of the text rectangle.
        const int w = measured.right - measured.left;
        const int left = p.BoxRight ? text.Right - w : text.Left;
        RECT focus = Intersect(Rect(left - 2, place.top - 1, left + w + 2, place.bottom + 1), r);
        if (focus.right > focus.left && focus.bottom > focus.top) {
            // The dots invert through the DC's colours: fixed, they look the
            // same on every face.
            ::SetTextColor(dc, RGB(0, 0, 0));
            ::SetBkColor(dc, RGB(255, 255, 255));
            ::DrawFocusRect(dc, &focus);
            ::SetTextColor(dc, ColorToRGB(p.TextColor));
        }
    }
    ::DrawTextW(dc, p.Caption.c_str(), static_cast<int>(p.Caption.size()), &place, format);
}

// ---------------------------------------------------------------------------
// Edits.

void DrawEditBorder(HDC dc, const TRect& window, TColor shadow)
{
    if (!dc) return;
    FrameWith(dc, window, shadow);
    FrameWith(dc, Rect(window.Left + 1, window.Top + 1, window.Right - 1, window.Bottom - 1), clWhite);
    FrameWith(dc, Rect(window.Left + 2, window.Top + 2, window.Right - 2, window.Bottom - 2), clWhite);
}

void DrawEditPrintBorder(HDC dc, const TRect& window, TColor inner, TColor shadow)
{
    if (!dc) return;
    FrameWith(dc, Rect(window.Left + 1, window.Top + 1, window.Right - 1, window.Bottom - 1), inner);
    FrameWith(dc, window, shadow);
}

// ---------------------------------------------------------------------------
// Up-down halves.

int UpDownImageFrame(bool vertical, int direction, int state)
{
    return vertical ? state + 4 * direction : state + 4 * direction - 8;
}

void SplitUpDown(const TRect& r, bool vertical, TRect& first, TRect& second)
{
    if (vertical) {
        const int mid = r.Top + r.Height() / 2;
        first = Rect(r.Left, r.Top, r.Right, mid);
        second = Rect(r.Left, mid, r.Right, r.Bottom);
    } else {
        const int mid = r.Left + r.Width() / 2;
        first = Rect(r.Left, r.Top, mid, r.Bottom);
        second = Rect(mid, r.Top, r.Right, r.Bottom);
    }
}

void UpDownHalfStates(const TRect& r, bool vertical, bool buttonDown, TPoint cursor, bool disabled,
                      int& first, int& second)
{
    TRect a, b;
    SplitUpDown(r, vertical, a, b);
    first = buttonDown && a.Contains(cursor) ? udsPressed : udsNormal;
    second = buttonDown && b.Contains(cursor) ? udsPressed : udsNormal;
    if (disabled) first = second = udsDisabled;
}

void DrawSkinUpDownHalf(HDC dc, const TRect& r, TDataSkinBorder& obj, bool vertical, int direction, int state)
{
    const int frame = UpDownImageFrame(vertical, direction, state);
    DrawRect1(dc, r, obj.Image.get(), true, obj.Frame, frame);
    if (obj.Image2 && !obj.Image2->Empty()) DrawRect3(dc, r, obj.Image2.get(), true, obj.Frame, frame);
}

void DrawPlainUpDownHalf(TCanvas& canvas, const TRect& r, int direction, int state, TColor face,
                         TColor shadow, TColor dkShadow)
{
    canvas.Brush()->SetStyle(bsSolid);
    canvas.Brush()->SetColor(state == udsPressed || state == 4 ? shadow : face);
    canvas.Pen()->SetColor(dkShadow);
    canvas.Pen()->SetStyle(psSolid);
    canvas.Pen()->SetWidth(1);
    canvas.Rectangle(r);
    // Three strokes of 1, 3 and 5 pixels, the tip towards the direction.
    const int cx = r.Left + r.Width() / 2, cy = r.Top + r.Height() / 2;
    for (int i = 0; i < 3; ++i) {
        switch (direction) {
        case udDirUp:
            canvas.MoveTo(cx - i, cy - 1 + i);
            canvas.LineTo(cx + i + 1, cy - 1 + i);
            break;
        case udDirDown:
            canvas.MoveTo(cx - i, cy + 1 - i);
            canvas.LineTo(cx + i + 1, cy + 1 - i);
            break;
        case udDirLeft:
            canvas.MoveTo(cx - 1 + i, cy - i);
            canvas.LineTo(cx - 1 + i, cy + i + 1);
            break;
        default:
            canvas.MoveTo(cx + 1 - i, cy - i);
            canvas.LineTo(cx + 1 - i, cy + i + 1);
            break;
        }
    }
}

void PaintUpDown(HDC dc, const TRect& r, const TUpDownPaint& p)
{
    if (!dc || r.IsEmpty()) return;
    TBitmap buffer;
    buffer.SetPixelFormat(pf24bit);
    buffer.SetSize(r.Width(), r.Height());
    TCanvas& c = *buffer.Canvas();
    const TRect all = Rect(0, 0, r.Width(), r.Height());
    FillWith(c.Handle(), all, p.Face);
    TRect first, second;
    SplitUpDown(all, p.Vertical, first, second);
    const int d1 = p.Vertical ? udDirUp : udDirLeft, d2 = p.Vertical ? udDirDown : udDirRight;
    if (p.Skin && !p.Skin->Image->Empty()) {
        DrawSkinUpDownHalf(c.Handle(), first, *p.Skin, p.Vertical, d1, p.FirstState);
        DrawSkinUpDownHalf(c.Handle(), second, *p.Skin, p.Vertical, d2, p.SecondState);
    } else {
        DrawPlainUpDownHalf(c, first, d1, p.FirstState, p.Face, p.Shadow, p.DkShadow);
        DrawPlainUpDownHalf(c, second, d2, p.SecondState, p.Face, p.Shadow, p.DkShadow);
    }
    ::BitBlt(dc, r.Left, r.Top, r.Width(), r.Height(), c.Handle(), 0, 0, SRCCOPY);
}

// ---------------------------------------------------------------------------
// Group boxes.

void PaintGroupBox(HDC dc, const TRect& r, const TGroupPaint& p)
{
    if (!dc || r.IsEmpty()) return;
    TSaveDC saved(dc);
    if (p.Font) ::SelectObject(dc, p.Font);
    SIZE zero{};
    ::GetTextExtentPoint32A(dc, "0", 1, &zero);
    const int h = zero.cy;
    const int x0 = r.Left, y0 = r.Top, w = r.Width(), height = r.Height();

    if (p.FillFace) FillWith(dc, r, p.Face);
    if (p.EraseSystemFrame) {
        RECT outer{x0, y0 + h / 2, x0 + w, y0 + height};
        RECT inner{x0 + 1, y0 + h / 2 + 1, x0 + w - 1, y0 + height - 1};
        ::FrameRect(dc, &outer, p.EraseSystemFrame);
        ::FrameRect(dc, &inner, p.EraseSystemFrame);
    }

    TPenHandle pen(::CreatePen(PS_SOLID, 1, ColorToRGB(p.Line)));
    {
        TSelectObject usePen(dc, pen.Get());
        TSelectObject noFill(dc, ::GetStockObject(NULL_BRUSH));
        ::RoundRect(dc, x0 + 1, y0 + h / 2, x0 + w - 1, y0 + height - 1, 5, 5);
    }

    if (p.Caption.empty()) return;
    ::SetBkMode(dc, OPAQUE);
    ::SetBkColor(dc, ColorToRGB(p.Face));
    ::SetTextColor(dc, ColorToRGB(p.TextColor));
    UINT format = DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP;
    RECT place{x0 + 8, y0, x0 + w - 8, y0 + h};
    if (p.RightAligned) {
        format |= DT_RIGHT;
        if (p.RightToLeft) format |= DT_RTLREADING;
    }
    ::DrawTextW(dc, p.Caption.c_str(), static_cast<int>(p.Caption.size()), &place, format);
}

// ---------------------------------------------------------------------------
// Tool-bar buttons.

int ToolButtonFaceState(TCustomDrawState state)
{
    if (state.Contains(cdsSelected)) return 2;
    if (state.Contains(cdsFocused) || state.Contains(cdsHot)) return 4;
    if (state.Contains(cdsGrayed) || state.Contains(cdsDisabled)) return 0;
    if (state.Contains(cdsDefault)) return 1;
    return 0;
}
