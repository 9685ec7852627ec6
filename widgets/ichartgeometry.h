// What the level chart draws, column by column, and where: the data of one
// pixel column of the plot, the clock ticks of the time axis, and the
// mapping of levels to rows. Portable, so that the history can build the
// columns and the tests can work out pixels without a window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "widgets/iwidgetmath.h"

namespace iwm {

// One pixel column of the plot.
struct ChartColumn {
    // No level fell into the column: it stays blank, a gap.
    bool hasLevels = false;
    uint8_t minLevel = 0, maxLevel = 0;
    // Some level of the column was at or above its threshold.
    bool alarm = false;
    bool hasThreshold = false;
    uint8_t threshold = 0;

    bool operator==(const ChartColumn&) const = default;
};

// A labelled mark of the time axis, column counted from the plot's left.
struct ChartTick {
    int32_t column = 0;
    std::string text;

    bool operator==(const ChartTick&) const = default;
};

// The level scale's tick step in dB: labels at least minPixels apart.
int32_t ChartLevelStep(int32_t plotHeight, double minLevel, double maxLevel, int32_t minPixels);

// The row of a level: the plot's bottom row is minLevel, its top row
// maxLevel, proportionally between, rounded to nearest. Levels outside the
// scale are held at its edges.
int32_t ChartLevelY(const Rect& plot, double level, double minLevel, double maxLevel);

} // namespace iwm
