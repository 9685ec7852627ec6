#include "history/chartcolumns.h"

#include <algorithm>

#include "history/csvformat.h"

namespace {

int64_t FloorDiv(int64_t a, int64_t b)
{
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

int64_t CeilDiv(int64_t a, int64_t b)
{
    return -FloorDiv(-a, b);
}

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

void FromSamples(const TLevelRecorder& recorder, const TColumnMap& map,
                 std::vector<iwm::ChartColumn>& columns)
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
            if (s.Over()) col.alarm = true;
        }
    }
}

void FromRecords(const TLevelRecorder& recorder, const TColumnMap& map,
                 std::vector<iwm::ChartColumn>& columns)
{
    const auto& records = recorder.Records();
    const int64_t firstSecond = FloorDiv(map.start, 1000);
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
            if (r.Over()) col.alarm = true;
        }
    }
}

} // namespace

std::vector<iwm::ChartColumn> ChartColumns(const TLevelRecorder& recorder, TTimeMs end, int spanSeconds,
                                           int width)
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

std::vector<int64_t> RoundLocalTimes(int64_t fromSecond, int64_t toSecond, int64_t interval)
{
    std::vector<int64_t> times;
    int64_t from = fromSecond;
    while (from <= toSecond) {
        // The piece from `from` on with one offset: up to the first second
        // with another, found by halving (a day holds at most one change).
        const int64_t offset = UtcOffsetAt(from);
        int64_t until = toSecond + 1;
        if (UtcOffsetAt(toSecond) != offset) {
            int64_t same = from, other = toSecond;
            while (other - same > 1) {
                const int64_t mid = same + (other - same) / 2;
                (UtcOffsetAt(mid) == offset ? same : other) = mid;
            }
            until = other;
        }
        for (int64_t local = CeilDiv(from + offset, interval) * interval; local - offset < until;
             local += interval)
            times.push_back(local - offset);
        from = until;
    }
    return times;
}

std::vector<iwm::ChartTick> ChartTimeTicks(const TLevelRecorder& recorder, TTimeMs end, int spanSeconds,
                                           int width)
{
    std::vector<iwm::ChartTick> ticks;
    if (width <= 0 || spanSeconds <= 0) return ticks;
    const int64_t interval = spanSeconds <= 60     ? 10
                             : spanSeconds <= 600  ? 60
                             : spanSeconds <= 3600 ? 600
                                                   : 10800;
    const TTimeMs spanMs = static_cast<TTimeMs>(spanSeconds) * 1000;
    const TTimeMs start = end - spanMs;
    // The span in pieces of one wall clock setting each: where the clock
    // was set, the labels on either side come from either setting.
    std::vector<std::pair<TTimeMs, TTimeMs>> pieces; // from, shift
    const TRing<TClockStep>& steps = recorder.ClockSteps();
    pieces.emplace_back(start, recorder.WallAt(start) - start);
    for (size_t i = 0; i < steps.Size(); ++i)
        if (steps[i].at > start && steps[i].at <= end) pieces.emplace_back(steps[i].at, steps[i].shift);
    for (size_t p = 0; p < pieces.size(); ++p) {
        const auto [from, shift] = pieces[p];
        // A tick at the very end would fall just beyond the last column.
        const TTimeMs until = p + 1 < pieces.size() ? pieces[p + 1].first : end;
        for (int64_t wall :
             RoundLocalTimes(CeilDiv(from + shift, 1000), FloorDiv(until - 1 + shift, 1000), interval)) {
            const TTimeMs at = wall * 1000 - shift;
            if (at < from || at >= until) continue;
            const std::string iso = IsoLocalTime(wall);
            ticks.push_back({static_cast<int32_t>((at - start) * width / spanMs),
                             iso.substr(11, spanSeconds <= 60 ? 8 : 5)});
        }
    }
    return ticks;
}
