#include "extctrls.h"

namespace {
constexpr UINT_PTR kTimerId = 1;
}

const TClassInfo& TTimer::StaticClass()
{
    static const TClassInfo& info = PublishClass<TTimer>()
                                        .Bool("Enabled", &TTimer::GetEnabled, &TTimer::SetEnabled, true)
                                        .Int("Interval", &TTimer::GetInterval, &TTimer::SetInterval, 1000)
                                        .Event("OnTimer", &TTimer::OnTimer);
    return info;
}

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner)
{
    window_ = std::make_unique<TUtilityWindow>([this](TMessage& m) {
        if (m.Msg != WM_TIMER) return false;
        try {
            Timer();
        } catch (...) {
            ApplicationHandleException(this);
        }
        return true;
    });
    UpdateTimer();
}

TTimer::~TTimer()
{
    KillTimer(window_->Handle(), kTimerId);
}

void TTimer::SetEnabled(bool value)
{
    if (value == enabled_) return;
    enabled_ = value;
    UpdateTimer();
}

void TTimer::SetInterval(uint32_t value)
{
    if (value == interval_) return;
    interval_ = value;
    UpdateTimer();
}

// The system timer runs whenever the component is enabled with an interval;
// a tick without a handler does nothing.
void TTimer::UpdateTimer()
{
    KillTimer(window_->Handle(), kTimerId);
    if (enabled_ && interval_ != 0 && !SetTimer(window_->Handle(), kTimerId, interval_, nullptr))
        throw EOutOfResources("Not enough timers available");
}

void TTimer::Timer()
{
    if (enabled_ && OnTimer) OnTimer(this);
}
