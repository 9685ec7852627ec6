#include "history/levelstats.h"

#include <algorithm>

namespace {

TLevelStats Finish(const TLevelSums& a)
{
    TLevelStats s;
    s.weighting = a.weighting;
    s.offset = a.offset;
    s.count = a.count;
    s.seconds = a.seconds;
    s.leq = EnergyLevel(a.energy / a.seconds);
    s.lmax = a.maxLevel;
    s.lmin = a.minLevel;
    s.l10 = LevelExceeded(a.histogram, 10);
    s.l50 = LevelExceeded(a.histogram, 50);
    s.l90 = LevelExceeded(a.histogram, 90);
    s.percentilesComplete = a.complete;
    s.overSeconds = a.overSeconds;
    s.alarms = a.alarms;
    return s;
}

TSpanStats Finished(const std::vector<TLevelSums>& sums)
{
    TSpanStats stats;
    for (const TLevelSums& a : sums)
        if (a.count > 0) stats.series.push_back(Finish(a));
    return stats;
}

} // namespace

int LevelExceeded(const std::array<double, 256>& histogram, int percent)
{
    double total = 0;
    for (double seconds : histogram)
        total += seconds;
    if (total <= 0) return 0;
    // The times are sums of fractions of a second; a share that is exactly
    // percent % must not miss it by the last bit of a double.
    const double needed = total * percent / 100.0 * (1 - 1e-9);
    double atOrAbove = 0;
    for (int x = 255; x > 0; --x) {
        atOrAbove += histogram[static_cast<size_t>(x)];
        if (atOrAbove >= needed) return x;
    }
    return 0;
}

TSpanStats SpanStats(const TLevelRecorder& recorder, int64_t fromSecond, int64_t toSecond)
{
    std::vector<TLevelSums> sums;
    // An alarm sounding as the span begins sounded in it.
    bool carry = true;
    const TRing<TSecondRecord>& records = recorder.Records();
    size_t i = recorder.FirstRecordFrom(fromSecond);
    while (i < records.Size() && records[i].second <= toSecond) {
        size_t end = i;
        while (end < records.Size() && records[end].second == records[i].second)
            ++end;
        AddSecond(recorder, i, end, sums, carry);
        i = end;
    }
    return Finished(sums);
}

TSpanStats TotalStats(const TLevelRecorder& recorder)
{
    std::vector<TLevelSums> sums = recorder.Totals();
    bool carry = recorder.AlarmCarried();
    // The open second is not in the totals yet.
    const TRing<TSecondRecord>& records = recorder.Records();
    size_t first = records.Size();
    while (first > 0 && records[first - 1].second == recorder.OpenSecond())
        --first;
    AddSecond(recorder, first, records.Size(), sums, carry);
    return Finished(sums);
}
