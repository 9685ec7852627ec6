#include "history/levelrecorder.h"

#include <algorithm>
#include <cmath>

namespace {

int64_t FloorDiv(int64_t a, int64_t b)
{
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

uint32_t SecondStamp(int64_t second)
{
    return static_cast<uint32_t>(std::clamp<int64_t>(second, 0, UINT32_MAX));
}

constexpr size_t kRecentCapacity = TLevelRecorder::kRecentSeconds * 128;
// A day of seconds, with room for the extra records of weighting changes.
constexpr size_t kRecordCapacity = TLevelRecorder::kRingSeconds + 3600;

} // namespace

double LevelEnergy(uint8_t level)
{
    static const auto table = [] {
        std::array<double, 256> t{};
        for (size_t i = 0; i < t.size(); ++i)
            t[i] = std::pow(10.0, static_cast<double>(i) / 10.0);
        return t;
    }();
    return table[level];
}

double EnergyLevel(double meanEnergy)
{
    return 10.0 * std::log10(meanEnergy);
}

double TSecondRecord::Leq() const
{
    return count ? EnergyLevel(static_cast<double>(energy) / count) : 0.0;
}

TLevelRecorder::TLevelRecorder()
    : recent_(kRecentCapacity), records_(kRecordCapacity),
      // Not cleared: its pages cost nothing until a day of levels has
      // filled them, and a level is always written before it is read.
      pool_(std::make_unique_for_overwrite<uint8_t[]>(kRingSeconds * kLevelsPerSecond)),
      poolCapacity_(kRingSeconds * kLevelsPerSecond)
{
    // The device knows three weightings.
    totals_.reserve(3);
}

size_t TLevelRecorder::MemoryBytes() const
{
    return sizeof(*this) + recent_.Capacity() * sizeof(TLevelSample) +
           records_.Capacity() * sizeof(TSecondRecord) + poolCapacity_ +
           totals_.capacity() * sizeof(totals_[0]);
}

void TLevelRecorder::Advance(TTimeMs now, bool connected)
{
    if (started_ && now < now_) now = now_;
    now_ = now;
    connected_ = connected;
    const int64_t second = FloorDiv(now, 1000);
    if (!started_) {
        started_ = true;
        StartSecond(second, connected);
        return;
    }
    if (!connected) {
        // Whatever of the open second saw nothing was lost to the
        // disconnection, not to a silent device.
        for (size_t i = records_.Size(); i-- > 0 && records_[i].second == SecondStamp(openSecond_);)
            if (records_[i].status == TLevelStatus::NoReply) records_[i].status = TLevelStatus::Disconnected;
    }
    if (second <= openSecond_) return;

    std::vector<TSecondRecord> closed;
    CloseOpenSecond(closed);
    // A jump longer than the ring holds (the computer slept, the clock was
    // set forward) keeps only the last day of it.
    int64_t gap = openSecond_ + 1;
    if (second - gap > kRingSeconds) gap = second - kRingSeconds;
    const TSecondRecord* last = records_.Empty() ? nullptr : &records_.Back();
    TSecondRecord filler;
    filler.status = connected ? TLevelStatus::NoReply : TLevelStatus::Disconnected;
    if (last) {
        filler.weighting = last->weighting;
        filler.threshold = last->threshold;
    }
    filler.levelsAt = static_cast<uint32_t>(poolHead_);
    for (; gap < second; ++gap) {
        filler.second = SecondStamp(gap);
        records_.PushBack(filler);
        closed.push_back(filler);
    }
    StartSecond(second, connected);
    TrimRecent();
    if (OnSecondsClosed && !closed.empty()) OnSecondsClosed(closed);
}

void TLevelRecorder::StartSecond(int64_t second, bool connected)
{
    openSecond_ = second;
    TSecondRecord r;
    r.second = SecondStamp(second);
    r.levelsAt = static_cast<uint32_t>(poolHead_);
    r.status = connected ? TLevelStatus::NoReply : TLevelStatus::Disconnected;
    // A gap shows the weighting and threshold in force before it.
    if (!records_.Empty()) {
        r.weighting = records_.Back().weighting;
        r.threshold = records_.Back().threshold;
    }
    records_.PushBack(r);
    TrimRecords();
}

void TLevelRecorder::CloseOpenSecond(std::vector<TSecondRecord>& closed)
{
    const uint32_t stamp = SecondStamp(openSecond_);
    size_t first = records_.Size();
    unsigned received = 0;
    while (first > 0 && records_[first - 1].second == stamp) {
        --first;
        received += records_[first].received;
    }
    for (size_t i = first; i < records_.Size(); ++i) {
        const TSecondRecord& r = records_[i];
        if (r.over) TotalsOf(r.weighting).overSeconds += static_cast<double>(r.over) / received;
        closed.push_back(r);
    }
}

void TLevelRecorder::TrimRecords()
{
    const int64_t oldest = openSecond_ - kRingSeconds + 1;
    while (!records_.Empty() && records_.Front().second < oldest)
        records_.PopFront();
}

void TLevelRecorder::TrimRecent()
{
    const TTimeMs oldest = now_ - kRecentSeconds * 1000;
    while (!recent_.Empty() && recent_.Front().time <= oldest)
        recent_.PopFront();
}

TLevelTotals& TLevelRecorder::TotalsOf(uint8_t weighting)
{
    for (auto& [code, totals] : totals_)
        if (code == weighting) return totals;
    totals_.emplace_back(weighting, TLevelTotals{});
    return totals_.back().second;
}

TSecondRecord& TLevelRecorder::OpenRecordFor(uint8_t weighting)
{
    TSecondRecord& last = records_.Back();
    if (last.received == 0) {
        last.weighting = weighting;
        return last;
    }
    if (last.weighting == weighting) return last;
    // The weighting changed within the second: its levels are never pooled
    // with the other weighting's.
    TSecondRecord next;
    next.second = last.second;
    next.levelsAt = static_cast<uint32_t>(poolHead_);
    next.weighting = weighting;
    next.threshold = last.threshold;
    records_.PushBack(next);
    return records_.Back();
}

void TLevelRecorder::Add(const TLevelSample& sample)
{
    Advance(sample.time, true);
    TLevelSample s = sample;
    s.time = now_;
    recent_.PushBack(s);
    TrimRecent();

    TSecondRecord& r = OpenRecordFor(s.weighting);
    if (r.received == kMaxRepliesPerSecond) return;
    ++r.received;
    r.threshold = s.threshold;
    if (!s.Valid()) {
        r.status = s.status;
        return;
    }
    if (r.status == TLevelStatus::NoReply || r.status == TLevelStatus::Disconnected) r.status = TLevelStatus::Ok;
    if (r.count == 0) {
        r.minLevel = r.maxLevel = s.level;
    } else {
        r.minLevel = std::min(r.minLevel, s.level);
        r.maxLevel = std::max(r.maxLevel, s.level);
    }
    pool_[poolHead_ % poolCapacity_] = s.level;
    ++poolHead_;
    ++r.count;
    const double energy = LevelEnergy(s.level);
    r.energy += static_cast<float>(energy);
    const bool above = s.Alarm();
    const bool rising = above && !lastAbove_;
    lastAbove_ = above;
    if (above) ++r.over;
    if (rising) ++r.risings;

    TLevelTotals& t = TotalsOf(s.weighting);
    ++t.count;
    t.energy += energy;
    t.minLevel = std::min(t.minLevel, s.level);
    t.maxLevel = std::max(t.maxLevel, s.level);
    if (rising) ++t.risings;
    ++t.histogram[s.level];
}

void TLevelRecorder::Clear()
{
    recent_.Clear();
    records_.Clear();
    totals_.clear();
    lastAbove_ = false;
    if (started_) StartSecond(openSecond_, connected_);
}

size_t TLevelRecorder::FirstRecordFrom(int64_t second) const
{
    return records_.LowerBound(second, [](const TSecondRecord& r, int64_t s) { return r.second < s; });
}
