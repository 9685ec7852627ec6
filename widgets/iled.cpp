#include "widgets/iled.h"

#include <utility>

const TClassInfo& TiLed::StaticClass()
{
    static const TClassInfo& info =
        PublishClass<TiLed>()
            .Bool("Active", &TiLed::GetActive, &TiLed::SetActive, false)
            .Color("ActiveColor", &TiLed::GetActiveColor, &TiLed::SetActiveColor, clLime)
            .Bool("AutoInactiveColor", &TiLed::GetAutoInactiveColor, &TiLed::SetAutoInactiveColor, true)
            .Color("InactiveColor", &TiLed::GetInactiveColor, &TiLed::SetInactiveColor, 21760)
            .Enum("BevelStyle", &TiLed::GetBevelStyle, &TiLed::SetBevelStyle, ibsLowered)
            .Event("OnChange", &TiLed::OnChange);
    return info;
}

TiLed::TiLed(TComponent* AOwner) : TiCustomComponent(AOwner)
{
    SetBounds(Left(), Top(), 20, 20);
}

void TiLed::SetActive(bool Value)
{
    if (Value == active_) return;
    if (!AllowPropertyChange("Active")) return;
    active_ = Value;
    BackGroundChange();
    NotifyPropertyChange("Active");
    if (OnChange) OnChange(this);
}

void TiLed::SetActiveNoEvent(bool Value)
{
    // Put back by a guard so that a failing hook cannot leave the event detached.
    struct Restore {
        TNotifyEvent& event;
        TNotifyEvent saved;
        ~Restore() { event = std::move(saved); }
    } restore{OnChange, std::move(OnChange)};
    OnChange = nullptr;
    SetActive(Value);
}

void TiLed::SetBevelStyle(TiBevelStyle Value)
{
    if (Value == bevelStyle_) return;
    bevelStyle_ = Value;
    BackGroundChange();
}

TColor TiLed::LampColor() const
{
    if (active_) return activeColor_;
    return autoInactiveColor_ ? DimColor(activeColor_, 3) : inactiveColor_;
}
