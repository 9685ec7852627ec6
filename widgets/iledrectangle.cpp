#include "widgets/iledrectangle.h"

#include "runtime/sysutils.h"

const TClassInfo& TiLedRectangle::StaticClass()
{
    using T = TiLedRectangle;
    static const TClassInfo& info =
        PublishClass<T>()
            .String("CenterLabelText", &T::GetCenterLabelText, &T::SetCenterLabelText)
            .Object("CenterLabelFont", &T::GetCenterLabelFont, &T::SetCenterLabelFont)
            .Color("CenterLabelFontActiveColor", &T::GetCenterLabelFontActiveColor,
                   &T::SetCenterLabelFontActiveColor, clBlack)
            .Color("CenterLabelFontInactiveColor", &T::GetCenterLabelFontInactiveColor,
                   &T::SetCenterLabelFontInactiveColor, clWhite)
            .Bool("CenterLabelWordWrap", &T::GetCenterLabelWordWrap, &T::SetCenterLabelWordWrap, false)
            .Int("CenterLabelEndsMargin", &T::GetCenterLabelEndsMargin, &T::SetCenterLabelEndsMargin, 5)
            .Enum("CenterLabelAlignment", &T::GetCenterLabelAlignment, &T::SetCenterLabelAlignment, iahCenter)
            .Bool("ShowReflection", &T::GetShowReflection, &T::SetShowReflection, true);
    return info;
}

TiLedRectangle::TiLedRectangle(TComponent* AOwner)
    : TiLed(AOwner), centerLabelFont_(std::make_unique<TFont>())
{
    centerLabelFont_->OnChange = [this](TObject*) { BackGroundChange(); };
}

TiLedRectangle::~TiLedRectangle()
{
    centerLabelFont_->OnChange = nullptr;
}

void TiLedRectangle::SetCenterLabelFont(const TFont* Value)
{
    if (Value) centerLabelFont_->Assign(Value);
}

void TiLedRectangle::SetCenterLabelAlignment(TiAlignmentHorizontal Value)
{
    if (Value == alignment_) return;
    alignment_ = Value;
    BackGroundChange();
}

void TiLedRectangle::iPaintTo(TCanvas* Canvas)
{
    // The lamp covers every pixel, so no background is drawn under it.
    const TRect R(0, 0, Width(), Height());
    const TColor lamp = LampColor();
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(lamp);
    Canvas->Pen()->SetStyle(psSolid);
    Canvas->Pen()->SetColor(lamp);
    Canvas->FillRect(R);

    if (GetBevelStyle() == ibsRaised)
        iDrawEdge(Canvas, R, idesRaised);
    else if (GetBevelStyle() == ibsLowered)
        iDrawEdge(Canvas, R, idesSunken);

    if (showReflection_) {
        Canvas->Pen()->SetColor(clWhite);
        Line(Canvas, R.Left + 3, R.Top + 3, R.Left + 5, R.Top + 3);
    }
    DrawCaption(Canvas, R);
}

void TiLedRectangle::DrawCaption(TCanvas* Canvas, const TRect& R)
{
    const std::string text = Trim(centerLabelText_);
    if (text.empty()) return;
    Canvas->Brush()->SetStyle(bsClear);
    Canvas->SetFont(centerLabelFont_.get());
    Canvas->Font()->SetColor(GetActive() ? fontActiveColor_ : fontInactiveColor_);

    TiTextFlags flags{itfVCenter, itfNoClip};
    if (wordWrap_) flags.Include(itfWordBreak);
    flags.Include(alignment_ == iahLeft ? itfHLeft : alignment_ == iahRight ? itfHRight : itfHCenter);

    const TRect T(R.Left + endsMargin_ + 2, R.Top + 2, R.Right - endsMargin_ - 2, R.Bottom - 2);
    TRect measured = T;
    const int h =
        iDrawText(Canvas, text, measured, flags | TiTextFlags{itfCalcRect}, true, GetBackGroundColor());
    const TPoint C = GetCenterPoint(Canvas);
    const int half = h / 2;
    TRect box(T.Left, C.Y - half, T.Right, C.Y + half);
    iDrawText(Canvas, text, box, flags, true, GetBackGroundColor());
}
