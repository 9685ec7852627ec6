// The names by which the nine parameters are known outside the panel: the
// simulator's `params` line and orvane-ctl's get and set use this one table,
// so that a name a script learns from one works with the other. Portable.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>

#include "device/parameterset.h"

struct ParameterName {
    const char* name;
    int32_t ParameterSet::*field;
    ParameterRange range;
};

// Wire order.
inline constexpr ParameterName kParameterNames[] = {
    {"input", &ParameterSet::micInputType, kMicInputTypeRange},
    {"offset", &ParameterSet::micOffset, kMicOffsetRange},
    {"refresh", &ParameterSet::vuRefreshTime, kVuRefreshTimeRange},
    {"threshold", &ParameterSet::alarmThreshold, kAlarmThresholdRange},
    {"number-brightness", &ParameterSet::numberBrightness, kBrightnessRange},
    {"bar-brightness", &ParameterSet::vuBrightness, kBrightnessRange},
    {"auto-brightness", &ParameterSet::autoBrightness, kAutoBrightnessRange},
    {"show-time", &ParameterSet::alarmShowTime, kAlarmTimeRange},
    {"reset-time", &ParameterSet::alarmResetTime, kAlarmTimeRange},
};

inline const ParameterName* FindParameterName(std::string_view name)
{
    for (const auto& n : kParameterNames)
        if (name == n.name) return &n;
    return nullptr;
}

// Each parameter held within its range, as the panel's controls hold what a
// device reports: a device is never written anything else.
inline ParameterSet HeldToRanges(const ParameterSet& p)
{
    ParameterSet out = p;
    for (const auto& n : kParameterNames)
        out.*n.field = std::clamp(p.*n.field, n.range.Min, n.range.Max);
    return out;
}
