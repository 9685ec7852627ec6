#include "framework/graphics.h"

#include <algorithm>
#include <cstring>

static_assert(sizeof(TPoint) == sizeof(POINT) && alignof(TPoint) == alignof(POINT),
              "TPoint arrays are handed to GDI as POINT arrays");

COLORREF ColorToRGB(TColor color)
{
    if (color == clNone) return RGB(0, 0, 0);
    if (color == clDefault) return ::GetSysColor(COLOR_WINDOW);
    if (color & clSystemColor) return ::GetSysColor(color & 0xFF);
    return static_cast<COLORREF>(color) & 0xFFFFFF;
}

// ---------------------------------------------------------------------------
// TGraphicsObject and its kinds. Each kind's Changed takes the old handle
// out before telling its listeners, so a canvas can select the new handle
// while the old one is still alive (GDI refuses to delete an object that a
// DC still holds), and only then lets the old one go.

const TClassInfo& TGraphicsObject::StaticClass()
{
    static const TClassInfo& info = PublishClass<TGraphicsObject>();
    return info;
}

void TGraphicsObject::Changed()
{
    if (OnChange) OnChange(this);
}

const TClassInfo& TFont::StaticClass()
{
    static const TClassInfo& info =
        PublishClass<TFont>()
            .Int("Charset", &TFont::GetCharset, &TFont::SetCharset, DEFAULT_CHARSET)
            .Color("Color", &TFont::GetColor, &TFont::SetColor, clWindowText)
            .Int("Height", &TFont::GetHeight, &TFont::SetHeight)
            .String("Name", &TFont::GetName, &TFont::SetName, "MS Sans Serif")
            .Enum("Pitch", &TFont::GetPitch, &TFont::SetPitch, fpDefault)
            .Int("Size", &TFont::GetSize, &TFont::SetSize)
            .Stored(false) // Height says the same
            .Set("Style", &TFont::GetStyle, &TFont::SetStyle, TFontStyles{});
    return info;
}

TFont::TFont() = default;

void TFont::Changed()
{
    TFontHandle old = std::move(handle_);
    TGraphicsObject::Changed();
}

void TFont::Assign(const TPersistent* source)
{
    if (auto* f = dynamic_cast<const TFont*>(source)) {
        if (f == this) return;
        name_ = f->name_;
        height_ = f->height_;
        color_ = f->color_;
        style_ = f->style_;
        pitch_ = f->pitch_;
        charset_ = f->charset_;
        PixelsPerInch = f->PixelsPerInch;
        Changed();
        return;
    }
    TGraphicsObject::Assign(source);
}

HFONT TFont::Handle()
{
    if (!handle_) {
        LOGFONTA lf{};
        lf.lfHeight = height_;
        lf.lfWeight = style_.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = style_.Contains(fsItalic);
        lf.lfUnderline = style_.Contains(fsUnderline);
        lf.lfStrikeOut = style_.Contains(fsStrikeOut);
        lf.lfCharSet = charset_;
        lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
        lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
        lf.lfQuality = DEFAULT_QUALITY;
        lf.lfPitchAndFamily = pitch_ == fpFixed      ? FIXED_PITCH
                              : pitch_ == fpVariable ? VARIABLE_PITCH
                                                     : DEFAULT_PITCH;
        const size_t n = std::min(name_.size(), sizeof(lf.lfFaceName) - 1);
        std::memcpy(lf.lfFaceName, name_.data(), n);
        handle_.Reset(::CreateFontIndirectA(&lf));
        if (!handle_) throw EOutOfResources("Out of system resources (font " + name_ + ")");
    }
    return handle_.Get();
}

void TFont::SetHandle(HFONT h)
{
    if (h && h == handle_.Get()) return;
    LOGFONTA lf{};
    if (h && ::GetObjectA(h, sizeof(lf), &lf) == 0) throw EInvalidGraphic("Invalid font handle");
    TFontHandle old = std::move(handle_);
    if (h) {
        name_ = lf.lfFaceName;
        height_ = lf.lfHeight;
        TFontStyles s;
        if (lf.lfWeight >= FW_BOLD) s.Include(fsBold);
        if (lf.lfItalic) s.Include(fsItalic);
        if (lf.lfUnderline) s.Include(fsUnderline);
        if (lf.lfStrikeOut) s.Include(fsStrikeOut);
        style_ = s;
        charset_ = lf.lfCharSet;
        const int pitch = lf.lfPitchAndFamily & 3;
        pitch_ = pitch == FIXED_PITCH ? fpFixed : pitch == VARIABLE_PITCH ? fpVariable : fpDefault;
    }
    // Listeners see the new handle, then the old one goes.
    handle_.Reset(h);
    TGraphicsObject::Changed();
}

void TFont::SetName(const std::string& value)
{
    if (value.empty() || value == name_) return;
    name_ = value;
    Changed();
}

void TFont::SetHeight(int32_t value)
{
    if (value == height_) return;
    height_ = value;
    Changed();
}

int32_t TFont::GetSize() const
{
    return -::MulDiv(height_, 72, PixelsPerInch);
}

void TFont::SetSize(int32_t value)
{
    SetHeight(-::MulDiv(value, PixelsPerInch, 72));
}

void TFont::SetColor(TColor value)
{
    if (value == color_) return;
    // The colour is not part of the font handle, but the canvas must set
    // its text colour again.
    color_ = value;
    TGraphicsObject::Changed();
}

void TFont::SetStyle(TFontStyles value)
{
    if (value == style_) return;
    style_ = value;
    Changed();
}

void TFont::SetPitch(TFontPitch value)
{
    if (value == pitch_) return;
    pitch_ = value;
    Changed();
}

void TFont::SetCharset(TFontCharset value)
{
    if (value == charset_) return;
    charset_ = value;
    Changed();
}

const TClassInfo& TPen::StaticClass()
{
    static const TClassInfo& info = PublishClass<TPen>()
                                        .Color("Color", &TPen::GetColor, &TPen::SetColor, clBlack)
                                        .Enum("Mode", &TPen::GetMode, &TPen::SetMode, pmCopy)
                                        .Enum("Style", &TPen::GetStyle, &TPen::SetStyle, psSolid)
                                        .Int("Width", &TPen::GetWidth, &TPen::SetWidth, 1);
    return info;
}

void TPen::Changed()
{
    TPenHandle old = std::move(handle_);
    TGraphicsObject::Changed();
}

void TPen::Assign(const TPersistent* source)
{
    if (auto* p = dynamic_cast<const TPen*>(source)) {
        if (p == this) return;
        color_ = p->color_;
        width_ = p->width_;
        style_ = p->style_;
        mode_ = p->mode_;
        Changed();
        return;
    }
    TGraphicsObject::Assign(source);
}

HPEN TPen::Handle()
{
    if (!handle_) {
        static constexpr int styles[] = {PS_SOLID,      PS_DASH, PS_DOT,        PS_DASHDOT,
                                         PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
        handle_.Reset(::CreatePen(styles[style_], width_, ColorToRGB(color_)));
        if (!handle_) throw EOutOfResources("Out of system resources (pen)");
    }
    return handle_.Get();
}

void TPen::SetColor(TColor value)
{
    if (value == color_) return;
    color_ = value;
    Changed();
}

void TPen::SetWidth(int32_t value)
{
    if (value < 0 || value == width_) return;
    width_ = value;
    Changed();
}

void TPen::SetStyle(TPenStyle value)
{
    if (value == style_) return;
    style_ = value;
    Changed();
}

void TPen::SetMode(TPenMode value)
{
    if (value == mode_) return;
    mode_ = value;
    TGraphicsObject::Changed(); // the handle stays; the canvas sets the raster operation
}

const TClassInfo& TBrush::StaticClass()
{
    static const TClassInfo& info = PublishClass<TBrush>()
                                        .Color("Color", &TBrush::GetColor, &TBrush::SetColor, clWhite)
                                        .Enum("Style", &TBrush::GetStyle, &TBrush::SetStyle, bsSolid);
    return info;
}

void TBrush::Changed()
{
    TBrushHandle old = std::move(handle_);
    TGraphicsObject::Changed();
}

void TBrush::Assign(const TPersistent* source)
{
    if (auto* b = dynamic_cast<const TBrush*>(source)) {
        if (b == this) return;
        color_ = b->color_;
        style_ = b->style_;
        Changed();
        return;
    }
    TGraphicsObject::Assign(source);
}

HBRUSH TBrush::Handle()
{
    if (style_ == bsClear) return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
    if (!handle_) {
        if (style_ == bsSolid)
            handle_.Reset(::CreateSolidBrush(ColorToRGB(color_)));
        else // the hatch styles follow HS_HORIZONTAL .. HS_DIAGCROSS in order
            handle_.Reset(::CreateHatchBrush(style_ - bsHorizontal, ColorToRGB(color_)));
        if (!handle_) throw EOutOfResources("Out of system resources (brush)");
    }
    return handle_.Get();
}

void TBrush::SetColor(TColor value)
{
    if (value == color_ && style_ != bsClear) return;
    color_ = value;
    if (style_ == bsClear) style_ = bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle value)
{
    if (value == style_) return;
    style_ = value;
    Changed();
}

// ---------------------------------------------------------------------------
// TCanvas

namespace {

// TPenMode in declaration order to SetROP2's codes.
constexpr int kPenModeRop[] = {R2_BLACK,       R2_WHITE,      R2_NOP,         R2_NOT,
                               R2_COPYPEN,     R2_NOTCOPYPEN, R2_MERGEPENNOT, R2_MASKPENNOT,
                               R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN,    R2_NOTMERGEPEN,
                               R2_MASKPEN,     R2_NOTMASKPEN, R2_XORPEN,      R2_NOTXORPEN};

} // namespace

const TClassInfo& TCanvas::StaticClass()
{
    static const TClassInfo& info = PublishClass<TCanvas>();
    return info;
}

TCanvas::TCanvas()
    : font_(std::make_unique<TFont>()), pen_(std::make_unique<TPen>()), brush_(std::make_unique<TBrush>())
{
    ::InitializeCriticalSection(&lock_);
    font_->OnChange = [this](TObject* s) { FontChanged(s); };
    pen_->OnChange = [this](TObject* s) { PenChanged(s); };
    brush_->OnChange = [this](TObject* s) { BrushChanged(s); };
}

TCanvas::~TCanvas()
{
    DeselectHandles();
    ::DeleteCriticalSection(&lock_);
}

HDC TCanvas::Handle()
{
    if (!dc_) {
        CreateHandle();
        if (!dc_) throw EInvalidOperation("Canvas does not allow drawing");
    }
    return dc_;
}

void TCanvas::SetHandle(HDC dc)
{
    if (dc == dc_) return;
    DeselectHandles();
    dc_ = dc;
}

void TCanvas::DeselectHandles()
{
    if (dc_ && (penSelected_ || brushSelected_ || fontSelected_)) {
        ::SelectObject(dc_, ::GetStockObject(BLACK_PEN));
        ::SelectObject(dc_, ::GetStockObject(HOLLOW_BRUSH));
        ::SelectObject(dc_, ::GetStockObject(SYSTEM_FONT));
    }
    penSelected_ = brushSelected_ = fontSelected_ = false;
}

void TCanvas::Refresh()
{
    DeselectHandles();
}

void TCanvas::ResetTools()
{
    DeselectHandles();
    static const TPen initialPen;
    static const TBrush initialBrush;
    static const TFont initialFont;
    const TPen& p = *pen_;
    if (p.GetColor() != initialPen.GetColor() || p.GetWidth() != initialPen.GetWidth() ||
        p.GetStyle() != initialPen.GetStyle() || p.GetMode() != initialPen.GetMode())
        pen_->Assign(&initialPen);
    if (brush_->GetColor() != initialBrush.GetColor() || brush_->GetStyle() != initialBrush.GetStyle())
        brush_->Assign(&initialBrush);
    const TFont& f = *font_;
    if (f.GetName() != initialFont.GetName() || f.GetHeight() != initialFont.GetHeight() ||
        f.GetColor() != initialFont.GetColor() || f.GetStyle() != initialFont.GetStyle() ||
        f.GetPitch() != initialFont.GetPitch() || f.GetCharset() != initialFont.GetCharset() ||
        f.PixelsPerInch != initialFont.PixelsPerInch)
        font_->Assign(&initialFont);
    CopyMode = cmSrcCopy;
}

void TCanvas::RequirePen()
{
    HDC dc = Handle();
    if (penSelected_) return;
    ::SelectObject(dc, pen_->Handle());
    ::SetROP2(dc, kPenModeRop[pen_->GetMode()]);
    penSelected_ = true;
}

void TCanvas::RequireBrush()
{
    HDC dc = Handle();
    if (brushSelected_) return;
    ::UnrealizeObject(brush_->Handle());
    ::SelectObject(dc, brush_->Handle());
    // Text and hatch gaps are painted in the brush colour only when the
    // brush is solid; a clear or hatched brush lets the background show.
    if (brush_->GetStyle() == bsSolid) {
        ::SetBkColor(dc, ColorToRGB(brush_->GetColor()));
        ::SetBkMode(dc, OPAQUE);
    } else {
        ::SetBkColor(dc, ~ColorToRGB(brush_->GetColor()) & 0xFFFFFF);
        ::SetBkMode(dc, TRANSPARENT);
    }
    brushSelected_ = true;
}

void TCanvas::RequireFont()
{
    HDC dc = Handle();
    if (fontSelected_) return;
    ::SelectObject(dc, font_->Handle());
    ::SetTextColor(dc, ColorToRGB(font_->GetColor()));
    fontSelected_ = true;
}

// A change re-selects at once when the object is in the DC, so that code
// drawing on Handle() directly sees it too.
void TCanvas::FontChanged(TObject*)
{
    if (!fontSelected_) return;
    fontSelected_ = false;
    RequireFont();
}

void TCanvas::PenChanged(TObject*)
{
    if (!penSelected_) return;
    penSelected_ = false;
    RequirePen();
}

void TCanvas::BrushChanged(TObject*)
{
    if (!brushSelected_) return;
    brushSelected_ = false;
    RequireBrush();
}

void TCanvas::Changing()
{
    if (OnChanging) OnChanging(this);
}

void TCanvas::Changed()
{
    if (OnChange) OnChange(this);
}

TPoint TCanvas::GetPenPos()
{
    POINT p{};
    ::GetCurrentPositionEx(Handle(), &p);
    return {p.x, p.y};
}

void TCanvas::SetPenPos(TPoint p)
{
    MoveTo(p.X, p.Y);
}

void TCanvas::MoveTo(int X, int Y)
{
    ::MoveToEx(Handle(), X, Y, nullptr);
}

void TCanvas::LineTo(int X, int Y)
{
    Changing();
    RequirePen();
    ::LineTo(dc_, X, Y);
    Changed();
}

void TCanvas::Polyline(const std::vector<TPoint>& points)
{
    Polyline(points.data(), static_cast<int>(points.size()));
}

void TCanvas::Polyline(const TPoint* points, int count)
{
    if (count <= 0) return;
    Changing();
    RequirePen();
    ::Polyline(dc_, reinterpret_cast<const POINT*>(points), count);
    Changed();
}

void TCanvas::Arc(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4)
{
    Changing();
    RequirePen();
    ::Arc(dc_, X1, Y1, X2, Y2, X3, Y3, X4, Y4);
    Changed();
}

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2)
{
    Changing();
    RequirePen();
    RequireBrush();
    ::Rectangle(dc_, X1, Y1, X2, Y2);
    Changed();
}

void TCanvas::Ellipse(int X1, int Y1, int X2, int Y2)
{
    Changing();
    RequirePen();
    RequireBrush();
    ::Ellipse(dc_, X1, Y1, X2, Y2);
    Changed();
}

void TCanvas::RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3)
{
    Changing();
    RequirePen();
    RequireBrush();
    ::RoundRect(dc_, X1, Y1, X2, Y2, X3, Y3);
    Changed();
}

void TCanvas::Polygon(const std::vector<TPoint>& points)
{
    Polygon(points.data(), static_cast<int>(points.size()));
}

void TCanvas::Polygon(const TPoint* points, int count)
{
    if (count <= 0) return;
    Changing();
    RequirePen();
    RequireBrush();
    ::Polygon(dc_, reinterpret_cast<const POINT*>(points), count);
    Changed();
}

void TCanvas::Pie(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4)
{
    Changing();
    RequirePen();
    RequireBrush();
    ::Pie(dc_, X1, Y1, X2, Y2, X3, Y3, X4, Y4);
    Changed();
}

void TCanvas::Chord(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4)
{
    Changing();
    RequirePen();
    RequireBrush();
    ::Chord(dc_, X1, Y1, X2, Y2, X3, Y3, X4, Y4);
    Changed();
}

void TCanvas::FillRect(const TRect& r)
{
    Changing();
    RequireBrush();
    const RECT rc = r;
    ::FillRect(dc_, &rc, brush_->Handle());
    Changed();
}

void TCanvas::FrameRect(const TRect& r)
{
    Changing();
    RequireBrush();
    const RECT rc = r;
    ::FrameRect(dc_, &rc, brush_->Handle());
    Changed();
}

void TCanvas::DrawFocusRect(const TRect& r)
{
    Changing();
    RequireBrush();
    const RECT rc = r;
    ::DrawFocusRect(dc_, &rc);
    Changed();
}

void TCanvas::TextOut(int X, int Y, const std::string& text)
{
    Changing();
    RequireFont();
    RequireBrush();
    ::TextOutA(dc_, X, Y, text.data(), static_cast<int>(text.size()));
    Changed();
}

void TCanvas::TextRect(const TRect& r, int X, int Y, const std::string& text)
{
    Changing();
    RequireFont();
    RequireBrush();
    UINT options = ETO_CLIPPED;
    if (brush_->GetStyle() != bsClear) options |= ETO_OPAQUE;
    const RECT rc = r;
    ::ExtTextOutA(dc_, X, Y, options, &rc, text.data(), static_cast<UINT>(text.size()), nullptr);
    Changed();
}

int TCanvas::DrawText(const std::string& text, TRect& r, UINT format)
{
    Changing();
    RequireFont();
    RequireBrush();
    RECT rc = r;
    const int height = ::DrawTextA(dc_, text.data(), static_cast<int>(text.size()), &rc, format);
    r = rc;
    Changed();
    return height;
}

SIZE TCanvas::TextExtent(const std::string& text)
{
    RequireFont();
    SIZE size{0, 0};
    ::GetTextExtentPoint32A(dc_, text.data(), static_cast<int>(text.size()), &size);
    return size;
}

void TCanvas::Draw(int X, int Y, TGraphic* graphic)
{
    if (!graphic || graphic->Empty()) return;
    Changing();
    RequireHandle();
    graphic->Draw(*this, Bounds(X, Y, graphic->GetWidth(), graphic->GetHeight()));
    Changed();
}

void TCanvas::StretchDraw(const TRect& r, TGraphic* graphic)
{
    if (!graphic || graphic->Empty()) return;
    Changing();
    RequireHandle();
    graphic->Draw(*this, r);
    Changed();
}

void TCanvas::CopyRect(const TRect& destRect, TCanvas* source, const TRect& srcRect)
{
    if (!source) return;
    Changing();
    // Pattern raster operations (cmPatCopy, cmMergeCopy ...) use our brush.
    RequireBrush();
    HDC src = source->Handle();
    if (destRect.Width() == srcRect.Width() && destRect.Height() == srcRect.Height()) {
        ::BitBlt(dc_, destRect.Left, destRect.Top, destRect.Width(), destRect.Height(), src, srcRect.Left,
                 srcRect.Top, static_cast<DWORD>(CopyMode));
    } else {
        ::SetStretchBltMode(dc_, COLORONCOLOR);
        ::StretchBlt(dc_, destRect.Left, destRect.Top, destRect.Width(), destRect.Height(), src, srcRect.Left,
                     srcRect.Top, srcRect.Width(), srcRect.Height(), static_cast<DWORD>(CopyMode));
    }
    Changed();
}

TColor TCanvas::GetPixel(int X, int Y)
{
    const COLORREF c = ::GetPixel(Handle(), X, Y);
    return c == CLR_INVALID ? clNone : static_cast<TColor>(c & 0xFFFFFF);
}

void TCanvas::SetPixel(int X, int Y, TColor color)
{
    Changing();
    ::SetPixelV(Handle(), X, Y, ColorToRGB(color));
    Changed();
}

TRect TCanvas::ClipRect()
{
    RECT r{};
    ::GetClipBox(Handle(), &r);
    return r;
}

void TCanvas::Lock()
{
    ::EnterCriticalSection(&lock_);
    ++lockCount_;
}

void TCanvas::Unlock()
{
    --lockCount_;
    ::LeaveCriticalSection(&lock_);
}

bool TCanvas::TryLock()
{
    if (!::TryEnterCriticalSection(&lock_)) return false;
    ++lockCount_;
    return true;
}
