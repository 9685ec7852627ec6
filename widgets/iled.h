// TiLed: a lamp that is on or off. It holds the state and the colours every
// lamp shape shares; the shapes (TiLedRectangle) draw it. The inactive colour
// is normally the active one dimmed to a third, so a lamp needs one colour.
#pragma once

#include "widgets/ivclcomponent.h"

class TiLed : public TiCustomComponent {
    ORVANE_CLASS(TiLed, TiCustomComponent)
    explicit TiLed(TComponent* AOwner);

    bool GetActive() const { return active_; }
    // Setting the state it already has costs nothing: no repaint, no event.
    void SetActive(bool Value);
    // As SetActive, without telling OnChange.
    void SetActiveNoEvent(bool Value);

    TColor GetActiveColor() const { return activeColor_; }
    void SetActiveColor(TColor Value) { SetColorProperty(Value, activeColor_, irtBackGround); }
    bool GetAutoInactiveColor() const { return autoInactiveColor_; }
    void SetAutoInactiveColor(bool Value) { SetBooleanProperty(Value, autoInactiveColor_, irtBackGround); }
    TColor GetInactiveColor() const { return inactiveColor_; }
    void SetInactiveColor(TColor Value) { SetColorProperty(Value, inactiveColor_, irtBackGround); }
    TiBevelStyle GetBevelStyle() const { return bevelStyle_; }
    void SetBevelStyle(TiBevelStyle Value);

    // The colour the lamp shows in its present state.
    TColor LampColor() const;

    TNotifyEvent OnChange;

private:
    bool active_ = false;
    TColor activeColor_ = clLime;
    bool autoInactiveColor_ = true;
    TColor inactiveColor_ = 21760; // clLime dimmed to a third
    TiBevelStyle bevelStyle_ = ibsLowered;
};
