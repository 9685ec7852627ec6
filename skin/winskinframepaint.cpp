// Painting the skinned frame: borders, the caption bar composed off screen,
// the caption text, and the window region cut out of the border images.
#include <algorithm>

#include "skin/winskinframe.h"
#include "skin/winskinimage.h"

namespace {

TDataSkinBorder* BorderObject(TSkinData* data, int index)
{
    switch (index) {
    case 1:
        return data->BorderLeft.get();
    case 2:
        return data->BorderRight.get();
    case 3:
        return data->BorderTop.get();
    case 4:
        return data->BorderBottom.get();
    default:
        return nullptr;
    }
}

// A 24-bit scratch bitmap of the given size.
std::unique_ptr<TBitmap> Scratch(int w, int h)
{
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(w, h);
    return b;
}

} // namespace

void TWinSkinForm::UpdateNc(HDC dc)
{
    if (!Data || Data->NotLoaded) return;
    if (FrameState != FrameSkinned && FrameState != FrameChanging) return;
    if (Border == sbsNone || (FormStyle == sfsMDIChild && WindowState == swsMax)) return;
    TWindowDC own;
    try {
        if (!dc) {
            own = TWindowDC::Get(Wnd, true);
            dc = own.Handle();
        }
        RECT wr{};
        GetWindowRect(Wnd, &wr);
        WindowRect = wr;
        const int w = wr.right - wr.left, h = wr.bottom - wr.top;
        WinWidth = w;
        WinHeight = h;
        const bool minimized = WindowState == swsMin;
        if (!minimized) {
            Drawborder(1, Rect(0, 0, FrameLeft, h), dc);
            Drawborder(2, Rect(w - FrameRight, 0, w, h), dc);
            Drawborder(4, Rect(FrameLeft, h - FrameBottom, w - FrameRight, h), dc);
        }
        DrawFLine(dc, w, h, minimized);
        if (MenuHeight > 0 && !minimized) {
            const TRect band = Rect(FrameLeft, FrameTop, w - FrameRight, FrameTop + MenuHeight);
            if (menus_->MenuBar()) {
                menus_->DrawMenuBar(dc, band);
            } else {
                const RECT r = band;
                FillRect(dc, &r, Data->BackBrush());
            }
        }
    } catch (...) {
        // A frame that cannot be painted this time is painted next time.
    }
    HotObject = nullptr;
}

void TWinSkinForm::DrawFLine(HDC dc, int w, int h, bool minimized)
{
    const int bh = minimized ? h : FrameTop;
    if (w <= 0 || bh <= 0) return;
    if (captionBuffer_->GetWidth() != w || captionBuffer_->GetHeight() != bh) captionBuffer_->SetSize(w, bh);
    TCanvas* canvas = captionBuffer_->Canvas();
    HDC buffer = canvas->Handle();
    if (minimized) {
        canvas->Brush()->SetColor(Data->Colors[csButtonFace]);
        canvas->FillRect(Rect(0, 0, w, bh));
    } else {
        // The corners left out by the region still hold what was there.
        BitBlt(buffer, 0, 0, w, bh, dc, 0, 0, SRCCOPY);
    }
    const TRect r = minimized ? Rect(0, 0, w, FrameTop) : Rect(FrameLeft, 0, w - FrameRight, FrameTop);
    Drawborder(3, r, buffer);
    DrawLine(canvas, r);
    SetSysbtnRect();
    DrawAllSysbtn(buffer, r);
    BitBlt(dc, 0, 0, w, bh, buffer, 0, 0, SRCCOPY);
    SetBkMode(dc, OPAQUE);
}

void TWinSkinForm::Drawborder(int index, const TRect& rect, HDC dc)
{
    if (rect.IsEmpty() || !Data) return;
    TDataSkinBorder* b = BorderObject(Data, index);
    if (!b || b->Image->Empty() || b->Frame < 1) return;
    const bool vertical = index == 3 || index == 4;
    const int frame = (b->Frame > 1 && !Active) ? 2 : 1;
    auto map = GetHMap(Rect(0, 0, rect.Width(), rect.Height()), b->Image.get(), b->Margins, vertical,
                       b->Tile != 1, b->Frame, frame);
    if (!map) return;
    BitBlt(dc, rect.Left, rect.Top, rect.Width(), rect.Height(), map->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TWinSkinForm::DrawLine(TCanvas* canvas, const TRect& r)
{
    Caption = GetFormCaption(Wnd);
    const std::wstring text = CaptionPrefix + Caption + CaptionSuffix;
    int reserved = 0;
    for (auto& b : SysButtons)
        if (b->Visible && b->SkinObject->Align == 1 && !b->SkinObject->Image->Empty())
            reserved = std::max(reserved, b->SkinObject->Xcoord);
    RightReserved = reserved;

    HDC dc = canvas->Handle();
    TSelectObject font(dc, captionFont_->Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(Data->Colors[Active ? csTitleTextActive : csTitleTextNoActive]));
    RECT measured{0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured,
              DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    const int tw = measured.right, th = measured.bottom;
    CaptionWidth = tw;
    const TDataSkinTitle& t = *Data->Title;
    const int shift = t.Margins.Left, shiftVert = t.Margins.Top, rightClip = t.Margins.Right;
    const int tw2 = tw + t.TXTBackleft + t.TXTBackRight;
    const int width = r.Width();
    int x = 0;
    if (!RightToLeft) {
        x = t.TextAlignment == 1 ? (width - tw2) / 2 : t.TextAlignment == 2 ? width - rightClip - tw2 : shift;
    } else {
        x = t.TextAlignment == 1   ? (width - reserved - tw2) / 2
            : t.TextAlignment == 2 ? shift
                                   : width - reserved - tw2;
    }
    const int y = (r.Height() - th) / 2 + shiftVert / 2;
    TRect tr = Rect(r.Left + x, r.Top + y, r.Left + x + tw2, r.Top + y + th);
    if (RightToLeft) {
        if (x < 1) tr.Left = r.Left + shift;
        tr.Left += 10;
        tr.Right += 10;
    } else if (Style & WS_POPUP) {
        if (reserved > 5) tr.Right = std::min(tr.Right, r.Right - reserved - 5);
    } else {
        tr.Right = std::min(tr.Right, r.Right - rightClip);
    }
    if (Border == sbsDialog && t.TextAlignment == 0) tr.Left -= 16; // dialogs show no icon
    CaptionRect = tr;

    if (!t.Image->Empty())
        DrawRectTile(canvas, Rect(tr.Left, r.Top, tr.Right, r.Bottom), t.Image.get(), true, true, 2,
                     Active ? 1 : 2, Rect(t.TXTBackleft, 0, t.TXTBackRight, 0));
    RECT out = Rect(tr.Left + t.TXTBackleft, tr.Top, tr.Right - t.TXTBackRight, tr.Bottom);
    UINT format = DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;
    if (RightToLeft) format |= DT_RIGHT | DT_RTLREADING;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &out, format);
}

void TWinSkinForm::Cropwindow()
{
    if (FrameState == FrameReleased || !SkinFrame || !Data || !IsWindow(Wnd)) return;
    if (FormStyle == sfsMDIChild && WindowState != swsNormal) return;
    RECT wr{};
    GetWindowRect(Wnd, &wr);
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    if (w <= 0 || h <= 0) return;
    if (w == RegionWidth && h == RegionHeight && FormStyle != sfsMDIChild && FrameState != FrameChanging)
        return;
    WinWidth = w;
    WinHeight = h;

    TDataSkinBorder* borders[4] = {Data->BorderLeft.get(), Data->BorderRight.get(), Data->BorderTop.get(),
                                   Data->BorderBottom.get()};
    const bool anyTrans =
        std::any_of(std::begin(borders), std::end(borders), [](auto* b) { return b && b->Trans; });
    RegionWidth = w;
    RegionHeight = h;
    TRegionHandle region;
    if (!anyTrans) {
        region.Reset(CreateRectRgn(0, 0, w, h));
    } else {
        region.Reset(CreateRectRgn(FrameLeft, FrameTop, w - FrameRight, h - FrameBottom));
        if (Border != sbsNone) {
            const TRect rects[4] = {Rect(0, 0, FrameLeft, h), Rect(w - FrameRight, 0, w, h),
                                    Rect(FrameLeft, 0, w - FrameRight, FrameTop),
                                    Rect(FrameLeft, h - FrameBottom, w - FrameRight, h)};
            for (int i = 0; i < 4; ++i) {
                const TRect& rc = rects[i];
                if (rc.IsEmpty()) continue;
                TDataSkinBorder* b = borders[i];
                const bool cut = b && b->Trans && (i < 2 ? h > 1 : rc.Height() > 1);
                TRegionHandle part;
                if (cut) {
                    auto scratch = Scratch(rc.Width(), rc.Height());
                    Drawborder(i + 1, Rect(0, 0, rc.Width(), rc.Height()), scratch->Canvas()->Handle());
                    part = BitmapToRegion(scratch.get(), rc.Left, rc.Top, 1, 1, 1, SkinKeyColor);
                } else {
                    part.Reset(CreateRectRgn(rc.Left, rc.Top, rc.Right, rc.Bottom));
                }
                if (part) CombineRgn(region.Get(), region.Get(), part.Get(), RGN_OR);
            }
        }
    }
    // The window owns the region from here on.
    if (SetWindowRgn(Wnd, region.Get(), TRUE)) region.Release();
    RegionApplied = true;
}

void TWinSkinForm::Uncropwindow()
{
    if (!RegionApplied) return;
    SetWindowRgn(Wnd, nullptr, FormStyle == sfsMDIChild);
    RegionApplied = false;
    RegionWidth = RegionHeight = 0;
}
