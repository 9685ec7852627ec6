// How the history window writes its statistics. Portable.
#pragma once

#include <string>

#include "history/levelstats.h"

// "0:05", "12:05", "1:02:03": a time over the threshold, to the second.
std::string DurationText(double seconds);

// One series' column, a value a line in the order of the names beside it:
// weighting, offset, Leq, Lmax, Lmin, L10, L50, L90, time over threshold,
// alarms.
std::string StatsColumnText(const TLevelStats& stats);

// The line under the figures: why there are none, or why there are several
// columns; "" when there is nothing to say.
std::string StatsNoteText(const TSpanStats& stats, bool sinceStart);
