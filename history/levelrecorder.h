// The level history's store: every sample of the last minute, and one record
// per second for the last 24 hours, with the levels of those seconds kept so
// that the statistical levels of any span are exact. Memory is taken once
// (about 8 MiB); adding a sample costs O(1).
//
// Time comes from the caller (the panel's clocks, a test's simulated ones)
// as a steady clock and a wall clock. The recorder keeps time on a clock of
// its own: the steady clock, set to the wall clock's time when recording
// began. Readings are ordered and bucketed by it, so a wall clock set back
// or forward neither piles readings into one second nor leaves false gaps;
// the wall clock only labels the seconds (TSecondRecord::wall).
// Portable.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "history/alarmrule.h"
#include "history/levelsample.h"
#include "history/ring.h"

// One second of one series: the levels measured with one weighting at one
// microphone offset. A second in which either changed has one record for
// each, in order; a second without a valid reading is a gap (count 0) that
// says why.
struct TSecondRecord {
    // The second on the recorder's clock.
    uint32_t second = 0;
    // The wall clock's second as it began (seconds since 1970 UTC): what
    // rows and the chart are labelled with.
    uint32_t wall = 0;
    // Sum of 10^(L/10) over the record's valid levels.
    float energy = 0;
    // Where the valid levels start in the recorder's level pool (low 32 bits).
    uint32_t levelsAt = 0;
    // How much of the second the device was connected; the same in every
    // record of the second. The second's replies share that time equally.
    uint16_t connectedMs = 0;
    uint16_t count = 0;    // valid levels
    uint16_t received = 0; // replies: valid levels and error readings
    uint16_t over = 0;     // valid levels at or above their threshold
    // The display's alarms that began in this record (by its own rule).
    uint8_t alarms = 0;
    uint8_t minLevel = 0, maxLevel = 0;
    // An error reading outranks valid ones (the row shows that one
    // occurred); a valid reading outranks the gap kinds.
    TLevelStatus status = TLevelStatus::NoReply;
    uint8_t weighting = 0;
    uint8_t threshold = 0; // the last reply's
    int8_t offset = 0;
    // The display's alarm was sounding as this record began.
    bool alarmFromBefore = false;

    bool HasLevels() const { return count > 0; }
    bool Over() const { return over > 0; }
    bool SameSeries(const TSecondRecord& other) const
    {
        return weighting == other.weighting && offset == other.offset;
    }
    // Energy mean of the record's levels; only when HasLevels.
    double Leq() const;
};

// A change of the wall clock: from `at` on (the recorder's clock, ms), the
// wall clock reads `shift` ms ahead of the recorder's.
struct TClockStep {
    TTimeMs at = 0;
    TTimeMs shift = 0;
};

// What the seconds of one series add up to, each reply weighted by the
// time it stands for: exact whatever the span's length, in constant space.
struct TLevelSums {
    uint8_t weighting = 0;
    int8_t offset = 0;
    uint64_t count = 0;
    // Time with a valid level, and the energy over it: sum of 10^(L/10) x s.
    double seconds = 0;
    double energy = 0;
    uint8_t minLevel = 255, maxLevel = 0;
    double overSeconds = 0;
    uint64_t alarms = 0;
    // False when some levels had left the pool (see TLevelRecorder::LevelsOf).
    bool complete = true;
    // Seconds spent at each whole-dB level.
    std::array<double, 256> histogram{};
};

class TLevelRecorder {
public:
    static constexpr int kRecentSeconds = 60;
    static constexpr int kRingSeconds = 24 * 60 * 60;
    // Kept levels per second of the day, on average: above the 50 a second
    // the exchange runs at.
    static constexpr size_t kLevelsPerSecond = 60;
    // A wall clock that moves this far against the steady one was set; less
    // is the two clocks' drift and granularity, which labels to the second
    // do not show.
    static constexpr TTimeMs kClockStepMs = 1000;

    TLevelRecorder();

    // Brings the clock to now: every second before now is closed, and the
    // seconds in between that saw no reply become gaps (disconnected, or no
    // reply when connected). Seconds closed are reported to OnSecondsClosed.
    void Advance(TClockTime now, bool connected);
    // One accepted reply at `at`. Advances the clock to it first.
    void Add(TClockTime at, const TLevelSample& sample);
    // Forgets everything recorded and starts again at the open second, as
    // if recording began now; the clock stays.
    void Clear();

    // The seconds closed by one Advance, in order. Called at most once per
    // call of Advance or Add.
    std::function<void(const std::vector<TSecondRecord>& closed)> OnSecondsClosed;

    // --- The recorder's clock
    bool Started() const { return started_; }
    // The latest time seen (ms), and its second (the one still open).
    TTimeMs Now() const { return now_; }
    int64_t OpenSecond() const { return openSecond_; }
    // A moment of the caller's clocks on the recorder's clock.
    TTimeMs TimeOf(TClockTime t) const;
    // What the wall clock read at a moment of the recorder's clock (ms).
    TTimeMs WallAt(TTimeMs at) const;
    // The wall clock's changes, oldest first; the first is where recording
    // began (as far back as they are kept).
    const TRing<TClockStep>& ClockSteps() const { return clockSteps_; }

    // --- What is kept
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
    // Sums of the closed seconds since recording started (or the last
    // Clear), one entry per series, in the order they were first seen.
    const std::vector<TLevelSums>& Totals() const { return totals_; }
    // An alarm already sounding when recording started is still to be
    // counted, at the first record with levels.
    bool AlarmCarried() const { return carry_; }

    // Bytes this recorder holds.
    size_t MemoryBytes() const;

private:
    TSecondRecord& OpenRecordFor(const TLevelSample& s);
    TSecondRecord NewRecord(int64_t second) const;
    void StartSecond(int64_t second);
    void CloseOpenSecond(std::vector<TSecondRecord>& closed);
    void AddConnectedTime(TTimeMs from, TTimeMs to);
    void NoteWallClock(TTimeMs at, TTimeMs wall);
    void TrimRecent();
    void TrimRecords();

    TRing<TLevelSample> recent_;
    TRing<TSecondRecord> records_;
    std::unique_ptr<uint8_t[]> pool_;
    size_t poolCapacity_;
    uint64_t poolHead_ = 0;
    std::vector<TLevelSums> totals_;
    TRing<TClockStep> clockSteps_;
    TAlarmRule alarm_;
    bool carry_ = true;
    bool started_ = false;
    // The recorder's clock less the steady clock, fixed when recording began.
    TTimeMs base_ = 0;
    // The wall clock less the recorder's, as of the last clock step.
    TTimeMs shift_ = 0;
    TTimeMs now_ = 0;
    int64_t openSecond_ = 0;
    bool connected_ = false;
};

// Adds the records [first, last) of one second of the recorder to sums, one
// entry per series. Each reply of the second stands for an equal share of
// the time the device was connected in it, so that a fast exchange weighs
// no more than a slow one. carry: an alarm already sounding is still to be
// counted; it is, at the first record with levels, if that record began
// with the alarm on.
void AddSecond(const TLevelRecorder& recorder, size_t first, size_t last, std::vector<TLevelSums>& sums,
               bool& carry);
// The time one reply of a second stands for, from its records.
double ReplySeconds(std::span<const TSecondRecord> second);

// 10^(L/10), the energy of a whole-dB level.
double LevelEnergy(uint8_t level);
// The level of a mean energy, 10 log10(energy).
double EnergyLevel(double meanEnergy);
