// Counts the WM_PAINT messages a control's window receives, through its
// replaceable WindowProc; restores the previous procedure when it goes.
#pragma once

#include <functional>

#include "framework/controls.h"

class TPaintCounter {
public:
    explicit TPaintCounter(TControl* control) : control_(control), previous_(control->WindowProc)
    {
        control_->WindowProc = [this](TMessage& m) {
            if (m.Msg == WM_PAINT) ++Count;
            previous_(m);
        };
    }
    ~TPaintCounter() { control_->WindowProc = previous_; }
    TPaintCounter(const TPaintCounter&) = delete;
    TPaintCounter& operator=(const TPaintCounter&) = delete;
    int Count = 0;

private:
    TControl* control_;
    std::function<void(TMessage&)> previous_;
};
