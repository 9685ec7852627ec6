// The level history's store: every sample of the last minute, and one record
// per second for the last 24 hours, with the levels of those seconds kept so
// that the statistical levels of any span are exact. Memory is taken once
// (about 7 MiB) and never grows; adding a sample costs O(1).
//
// Time comes from the caller (the panel's clock, a test's simulated one). It
// never runs backwards here: an earlier time counts as the latest one seen,
// so a clock set back neither reorders the records nor loses any.
// Portable.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "history/levelsample.h"
#include "history/ring.h"

// One second of one weighting. A second in which the weighting changed has
// one record for each, in order; a second without a valid reading is a gap
// (count 0) that says why.
struct TSecondRecord {
    // Seconds since 1970-01-01 00:00 UTC (a 32-bit count lasts until 2106).
    uint32_t second = 0;
    // Sum of 10^(L/10) over the second's valid levels.
    float energy = 0;
    // Where the valid levels start in the recorder's level pool (low 32 bits).
    uint32_t levelsAt = 0;
    uint8_t count = 0;    // valid levels
    uint8_t received = 0; // replies: valid levels and error readings
    uint8_t over = 0;     // valid levels at or above their threshold
    uint8_t risings = 0;  // valid levels that went over from below
    uint8_t minLevel = 0, maxLevel = 0;
    // An error reading outranks valid ones (the row shows that one
    // occurred); a valid reading outranks the gap kinds.
    TLevelStatus status = TLevelStatus::NoReply;
    uint8_t weighting = 0;
    uint8_t threshold = 0; // the last reply's

    bool HasLevels() const { return count > 0; }
    bool Alarm() const { return over > 0; }
    // Energy mean of the second's levels; only when HasLevels.
    double Leq() const;
};

// Running totals of one weighting since recording started (or the last
// Clear): exact whatever the run length, in constant space.
struct TLevelTotals {
    uint64_t count = 0;
    double energy = 0;
    uint8_t minLevel = 255, maxLevel = 0;
    uint64_t risings = 0;
    // Seconds over the threshold, from the seconds closed so far.
    double overSeconds = 0;
    std::array<uint64_t, 256> histogram{};
};

class TLevelRecorder {
public:
    static constexpr int kRecentSeconds = 60;
    static constexpr int kRingSeconds = 24 * 60 * 60;
    // Replies beyond this within one second are not kept: the platform's
    // timers deliver at most 100 ticks a second, one reply per two ticks.
    static constexpr int kMaxRepliesPerSecond = 255;
    // Kept levels per second of the day, on average: above the 50 a second
    // the exchange runs at.
    static constexpr size_t kLevelsPerSecond = 60;

    TLevelRecorder();

    // Brings the clock to now: every second before now is closed, and the
    // seconds in between that saw no reply become gaps (disconnected, or no
    // reply when connected). Seconds closed are reported to OnSecondsClosed.
    void Advance(TTimeMs now, bool connected);
    // One accepted reply. Advances the clock to its time first.
    void Add(const TLevelSample& sample);
    // Forgets everything recorded and starts again at the open second, as
    // if recording began there; the clock stays.
    void Clear();

    // The seconds closed by one Advance, in order. Called at most once per
    // call of Advance or Add.
    std::function<void(const std::vector<TSecondRecord>& closed)> OnSecondsClosed;

    // --- What is kept
    bool Started() const { return started_; }
    // The latest time seen, and its second (the one still open).
    TTimeMs Now() const { return now_; }
    int64_t OpenSecond() const { return openSecond_; }
    // Samples of the last minute, oldest first, all kinds.
    const TRing<TLevelSample>& Recent() const { return recent_; }
    // Records of the last 24 hours, oldest first; the last ones belong to
    // the open second.
    const TRing<TSecondRecord>& Records() const { return records_; }
    // Index of the first record of this second or later.
    size_t FirstRecordFrom(int64_t second) const;
    // The valid levels of a record, while the pool still holds them (always,
    // unless replies came faster than kLevelsPerSecond for a whole day).
    template <class Each> bool LevelsOf(const TSecondRecord& record, Each&& each) const
    {
        const uint32_t behind = static_cast<uint32_t>(poolHead_) - record.levelsAt;
        if (behind > poolCapacity_ || behind < record.count) return false;
        size_t at = static_cast<size_t>((poolHead_ - behind) % poolCapacity_);
        for (unsigned k = 0; k < record.count; ++k) {
            each(pool_[at]);
            if (++at == poolCapacity_) at = 0;
        }
        return true;
    }
    // Totals since recording started, one entry per weighting code seen,
    // in the order they were first seen.
    const std::vector<std::pair<uint8_t, TLevelTotals>>& Totals() const { return totals_; }

    // Bytes this recorder holds, whatever it has recorded.
    size_t MemoryBytes() const;

private:
    TSecondRecord& OpenRecordFor(uint8_t weighting);
    void StartSecond(int64_t second, bool connected);
    void CloseOpenSecond(std::vector<TSecondRecord>& closed);
    void TrimRecent();
    void TrimRecords();
    TLevelTotals& TotalsOf(uint8_t weighting);

    TRing<TLevelSample> recent_;
    TRing<TSecondRecord> records_;
    std::unique_ptr<uint8_t[]> pool_;
    size_t poolCapacity_;
    uint64_t poolHead_ = 0;
    std::vector<std::pair<uint8_t, TLevelTotals>> totals_;
    bool started_ = false;
    TTimeMs now_ = 0;
    int64_t openSecond_ = 0;
    bool connected_ = false;
    // The last valid level was at or above its threshold: the next one
    // above it is no new alarm.
    bool lastAbove_ = false;
};

// 10^(L/10), the energy of a whole-dB level.
double LevelEnergy(uint8_t level);
// The level of a mean energy, 10 log10(energy).
double EnergyLevel(double meanEnergy);
