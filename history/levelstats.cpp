#include "history/levelstats.h"

#include <algorithm>

namespace {

struct TAccumulator {
    uint8_t weighting = 0;
    uint64_t count = 0;
    double energy = 0;
    uint8_t minLevel = 255, maxLevel = 0;
    uint64_t risings = 0;
    double overSeconds = 0;
    bool complete = true;
    std::array<uint64_t, 256> histogram{};
};

TAccumulator& Of(std::vector<TAccumulator>& all, uint8_t weighting)
{
    for (TAccumulator& a : all)
        if (a.weighting == weighting) return a;
    all.emplace_back();
    all.back().weighting = weighting;
    return all.back();
}

TLevelStats Finish(const TAccumulator& a)
{
    TLevelStats s;
    s.weighting = a.weighting;
    s.count = a.count;
    s.leq = EnergyLevel(a.energy / static_cast<double>(a.count));
    s.lmax = a.maxLevel;
    s.lmin = a.minLevel;
    uint64_t pooled = 0;
    for (uint64_t n : a.histogram)
        pooled += n;
    s.l10 = LevelExceeded(a.histogram, pooled, 10);
    s.l50 = LevelExceeded(a.histogram, pooled, 50);
    s.l90 = LevelExceeded(a.histogram, pooled, 90);
    s.percentilesComplete = a.complete;
    s.overSeconds = a.overSeconds;
    s.alarmEvents = a.risings;
    return s;
}

// Over-threshold time of the records [first, last) of one second: each
// reply of that second, whatever its weighting, stands for an equal share
// of it.
void AddOverTime(const TRing<TSecondRecord>& records, size_t first, size_t last,
                 const std::function<void(const TSecondRecord&, double)>& add)
{
    unsigned received = 0;
    for (size_t i = first; i < last; ++i)
        received += records[i].received;
    for (size_t i = first; i < last; ++i)
        if (records[i].over) add(records[i], static_cast<double>(records[i].over) / received);
}

} // namespace

int LevelExceeded(const std::array<uint64_t, 256>& histogram, uint64_t total, int percent)
{
    if (total == 0) return 0;
    uint64_t atOrAbove = 0;
    for (int x = 255; x > 0; --x) {
        atOrAbove += histogram[static_cast<size_t>(x)];
        if (atOrAbove * 100 >= static_cast<uint64_t>(percent) * total) return x;
    }
    return 0;
}

TSpanStats SpanStats(const TLevelRecorder& recorder, int64_t fromSecond, int64_t toSecond)
{
    std::vector<TAccumulator> acc;
    const TRing<TSecondRecord>& records = recorder.Records();
    size_t i = recorder.FirstRecordFrom(fromSecond);
    while (i < records.Size() && records[i].second <= toSecond) {
        size_t end = i;
        while (end < records.Size() && records[end].second == records[i].second)
            ++end;
        for (size_t k = i; k < end; ++k) {
            const TSecondRecord& r = records[k];
            if (!r.HasLevels()) continue;
            TAccumulator& a = Of(acc, r.weighting);
            a.count += r.count;
            a.energy += r.energy;
            a.minLevel = std::min(a.minLevel, r.minLevel);
            a.maxLevel = std::max(a.maxLevel, r.maxLevel);
            a.risings += r.risings;
            if (!recorder.LevelsOf(r, [&a](uint8_t level) { ++a.histogram[level]; })) a.complete = false;
        }
        AddOverTime(records, i, end,
                    [&acc](const TSecondRecord& r, double seconds) { Of(acc, r.weighting).overSeconds += seconds; });
        i = end;
    }
    TSpanStats stats;
    for (const TAccumulator& a : acc)
        stats.weightings.push_back(Finish(a));
    return stats;
}

TSpanStats TotalStats(const TLevelRecorder& recorder)
{
    TSpanStats stats;
    for (const auto& [code, t] : recorder.Totals()) {
        if (t.count == 0) continue;
        TAccumulator a;
        a.weighting = code;
        a.count = t.count;
        a.energy = t.energy;
        a.minLevel = t.minLevel;
        a.maxLevel = t.maxLevel;
        a.risings = t.risings;
        a.overSeconds = t.overSeconds;
        a.histogram = t.histogram;
        stats.weightings.push_back(Finish(a));
    }
    // The open second is not in the totals' time yet.
    const TRing<TSecondRecord>& records = recorder.Records();
    size_t first = records.Size();
    while (first > 0 && records[first - 1].second == recorder.OpenSecond())
        --first;
    AddOverTime(records, first, records.Size(), [&stats](const TSecondRecord& r, double seconds) {
        for (TLevelStats& s : stats.weightings)
            if (s.weighting == r.weighting) s.overSeconds += seconds;
    });
    return stats;
}
