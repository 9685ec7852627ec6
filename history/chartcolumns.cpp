#include "history/chartcolumns.h"

#include <algorithm>

#include "history/csvformat.h"

namespace {

// Columns of a window [start, start + spanMs) of width columns.
struct TColumnMap {
    TTimeMs start, spanMs;
    int width;

    int Column(TTimeMs t) const
    {
        const TTimeMs c = (t - start) * width / spanMs;
        return static_cast<int>(std::clamp<TTimeMs>(c, 0, width - 1));
    }
    // The columns that the time range [from, to) touches, or false when
    // it lies outside the window.
    bool Range(TTimeMs from, TTimeMs to, int& first, int& last) const
    {
        from = std::max(from, start);
        to = std::min(to, start + spanMs);
        if (from >= to) return false;
        first = Column(from);
        last = Column(to - 1);
        return true;
    }
};

void Merge(iwm::ChartColumn& c, uint8_t minLevel, uint8_t maxLevel)
{
    if (!c.hasLevels) {
        c.hasLevels = true;
        c.minLevel = minLevel;
        c.maxLevel = maxLevel;
        return;
    }
    c.minLevel = std::min(c.minLevel, minLevel);
    c.maxLevel = std::max(c.maxLevel, maxLevel);
}

void SetThreshold(iwm::ChartColumn& c, uint8_t threshold)
{
    c.hasThreshold = true;
    c.threshold = threshold;
}

// A sample stands for the time until the next one, up to this long: a
// slow exchange still draws a line, a stopped one a gap.
constexpr TTimeMs kSampleReach = 250;

void FromSamples(const TLevelRecorder& recorder, const TColumnMap& map, std::vector<iwm::ChartColumn>& columns)
{
    const auto& recent = recorder.Recent();
    for (size_t i = 0; i < recent.Size(); ++i) {
        const TLevelSample& s = recent[i];
        TTimeMs until = s.time + kSampleReach;
        if (i + 1 < recent.Size()) until = std::min(until, std::max(recent[i + 1].time, s.time + 1));
        int first, last;
        if (!map.Range(s.time, until, first, last)) continue;
        for (int c = first; c <= last; ++c) {
            iwm::ChartColumn& col = columns[static_cast<size_t>(c)];
            SetThreshold(col, s.threshold);
            if (!s.Valid()) continue;
            Merge(col, s.level, s.level);
            if (s.Alarm()) col.alarm = true;
        }
    }
}

void FromRecords(const TLevelRecorder& recorder, const TColumnMap& map, std::vector<iwm::ChartColumn>& columns)
{
    const auto& records = recorder.Records();
    const int64_t firstSecond = map.start / 1000 - (map.start % 1000 < 0 ? 1 : 0);
    for (size_t i = recorder.FirstRecordFrom(firstSecond); i < records.Size(); ++i) {
        const TSecondRecord& r = records[i];
        const TTimeMs from = static_cast<TTimeMs>(r.second) * 1000;
        int first, last;
        if (!map.Range(from, from + 1000, first, last)) {
            if (from >= map.start + map.spanMs) break;
            continue;
        }
        for (int c = first; c <= last; ++c) {
            iwm::ChartColumn& col = columns[static_cast<size_t>(c)];
            SetThreshold(col, r.threshold);
            if (!r.HasLevels()) continue;
            Merge(col, r.minLevel, r.maxLevel);
            if (r.Alarm()) col.alarm = true;
        }
    }
}

} // namespace

std::vector<iwm::ChartColumn> ChartColumns(const TLevelRecorder& recorder, TTimeMs end, int spanSeconds, int width)
{
    if (width <= 0 || spanSeconds <= 0) return {};
    std::vector<iwm::ChartColumn> columns(static_cast<size_t>(width));
    const TTimeMs spanMs = static_cast<TTimeMs>(spanSeconds) * 1000;
    const TColumnMap map{end - spanMs, spanMs, width};
    if (spanSeconds <= TLevelRecorder::kRecentSeconds)
        FromSamples(recorder, map, columns);
    else
        FromRecords(recorder, map, columns);
    return columns;
}

std::vector<iwm::ChartTick> ChartTimeTicks(TTimeMs end, int spanSeconds, int width)
{
    std::vector<iwm::ChartTick> ticks;
    if (width <= 0 || spanSeconds <= 0) return ticks;
    const int64_t interval = spanSeconds <= 60 ? 10 : spanSeconds <= 600 ? 60 : spanSeconds <= 3600 ? 600 : 10800;
    const TTimeMs spanMs = static_cast<TTimeMs>(spanSeconds) * 1000;
    const TTimeMs start = end - spanMs;
    // Round local times: k intervals after local midnight of 1970, shifted
    // by the offset in force then.
    const int64_t offset = UtcOffsetAt(start / 1000);
    for (int64_t k = (start / 1000 + offset) / interval; k * interval - offset <= end / 1000 + interval; ++k) {
        const int64_t local = k * interval;
        const int64_t t = local - UtcOffsetAt(local - offset);
        const TTimeMs ms = t * 1000;
        if (ms < start || ms > end) continue;
        const std::string iso = IsoLocalTime(t);
        ticks.push_back({static_cast<int32_t>((ms - start) * width / spanMs),
                         iso.substr(11, spanSeconds <= 60 ? 8 : 5)});
    }
    return ticks;
}
