// The drawing canvas: colours, the pen, brush and font objects, a canvas over
// any device context, and the pictures drawn on it (bitmaps over DIB
// sections, icons, image lists). Win32 only.
//
// The graphics objects create their GDI handles on first use and drop them
// on every change; the canvas listens to its pen, brush and font and selects
// the new handles into its DC when they change. Every handle lives in a
// counting holder of gdiobj.h.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "components/component.h"
#include "framework/gdiobj.h"
#include "runtime/colors.h"

class TCanvas;
class TGraphic;
class TBitmap;
class TIcon;

// ---------------------------------------------------------------------------
// Geometry.

struct TPoint {
    int32_t X = 0, Y = 0;
    constexpr TPoint() = default;
    constexpr TPoint(int32_t x, int32_t y) : X(x), Y(y) {}
    constexpr bool operator==(const TPoint&) const = default;
    operator POINT() const { return POINT{X, Y}; }
};

// Right and bottom are outside the rectangle, as in GDI.
struct TRect {
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    constexpr TRect() = default;
    constexpr TRect(int32_t l, int32_t t, int32_t r, int32_t b) : Left(l), Top(t), Right(r), Bottom(b) {}
    TRect(const RECT& r) : Left(r.left), Top(r.top), Right(r.right), Bottom(r.bottom) {}
    constexpr bool operator==(const TRect&) const = default;
    operator RECT() const { return RECT{Left, Top, Right, Bottom}; }

    constexpr int32_t Width() const { return Right - Left; }
    constexpr int32_t Height() const { return Bottom - Top; }
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    constexpr bool Contains(TPoint p) const
    {
        return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom;
    }
    constexpr TPoint TopLeft() const { return {Left, Top}; }
    constexpr TPoint BottomRight() const { return {Right, Bottom}; }
};

constexpr TPoint Point(int32_t x, int32_t y)
{
    return {x, y};
}
constexpr TRect Rect(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    return {left, top, right, bottom};
}
constexpr TRect Bounds(int32_t left, int32_t top, int32_t width, int32_t height)
{
    return {left, top, left + width, top + height};
}

// ---------------------------------------------------------------------------
// Colours (TColor and the names are in colors.h).

// The RGB value GDI takes: system colours are looked up now, clNone gives
// black and clDefault the window colour.
COLORREF ColorToRGB(TColor color);

// ---------------------------------------------------------------------------
// Enumerations.

ORVANE_ENUM(TFontStyle, fsBold, fsItalic, fsUnderline, fsStrikeOut)
using TFontStyles = TSet<TFontStyle>;
ORVANE_ENUM(TFontPitch, fpDefault, fpVariable, fpFixed)
using TFontCharset = uint8_t;

ORVANE_ENUM(TPenStyle, psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame)
ORVANE_ENUM(TPenMode, pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
            pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor)
ORVANE_ENUM(TBrushStyle, bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross,
            bsDiagCross)

// A raster operation code for BitBlt and StretchBlt.
using TCopyMode = int32_t;
constexpr TCopyMode cmBlackness = BLACKNESS;
constexpr TCopyMode cmDstInvert = DSTINVERT;
constexpr TCopyMode cmMergeCopy = MERGECOPY;
constexpr TCopyMode cmMergePaint = MERGEPAINT;
constexpr TCopyMode cmNotSrcCopy = NOTSRCCOPY;
constexpr TCopyMode cmNotSrcErase = NOTSRCERASE;
constexpr TCopyMode cmPatCopy = PATCOPY;
constexpr TCopyMode cmPatInvert = PATINVERT;
constexpr TCopyMode cmPatPaint = PATPAINT;
constexpr TCopyMode cmSrcAnd = SRCAND;
constexpr TCopyMode cmSrcCopy = SRCCOPY;
constexpr TCopyMode cmSrcErase = SRCERASE;
constexpr TCopyMode cmSrcInvert = SRCINVERT;
constexpr TCopyMode cmSrcPaint = SRCPAINT;
constexpr TCopyMode cmWhiteness = WHITENESS;

ORVANE_ENUM(TPixelFormat, pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom)
ORVANE_ENUM(TTransparentMode, tmAuto, tmFixed)

// ---------------------------------------------------------------------------
// Pens, brushes and fonts.

class TGraphicsObject : public TPersistent {
    ORVANE_CLASS(TGraphicsObject, TPersistent)
    TNotifyEvent OnChange;

protected:
    // Drops the handle (the next Handle() makes a new one) and tells OnChange.
    virtual void Changed();
};

class TFont : public TGraphicsObject {
    ORVANE_CLASS(TFont, TGraphicsObject)
    TFont();

    void Assign(const TPersistent* source) override;

    // Created on demand; owned by the font.
    HFONT Handle();
    // Takes over h (the font object now owns it) and reads its attributes.
    void SetHandle(HFONT h);

    const std::string& GetName() const { return name_; }
    void SetName(const std::string& value);
    // Negative: character height in pixels; positive: cell height.
    int32_t GetHeight() const { return height_; }
    void SetHeight(int32_t value);
    // Points, at PixelsPerInch: Size = -Height * 72 / PixelsPerInch, rounded.
    int32_t GetSize() const;
    void SetSize(int32_t value);
    TColor GetColor() const { return color_; }
    void SetColor(TColor value);
    TFontStyles GetStyle() const { return style_; }
    void SetStyle(TFontStyles value);
    TFontPitch GetPitch() const { return pitch_; }
    void SetPitch(TFontPitch value);
    TFontCharset GetCharset() const { return charset_; }
    void SetCharset(TFontCharset value);

    int32_t PixelsPerInch = 96;

private:
    void Changed() override;

    std::string name_ = "MS Sans Serif";
    int32_t height_ = -11;
    TColor color_ = clWindowText;
    TFontStyles style_;
    TFontPitch pitch_ = fpDefault;
    TFontCharset charset_ = DEFAULT_CHARSET;
    TFontHandle handle_;
};

class TPen : public TGraphicsObject {
    ORVANE_CLASS(TPen, TGraphicsObject)
    TPen() = default;

    void Assign(const TPersistent* source) override;
    HPEN Handle();

    TColor GetColor() const { return color_; }
    void SetColor(TColor value);
    int32_t GetWidth() const { return width_; }
    void SetWidth(int32_t value);
    TPenStyle GetStyle() const { return style_; }
    void SetStyle(TPenStyle value);
    // The raster operation lines are drawn with (SetROP2); the canvas
    // applies it, the pen handle does not carry it.
    TPenMode GetMode() const { return mode_; }
    void SetMode(TPenMode value);

private:
    void Changed() override;

    TColor color_ = clBlack;
    int32_t width_ = 1;
    TPenStyle style_ = psSolid;
    TPenMode mode_ = pmCopy;
    TPenHandle handle_;
};

class TBrush : public TGraphicsObject {
    ORVANE_CLASS(TBrush, TGraphicsObject)
    TBrush() = default;

    void Assign(const TPersistent* source) override;
    // bsClear answers the stock hollow brush (not owned).
    HBRUSH Handle();

    TColor GetColor() const { return color_; }
    // Setting a colour on a clear brush makes it solid.
    void SetColor(TColor value);
    TBrushStyle GetStyle() const { return style_; }
    void SetStyle(TBrushStyle value);

private:
    void Changed() override;

    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
    TBrushHandle handle_;
};

// ---------------------------------------------------------------------------
// The canvas.

class TCanvas : public TPersistent {
    ORVANE_CLASS(TCanvas, TPersistent)
    TCanvas();
    ~TCanvas() override;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    // The DC; asks CreateHandle for one when there is none (and raises
    // EInvalidOperation "Canvas does not allow drawing" when it gives none).
    HDC Handle();
    // Uses dc from now on; the previous DC gets its stock objects back first.
    // The canvas never frees a DC it is given.
    void SetHandle(HDC dc);
    bool HandleAllocated() const { return dc_ != nullptr; }

    TFont* Font() const { return font_.get(); }
    TPen* Pen() const { return pen_.get(); }
    TBrush* Brush() const { return brush_.get(); }
    void SetFont(const TFont* value) { font_->Assign(value); }
    void SetPen(const TPen* value) { pen_->Assign(value); }
    void SetBrush(const TBrush* value) { brush_->Assign(value); }

    TCopyMode CopyMode = cmSrcCopy;
    TNotifyEvent OnChange;   // after a drawing operation
    TNotifyEvent OnChanging; // before a drawing operation

    // Lines: the pen; a polyline and LineTo leave out their end point.
    TPoint GetPenPos();
    void SetPenPos(TPoint p);
    void MoveTo(int X, int Y);
    void LineTo(int X, int Y);
    void Polyline(const std::vector<TPoint>& points);
    void Polyline(const TPoint* points, int count);
    void Arc(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4);

    // Shapes: outlined with the pen, filled with the brush. The bounding box
    // excludes right and bottom: Rectangle(0, 0, 10, 10) covers 0..9.
    void Rectangle(int X1, int Y1, int X2, int Y2);
    void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    void Ellipse(int X1, int Y1, int X2, int Y2);
    void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
    void RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3);
    void Polygon(const std::vector<TPoint>& points);
    void Polygon(const TPoint* points, int count);
    void Pie(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4);
    void Chord(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4);

    // The brush alone.
    void FillRect(const TRect& r);
    void FrameRect(const TRect& r);
    // The dotted focus rectangle, drawn by inverting: twice removes it.
    void DrawFocusRect(const TRect& r);

    // Text: the font, on the brush's colour unless the brush is clear.
    void TextOut(int X, int Y, const std::string& text);
    // Clipped to r.
    void TextRect(const TRect& r, int X, int Y, const std::string& text);
    // DrawText with the canvas's objects; answers the text height.
    int DrawText(const std::string& text, TRect& r, UINT format);
    SIZE TextExtent(const std::string& text);
    int TextWidth(const std::string& text) { return TextExtent(text).cx; }
    int TextHeight(const std::string& text) { return TextExtent(text).cy; }

    // Pictures.
    void Draw(int X, int Y, TGraphic* graphic);
    void StretchDraw(const TRect& r, TGraphic* graphic);
    // Copies source's srcRect into destRect with CopyMode, stretching with
    // COLORONCOLOR when the sizes differ.
    void CopyRect(const TRect& destRect, TCanvas* source, const TRect& srcRect);

    // Pixels. Canvas.Pixels(x, y) = clRed; TColor c = Canvas.Pixels(x, y);
    // clNone outside the DC's clipping region.
    TColor GetPixel(int X, int Y);
    void SetPixel(int X, int Y, TColor color);
    class TPixelRef {
    public:
        TPixelRef(TCanvas& c, int x, int y) : c_(c), x_(x), y_(y) {}
        operator TColor() const { return c_.GetPixel(x_, y_); }
        TPixelRef& operator=(TColor color)
        {
            c_.SetPixel(x_, y_, color);
            return *this;
        }

    private:
        TCanvas& c_;
        int x_, y_;
    };
    TPixelRef Pixels(int X, int Y) { return TPixelRef(*this, X, Y); }

    // The clipping box of the DC.
    TRect ClipRect();

    // Serialises painting on the canvas between threads (recursive).
    void Lock();
    void Unlock();
    bool TryLock();
    int LockCount() const { return lockCount_; }

    // Puts the stock objects back into the DC; the next drawing call selects
    // the pen, brush and font again.
    void Refresh();
    // Refresh, and the pen, brush, font and copy mode back to what a new
    // canvas has. A tool already at its initial values keeps its handle, so
    // that a canvas drawn on for every paint does not make its objects anew.
    void ResetTools();

protected:
    // Called when a DC is needed and there is none: subclasses over windows
    // or bitmaps make one here and hand it to SetHandle. A subclass that
    // owns its DC calls SetHandle(nullptr) before releasing it (also in its
    // destructor), so the stock objects are back in the DC when it goes.
    virtual void CreateHandle() {}
    virtual void Changing();
    virtual void Changed();
    // Selects the objects drawing needs into the DC, creating it first.
    void RequirePen();
    void RequireBrush();
    void RequireFont();
    void RequireHandle() { Handle(); }

private:
    void DeselectHandles();
    void FontChanged(TObject*);
    void PenChanged(TObject*);
    void BrushChanged(TObject*);

    HDC dc_ = nullptr;
    std::unique_ptr<TFont> font_;
    std::unique_ptr<TPen> pen_;
    std::unique_ptr<TBrush> brush_;
    bool fontSelected_ = false, penSelected_ = false, brushSelected_ = false;
    CRITICAL_SECTION lock_;
    int lockCount_ = 0;
};

class EInvalidOperation : public Exception {
    using Exception::Exception;
};

// ---------------------------------------------------------------------------
// Pictures.

// A picture that can draw itself on a canvas and travel in streams and
// layouts. Layouts store it as the defined binary property "Data"; see
// ReadData/WriteData for the bytes.
class TGraphic : public TPersistent {
    ORVANE_CLASS(TGraphic, TPersistent)
    TGraphic() = default;

    virtual bool Empty() const = 0;
    virtual int32_t GetWidth() const = 0;
    virtual int32_t GetHeight() const = 0;
    virtual void SetWidth(int32_t value) = 0;
    virtual void SetHeight(int32_t value) = 0;
    virtual bool GetTransparent() const { return transparent_; }
    virtual void SetTransparent(bool value);

    virtual void LoadFromStream(TStream& stream) = 0;
    virtual void SaveToStream(TStream& stream) = 0;
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);

    bool Modified = false;
    TNotifyEvent OnChange;

    void DefineProperties(TFiler& filer) override;

protected:
    friend class TCanvas;
    friend class TPicture;
    virtual void Draw(TCanvas& canvas, const TRect& rect) = 0;
    virtual void Changed();
    // "Data": a 4-byte little-endian byte count, then that many bytes as
    // SaveToStream writes them (a whole BMP file for bitmaps).
    virtual void ReadData(TStream& stream);
    virtual void WriteData(TStream& stream);

    bool transparent_ = false;
};

// A bitmap over a DIB section. Its canvas is a memory DC holding the DIB.
class TBitmap : public TGraphic {
    ORVANE_CLASS(TBitmap, TGraphic)
    TBitmap();
    ~TBitmap() override;
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    // A deep copy of another bitmap's pixels, format and transparency.
    void Assign(const TPersistent* source) override;

    bool Empty() const override;
    int32_t GetWidth() const override { return width_; }
    int32_t GetHeight() const override { return height_; }
    // Resizing keeps the pixels that still fit; new pixels are black.
    void SetWidth(int32_t value) override;
    void SetHeight(int32_t value) override;
    void SetSize(int32_t width, int32_t height);

    // pfDevice is a 32-bit DIB that reports itself as pfDevice. Changing the
    // format converts the pixels through GDI (nearest colour for palettes).
    TPixelFormat GetPixelFormat() const { return pixelFormat_; }
    void SetPixelFormat(TPixelFormat value);

    TCanvas* Canvas();
    // The DIB section (null while empty); owned by the bitmap.
    HBITMAP Handle() const { return dib_.Handle.Get(); }
    // Takes over a bitmap handle (a DDB or DIB); its pixels are copied into
    // a DIB section of the matching format and h is freed.
    void SetHandle(HBITMAP h);
    // The first byte of row y (top row 0) in the DIB's own format; rows
    // are DWORD-aligned. Raises EInvalidGraphic for rows outside.
    void* ScanLine(int32_t row);

    // Transparency: Draw leaves out the pixels of TransparentColor. In
    // tmAuto that is the bottom-left pixel; setting a colour switches to
    // tmFixed.
    TColor GetTransparentColor();
    void SetTransparentColor(TColor value);
    TTransparentMode GetTransparentMode() const { return transparentMode_; }
    void SetTransparentMode(TTransparentMode value);

    // Windows BMP: 1, 4, 8, 16, 24 and 32 bits in; 32 bits out for pf32bit,
    // else 24. Malformed files raise EInvalidGraphic.
    void LoadFromStream(TStream& stream) override;
    // The same, refusing (EInvalidGraphic) before allocating anything an
    // image of more than maxPixels pixels: files from strangers get a budget.
    void LoadFromStream(TStream& stream, int64_t maxPixels);
    void SaveToStream(TStream& stream) override;
    // A BITMAP resource of module instance (null: this exe).
    void LoadFromResourceName(HINSTANCE instance, const std::string& name);
    void LoadFromResourceID(HINSTANCE instance, int id);

    // Frees the pixels; the bitmap becomes empty.
    void FreeImage();

protected:
    void Draw(TCanvas& canvas, const TRect& rect) override;
    void Changed() override;

private:
    class TBitmapCanvas;
    friend class TBitmapCanvas;

    struct TDib {
        TBitmapHandle Handle;
        void* Bits = nullptr;
        int32_t Stride = 0;
        int32_t Width = 0, Height = 0;
        TPixelFormat Format = pfDevice;
        std::vector<RGBQUAD> Palette;
    };
    // A top-down DIB of the format; pixels come zeroed. palette: the colour
    // table of 1-, 4- and 8-bit formats (empty: a default one).
    static TDib NewDib(int32_t width, int32_t height, TPixelFormat format, std::vector<RGBQUAD> palette = {});
    void ReplaceDib(TDib&& dib);
    void Resize(int32_t width, int32_t height);
    void DetachCanvas();
    HDC MemoryDC();
    std::vector<uint32_t> ReadPixels32();

    int32_t width_ = 0, height_ = 0;
    TPixelFormat pixelFormat_ = pfDevice;
    TDib dib_;
    TMemoryDC dc_; // holds dib_ while the canvas is in use
    HGDIOBJ oldBitmap_ = nullptr;
    std::unique_ptr<TCanvas> canvas_;
    TColor transparentColor_ = clDefault;
    TTransparentMode transparentMode_ = tmAuto;
};

// An icon; enough for a window's icon and drawing one.
class TIcon : public TGraphic {
    ORVANE_CLASS(TIcon, TGraphic)
    TIcon() = default;

    void Assign(const TPersistent* source) override; // a copy of the icon (CopyIcon)

    bool Empty() const override { return !icon_; }
    int32_t GetWidth() const override { return width_; }
    int32_t GetHeight() const override { return height_; }
    void SetWidth(int32_t value) override; // icons keep their size: raises EInvalidGraphic
    void SetHeight(int32_t value) override;

    HICON Handle() const { return icon_.Get(); }
    // Takes ownership of h.
    void SetHandle(HICON h);
    // Hands the icon over to the caller, who now frees it.
    HICON ReleaseHandle();
    // An ICON resource, at size (0: the system's large icon size).
    void LoadFromResourceName(HINSTANCE instance, const std::string& name, int size = 0);
    void LoadFromResourceID(HINSTANCE instance, int id, int size = 0);

    // .ico files: not needed by the program; raise EInvalidGraphic.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;

protected:
    void Draw(TCanvas& canvas, const TRect& rect) override;

private:
    void ReadSize();
    TIconHandle icon_;
    int32_t width_ = 0, height_ = 0;
};

// Holds one graphic of any kind.
class TPicture : public TPersistent {
    ORVANE_CLASS(TPicture, TPersistent)
    TPicture();
    ~TPicture() override;
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    // Null while empty.
    TGraphic* Graphic() const { return graphic_.get(); }
    // Holds a copy of value (null empties the picture).
    void SetGraphic(const TGraphic* value);
    // The picture as a bitmap, replacing any other graphic by an empty one.
    TBitmap* Bitmap();
    void SetBitmap(const TBitmap* value) { SetGraphic(value); }
    TIcon* Icon();

    int32_t Width() const { return graphic_ ? graphic_->GetWidth() : 0; }
    int32_t Height() const { return graphic_ ? graphic_->GetHeight() : 0; }

    void Assign(const TPersistent* source) override; // a TPicture, a TGraphic or null
    // BMP files only.
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream);
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);

    TNotifyEvent OnChange;

    // "Data": one byte n, the graphic's class name (n bytes), then the
    // graphic's own data (TGraphic::WriteData). Empty pictures store nothing.
    void DefineProperties(TFiler& filer) override;

protected:
    void AssignTo(TPersistent* dest) const override;

private:
    void Changed(TObject* sender = nullptr);
    void Take(std::unique_ptr<TGraphic> g);
    std::unique_ptr<TGraphic> graphic_;
};

// A strip of equally sized images, drawn by index. Images are kept side by
// side in one bitmap, with a monochrome-style mask (a 24-bit bitmap, white
// where transparent) beside it when Masked.
class TImageList : public TComponent {
    ORVANE_CLASS(TImageList, TComponent)
    explicit TImageList(TComponent* AOwner);
    ~TImageList() override;

    int32_t GetWidth() const { return width_; }
    int32_t GetHeight() const { return height_; }
    // Changing the size clears the list.
    void SetWidth(int32_t value);
    void SetHeight(int32_t value);
    int32_t Count() const { return count_; }
    bool Masked = true;
    TColor BkColor = clNone;

    // Adds the images of bitmap (one per Width across, at least one),
    // transparent where mask is white (mask may be null: all opaque).
    // Answers the index of the first. Raises EInvalidGraphic for a bitmap
    // narrower or lower than the list's size.
    int Add(TBitmap* image, TBitmap* mask);
    // Transparent where the image has maskColor (clDefault: its bottom-left pixel).
    int AddMasked(TBitmap* image, TColor maskColor);
    void Delete(int index);
    void Clear();

    // Raises EInvalidGraphic for an index out of range.
    void Draw(TCanvas* canvas, int X, int Y, int index);
    // Sets image to the index'th image (the transparent pixels filled with
    // BkColor, or black when clNone).
    void GetBitmap(int index, TBitmap* image);

    TNotifyEvent OnChange;

    // "Bitmap": the images as layouts store them. Bytes: a 4-byte count of
    // images, then the image strip as a 4-byte size plus a BMP file, then,
    // when the mask strip follows, another 4-byte size plus BMP file (a
    // size of 0 means no mask).
    void DefineProperties(TFiler& filer) override;

private:
    void CheckIndex(int index) const;
    void Grow(int newCount);
    void ReadImages(TStream& stream);
    void WriteImages(TStream& stream);
    void Changed();

    int32_t width_ = 16, height_ = 16;
    int32_t count_ = 0;
    std::unique_ptr<TBitmap> images_; // count_ * width_ by height_, 24-bit
    std::unique_ptr<TBitmap> mask_;   // same size; white = transparent
};
