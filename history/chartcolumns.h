// The level chart's content from the history: one column of data per pixel
// column, and the clock ticks of its time axis. Spans up to a minute are
// drawn from every sample; longer ones from the one-second records, with the
// extremes of each column, so that a day draws as fast as a minute.
// Portable.
#pragma once

#include <vector>

#include "history/levelrecorder.h"
#include "widgets/ichartgeometry.h"

// The span of spanSeconds that ends at end, over width columns.
std::vector<iwm::ChartColumn> ChartColumns(const TLevelRecorder& recorder, TTimeMs end, int spanSeconds,
                                           int width);

// Labelled ticks on round local clock times: every 10 s for a minute, every
// minute for 10 minutes, every 10 minutes for an hour, every 3 hours for a
// day; "14:05:10" on the shortest span, "14:05" on the others.
std::vector<iwm::ChartTick> ChartTimeTicks(TTimeMs end, int spanSeconds, int width);
