// The statistics sound-level users rely on, over a span of the history or
// since recording started: the energy mean Leq, the extremes, the levels
// exceeded 10, 50 and 90 % of the time, the time over the alarm threshold and
// the number of alarms. Levels of different weightings are never pooled: a
// span in which the weighting changed gives one result per weighting.
// Portable.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "history/levelrecorder.h"

struct TLevelStats {
    uint8_t weighting = 0;
    // Valid levels counted.
    uint64_t count = 0;
    double leq = 0;
    int lmax = 0, lmin = 0;
    int l10 = 0, l50 = 0, l90 = 0;
    // False when some of the span's levels had left the pool, so that the
    // statistical levels stand on the rest (only after a day of replies
    // faster than the pool is sized for).
    bool percentilesComplete = true;
    double overSeconds = 0;
    // Rising crossings of the threshold; recording starts below it.
    uint64_t alarmEvents = 0;
};

struct TSpanStats {
    // One entry per weighting that has valid levels in the span, in the
    // order they first occur.
    std::vector<TLevelStats> weightings;

    bool Empty() const { return weightings.empty(); }
    bool Mixed() const { return weightings.size() > 1; }
};

// The level exceeded percent % of the time: the highest whole-dB level that
// was reached or exceeded for at least percent % of the levels. Exact, since
// the device's levels are whole dB: L10 of a span spent 90 % at 50 dB and
// 10 % at 90 dB is 90. 0 for an empty histogram.
int LevelExceeded(const std::array<uint64_t, 256>& histogram, uint64_t total, int percent);

// The seconds from fromSecond to toSecond, both included.
TSpanStats SpanStats(const TLevelRecorder& recorder, int64_t fromSecond, int64_t toSecond);
// Everything since recording started (or the last Clear), also beyond the
// day the ring holds.
TSpanStats TotalStats(const TLevelRecorder& recorder);
