#include "widgets/isevensegmentdisplay.h"

#include <algorithm>

namespace {

// Segment colours go to GDI palette-relative, as the display always has; on
// a true-colour surface that is the plain colour.
constexpr TColor kPaletteRelative = 0x02000000;

} // namespace

// ---------------------------------------------------------------------------
// TiSevenSegmentCharacter

const TClassInfo& TiSevenSegmentCharacter::StaticClass()
{
    using T = TiSevenSegmentCharacter;
    static const TClassInfo& info = []() -> const TClassInfo& {
        auto b = PublishClass<T>();
        b.Char("Character", &T::GetCharacter, &T::SetCharacter)
            .Bool("AutoSize", &T::IsAutoSize, &T::SetAutoSize, true)
            .Bool("PowerOff", &T::GetPowerOff, &T::SetPowerOff, false)
            .Color("SegmentColor", &T::GetSegmentColor, &T::SetSegmentColor, clLime)
            .Int("SegmentMargin", &T::GetSegmentMargin, &T::SetSegmentMargin, 2)
            .Int("SegmentSeperation", &T::GetSegmentSeperation, &T::SetSegmentSeperation, 1)
            .Int("SegmentSize", &T::GetSegmentSize, &T::SetSegmentSize, 1)
            .Bool("ShowOffSegments", &T::GetShowOffSegments, &T::SetShowOffSegments, true)
            .Int("SegmentBits", &T::GetSegmentBits, &T::SetSegmentBits, 0)
            .Bool("UseSegmentBits", &T::GetUseSegmentBits, &T::SetUseSegmentBits, false);
        static const char* const names[] = {"SegAOn", "SegBOn", "SegCOn", "SegDOn",
                                            "SegEOn", "SegFOn", "SegGOn"};
        for (int s = segA; s <= segG; ++s) {
            const auto seg = static_cast<TSegment>(s);
            b.Bool(
                names[s], [seg](T& o) { return o.GetSegOn(seg); },
                [seg](T& o, bool v) { o.SetSegOn(seg, v); }, false);
        }
        b.Enum("Value", &T::GetValue, &T::SetValue, ssc0)
            .Color("SegmentOffColor", &T::GetSegmentOffColor, &T::SetSegmentOffColor, clGreen)
            .Bool("AutoSegmentOffColor", &T::GetAutoSegmentOffColor, &T::SetAutoSegmentOffColor, true);
        iPublishBackGroundColor(b, clBlack);
        iPublishTransparent(b);
        return b;
    }();
    return info;
}

TiSevenSegmentCharacter::TiSevenSegmentCharacter(TComponent* AOwner) : TiCustomComponent(AOwner)
{
    SetBackGroundColor(clBlack);
    DoAutoSize();
}

void TiSevenSegmentCharacter::SetValue(TSevenSegmentCharacter Value)
{
    if (Value == value_) return;
    value_ = Value;
    DoAutoSize(); // the narrow symbols are narrower
    InvalidateChange();
}

void TiSevenSegmentCharacter::SetAutoSize(bool Value)
{
    if (Value == autoSize_) return;
    autoSize_ = Value;
    DoAutoSize();
    InvalidateChange();
}

void TiSevenSegmentCharacter::SetSegmentMargin(int32_t Value)
{
    Value = std::max(Value, 0);
    if (Value == segmentMargin_) return;
    segmentMargin_ = Value;
    DoAutoSize();
    InvalidateChange();
}

void TiSevenSegmentCharacter::SetSegmentSize(int32_t Value)
{
    Value = std::max(Value, 1);
    if (Value == segmentSize_) return;
    segmentSize_ = Value;
    DoAutoSize();
    InvalidateChange();
}

void TiSevenSegmentCharacter::SetSegmentBits(uint8_t Value)
{
    Value &= 0x7F;
    if (Value == segmentBits_) return;
    segmentBits_ = Value;
    InvalidateChange();
}

void TiSevenSegmentCharacter::SetSegOn(TSegment Segment, bool Value)
{
    const uint8_t bit = static_cast<uint8_t>(1u << Segment);
    SetSegmentBits(Value ? segmentBits_ | bit : segmentBits_ & ~bit);
}

void TiSevenSegmentCharacter::DoAutoSize()
{
    if (GetLoading() || !autoSize_) return;
    SetBounds(Left(), Top(), GetCharacterWidth(), GetCharacterHeight());
}

TColor TiSevenSegmentCharacter::OffColor() const
{
    return autoSegmentOffColor_ ? DimColor(segmentColor_, 3) : segmentOffColor_;
}

TColor TiSevenSegmentCharacter::OnColor() const
{
    return powerOff_ ? OffColor() : segmentColor_;
}

void TiSevenSegmentCharacter::iPaintTo(TCanvas* Canvas)
{
    DrawBackGround(Canvas, GetBackGroundColor());
    Draw(Canvas, TPoint(0, 0), Width(), Height(), value_);
}

void TiSevenSegmentCharacter::Draw(TCanvas* Canvas, TPoint Origin, int32_t W, int32_t H,
                                   TSevenSegmentCharacter Value)
{
    const uint8_t lit = useSegmentBits_ ? segmentBits_ : SevenSegmentBits(Value);
    DrawSegments(Canvas, Origin, W, H, lit);
    if (!IsSegmentSymbol(Value)) return;
    const TSegmentMetrics g{W, H, segmentMargin_, segmentSeperation_, segmentSize_};
    for (const TSymbolPart& part : SymbolParts(Value, g, showOffSegments_))
        DrawShape(Canvas, Origin, part.Points, part.Lit ? OnColor() : OffColor());
}

void TiSevenSegmentCharacter::DrawSegments(TCanvas* Canvas, TPoint Origin, int32_t W, int32_t H, uint8_t Lit)
{
    const TSegmentMetrics g{W, H, segmentMargin_, segmentSeperation_, segmentSize_};
    for (int s = segA; s <= segG; ++s) {
        const bool on = (Lit >> s) & 1;
        if (!on && !showOffSegments_) continue;
        DrawShape(Canvas, Origin, SegmentPolygon(static_cast<TSegment>(s), g), on ? OnColor() : OffColor());
    }
}

void TiSevenSegmentCharacter::DrawShape(TCanvas* Canvas, TPoint Origin, const TGeoPolygon& Shape,
                                        TColor Color)
{
    std::vector<TPoint> points;
    points.reserve(Shape.size());
    for (const TGeoPoint& p : Shape)
        points.push_back(TPoint(Origin.X + p.X, Origin.Y + p.Y));
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(Color + kPaletteRelative);
    Canvas->Pen()->SetStyle(psSolid);
    Canvas->Pen()->SetColor(Color + kPaletteRelative);
    Canvas->Polygon(points);
}

// ---------------------------------------------------------------------------
// TiSevenSegmentDisplay

const TClassInfo& TiSevenSegmentDisplay::StaticClass()
{
    using T = TiSevenSegmentDisplay;
    static const TClassInfo& info = []() -> const TClassInfo& {
        auto b = PublishClass<T>();
        b.Bool("AutoSize", &T::IsAutoSize, &T::SetAutoSize, true)
            .Int("DigitSpacing", &T::GetDigitSpacing, &T::SetDigitSpacing, 6)
            .Int("SegmentMargin", &T::GetSegmentMargin, &T::SetSegmentMargin, 5)
            .Color("SegmentColor", &T::GetSegmentColor, &T::SetSegmentColor, clWhite)
            .Int("SegmentSeperation", &T::GetSegmentSeperation, &T::SetSegmentSeperation, 1)
            .Int("SegmentSize", &T::GetSegmentSize, &T::SetSegmentSize, 1)
            .Bool("ShowOffSegments", &T::GetShowOffSegments, &T::SetShowOffSegments, true)
            .Bool("PowerOff", &T::GetPowerOff, &T::SetPowerOff, false)
            .Event("OnValueChange", &T::OnValueChange)
            .Bool("AutoSegmentOffColor", &T::GetAutoSegmentOffColor, &T::SetAutoSegmentOffColor, true)
            .Color("SegmentOffColor", &T::GetSegmentOffColor, &T::SetSegmentOffColor, clGray);
        iPublishBackGroundColor(b, clBlack);
        iPublishBorderStyle(b);
        iPublishTransparent(b);
        return b;
    }();
    return info;
}

TiSevenSegmentDisplay::TiSevenSegmentDisplay(TComponent* AOwner)
    : TiCustomComponent(AOwner), character_(new TiSevenSegmentCharacter(this))
{
    SetBounds(Left(), Top(), 15, 15);
    SetBackGroundColor(clBlack);
    // The drawer never repaints on its own: it stays in its update bracket.
    character_->BeginUpdate();
    character_->SetSegmentMargin(0);
    character_->SetAutoSize(false);
}

void TiSevenSegmentDisplay::DoAutoSize()
{
    if (GetLoading() || !autoSize_) return;
    int32_t w = 0, h = 0;
    GetAutoSize(w, h);
    SetBounds(Left(), Top(), w, h);
    if (OnAfterResize) OnAfterResize();
}

void TiSevenSegmentDisplay::SetAutoSize(bool Value)
{
    if (Value == autoSize_) return;
    autoSize_ = Value;
    DoAutoSize();
    InvalidateChange();
}

void TiSevenSegmentDisplay::SetDigitCount(int32_t Value)
{
    Value = std::clamp(Value, 1, 32);
    if (Value == digitCount_) return;
    digitCount_ = Value;
    DoAutoSize();
    InvalidateChange();
}

void TiSevenSegmentDisplay::SetDigitSpacing(int32_t Value)
{
    if (Value == digitSpacing_) return;
    digitSpacing_ = Value;
    DoAutoSize();
    InvalidateChange();
}

void TiSevenSegmentDisplay::SetLeadingStyle(TiLeadingStyle Value)
{
    if (Value == leadingStyle_) return;
    leadingStyle_ = Value;
    InvalidateChange();
}

void TiSevenSegmentDisplay::SetSegmentMargin(int32_t Value)
{
    Value = std::max(Value, 0);
    if (Value == segmentMargin_) return;
    segmentMargin_ = Value;
    DoAutoSize();
    InvalidateChange();
}

void TiSevenSegmentDisplay::SetSegmentColor(TColor Value)
{
    if (Value == segmentColor_) return;
    segmentColor_ = Value;
    character_->SetSegmentColor(Value);
    InvalidateChange();
}

void TiSevenSegmentDisplay::SetSegmentSeperation(int32_t Value)
{
    Value = std::max(Value, 0);
    if (Value == segmentSeperation_) return;
    segmentSeperation_ = Value;
    character_->SetSegmentSeperation(Value);
    InvalidateChange();
}

void TiSevenSegmentDisplay::SetSegmentSize(int32_t Value)
{
    Value = std::clamp(Value, 1, 100);
    if (Value == segmentSize_) return;
    segmentSize_ = Value;
    character_->SetSegmentSize(Value);
    DoAutoSize();
    InvalidateChange();
}

void TiSevenSegmentDisplay::SetShowOffSegments(bool Value)
{
    if (Value == showOffSegments_) return;
    showOffSegments_ = Value;
    InvalidateChange();
}

void TiSevenSegmentDisplay::SetPowerOff(bool Value)
{
    if (Value == powerOff_) return;
    powerOff_ = Value;
    InvalidateChange();
}

void TiSevenSegmentDisplay::SetAutoSegmentOffColor(bool Value)
{
    if (Value == autoSegmentOffColor_) return;
    autoSegmentOffColor_ = Value;
    character_->SetAutoSegmentOffColor(Value);
    InvalidateChange();
}

void TiSevenSegmentDisplay::SetSegmentOffColor(TColor Value)
{
    if (Value == segmentOffColor_) return;
    segmentOffColor_ = Value;
    character_->SetSegmentOffColor(Value);
    InvalidateChange();
}

void TiSevenSegmentDisplay::SetupCharacter()
{
    character_->SetSegmentMargin(0);
    character_->SetSegmentColor(segmentColor_);
    character_->SetSegmentOffColor(segmentOffColor_);
    character_->SetAutoSegmentOffColor(autoSegmentOffColor_);
    character_->SetSegmentSize(segmentSize_);
    character_->SetSegmentSeperation(segmentSeperation_);
    character_->SetShowOffSegments(showOffSegments_);
    character_->SetPowerOff(powerOff_);
}
