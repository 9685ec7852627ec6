// TImageList: the images side by side in one 24-bit strip, and beside it a
// mask strip of the same size, white where an image is transparent. The
// transparent pixels of the image strip are kept black, so a masked draw is
// two blits: the mask ANDed onto the target clears the opaque pixels, the
// image ORed on fills them.
#include <cstring>

#include "framework/graphics.h"

const TClassInfo& TImageList::StaticClass()
{
    static const TClassInfo& info = PublishClass<TImageList>()
                                        .Color("BkColor", &TImageList::BkColor, &TImageList::BkColor, clNone)
                                        .Int("Height", &TImageList::GetHeight, &TImageList::SetHeight, 16)
                                        .Bool("Masked", &TImageList::Masked, &TImageList::Masked, true)
                                        .Int("Width", &TImageList::GetWidth, &TImageList::SetWidth, 16);
    return info;
}

TImageList::TImageList(TComponent* AOwner)
    : TComponent(AOwner), images_(std::make_unique<TBitmap>()), mask_(std::make_unique<TBitmap>())
{
    images_->SetPixelFormat(pf24bit);
    mask_->SetPixelFormat(pf24bit);
}

TImageList::~TImageList() = default;

void TImageList::Changed()
{
    if (OnChange) OnChange(this);
}

void TImageList::SetWidth(int32_t value)
{
    if (value == width_ || value <= 0) return;
    Clear();
    width_ = value;
}

void TImageList::SetHeight(int32_t value)
{
    if (value == height_ || value <= 0) return;
    Clear();
    height_ = value;
}

void TImageList::CheckIndex(int index) const
{
    if (index < 0 || index >= count_)
        throw EInvalidGraphic("Invalid image list index " + std::to_string(index));
}

void TImageList::Grow(int newCount)
{
    images_->SetSize(newCount * width_, height_);
    mask_->SetSize(newCount * width_, height_);
}

namespace {

// Makes the mask strictly black and white over columns [x0, x1) and blacks
// out the image where the mask is white. keyed: the mask is made from the
// image instead, white where the image has key (0xRRGGBB).
void SettleMask(TBitmap& images, TBitmap& mask, int x0, int x1, bool keyed, COLORREF key)
{
    const uint8_t kr = GetRValue(key), kg = GetGValue(key), kb = GetBValue(key);
    for (int y = 0; y < images.GetHeight(); ++y) {
        auto* img = static_cast<uint8_t*>(images.ScanLine(y));
        auto* msk = static_cast<uint8_t*>(mask.ScanLine(y));
        for (int x = x0; x < x1; ++x) {
            uint8_t* p = img + 3 * x;
            uint8_t* m = msk + 3 * x;
            const bool clear = keyed ? (p[0] == kb && p[1] == kg && p[2] == kr) : (m[0] | m[1] | m[2]) != 0;
            std::memset(m, clear ? 0xFF : 0, 3);
            if (clear) std::memset(p, 0, 3);
        }
    }
}

} // namespace

int TImageList::Add(TBitmap* image, TBitmap* mask)
{
    if (!image || image->GetWidth() < width_ || image->GetHeight() < height_)
        throw EInvalidGraphic("Image is smaller than the image list's size");
    const int first = count_;
    const int n = image->GetWidth() / width_;
    Grow(count_ + n);
    count_ += n;
    const TRect dest = Bounds(first * width_, 0, n * width_, height_);
    const TRect src = Rect(0, 0, n * width_, height_);
    images_->Canvas()->CopyRect(dest, image->Canvas(), src);
    TCanvas* maskCanvas = mask_->Canvas();
    if (mask && !mask->Empty()) {
        maskCanvas->CopyRect(dest, mask->Canvas(), src);
    } else {
        maskCanvas->Brush()->SetColor(clBlack);
        maskCanvas->FillRect(dest);
    }
    SettleMask(*images_, *mask_, dest.Left, dest.Right, false, 0);
    Changed();
    return first;
}

int TImageList::AddMasked(TBitmap* image, TColor maskColor)
{
    if (!image) throw EInvalidGraphic("Image is smaller than the image list's size");
    const COLORREF key = maskColor == clDefault
                             ? ColorToRGB(image->Canvas()->GetPixel(0, image->GetHeight() - 1))
                             : ColorToRGB(maskColor);
    const int first = Add(image, nullptr);
    SettleMask(*images_, *mask_, first * width_, count_ * width_, true, key);
    Changed();
    return first;
}

void TImageList::Delete(int index)
{
    CheckIndex(index);
    const size_t rowBytes = static_cast<size_t>(count_ - index - 1) * width_ * 3;
    for (int y = 0; y < height_; ++y) {
        for (TBitmap* strip : {images_.get(), mask_.get()}) {
            auto* row = static_cast<uint8_t*>(strip->ScanLine(y));
            std::memmove(row + static_cast<size_t>(index) * width_ * 3,
                         row + static_cast<size_t>(index + 1) * width_ * 3, rowBytes);
        }
    }
    --count_;
    Grow(count_);
    Changed();
}

void TImageList::Clear()
{
    if (count_ == 0 && images_->Empty()) return;
    count_ = 0;
    Grow(0);
    Changed();
}

void TImageList::Draw(TCanvas* canvas, int X, int Y, int index)
{
    CheckIndex(index);
    HDC dst = canvas->Handle();
    const int sx = index * width_;
    if (BkColor != clNone) {
        TBrushHandle brush(::CreateSolidBrush(ColorToRGB(BkColor)));
        const RECT r = Bounds(X, Y, width_, height_);
        ::FillRect(dst, &r, brush.Get());
    }
    HDC img = images_->Canvas()->Handle();
    if (Masked) {
        ::BitBlt(dst, X, Y, width_, height_, mask_->Canvas()->Handle(), sx, 0, SRCAND);
        ::BitBlt(dst, X, Y, width_, height_, img, sx, 0, SRCPAINT);
    } else {
        ::BitBlt(dst, X, Y, width_, height_, img, sx, 0, SRCCOPY);
    }
}

void TImageList::GetBitmap(int index, TBitmap* image)
{
    CheckIndex(index);
    if (!image) return;
    image->SetSize(width_, height_);
    TCanvas* c = image->Canvas();
    c->Brush()->SetColor(BkColor == clNone ? clBlack : BkColor);
    c->FillRect(Rect(0, 0, width_, height_));
    Draw(c, 0, 0, index);
    ::GdiFlush();
}

void TImageList::DefineProperties(TFiler& filer)
{
    filer.DefineBinaryProperty(
        "Bitmap", [this](TStream& s) { ReadImages(s); }, [this](TStream& s) { WriteImages(s); }, count_ > 0);
}

namespace {

void ReadSizedBitmap(TStream& s, TBitmap& bitmap)
{
    const int32_t size = s.ReadInt32();
    if (size < 0 || size > s.GetSize() - s.GetPosition()) throw EInvalidGraphic("Image list data is damaged");
    TMemoryStream data;
    if (size > 0) data.CopyFrom(s, size);
    data.SetPosition(0);
    bitmap.LoadFromStream(data);
}

void WriteSizedBitmap(TStream& s, TBitmap& bitmap)
{
    TMemoryStream data;
    bitmap.SaveToStream(data);
    s.WriteInt32(static_cast<int32_t>(data.GetSize()));
    s.WriteBuffer(data.Memory(), data.GetSize());
}

} // namespace

void TImageList::ReadImages(TStream& stream)
{
    const int32_t count = stream.ReadInt32();
    auto images = std::make_unique<TBitmap>();
    auto mask = std::make_unique<TBitmap>();
    ReadSizedBitmap(stream, *images);
    ReadSizedBitmap(stream, *mask);
    if (count < 0 || (count > 0 && (images->GetHeight() != height_ || images->GetWidth() < count * width_)) ||
        (!mask->Empty() && (mask->GetHeight() != height_ || mask->GetWidth() < count * width_)))
        throw EInvalidGraphic("Image list data does not match its size");
    images->SetPixelFormat(pf24bit);
    images->SetSize(count * width_, height_);
    // Without a stored mask the new black mask makes every pixel opaque.
    mask->SetPixelFormat(pf24bit);
    mask->SetSize(count * width_, height_);
    images_ = std::move(images);
    mask_ = std::move(mask);
    count_ = count;
    if (count_ > 0) SettleMask(*images_, *mask_, 0, count_ * width_, false, 0);
    Changed();
}

void TImageList::WriteImages(TStream& stream)
{
    stream.WriteInt32(count_);
    WriteSizedBitmap(stream, *images_);
    WriteSizedBitmap(stream, *mask_);
}
