// The level chart's content from the history: one column of data per pixel
// column, and the clock ticks of its time axis. Spans up to a minute are
// drawn from every sample; longer ones from the one-second records, with the
// extremes of each column, so that a day draws as fast as a minute.
// Portable.
#pragma once

#include <vector>

#include "history/levelrecorder.h"
#include "widgets/ichartgeometry.h"

// The span of spanSeconds that ends at end (the recorder's clock), over
// width columns.
std::vector<iwm::ChartColumn> ChartColumns(const TLevelRecorder& recorder, TTimeMs end, int spanSeconds,
                                           int width);

// Labelled ticks on round local clock times: every 10 s for a minute, every
// minute for 10 minutes, every 10 minutes for an hour, every 3 hours for a
// day; "14:05:10" on the shortest span, "14:05" on the others. The labels
// are what the wall clock read there, so where it was set, or where summer
// time began or ended, the times jump as they did on the clock.
std::vector<iwm::ChartTick> ChartTimeTicks(const TLevelRecorder& recorder, TTimeMs end, int spanSeconds,
                                           int width);

// The round local times of an interval (seconds) from fromSecond to
// toSecond of UTC, both included, as UTC seconds. Each piece of the span
// with its own offset from UTC has its own round times.
std::vector<int64_t> RoundLocalTimes(int64_t fromSecond, int64_t toSecond, int64_t interval);
