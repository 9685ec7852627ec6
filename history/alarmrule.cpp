#include "history/alarmrule.h"

TAlarmRule::TStep TAlarmRule::Reading(int64_t atMs, bool loud, int showSeconds, int resetSeconds)
{
    TStep step;
    if (on_) {
        if (!loud && atMs - since_ >= int64_t{showSeconds} * 1000) {
            on_ = false;
            ended_ = atMs;
        }
    } else if (loud && (!ended_ || atMs - *ended_ >= int64_t{resetSeconds} * 1000)) {
        on_ = true;
        since_ = atMs;
        step.began = true;
    }
    step.on = on_;
    return step;
}

void TAlarmRule::Lost()
{
    on_ = false;
    ended_.reset();
}
