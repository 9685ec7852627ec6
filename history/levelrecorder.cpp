#include "history/levelrecorder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

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
// A day of seconds, with room for the extra records of series changes.
constexpr size_t kRecordCapacity = TLevelRecorder::kRingSeconds + 3600;
// Clock changes kept for the chart's labels: far more than a day brings.
constexpr size_t kClockStepCapacity = 64;
// Series seen before the totals' vector has to grow: three weightings.
constexpr size_t kSeriesReserved = 3;

TLevelSums& SumsOf(std::vector<TLevelSums>& all, const TSecondRecord& r)
{
    for (TLevelSums& s : all)
        if (s.weighting == r.weighting && s.offset == r.offset) return s;
    all.emplace_back();
    all.back().weighting = r.weighting;
    all.back().offset = r.offset;
    return all.back();
}

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

double ReplySeconds(std::span<const TSecondRecord> second)
{
    unsigned received = 0, connectedMs = 0;
    for (const TSecondRecord& r : second) {
        received += r.received;
        connectedMs = std::max<unsigned>(connectedMs, r.connectedMs);
    }
    // A reply stands for some time even in a second that ended as it came.
    return received ? std::max(connectedMs, 1u) / 1000.0 / received : 0.0;
}

void AddSecond(const TLevelRecorder& recorder, size_t first, size_t last, std::vector<TLevelSums>& sums,
               bool& carry)
{
    const TRing<TSecondRecord>& records = recorder.Records();
    if (first >= last) return;
    // The records of one second are consecutive in the ring but may wrap
    // around its end, so they are looked at one by one.
    unsigned received = 0, connectedMs = 0;
    for (size_t i = first; i < last; ++i) {
        received += records[i].received;
        connectedMs = std::max<unsigned>(connectedMs, records[i].connectedMs);
    }
    if (received == 0) return;
    const double share = std::max(connectedMs, 1u) / 1000.0 / received;
    for (size_t i = first; i < last; ++i) {
        const TSecondRecord& r = records[i];
        if (!r.HasLevels()) continue;
        TLevelSums& s = SumsOf(sums, r);
        s.count += r.count;
        s.seconds += r.count * share;
        s.energy += static_cast<double>(r.energy) * share;
        s.minLevel = std::min(s.minLevel, r.minLevel);
        s.maxLevel = std::max(s.maxLevel, r.maxLevel);
        s.overSeconds += r.over * share;
        s.alarms += r.alarms;
        if (carry) {
            if (r.alarmFromBefore) ++s.alarms;
            carry = false;
        }
        if (!recorder.LevelsOf(r, [&s, share](uint8_t level) { s.histogram[level] += share; }))
            s.complete = false;
    }
}

TLevelRecorder::TLevelRecorder()
    : recent_(kRecentCapacity), records_(kRecordCapacity),
      // Not cleared: its pages cost nothing until a day of levels has
      // filled them, and a level is always written before it is read.
      pool_(std::make_unique_for_overwrite<uint8_t[]>(kRingSeconds * kLevelsPerSecond)),
      poolCapacity_(kRingSeconds * kLevelsPerSecond), clockSteps_(kClockStepCapacity)
{
    totals_.reserve(kSeriesReserved);
}

size_t TLevelRecorder::MemoryBytes() const
{
    return sizeof(*this) + recent_.Capacity() * sizeof(TLevelSample) +
           records_.Capacity() * sizeof(TSecondRecord) + poolCapacity_ +
           totals_.capacity() * sizeof(TLevelSums) + clockSteps_.Capacity() * sizeof(TClockStep);
}

TTimeMs TLevelRecorder::TimeOf(TClockTime t) const
{
    return started_ ? t.steady + base_ : t.wall;
}

TTimeMs TLevelRecorder::WallAt(TTimeMs at) const
{
    if (clockSteps_.Empty()) return at;
    size_t i = clockSteps_.LowerBound(at, [](const TClockStep& s, TTimeMs t) { return s.at <= t; });
    // Before the oldest step kept, the oldest shift is the best known.
    return at + clockSteps_[i == 0 ? 0 : i - 1].shift;
}

void TLevelRecorder::NoteWallClock(TTimeMs at, TTimeMs wall)
{
    const TTimeMs shift = wall - at;
    if (std::llabs(shift - shift_) < kClockStepMs) return;
    shift_ = shift;
    clockSteps_.PushBack({at, shift});
}

TSecondRecord TLevelRecorder::NewRecord(int64_t second) const
{
    TSecondRecord r;
    r.second = SecondStamp(second);
    r.wall = SecondStamp(FloorDiv(second * 1000 + shift_, 1000));
    r.levelsAt = static_cast<uint32_t>(poolHead_);
    r.status = connected_ ? TLevelStatus::NoReply : TLevelStatus::Disconnected;
    r.alarmFromBefore = alarm_.On();
    // A gap shows the series and threshold in force before it.
    if (!records_.Empty()) {
        const TSecondRecord& last = records_.Back();
        r.weighting = last.weighting;
        r.offset = last.offset;
        r.threshold = last.threshold;
    }
    return r;
}

void TLevelRecorder::StartSecond(int64_t second)
{
    openSecond_ = second;
    records_.PushBack(NewRecord(second));
    TrimRecords();
}

void TLevelRecorder::AddConnectedTime(TTimeMs from, TTimeMs to)
{
    // Only within the open second; the seconds a long jump passes over
    // have no replies, and their time counts for nothing.
    from = std::max(from, openSecond_ * 1000);
    to = std::min(to, (openSecond_ + 1) * 1000);
    if (to <= from) return;
    const uint32_t stamp = SecondStamp(openSecond_);
    for (size_t i = records_.Size(); i-- > 0 && records_[i].second == stamp;)
        records_[i].connectedMs =
            static_cast<uint16_t>(std::min<TTimeMs>(records_[i].connectedMs + (to - from), 1000));
}

void TLevelRecorder::Advance(TClockTime clock, bool connected)
{
    if (!started_) {
        started_ = true;
        base_ = clock.wall - clock.steady;
        now_ = clock.wall;
        connected_ = connected;
        clockSteps_.PushBack({now_, 0});
        StartSecond(FloorDiv(now_, 1000));
        return;
    }
    // A steady clock never runs back; a caller's clock might, and its
    // earlier time then counts as the latest one seen.
    const TTimeMs now = std::max(clock.steady + base_, now_);
    NoteWallClock(now, clock.wall);
    const TTimeMs before = now_;
    const bool wasConnected = connected_;
    now_ = now;
    connected_ = connected;
    if (wasConnected) AddConnectedTime(before, now);
    if (!connected) {
        if (wasConnected) alarm_.Lost();
        // Whatever of the open second saw nothing was lost to the
        // disconnection, not to a silent device.
        for (size_t i = records_.Size(); i-- > 0 && records_[i].second == SecondStamp(openSecond_);)
            if (records_[i].status == TLevelStatus::NoReply) records_[i].status = TLevelStatus::Disconnected;
    }
    const int64_t second = FloorDiv(now, 1000);
    if (second <= openSecond_) return;

    std::vector<TSecondRecord> closed;
    CloseOpenSecond(closed);
    // A jump longer than the ring holds (the computer slept) keeps only the
    // last day of it.
    int64_t gap = openSecond_ + 1;
    if (second - gap > kRingSeconds) gap = second - kRingSeconds;
    for (; gap < second; ++gap) {
        TSecondRecord filler = NewRecord(gap);
        filler.connectedMs = wasConnected ? 1000 : 0;
        records_.PushBack(filler);
        closed.push_back(filler);
    }
    StartSecond(second);
    if (wasConnected) AddConnectedTime(before, now);
    TrimRecent();
    if (OnSecondsClosed && !closed.empty()) OnSecondsClosed(closed);
}

void TLevelRecorder::CloseOpenSecond(std::vector<TSecondRecord>& closed)
{
    const uint32_t stamp = SecondStamp(openSecond_);
    size_t first = records_.Size();
    while (first > 0 && records_[first - 1].second == stamp)
        --first;
    AddSecond(*this, first, records_.Size(), totals_, carry_);
    for (size_t i = first; i < records_.Size(); ++i)
        closed.push_back(records_[i]);
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

TSecondRecord& TLevelRecorder::OpenRecordFor(const TLevelSample& s)
{
    TSecondRecord& last = records_.Back();
    if (last.received == 0) {
        last.weighting = s.weighting;
        last.offset = s.offset;
        return last;
    }
    if (last.weighting == s.weighting && last.offset == s.offset) return last;
    // The weighting or the offset changed within the second: levels
    // measured differently are never pooled.
    TSecondRecord next = NewRecord(openSecond_);
    next.wall = last.wall;
    next.connectedMs = last.connectedMs;
    next.status = TLevelStatus::NoReply;
    next.weighting = s.weighting;
    next.offset = s.offset;
    records_.PushBack(next);
    return records_.Back();
}

void TLevelRecorder::Add(TClockTime at, const TLevelSample& sample)
{
    Advance(at, true);
    TLevelSample s = sample;
    s.time = now_;
    recent_.PushBack(s);
    TrimRecent();

    TSecondRecord& r = OpenRecordFor(s);
    if (r.received == UINT16_MAX) return;
    ++r.received;
    r.threshold = s.threshold;
    const TAlarmRule::TStep alarm = alarm_.Reading(now_, s.Over(), s.showTime, s.resetTime);
    if (alarm.began && r.alarms < UINT8_MAX) ++r.alarms;
    if (!s.Valid()) {
        r.status = s.status;
        return;
    }
    if (r.status == TLevelStatus::NoReply || r.status == TLevelStatus::Disconnected)
        r.status = TLevelStatus::Ok;
    if (r.count == 0) {
        r.minLevel = r.maxLevel = s.level;
    } else {
        r.minLevel = std::min(r.minLevel, s.level);
        r.maxLevel = std::max(r.maxLevel, s.level);
    }
    pool_[poolHead_ % poolCapacity_] = s.level;
    ++poolHead_;
    ++r.count;
    r.energy += static_cast<float>(LevelEnergy(s.level));
    if (s.Over()) ++r.over;
}

void TLevelRecorder::Clear()
{
    recent_.Clear();
    records_.Clear();
    totals_.clear();
    // The display's alarm may be sounding still: the new recording counts
    // it once, as an alarm that was on when it began.
    carry_ = true;
    if (started_) StartSecond(openSecond_);
}

size_t TLevelRecorder::FirstRecordFrom(int64_t second) const
{
    return records_.LowerBound(second, [](const TSecondRecord& r, int64_t s) { return r.second < s; });
}
