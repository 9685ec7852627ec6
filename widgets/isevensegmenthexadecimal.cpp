#include "widgets/isevensegmenthexadecimal.h"

#include <utility>

const TClassInfo& TiSevenSegmentHexadecimal::StaticClass()
{
    using T = TiSevenSegmentHexadecimal;
    static const TClassInfo& info =
        PublishClass<T>()
            .String("Value", &T::GetValue, &T::SetValue, "0")
            .Int("DigitCount", &T::GetDigitCount, &T::SetDigitCount, 4)
            .Enum("LeadingStyle", &T::GetLeadingStyle, &T::SetLeadingStyle, ilsZeros);
    return info;
}

TiSevenSegmentHexadecimal::TiSevenSegmentHexadecimal(TComponent* AOwner) : TiSevenSegmentDisplay(AOwner)
{
    SetLeadingStyle(ilsZeros);
    value_ = "0";
    DoAutoSize();
}

void TiSevenSegmentHexadecimal::SetValue(const std::string& Value)
{
    const std::string normalised = NormaliseHexadecimalText(Value);
    if (value_ == Value) return;
    if (!AllowPropertyChange("Value")) return;
    value_ = normalised;
    InvalidateChange();
    NotifyPropertyChange("Value");
    if (OnValueChange) OnValueChange(this);
}

void TiSevenSegmentHexadecimal::SetValueNoEvent(const std::string& Value)
{
    struct Restore {
        TNotifyEvent& event;
        TNotifyEvent saved;
        ~Restore() { event = std::move(saved); }
    } restore{OnValueChange, std::move(OnValueChange)};
    OnValueChange = nullptr;
    SetValue(Value);
}

void TiSevenSegmentHexadecimal::GetAutoSize(int32_t& AWidth, int32_t& AHeight)
{
    Character()->SetValue(ssc0);
    const TGeoSize size =
        DisplayAutoSize(GetDigitCount(), GetDigitSpacing(), GetSegmentMargin(), GetSegmentSize());
    AWidth = size.Width;
    AHeight = size.Height;
}

void TiSevenSegmentHexadecimal::iPaintTo(TCanvas* Canvas)
{
    SetupCharacter();
    DrawBackGround(Canvas, GetBackGroundColor());
    const TDigitRow row =
        DigitRowLayout(Width(), Height(), GetDigitCount(), GetDigitSpacing(), GetSegmentMargin());
    TPoint origin(row.FirstX, row.Y);
    for (TSevenSegmentCharacter c : DisplayCharacters(value_, GetDigitCount(), GetLeadingStyle())) {
        Character()->Draw(Canvas, origin, row.DigitWidth, row.DigitHeight, c);
        origin.X += row.DigitWidth + GetDigitSpacing();
    }
}
