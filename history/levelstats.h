// The statistics sound-level users rely on, over a span of the history or
// since recording started: the energy mean Leq, the extremes, the levels
// exceeded 10, 50 and 90 % of the time, the time at or above the alarm
// threshold and the display's alarms. Every figure weighs each reply by the
// time it stands for, not by how many replies came. Levels measured
// differently (another weighting or microphone offset) are never pooled: a
// span in which either changed gives one result per series.
// Portable.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "history/levelrecorder.h"

struct TLevelStats {
    uint8_t weighting = 0;
    int8_t offset = 0;
    // Valid levels counted, and the time they stand for.
    uint64_t count = 0;
    double seconds = 0;
    double leq = 0;
    int lmax = 0, lmin = 0;
    int l10 = 0, l50 = 0, l90 = 0;
    // False when some of the span's levels had left the pool, so that the
    // statistical levels stand on the rest (only after a day of replies
    // faster than the pool is sized for).
    bool percentilesComplete = true;
    // Time at or above the threshold.
    double overSeconds = 0;
    // The display's alarms that sounded in the span: those that began in
    // it, and one already sounding when it began.
    uint64_t alarms = 0;
};

struct TSpanStats {
    // One entry per series that has valid levels in the span, in the order
    // they first occur.
    std::vector<TLevelStats> series;

    bool Empty() const { return series.empty(); }
    bool Mixed() const { return series.size() > 1; }
};

// The level exceeded percent % of the time: the highest whole-dB level that
// was reached or exceeded for at least percent % of the time the histogram
// holds (seconds at each level). Exact, since the device's levels are whole
// dB: L10 of a span spent 90 % at 50 dB and 10 % at 90 dB is 90. 0 for an
// empty histogram.
int LevelExceeded(const std::array<double, 256>& histogram, int percent);

// The seconds from fromSecond to toSecond of the recorder's clock, both
// included.
TSpanStats SpanStats(const TLevelRecorder& recorder, int64_t fromSecond, int64_t toSecond);
// Everything since recording started (or the last Clear), also beyond the
// day the ring holds.
TSpanStats TotalStats(const TLevelRecorder& recorder);
