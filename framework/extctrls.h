// Components beside the standard controls. TTimer: OnTimer every Interval
// milliseconds while Enabled, from a hidden window of its own; an exception
// from the handler is reported through HandleException and the timer goes on.
// Win32 only.
#pragma once

#include <memory>

#include "controls.h"

class TTimer : public TComponent {
    ORVANE_CLASS(TTimer, TComponent)
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;

    bool GetEnabled() const { return enabled_; }
    void SetEnabled(bool value);
    // Milliseconds; 0 stops the timer. The system's floor is about 10 ms.
    uint32_t GetInterval() const { return interval_; }
    void SetInterval(uint32_t value);

    TNotifyEvent OnTimer;

protected:
    virtual void Timer();

private:
    void UpdateTimer();

    bool enabled_ = true;
    uint32_t interval_ = 1000;
    std::unique_ptr<TUtilityWindow> window_;
};
