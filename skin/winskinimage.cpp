#include "skin/winskinimage.h"

#include <algorithm>
#include <vector>

#include "framework/controls.h"

namespace {

bool Inverted(const TRect& r)
{
    return r.Right < r.Left || r.Bottom < r.Top;
}

HDC ImageDC(TBitmap* image)
{
    return image->Canvas()->Handle();
}

// Every stretched piece goes through here, so the key colour is never
// blended into its neighbours. Pieces of no size are skipped: a negative
// size would mirror the copy instead.
void StretchPiece(HDC dc, int dx, int dy, int dw, int dh, HDC src, int sx, int sy, int sw, int sh)
{
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
    const int oldMode = ::SetStretchBltMode(dc, COLORONCOLOR);
    ::StretchBlt(dc, dx, dy, dw, dh, src, sx, sy, sw, sh, SRCCOPY);
    if (oldMode) ::SetStretchBltMode(dc, oldMode);
}

// Margins that cannot be used are dropped in their direction: when they do
// not fit the destination, and when they leave no middle in the source
// frame (the middle would have a negative size).
struct TSlices {
    int32_t L, T, R, B;
};

TSlices FitMargins(const TRect& margins, int32_t dw, int32_t dh, int32_t sw, int32_t sh)
{
    TSlices s{std::max(margins.Left, 0), std::max(margins.Top, 0), std::max(margins.Right, 0),
              std::max(margins.Bottom, 0)};
    if (dw < s.L + s.R || sw < s.L + s.R) s.L = s.R = 0;
    if (dh < s.T + s.B || sh < s.T + s.B) s.T = s.B = 0;
    return s;
}

std::unique_ptr<TBitmap> NewBitmap(int32_t w, int32_t h);

// Small tiles are first repeated into a block of about this many pixels each
// way, and the block is what goes to the destination: a 1-pixel tile would
// otherwise cost one copy per pixel of the destination.
constexpr int kTileBlock = 128;

// The smallest whole number of tiles covering min(wanted, kTileBlock).
int BlockSize(int tile, int wanted)
{
    const int target = std::min(wanted, kTileBlock);
    return tile >= target ? tile : (target + tile - 1) / tile * tile;
}

// Copies [0, have) of the block onto itself, doubling, until `want` is
// filled: exact copies, so the pattern is the tile's.
void DoubleAcross(HDC dc, int have, int want, int height)
{
    for (; have < want; have *= 2)
        ::BitBlt(dc, have, 0, std::min(have, want - have), height, dc, 0, 0, SRCCOPY);
}

void DoubleDown(HDC dc, int have, int want, int width)
{
    for (; have < want; have *= 2)
        ::BitBlt(dc, 0, have, width, std::min(have, want - have), dc, 0, 0, SRCCOPY);
}

// Source rectangle repeated over dest from its top left, clipped to dest.
void TileInto(HDC dc, const TRect& dest, HDC src, const TRect& source)
{
    const int sw = source.Width(), sh = source.Height();
    if (sw <= 0 || sh <= 0 || dest.IsEmpty()) return;
    const int bw = BlockSize(sw, dest.Width()), bh = BlockSize(sh, dest.Height());
    std::unique_ptr<TBitmap> block;
    HDC from = src;
    int fx = source.Left, fy = source.Top;
    if (bw != sw || bh != sh) {
        block = NewBitmap(bw, bh);
        HDC b = block->Canvas()->Handle();
        ::BitBlt(b, 0, 0, sw, sh, src, source.Left, source.Top, SRCCOPY);
        DoubleAcross(b, sw, bw, sh);
        DoubleDown(b, sh, bh, bw);
        from = b;
        fx = fy = 0;
    }
    for (int x = dest.Left; x < dest.Right; x += bw)
        for (int y = dest.Top; y < dest.Bottom; y += bh)
            ::BitBlt(dc, x, y, std::min(bw, dest.Right - x), std::min(bh, dest.Bottom - y), from, fx, fy,
                     SRCCOPY);
}

// Nine pieces in a fixed order: the centre before the right and bottom
// pieces, so that they cover whatever the tiled centre overran.
void NineSlice(HDC dc, const TRect& d, HDC src, const TRect& s, const TRect& margins, bool tile)
{
    const int32_t w = d.Width(), h = d.Height(), sw = s.Width(), sh = s.Height();
    const TSlices m = FitMargins(margins, w, h, sw, sh);
    const int32_t dx = d.Left, dy = d.Top, sx = s.Left, sy = s.Top;
    const int32_t cw = w - m.L - m.R, ch = h - m.T - m.B;     // destination centre
    const int32_t scw = sw - m.L - m.R, sch = sh - m.T - m.B; // source centre
    // Corners.
    StretchPiece(dc, dx, dy, m.L, m.T, src, sx, sy, m.L, m.T);
    StretchPiece(dc, dx, dy + h - m.B, m.L, m.B, src, sx, sy + sh - m.B, m.L, m.B);
    StretchPiece(dc, dx + w - m.R, dy, m.R, m.T, src, sx + sw - m.R, sy, m.R, m.T);
    // Left and top edges.
    StretchPiece(dc, dx, dy + m.T, m.L, ch, src, sx, sy + m.T, m.L, sch);
    StretchPiece(dc, dx + m.L, dy, cw, m.T, src, sx + m.L, sy, scw, m.T);
    // Centre.
    if (tile)
        TileInto(dc, Bounds(dx + m.L, dy + m.T, cw, ch), src, Bounds(sx + m.L, sy + m.T, scw, sch));
    else
        StretchPiece(dc, dx + m.L, dy + m.T, cw, ch, src, sx + m.L, sy + m.T, scw, sch);
    // Bottom-right corner, right and bottom edges.
    StretchPiece(dc, dx + w - m.R, dy + h - m.B, m.R, m.B, src, sx + sw - m.R, sy + sh - m.B, m.R, m.B);
    StretchPiece(dc, dx + w - m.R, dy + m.T, m.R, ch, src, sx + sw - m.R, sy + m.T, m.R, sch);
    StretchPiece(dc, dx + m.L, dy + h - m.B, cw, m.B, src, sx + m.L, sy + sh - m.B, scw, m.B);
}

std::unique_ptr<TBitmap> NewBitmap(int32_t w, int32_t h)
{
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetPixelFormat(pf24bit);
    bmp->SetSize(std::max(w, 0), std::max(h, 0));
    return bmp;
}

// Copies a finished scratch bitmap (drawn at 0, 0) to rect.
void Put(HDC dc, const TRect& rect, TBitmap* bmp, bool transparent)
{
    if (transparent)
        DrawTranmap(dc, rect, bmp, SkinKeyColor);
    else
        Bitmapdraw(dc, rect, bmp);
}

} // namespace

TRect FrameRect(TBitmap* image, bool vertical, int32_t frames, int32_t frame)
{
    if (!image || image->Empty() || frames < 1) return {};
    frame = std::clamp(frame, 1, frames);
    if (vertical) {
        const int32_t fh = image->GetHeight() / frames;
        if (fh < 1) return {};
        return Bounds(0, fh * (frame - 1), image->GetWidth(), fh);
    }
    const int32_t fw = image->GetWidth() / frames;
    if (fw < 1) return {};
    return Bounds(fw * (frame - 1), 0, fw, image->GetHeight());
}

std::unique_ptr<TBitmap> GetHMap(const TRect& size, TBitmap* image, const TRect& margins, bool vertical,
                                 bool tile, int32_t frames, int32_t frame)
{
    if (Inverted(size)) return nullptr;
    auto result = NewBitmap(size.Width(), size.Height());
    const TRect src = FrameRect(image, vertical, frames, frame);
    if (src.IsEmpty() || result->Empty()) return result;
    NineSlice(result->Canvas()->Handle(), Rect(0, 0, size.Width(), size.Height()), ImageDC(image), src,
              margins, tile);
    return result;
}

void DrawRect2(HDC dc, const TRect& rect, TBitmap* image, bool vertical, bool tile, bool transparent,
               int32_t frames, int32_t frame, const TRect& margins)
{
    if (!dc || FrameRect(image, vertical, frames, frame).IsEmpty()) return;
    auto map =
        GetHMap(Rect(0, 0, rect.Width(), rect.Height()), image, margins, vertical, tile, frames, frame);
    if (map && !map->Empty()) Put(dc, rect, map.get(), transparent);
}

void DrawBorder(HDC dc, const TRect& rect, TBitmap* image, bool vertical, int32_t frames, int32_t frame,
                const TRect& margins)
{
    const TRect src = FrameRect(image, vertical, frames, frame);
    if (!dc || src.IsEmpty() || rect.IsEmpty()) return;
    NineSlice(dc, rect, ImageDC(image), src, margins, false);
}

void DrawRect1(HDC dc, const TRect& rect, TBitmap* image, bool transparent, int32_t frames, int32_t frame)
{
    const TRect src = FrameRect(image, false, frames, frame);
    if (!dc || src.IsEmpty() || rect.IsEmpty()) return;
    if (!transparent) {
        StretchPiece(dc, rect.Left, rect.Top, rect.Width(), rect.Height(), ImageDC(image), src.Left, src.Top,
                     src.Width(), src.Height());
        return;
    }
    auto scratch = NewBitmap(rect.Width(), rect.Height());
    StretchPiece(scratch->Canvas()->Handle(), 0, 0, rect.Width(), rect.Height(), ImageDC(image), src.Left,
                 src.Top, src.Width(), src.Height());
    DrawTranmap(dc, rect, scratch.get(), SkinKeyColor);
}

void DrawRect3(HDC dc, const TRect& rect, TBitmap* image, bool transparent, int32_t frames, int32_t frame)
{
    const TRect src = FrameRect(image, false, frames, frame);
    if (!dc || src.IsEmpty() || Inverted(rect)) return;
    const TRect dest = Bounds(rect.Left + (rect.Width() - src.Width()) / 2,
                              rect.Top + (rect.Height() - src.Height()) / 2, src.Width(), src.Height());
    if (!transparent) {
        ::BitBlt(dc, dest.Left, dest.Top, dest.Width(), dest.Height(), ImageDC(image), src.Left, src.Top,
                 SRCCOPY);
        return;
    }
    auto scratch = NewBitmap(src.Width(), src.Height());
    ::BitBlt(scratch->Canvas()->Handle(), 0, 0, src.Width(), src.Height(), ImageDC(image), src.Left, src.Top,
             SRCCOPY);
    DrawTranmap(dc, dest, scratch.get(), SkinKeyColor);
}

void DrawRectTile(TCanvas* canvas, const TRect& rect, TBitmap* image, bool vertical, bool transparent,
                  int32_t frames, int32_t frame, const TRect& margins)
{
    const TRect src = FrameRect(image, vertical, frames, frame);
    if (!canvas || src.IsEmpty() || rect.IsEmpty()) return;
    const int32_t w = rect.Width(), h = rect.Height();
    const TSlices m = FitMargins(Rect(margins.Left, 0, margins.Right, 0), w, h, src.Width(), src.Height());
    const int32_t mid = src.Width() - m.L - m.R;
    auto scratch = NewBitmap(w, h);
    HDC out = scratch->Canvas()->Handle();
    HDC in = ImageDC(image);
    if (mid <= 0) {
        // Nothing to repeat: the frame is all margin.
        StretchPiece(out, 0, 0, w, h, in, src.Left, src.Top, src.Width(), src.Height());
    } else {
        StretchPiece(out, 0, 0, m.L, h, in, src.Left, src.Top, m.L, src.Height());
        // The middle stretched to the height once, then repeated as a block
        // (one copy per block rather than per repeat of a narrow middle).
        const int32_t across = w - m.R - m.L;
        if (across > 0) {
            const int32_t bw = BlockSize(mid, across);
            auto strip = NewBitmap(bw, h);
            HDC s = strip->Canvas()->Handle();
            StretchPiece(s, 0, 0, mid, h, in, src.Left + m.L, src.Top, mid, src.Height());
            DoubleAcross(s, mid, bw, h);
            for (int32_t x = m.L; x < w - m.R; x += bw)
                ::BitBlt(out, x, 0, std::min(bw, w - x), h, s, 0, 0, SRCCOPY);
        }
        StretchPiece(out, w - m.R, 0, m.R, h, in, src.Right - m.R, src.Top, m.R, src.Height());
    }
    Put(canvas->Handle(), rect, scratch.get(), transparent);
}

void DrawRectH(HDC dc, const TRect& rect, TBitmap* image, bool vertical, int32_t frames, int32_t frame,
               const TRect& margins)
{
    const TRect src = FrameRect(image, vertical, frames, frame);
    if (!dc || src.IsEmpty() || rect.IsEmpty()) return;
    HDC in = ImageDC(image);
    const int32_t w = rect.Width(), h = rect.Height(), sw = src.Width(), sh = src.Height();
    const TSlices m = FitMargins(Rect(margins.Left, 0, margins.Right, 0), w, h, sw, sh);
    if (w < sw) {
        StretchPiece(dc, rect.Left, rect.Top, w, h, in, src.Left, src.Top, sw, sh);
        return;
    }
    StretchPiece(dc, rect.Left, rect.Top, m.L, h, in, src.Left, src.Top, m.L, sh);
    StretchPiece(dc, rect.Left + m.L, rect.Top, w - m.L - m.R, h, in, src.Left + m.L, src.Top, sw - m.L - m.R,
                 sh);
    StretchPiece(dc, rect.Right - m.R, rect.Top, m.R, h, in, src.Right - m.R, src.Top, m.R, sh);
}

void DrawRectV(HDC dc, const TRect& rect, TBitmap* image, bool vertical, int32_t frames, int32_t frame,
               const TRect& margins)
{
    const TRect src = FrameRect(image, vertical, frames, frame);
    if (!dc || src.IsEmpty() || rect.IsEmpty()) return;
    HDC in = ImageDC(image);
    const int32_t w = rect.Width(), h = rect.Height(), sw = src.Width(), sh = src.Height();
    const TSlices m = FitMargins(Rect(0, margins.Top, 0, margins.Bottom), w, h, sw, sh);
    if (h < sh) {
        StretchPiece(dc, rect.Left, rect.Top, w, h, in, src.Left, src.Top, sw, sh);
        return;
    }
    StretchPiece(dc, rect.Left, rect.Top, w, m.T, in, src.Left, src.Top, sw, m.T);
    StretchPiece(dc, rect.Left, rect.Top + m.T, w, h - m.T - m.B, in, src.Left, src.Top + m.T, sw,
                 sh - m.T - m.B);
    StretchPiece(dc, rect.Left, rect.Bottom - m.B, w, m.B, in, src.Left, src.Bottom - m.B, sw, m.B);
}

std::unique_ptr<TBitmap> GetThumbMap(const TRect& size, TBitmap* image, const TRect& margins, bool vertical,
                                     int32_t frames, int32_t frame)
{
    if (Inverted(size)) return nullptr;
    const int32_t w = size.Width(), h = size.Height();
    auto result = NewBitmap(w, h);
    const TRect src = FrameRect(image, vertical, frames, frame);
    if (src.IsEmpty() || result->Empty()) return result;
    HDC out = result->Canvas()->Handle();
    HDC in = ImageDC(image);
    const int32_t sw = src.Width(), sh = src.Height();
    const TSlices m = FitMargins(Rect(0, margins.Top, 0, margins.Bottom), w, h, sw, sh);
    StretchPiece(out, 0, 0, w, m.T, in, src.Left, src.Top, sw, m.T);
    StretchPiece(out, 0, m.T, w, h - m.T - m.B, in, src.Left, src.Top + m.T, sw, sh - m.T - m.B);
    StretchPiece(out, 0, h - m.B, w, m.B, in, src.Left, src.Bottom - m.B, sw, m.B);
    return result;
}

void DrawBGbmp(HDC dc, const TRect& dest, TBitmap* image, const TRect& source)
{
    if (!dc || !image || image->Empty() || source.IsEmpty() || dest.IsEmpty()) return;
    // Only the part of source that lies inside the image can be repeated.
    const TRect s =
        Rect(std::max(source.Left, 0), std::max(source.Top, 0), std::min(source.Right, image->GetWidth()),
             std::min(source.Bottom, image->GetHeight()));
    if (s.IsEmpty()) return;
    TileInto(dc, dest, ImageDC(image), s);
}

void DrawBGbmp(TCanvas* canvas, const TRect& dest, TBitmap* image, const TRect& source)
{
    if (canvas) DrawBGbmp(canvas->Handle(), dest, image, source);
}

void DrawTranmap(HDC dc, const TRect& rect, TBitmap* bitmap, TColor key)
{
    if (!dc || !bitmap || bitmap->Empty() || Inverted(rect)) return;
    // Reading past the bitmap would copy whatever lies outside it.
    const int32_t w = std::min(rect.Width(), bitmap->GetWidth());
    const int32_t h = std::min(rect.Height(), bitmap->GetHeight());
    if (w <= 0 || h <= 0) return;
    HDC src = ImageDC(bitmap);

    // The mask is set (white) where the bitmap has the key colour.
    TBitmapHandle maskBmp(::CreateBitmap(w, h, 1, 1, nullptr));
    TMemoryDC maskDC = TMemoryDC::Create(dc);
    {
        TSelectObject selectMask(maskDC.Get(), maskBmp.Get());
        const COLORREF oldSrcBk = ::SetBkColor(src, ColorToRGB(key));
        ::BitBlt(maskDC.Get(), 0, 0, w, h, src, 0, 0, SRCCOPY);
        ::SetBkColor(src, oldSrcBk);

        // destination ^ bitmap, then kept only where the mask is set, then
        // ^ bitmap again: the destination survives under the key, the
        // bitmap shows everywhere else.
        const COLORREF oldBk = ::SetBkColor(dc, RGB(255, 255, 255));
        const COLORREF oldText = ::SetTextColor(dc, RGB(0, 0, 0));
        ::BitBlt(dc, rect.Left, rect.Top, w, h, src, 0, 0, SRCINVERT);
        ::BitBlt(dc, rect.Left, rect.Top, w, h, maskDC.Get(), 0, 0, SRCAND);
        ::BitBlt(dc, rect.Left, rect.Top, w, h, src, 0, 0, SRCINVERT);
        ::SetTextColor(dc, oldText);
        ::SetBkColor(dc, oldBk);
    }
}

void Bitmapdraw(HDC dc, const TRect& rect, TBitmap* bitmap)
{
    if (!dc || !bitmap || bitmap->Empty() || Inverted(rect)) return;
    const int32_t w = std::min(rect.Width(), bitmap->GetWidth());
    const int32_t h = std::min(rect.Height(), bitmap->GetHeight());
    ::BitBlt(dc, rect.Left, rect.Top, w, h, ImageDC(bitmap), 0, 0, SRCCOPY);
}

void DrawParentImage(TControl* control, HDC dc)
{
    if (!control || !dc || !control->Parent()) return;
    TWinControl* parent = control->Parent();
    TSaveDC saved(dc);
    POINT origin{};
    ::GetViewportOrgEx(dc, &origin);
    ::IntersectClipRect(dc, 0, 0, control->Width(), control->Height());
    ::SetViewportOrgEx(dc, origin.x - control->Left(), origin.y - control->Top(), nullptr);
    parent->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    parent->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
}

TRegionHandle BitmapToRegion(TBitmap* bitmap, int32_t x, int32_t y, uint8_t redTolerance,
                             uint8_t greenTolerance, uint8_t blueTolerance, TColor key)
{
    if (!bitmap || bitmap->Empty()) return {};
    TBitmap pixels;
    pixels.Assign(bitmap);
    pixels.SetPixelFormat(pf32bit);

    const COLORREF k = ColorToRGB(key);
    const int lr = GetRValue(k), lg = GetGValue(k), lb = GetBValue(k);
    const int hr = std::min(lr + redTolerance, 255), hg = std::min(lg + greenTolerance, 255),
              hb = std::min(lb + blueTolerance, 255);
    auto isKey = [&](const uint8_t* p) { // blue, green, red, unused
        return p[2] >= lr && p[2] <= hr && p[1] >= lg && p[1] <= hg && p[0] >= lb && p[0] <= hb;
    };

    constexpr size_t kGrowth = 500, kFlushAt = 2000;
    TRegionHandle result;
    std::vector<RECT> rects;
    rects.reserve(kGrowth);
    auto flush = [&] {
        if (rects.empty()) return;
        std::vector<uint8_t> buffer(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
        auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
        data->rdh.dwSize = sizeof(RGNDATAHEADER);
        data->rdh.iType = RDH_RECTANGLES;
        data->rdh.nCount = static_cast<DWORD>(rects.size());
        data->rdh.nRgnSize = static_cast<DWORD>(rects.size() * sizeof(RECT));
        data->rdh.rcBound = RECT{x, y, x + pixels.GetWidth(), y + pixels.GetHeight()};
        std::copy(rects.begin(), rects.end(), reinterpret_cast<RECT*>(data->Buffer));
        TRegionHandle part(::ExtCreateRegion(nullptr, static_cast<DWORD>(buffer.size()), data));
        if (!result)
            result = std::move(part);
        else if (part)
            ::CombineRgn(result.Get(), result.Get(), part.Get(), RGN_OR);
        rects.clear();
    };

    const int32_t w = pixels.GetWidth();
    for (int32_t row = 0; row < pixels.GetHeight(); ++row) {
        const auto* line = static_cast<const uint8_t*>(pixels.ScanLine(row));
        int32_t col = 0;
        while (col < w) {
            while (col < w && isKey(line + 4 * col))
                ++col;
            const int32_t start = col;
            while (col < w && !isKey(line + 4 * col))
                ++col;
            if (col > start) {
                if (rects.size() == rects.capacity()) rects.reserve(rects.size() + kGrowth);
                rects.push_back(RECT{x + start, y + row, x + col, y + row + 1});
                if (rects.size() >= kFlushAt) flush();
            }
        }
    }
    flush();
    // An image that is all key colour shows nothing: an empty region, not a
    // null one, which a window would take as "no region, show everything".
    if (!result) result = TRegionHandle(::CreateRectRgn(0, 0, 0, 0));
    return result;
}

std::wstring GetFormCaption(HWND wnd)
{
    if (!wnd) return {};
    const int length = ::GetWindowTextLengthW(wnd);
    if (length <= 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(wnd, text.data(), length + 1)));
    return text;
}

std::string GetFormCaptionA(HWND wnd)
{
    if (!wnd) return {};
    char buffer[1000] = {};
    const LRESULT n = ::SendMessageA(wnd, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
    return std::string(buffer, static_cast<size_t>(std::clamp<LRESULT>(n, 0, sizeof buffer - 1)));
}

std::string GetWindowClassname(HWND wnd)
{
    char buffer[101] = {};
    const int n = wnd ? ::GetClassNameA(wnd, buffer, sizeof buffer) : 0;
    return std::string(buffer, static_cast<size_t>(std::max(n, 0)));
}
