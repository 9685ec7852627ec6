#include "widgets/ichartgeometry.h"

#include <algorithm>

namespace iwm {

int32_t ChartLevelStep(int32_t plotHeight, double minLevel, double maxLevel, int32_t minPixels)
{
    const double range = maxLevel - minLevel;
    if (range <= 0 || plotHeight <= 1) return 0;
    for (int32_t step : {5, 10, 20, 50, 100})
        if (step * (plotHeight - 1) / range >= minPixels) return step;
    return 100;
}

int32_t ChartLevelY(const Rect& plot, double level, double minLevel, double maxLevel)
{
    const int32_t bottom = plot.Bottom - 1;
    if (maxLevel <= minLevel || plot.Bottom - plot.Top < 2) return bottom;
    const double clamped = std::clamp(level, minLevel, maxLevel);
    return bottom - RoundEven((clamped - minLevel) * (bottom - plot.Top) / (maxLevel - minLevel));
}

} // namespace iwm
