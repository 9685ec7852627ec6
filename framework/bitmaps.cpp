// TGraphic, TBitmap, TIcon and TPicture.
#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "framework/graphics.h"
#include "runtime/bmpcodec.h"

// ---------------------------------------------------------------------------
// TGraphic

const TClassInfo& TGraphic::StaticClass()
{
    static const TClassInfo& info = PublishClass<TGraphic>();
    return info;
}

void TGraphic::SetTransparent(bool value)
{
    if (value == transparent_) return;
    transparent_ = value;
    Changed();
}

void TGraphic::Changed()
{
    Modified = true;
    if (OnChange) OnChange(this);
}

void TGraphic::LoadFromFile(const std::string& fileName)
{
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string& fileName)
{
    TFileStream stream(fileName, fmCreate);
    SaveToStream(stream);
}

void TGraphic::DefineProperties(TFiler& filer)
{
    filer.DefineBinaryProperty(
        "Data", [this](TStream& s) { ReadData(s); }, [this](TStream& s) { WriteData(s); }, !Empty());
}

void TGraphic::ReadData(TStream& stream)
{
    const int32_t size = stream.ReadInt32();
    if (size < 0 || size > stream.GetSize() - stream.GetPosition())
        throw EInvalidGraphic("Graphic data size is out of range");
    TMemoryStream data;
    if (size > 0) data.CopyFrom(stream, size);
    data.SetPosition(0);
    LoadFromStream(data);
}

void TGraphic::WriteData(TStream& stream)
{
    TMemoryStream data;
    SaveToStream(data);
    stream.WriteInt32(static_cast<int32_t>(data.GetSize()));
    stream.WriteBuffer(data.Memory(), data.GetSize());
}

// ---------------------------------------------------------------------------
// TBitmap

namespace {

int BitsPerPixel(TPixelFormat f)
{
    switch (f) {
    case pf1bit:
        return 1;
    case pf4bit:
        return 4;
    case pf8bit:
        return 8;
    case pf15bit:
    case pf16bit:
        return 16;
    case pf24bit:
        return 24;
    default:
        return 32;
    }
}

RGBQUAD Quad(uint8_t r, uint8_t g, uint8_t b)
{
    return RGBQUAD{b, g, r, 0};
}

// The colour tables a bitmap gets when converted to a palette format:
// black and white; the 16 standard colours; those 16, a 6x6x6 colour cube
// and grey steps.
std::vector<RGBQUAD> DefaultPalette(TPixelFormat f)
{
    static const uint8_t vga[16][3] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                       {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                                       {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                       {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    std::vector<RGBQUAD> pal;
    if (f == pf1bit) return {Quad(0, 0, 0), Quad(255, 255, 255)};
    for (auto& c : vga)
        pal.push_back(Quad(c[0], c[1], c[2]));
    if (f == pf4bit) return pal;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                pal.push_back(Quad(uint8_t(r * 51), uint8_t(g * 51), uint8_t(b * 51)));
    for (int i = 0; pal.size() < 256; ++i) {
        const uint8_t v = static_cast<uint8_t>(8 + i * 10);
        pal.push_back(Quad(v, v, v));
    }
    return pal;
}

// Writes decoded pixels (0xAARRGGBB, top row first) into a DIB of the
// given format. Palette formats look each colour up in the table it was
// decoded from, so indices come back as the file had them.
void StorePixels(const TBmpImage& img, uint8_t* bits, int32_t stride, TPixelFormat f,
                 const std::vector<RGBQUAD>& palette)
{
    std::unordered_map<uint32_t, uint8_t> index;
    for (size_t i = palette.size(); i-- > 0;)
        index[uint32_t(palette[i].rgbRed) << 16 | uint32_t(palette[i].rgbGreen) << 8 | palette[i].rgbBlue] =
            static_cast<uint8_t>(i);
    for (int32_t y = 0; y < img.Height; ++y) {
        uint8_t* row = bits + static_cast<size_t>(y) * stride;
        const uint32_t* src = img.Pixels.data() + static_cast<size_t>(y) * img.Width;
        for (int32_t x = 0; x < img.Width; ++x) {
            const uint32_t p = src[x];
            const uint8_t r = uint8_t(p >> 16), g = uint8_t(p >> 8), b = uint8_t(p);
            switch (f) {
            case pf1bit:
            case pf4bit:
            case pf8bit: {
                auto it = index.find(p & 0xFFFFFF);
                const uint8_t i = it == index.end() ? 0 : it->second;
                if (f == pf8bit)
                    row[x] = i;
                else if (f == pf4bit)
                    row[x / 2] |= static_cast<uint8_t>(x % 2 ? i : i << 4);
                else if (i)
                    row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
                break;
            }
            case pf15bit:
            case pf16bit: {
                const uint16_t v = f == pf15bit ? uint16_t((r >> 3) << 10 | (g >> 3) << 5 | b >> 3)
                                                : uint16_t((r >> 3) << 11 | (g >> 2) << 5 | b >> 3);
                row[2 * x] = uint8_t(v);
                row[2 * x + 1] = uint8_t(v >> 8);
                break;
            }
            case pf24bit:
                row[3 * x] = b;
                row[3 * x + 1] = g;
                row[3 * x + 2] = r;
                break;
            default:
                std::memcpy(row + 4 * x, &p, 4);
                break;
            }
        }
    }
}

TPixelFormat FormatOfFile(const TBmpImage& img)
{
    switch (img.BitCount) {
    case 1:
        return pf1bit;
    case 4:
        return pf4bit;
    case 8:
        return pf8bit;
    case 16:
        return img.GreenMask == 0x7E0 ? pf16bit : pf15bit;
    case 24:
        return pf24bit;
    default:
        return pf32bit;
    }
}

} // namespace

// The bitmap's canvas draws on the bitmap's memory DC, made on demand.
class TBitmap::TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap& owner) : owner_(owner) {}

protected:
    void CreateHandle() override { SetHandle(owner_.MemoryDC()); }
    // Code that writes through ScanLine after drawing must see the drawing.
    void Changed() override
    {
        ::GdiFlush();
        TCanvas::Changed();
    }

private:
    TBitmap& owner_;
};

const TClassInfo& TBitmap::StaticClass()
{
    static const TClassInfo& info =
        PublishClass<TBitmap>()
            // The stored Data carries size and pixels.
            .Int("Height", &TBitmap::GetHeight, &TBitmap::SetHeight)
            .Stored(false)
            .Int("Width", &TBitmap::GetWidth, &TBitmap::SetWidth)
            .Stored(false)
            .Enum("PixelFormat", &TBitmap::GetPixelFormat, &TBitmap::SetPixelFormat)
            .Stored(false)
            .Bool("Transparent", &TBitmap::GetTransparent, &TBitmap::SetTransparent, false)
            // The colour as set (clDefault in tmAuto), so layouts read back
            // the same mode.
            .Color("TransparentColor", &TBitmap::transparentColor_, &TBitmap::SetTransparentColor, clDefault)
            .Enum("TransparentMode", &TBitmap::GetTransparentMode, &TBitmap::SetTransparentMode, tmAuto);
    return info;
}

TBitmap::TBitmap() = default;

TBitmap::~TBitmap()
{
    // The canvas gives its objects back while the DC still exists.
    DetachCanvas();
    canvas_.reset();
}

TBitmap::TDib TBitmap::NewDib(int32_t width, int32_t height, TPixelFormat format,
                              std::vector<RGBQUAD> palette)
{
    TDib dib;
    dib.Width = width;
    dib.Height = height;
    dib.Format = format;
    if (width <= 0 || height <= 0) return dib;
    if (width > BmpMaxDimension || height > BmpMaxDimension || int64_t{width} * height > BmpMaxPixels)
        throw EInvalidGraphic("Bitmap image is too large");
    const int bpp = BitsPerPixel(format);
    if (bpp <= 8) {
        if (palette.empty()) palette = DefaultPalette(format);
        palette.resize(std::min<size_t>(palette.size(), size_t{1} << bpp));
    } else {
        palette.clear();
    }
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD colors[256];
    } bmi{};
    bmi.h.biSize = sizeof(BITMAPINFOHEADER);
    bmi.h.biWidth = width;
    bmi.h.biHeight = -height; // top-down: ScanLine(0) is the top row
    bmi.h.biPlanes = 1;
    bmi.h.biBitCount = static_cast<WORD>(bpp);
    bmi.h.biCompression = BI_RGB;
    bmi.h.biClrUsed = static_cast<DWORD>(palette.size());
    std::copy(palette.begin(), palette.end(), bmi.colors);
    if (format == pf16bit) {
        bmi.h.biCompression = BI_BITFIELDS;
        const DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
        std::memcpy(bmi.colors, masks, sizeof(masks));
    }
    void* bits = nullptr;
    dib.Handle.Reset(
        ::CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&bmi), DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib.Handle || !bits) throw EOutOfResources("Out of system resources (bitmap)");
    dib.Bits = bits;
    dib.Stride = ((width * bpp + 31) / 32) * 4;
    std::memset(bits, 0, static_cast<size_t>(dib.Stride) * height);
    dib.Palette = std::move(palette);
    return dib;
}

void TBitmap::DetachCanvas()
{
    if (canvas_) canvas_->SetHandle(nullptr);
    if (dc_ && oldBitmap_) ::SelectObject(dc_.Get(), oldBitmap_);
    oldBitmap_ = nullptr;
    dc_.Reset();
}

HDC TBitmap::MemoryDC()
{
    if (!dc_) dc_ = TMemoryDC::Create();
    if (dib_.Handle && !oldBitmap_) oldBitmap_ = ::SelectObject(dc_.Get(), dib_.Handle.Get());
    return dc_.Get();
}

void TBitmap::ReplaceDib(TDib&& dib)
{
    DetachCanvas();
    dib_ = std::move(dib);
    width_ = dib_.Width;
    height_ = dib_.Height;
    pixelFormat_ = dib_.Format;
    Changed();
}

void TBitmap::Changed()
{
    TGraphic::Changed();
}

bool TBitmap::Empty() const
{
    return !dib_.Handle;
}

TCanvas* TBitmap::Canvas()
{
    if (!canvas_) canvas_ = std::make_unique<TBitmapCanvas>(*this);
    return canvas_.get();
}

void TBitmap::Resize(int32_t width, int32_t height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == width_ && height == height_) return;
    TDib dib = NewDib(width, height, pixelFormat_, dib_.Palette);
    if (dib.Handle && dib_.Handle) {
        ::GdiFlush();
        const int bpp = BitsPerPixel(pixelFormat_);
        const size_t rowBytes = (static_cast<size_t>(std::min(width, width_)) * bpp + 7) / 8;
        for (int32_t y = 0; y < std::min(height, height_); ++y)
            std::memcpy(static_cast<uint8_t*>(dib.Bits) + static_cast<size_t>(y) * dib.Stride,
                        static_cast<uint8_t*>(dib_.Bits) + static_cast<size_t>(y) * dib_.Stride, rowBytes);
    }
    ReplaceDib(std::move(dib));
}

void TBitmap::SetWidth(int32_t value)
{
    Resize(value, height_);
}
void TBitmap::SetHeight(int32_t value)
{
    Resize(width_, value);
}
void TBitmap::SetSize(int32_t width, int32_t height)
{
    Resize(width, height);
}

void TBitmap::FreeImage()
{
    ReplaceDib(NewDib(0, 0, pixelFormat_));
}

void TBitmap::SetPixelFormat(TPixelFormat value)
{
    if (value == pixelFormat_) return;
    if (value == pfCustom) throw EInvalidGraphic("Invalid pixel format");
    // pfDevice and pf32bit share one memory layout.
    const bool sameLayout = BitsPerPixel(value) == 32 && BitsPerPixel(pixelFormat_) == 32;
    if (!dib_.Handle || sameLayout) {
        pixelFormat_ = value;
        dib_.Format = value;
        if (!sameLayout) dib_.Palette.clear();
        Changed();
        return;
    }
    TDib dib = NewDib(width_, height_, value);
    {
        TMemoryDC dst = TMemoryDC::Create();
        TSelectObject select(dst.Get(), dib.Handle.Get());
        ::BitBlt(dst.Get(), 0, 0, width_, height_, MemoryDC(), 0, 0, SRCCOPY);
        ::GdiFlush();
    }
    ReplaceDib(std::move(dib));
}

void TBitmap::SetHandle(HBITMAP h)
{
    if (h && h == dib_.Handle.Get()) return;
    TBitmapHandle taken(h);
    if (!h) {
        FreeImage();
        return;
    }
    DIBSECTION ds{};
    const int got = ::GetObjectA(h, sizeof(ds), &ds);
    if (got == 0) throw EInvalidGraphic("Invalid bitmap handle");
    TPixelFormat format = pfDevice;
    if (got == sizeof(DIBSECTION)) {
        switch (ds.dsBm.bmBitsPixel) {
        case 1:
            format = pf1bit;
            break;
        case 4:
            format = pf4bit;
            break;
        case 8:
            format = pf8bit;
            break;
        case 16:
            format = ds.dsBitfields[1] == 0x7E0 ? pf16bit : pf15bit;
            break;
        case 24:
            format = pf24bit;
            break;
        default:
            format = pf32bit;
            break;
        }
    }
    const int32_t w = ds.dsBm.bmWidth, h2 = ds.dsBm.bmHeight;
    std::vector<RGBQUAD> palette;
    TMemoryDC src = TMemoryDC::Create();
    TSelectObject selectSrc(src.Get(), h);
    if (BitsPerPixel(format) <= 8) {
        palette.resize(256);
        palette.resize(::GetDIBColorTable(src.Get(), 0, 256, palette.data()));
    } else if (ds.dsBm.bmBitsPixel == 1) {
        // A monochrome DDB: black and white.
        format = pf1bit;
    }
    TDib dib = NewDib(w, h2, format, palette);
    if (dib.Handle) {
        TMemoryDC dst = TMemoryDC::Create();
        TSelectObject selectDst(dst.Get(), dib.Handle.Get());
        ::BitBlt(dst.Get(), 0, 0, w, h2, src.Get(), 0, 0, SRCCOPY);
        ::GdiFlush();
    }
    ReplaceDib(std::move(dib));
}

void* TBitmap::ScanLine(int32_t row)
{
    if (!dib_.Handle || row < 0 || row >= height_) throw EInvalidGraphic("Scan line index out of range");
    ::GdiFlush();
    return static_cast<uint8_t*>(dib_.Bits) + static_cast<size_t>(row) * dib_.Stride;
}

std::vector<uint32_t> TBitmap::ReadPixels32()
{
    std::vector<uint32_t> pixels(static_cast<size_t>(width_) * height_);
    if (pixels.empty()) return pixels;
    ::GdiFlush();
    if (BitsPerPixel(pixelFormat_) == 32) {
        for (int32_t y = 0; y < height_; ++y)
            std::memcpy(&pixels[static_cast<size_t>(y) * width_],
                        static_cast<uint8_t*>(dib_.Bits) + static_cast<size_t>(y) * dib_.Stride,
                        static_cast<size_t>(width_) * 4);
        return pixels;
    }
    // Other formats: let GDI expand them into a 32-bit copy.
    TDib copy = NewDib(width_, height_, pf32bit);
    {
        TMemoryDC dst = TMemoryDC::Create();
        TSelectObject select(dst.Get(), copy.Handle.Get());
        ::BitBlt(dst.Get(), 0, 0, width_, height_, MemoryDC(), 0, 0, SRCCOPY);
        ::GdiFlush();
    }
    std::memcpy(pixels.data(), copy.Bits, pixels.size() * 4);
    return pixels;
}

TColor TBitmap::GetTransparentColor()
{
    if (transparentMode_ == tmFixed) return transparentColor_;
    if (Empty()) return clDefault;
    ::GdiFlush();
    const COLORREF c = ::GetPixel(MemoryDC(), 0, height_ - 1);
    return static_cast<TColor>(c & 0xFFFFFF);
}

void TBitmap::SetTransparentColor(TColor value)
{
    if (value == transparentColor_) return;
    transparentColor_ = value;
    transparentMode_ = value == clDefault ? tmAuto : tmFixed;
    Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode value)
{
    if (value == transparentMode_) return;
    transparentMode_ = value;
    if (value == tmAuto) transparentColor_ = clDefault;
    Changed();
}

void TBitmap::Assign(const TPersistent* source)
{
    if (!source) {
        FreeImage();
        return;
    }
    if (auto* b = dynamic_cast<const TBitmap*>(source)) {
        if (b == this) return;
        TDib dib = NewDib(b->width_, b->height_, b->pixelFormat_, b->dib_.Palette);
        if (dib.Handle) {
            ::GdiFlush();
            std::memcpy(dib.Bits, b->dib_.Bits, static_cast<size_t>(dib.Stride) * dib.Height);
        }
        transparent_ = b->transparent_;
        transparentColor_ = b->transparentColor_;
        transparentMode_ = b->transparentMode_;
        ReplaceDib(std::move(dib));
        // An empty source may still have a size set.
        width_ = b->width_;
        height_ = b->height_;
        return;
    }
    if (auto* g = dynamic_cast<const TGraphic*>(source)) {
        // Other graphics are drawn onto white.
        TGraphic* other = const_cast<TGraphic*>(g);
        ReplaceDib(NewDib(other->GetWidth(), other->GetHeight(), pf32bit));
        if (Empty()) return;
        Canvas()->Brush()->SetColor(clWhite);
        Canvas()->FillRect(Rect(0, 0, width_, height_));
        Canvas()->Draw(0, 0, other);
        return;
    }
    TGraphic::Assign(source);
}

void TBitmap::LoadFromStream(TStream& stream)
{
    LoadFromStream(stream, BmpMaxPixels);
}

void TBitmap::LoadFromStream(TStream& stream, int64_t maxPixels)
{
    if (stream.GetPosition() >= stream.GetSize()) {
        FreeImage();
        return;
    }
    const TBmpImage img = DecodeBmp(stream, std::min(maxPixels, BmpMaxPixels));
    const TPixelFormat format = FormatOfFile(img);
    std::vector<RGBQUAD> palette;
    for (uint32_t c : img.Palette)
        palette.push_back(Quad(uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)));
    if (palette.empty() && BitsPerPixel(format) <= 8) palette.push_back(Quad(0, 0, 0));
    TDib dib = NewDib(img.Width, img.Height, format, std::move(palette));
    if (dib.Handle) StorePixels(img, static_cast<uint8_t*>(dib.Bits), dib.Stride, format, dib.Palette);
    ReplaceDib(std::move(dib));
}

void TBitmap::SaveToStream(TStream& stream)
{
    if (Empty()) return;
    TBmpImage img;
    img.Width = width_;
    img.Height = height_;
    img.Pixels = ReadPixels32();
    EncodeBmp(img, pixelFormat_ == pf32bit ? 32 : 24, stream);
}

namespace {

// A BITMAP resource is a BMP file without its 14-byte file header; the
// header's pixel offset follows from the info header and colour table.
void ReadBitmapResource(HINSTANCE instance, LPCSTR name, TMemoryStream& file)
{
    HRSRC res = ::FindResourceA(instance, name, reinterpret_cast<LPCSTR>(RT_BITMAP));
    HGLOBAL data = res ? ::LoadResource(instance, res) : nullptr;
    const auto* bytes = data ? static_cast<const uint8_t*>(::LockResource(data)) : nullptr;
    const DWORD size = res ? ::SizeofResource(instance, res) : 0;
    if (!bytes || size < sizeof(BITMAPCOREHEADER))
        throw EInvalidGraphic(
            "Bitmap resource " +
            (IS_INTRESOURCE(name) ? std::to_string(reinterpret_cast<uintptr_t>(name)) : std::string(name)) +
            " not found");
    DWORD headerSize = 0;
    std::memcpy(&headerSize, bytes, 4);
    DWORD tableBytes = 0;
    if (headerSize == sizeof(BITMAPCOREHEADER)) {
        BITMAPCOREHEADER h;
        std::memcpy(&h, bytes, sizeof(h));
        if (h.bcBitCount <= 8) tableBytes = (1u << h.bcBitCount) * 3;
    } else if (size >= sizeof(BITMAPINFOHEADER)) {
        BITMAPINFOHEADER h;
        std::memcpy(&h, bytes, sizeof(h));
        DWORD colors = h.biClrUsed;
        if (h.biBitCount <= 8 && (colors == 0 || colors > (1u << h.biBitCount))) colors = 1u << h.biBitCount;
        tableBytes = colors * 4;
        if (headerSize == sizeof(BITMAPINFOHEADER) && h.biCompression == BI_BITFIELDS) tableBytes += 12;
    }
    const uint32_t total = 14 + size;
    const uint32_t offBits = 14 + headerSize + tableBytes;
    const uint8_t header[14] = {'B',
                                'M',
                                uint8_t(total),
                                uint8_t(total >> 8),
                                uint8_t(total >> 16),
                                uint8_t(total >> 24),
                                0,
                                0,
                                0,
                                0,
                                uint8_t(offBits),
                                uint8_t(offBits >> 8),
                                uint8_t(offBits >> 16),
                                uint8_t(offBits >> 24)};
    file.WriteBuffer(header, sizeof(header));
    file.WriteBuffer(bytes, size);
    file.SetPosition(0);
}

} // namespace

void TBitmap::LoadFromResourceName(HINSTANCE instance, const std::string& name)
{
    TMemoryStream file;
    ReadBitmapResource(instance, name.c_str(), file);
    LoadFromStream(file);
}

void TBitmap::LoadFromResourceID(HINSTANCE instance, int id)
{
    TMemoryStream file;
    ReadBitmapResource(instance, MAKEINTRESOURCEA(id), file);
    LoadFromStream(file);
}

void TBitmap::Draw(TCanvas& canvas, const TRect& r)
{
    if (Empty()) return;
    HDC dst = canvas.Handle();
    HDC src = MemoryDC();
    ::GdiFlush();
    if (transparent_) {
        // TransparentBlt compares colours, so the key must be the colour as
        // the pixel holds it.
        const COLORREF key = ColorToRGB(GetTransparentColor());
        ::TransparentBlt(dst, r.Left, r.Top, r.Width(), r.Height(), src, 0, 0, width_, height_, key);
        return;
    }
    if (r.Width() == width_ && r.Height() == height_) {
        ::BitBlt(dst, r.Left, r.Top, width_, height_, src, 0, 0, static_cast<DWORD>(canvas.CopyMode));
        return;
    }
    ::SetStretchBltMode(dst, COLORONCOLOR);
    ::StretchBlt(dst, r.Left, r.Top, r.Width(), r.Height(), src, 0, 0, width_, height_,
                 static_cast<DWORD>(canvas.CopyMode));
}

// ---------------------------------------------------------------------------
// TIcon

const TClassInfo& TIcon::StaticClass()
{
    static const TClassInfo& info = PublishClass<TIcon>();
    return info;
}

void TIcon::Assign(const TPersistent* source)
{
    if (!source) {
        SetHandle(nullptr);
        return;
    }
    if (auto* i = dynamic_cast<const TIcon*>(source)) {
        if (i == this) return;
        HICON copy = i->icon_ ? ::CopyIcon(i->icon_.Get()) : nullptr;
        if (i->icon_ && !copy) throw EOutOfResources("Out of system resources (icon)");
        SetHandle(copy);
        return;
    }
    TGraphic::Assign(source);
}

void TIcon::SetWidth(int32_t value)
{
    if (value != width_) throw EInvalidGraphic("Cannot change the size of an icon");
}

void TIcon::SetHeight(int32_t value)
{
    if (value != height_) throw EInvalidGraphic("Cannot change the size of an icon");
}

void TIcon::SetHandle(HICON h)
{
    if (h && h == icon_.Get()) return;
    icon_.Reset(h);
    ReadSize();
    Changed();
}

HICON TIcon::ReleaseHandle()
{
    HICON h = icon_.Release();
    ReadSize();
    Changed();
    return h;
}

void TIcon::ReadSize()
{
    width_ = height_ = 0;
    ICONINFO ii{};
    if (!icon_ || !::GetIconInfo(icon_.Get(), &ii)) return;
    // GetIconInfo hands us copies of the icon's bitmaps to free.
    TBitmapHandle color(ii.hbmColor), mask(ii.hbmMask);
    BITMAP bm{};
    if (color && ::GetObjectA(color.Get(), sizeof(bm), &bm)) {
        width_ = bm.bmWidth;
        height_ = bm.bmHeight;
    } else if (mask && ::GetObjectA(mask.Get(), sizeof(bm), &bm)) {
        // A monochrome icon's mask holds the AND and XOR halves one below the other.
        width_ = bm.bmWidth;
        height_ = bm.bmHeight / 2;
    }
}

void TIcon::LoadFromResourceName(HINSTANCE instance, const std::string& name, int size)
{
    // LoadImage reads a null instance as the system's own images.
    if (!instance) instance = ::GetModuleHandleA(nullptr);
    HANDLE h = ::LoadImageA(instance, name.c_str(), IMAGE_ICON, size, size, size ? 0 : LR_DEFAULTSIZE);
    if (!h) throw EInvalidGraphic("Icon resource not found");
    SetHandle(static_cast<HICON>(h));
}

void TIcon::LoadFromResourceID(HINSTANCE instance, int id, int size)
{
    if (!instance) instance = ::GetModuleHandleA(nullptr);
    HANDLE h =
        ::LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, size ? 0 : LR_DEFAULTSIZE);
    if (!h) throw EInvalidGraphic("Icon resource " + std::to_string(id) + " not found");
    SetHandle(static_cast<HICON>(h));
}

void TIcon::LoadFromStream(TStream&)
{
    throw EInvalidGraphic("Icons are loaded from resources only");
}

void TIcon::SaveToStream(TStream&)
{
    throw EInvalidGraphic("Icons are not saved to streams");
}

void TIcon::Draw(TCanvas& canvas, const TRect& r)
{
    if (!icon_) return;
    ::DrawIconEx(canvas.Handle(), r.Left, r.Top, icon_.Get(), r.Width(), r.Height(), 0, nullptr, DI_NORMAL);
}

// ---------------------------------------------------------------------------
// TPicture

namespace {

std::unique_ptr<TGraphic> NewGraphic(const std::string& className)
{
    if (SameText(className, TBitmap::StaticClassName)) return std::make_unique<TBitmap>();
    if (SameText(className, TIcon::StaticClassName)) return std::make_unique<TIcon>();
    throw EInvalidGraphic("Unknown picture format " + className);
}

} // namespace

const TClassInfo& TPicture::StaticClass()
{
    // Data carries the graphic; these give by-name access to it.
    static const TClassInfo& info = PublishClass<TPicture>()
                                        .Object("Bitmap", &TPicture::Bitmap, &TPicture::SetBitmap)
                                        .Stored(false)
                                        .Object("Graphic", &TPicture::Graphic, &TPicture::SetGraphic)
                                        .Stored(false)
                                        .Int("Height", &TPicture::Height, nullptr)
                                        .Stored(false)
                                        .Int("Width", &TPicture::Width, nullptr)
                                        .Stored(false);
    return info;
}

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Changed(TObject*)
{
    if (OnChange) OnChange(this);
}

void TPicture::Take(std::unique_ptr<TGraphic> g)
{
    if (g) g->OnChange = [this](TObject* s) { Changed(s); };
    graphic_ = std::move(g);
    Changed();
}

void TPicture::SetGraphic(const TGraphic* value)
{
    if (value == graphic_.get()) return;
    if (!value) {
        Take(nullptr);
        return;
    }
    std::unique_ptr<TGraphic> copy = NewGraphic(value->ClassName());
    copy->Assign(value);
    Take(std::move(copy));
}

TBitmap* TPicture::Bitmap()
{
    if (!dynamic_cast<TBitmap*>(graphic_.get())) Take(std::make_unique<TBitmap>());
    return static_cast<TBitmap*>(graphic_.get());
}

TIcon* TPicture::Icon()
{
    if (!dynamic_cast<TIcon*>(graphic_.get())) Take(std::make_unique<TIcon>());
    return static_cast<TIcon*>(graphic_.get());
}

void TPicture::Assign(const TPersistent* source)
{
    if (!source) {
        SetGraphic(nullptr);
    } else if (auto* p = dynamic_cast<const TPicture*>(source)) {
        if (p != this) SetGraphic(p->Graphic());
    } else if (auto* g = dynamic_cast<const TGraphic*>(source)) {
        SetGraphic(g);
    } else {
        TPersistent::Assign(source);
    }
}

void TPicture::AssignTo(TPersistent* dest) const
{
    if (auto* g = dynamic_cast<TGraphic*>(dest)) {
        g->Assign(graphic_.get());
        return;
    }
    TPersistent::AssignTo(dest);
}

void TPicture::LoadFromStream(TStream& stream)
{
    auto b = std::make_unique<TBitmap>();
    b->LoadFromStream(stream);
    Take(std::move(b));
}

void TPicture::SaveToStream(TStream& stream)
{
    if (graphic_) graphic_->SaveToStream(stream);
}

void TPicture::LoadFromFile(const std::string& fileName)
{
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(stream);
}

void TPicture::SaveToFile(const std::string& fileName)
{
    TFileStream stream(fileName, fmCreate);
    SaveToStream(stream);
}

void TPicture::DefineProperties(TFiler& filer)
{
    filer.DefineBinaryProperty(
        "Data",
        [this](TStream& s) {
            uint8_t n = 0;
            s.ReadBuffer(&n, 1);
            std::string className(n, '\0');
            s.ReadBuffer(className.data(), n);
            std::unique_ptr<TGraphic> g = NewGraphic(className);
            g->ReadData(s);
            Take(std::move(g));
        },
        [this](TStream& s) {
            const std::string& className = graphic_->ClassName();
            const uint8_t n = static_cast<uint8_t>(className.size());
            s.WriteBuffer(&n, 1);
            s.WriteBuffer(className.data(), n);
            graphic_->WriteData(s);
        },
        graphic_ && !graphic_->Empty());
}
