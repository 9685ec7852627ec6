// The level history's recording and statistics, against values worked out
// by hand, on simulated clocks.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "device/deviceframe.h"
#include "history/levelstats.h"
#include "simulator/devicemodel.h"

namespace {

constexpr TTimeMs kStart = 1'700'000'000'000; // a whole second
constexpr uint8_t kDbA = 1, kDbC = 2;

// Feeds replies at a fixed rate on simulated clocks: the steady one, and the
// wall clock `wallShift` ahead of it.
struct TFeed {
    TLevelRecorder& recorder;
    TTimeMs now = kStart;
    TTimeMs wallShift = 0;
    int perSecond = 50;
    // dB(A), offset 0, threshold 100, show and reset 10 s.
    ParameterSet params{kDbA, 0, 3, 100, 100, 100, 1, 10, 10};

    TClockTime At(TTimeMs t) const { return {t, t + wallShift}; }
    void Reading(uint8_t code, double seconds)
    {
        const int64_t n = std::llround(seconds * perSecond);
        for (int64_t i = 0; i < n; ++i)
            recorder.Add(At(now + i * 1000 / perSecond), SampleOfReply(code, params));
        now += n * 1000 / perSecond;
    }
    // Time passing with nothing accepted, at the exchange's ticks.
    void Silence(double seconds, bool connected)
    {
        const TTimeMs until = now + static_cast<TTimeMs>(seconds * 1000);
        for (; now < until; now += 10)
            recorder.Advance(At(now), connected);
    }
    // The exchange's tick now: at the end of a second, it closes it with all
    // of its time counted.
    void Close() { recorder.Advance(At(now), true); }
};

TSpanStats All(const TLevelRecorder& r)
{
    return SpanStats(r, 0, r.OpenSecond());
}

double Leq(std::initializer_list<std::pair<double, double>> levelSeconds)
{
    double energy = 0, seconds = 0;
    for (const auto& [level, s] : levelSeconds) {
        energy += std::pow(10.0, level / 10) * s;
        seconds += s;
    }
    return 10 * std::log10(energy / seconds);
}

TEST(LevelStats, MatchHandWorkedValuesWeighingEachReplyByItsTime)
{
    struct Step {
        uint8_t level;
        double seconds;
        int perSecond;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        double leq;
        int lmax, lmin, l10, l50, l90;
    };
    std::vector<Step> uniform;
    double uniformEnergy = 0;
    for (int level = 1; level <= 100; ++level) {
        uniform.push_back({static_cast<uint8_t>(level), 1.0, 50});
        uniformEnergy += std::pow(10.0, level / 10.0);
    }
    const Case cases[] = {
        {"equal time at 60 and 70 dB", {{60, 10, 50}, {70, 10, 50}}, 67.40, 70, 60, 70, 70, 60},
        {"steady 80 dB", {{80, 4, 50}}, 80.0, 80, 80, 80, 80, 80},
        {"10 % of the time at 90, the rest at 50",
         {{50, 9, 50}, {90, 1, 50}},
         Leq({{50, 9}, {90, 1}}),
         90,
         50,
         90,
         50,
         50},
        {"1 to 100 dB, one second each", uniform, 10 * std::log10(uniformEnergy / 100), 100, 1, 91, 51, 11},
        // Counted per reply: 79.22 dB, as if the loud half lasted 5/6 of the time.
        {"equal time at two reply rates", {{80, 10, 50}, {60, 10, 10}}, 77.03, 80, 60, 80, 80, 60},
        // Counted per reply, 80 dB would hold 5/8 of the levels and be L50.
        {"a quarter of the time at the faster rate",
         {{80, 10, 50}, {60, 30, 10}},
         Leq({{80, 10}, {60, 30}}),
         80,
         60,
         80,
         60,
         60},
    };
    for (const Case& c : cases) {
        TLevelRecorder recorder;
        TFeed feed{recorder};
        double seconds = 0;
        for (const Step& s : c.steps) {
            feed.perSecond = s.perSecond;
            feed.Reading(s.level, s.seconds);
            seconds += s.seconds;
        }
        feed.Close();
        const TSpanStats stats = All(recorder);
        ASSERT_EQ(stats.series.size(), 1u) << c.name;
        const TLevelStats& s = stats.series[0];
        EXPECT_NEAR(s.leq, c.leq, 0.005) << c.name;
        EXPECT_NEAR(s.seconds, seconds, 1e-9) << c.name;
        EXPECT_EQ(s.lmax, c.lmax) << c.name;
        EXPECT_EQ(s.lmin, c.lmin) << c.name;
        EXPECT_EQ(s.l10, c.l10) << c.name;
        EXPECT_EQ(s.l50, c.l50) << c.name;
        EXPECT_EQ(s.l90, c.l90) << c.name;
        EXPECT_TRUE(s.percentilesComplete);
        // The running totals since the start agree with the span.
        const TLevelStats total = TotalStats(recorder).series.at(0);
        EXPECT_NEAR(total.leq, s.leq, 1e-4) << c.name;
        EXPECT_EQ(total.l10, s.l10) << c.name;
        EXPECT_EQ(total.l50, s.l50) << c.name;
        EXPECT_EQ(total.l90, s.l90) << c.name;
    }
}

TEST(LevelStats, GapsAreNeitherLevelsNorTime)
{
    TLevelRecorder recorder;
    TFeed feed{recorder};
    feed.params.alarmThreshold = 65;
    feed.Reading(60, 2);
    feed.Reading(0xE1, 1); // the device's error codes are no levels
    feed.Reading(0xE8, 1);
    feed.Silence(3, false); // unplugged
    feed.Silence(2, true);  // connected, nothing accepted
    feed.Reading(70, 2);
    feed.Silence(1.5, true);

    const TLevelStats s = All(recorder).series.at(0);
    EXPECT_EQ(s.count, 200u);
    EXPECT_NEAR(s.seconds, 4.0, 1e-9);
    EXPECT_NEAR(s.leq, 67.40, 0.005);
    EXPECT_EQ(s.lmin, 60) << "0 from an error reply would show here";
    EXPECT_NEAR(s.overSeconds, 2.0, 1e-9) << "only the two seconds at 70 dB";
    EXPECT_EQ(s.alarms, 1u);

    // Every elapsed second has its record, and a gap says what it was.
    std::vector<std::string> statuses;
    const auto& records = recorder.Records();
    for (size_t i = 0; i < records.Size(); ++i) {
        statuses.push_back(LevelStatusName(records[i].status));
        if (!records[i].HasLevels()) {
            EXPECT_EQ(records[i].over, 0);
        }
    }
    const std::vector<std::string> expected = {
        "ok",       "ok",       "E1", "E8", "disconnected", "disconnected", "disconnected",
        "no reply", "no reply", "ok", "ok", "no reply",     "no reply"};
    EXPECT_EQ(statuses, expected);
    EXPECT_EQ(recorder.OpenSecond(), kStart / 1000 + 12);
}

TEST(LevelStats, LevelsMeasuredDifferentlyAreReportedApartNeverAveraged)
{
    struct Case {
        const char* name;
        ParameterSet after; // from the middle of the third second on
    };
    const Case cases[] = {
        {"another weighting", {kDbC, 0, 3, 65, 100, 100, 1, 10, 10}},
        {"another microphone offset", {kDbA, -6, 3, 65, 100, 100, 1, 10, 10}},
    };
    for (const Case& c : cases) {
        TLevelRecorder recorder;
        TFeed feed{recorder};
        feed.params.alarmThreshold = 65;
        feed.Reading(60, 2.5);
        feed.params = c.after;
        feed.Reading(70, 2.5);
        feed.Close();

        const TSpanStats stats = All(recorder);
        ASSERT_TRUE(stats.Mixed()) << c.name;
        ASSERT_EQ(stats.series.size(), 2u) << c.name;
        const TLevelStats &first = stats.series[0], &second = stats.series[1];
        EXPECT_EQ(first.weighting, kDbA) << c.name << ": in the order they occurred";
        EXPECT_EQ(first.offset, 0) << c.name;
        EXPECT_NEAR(first.leq, 60.0, 1e-6) << c.name;
        EXPECT_EQ(first.count, 125u) << c.name;
        EXPECT_EQ(second.weighting, c.after.micInputType) << c.name;
        EXPECT_EQ(second.offset, c.after.micOffset) << c.name;
        EXPECT_NEAR(second.leq, 70.0, 1e-6) << c.name;
        EXPECT_EQ(second.l90, 70) << c.name;
        EXPECT_NEAR(second.overSeconds, 2.5, 1e-9) << c.name << ": half of the shared second";

        // The shared second is two records, one of each series.
        const size_t third = recorder.FirstRecordFrom(kStart / 1000 + 2);
        const auto& r = recorder.Records();
        ASSERT_EQ(r[third].second, r[third + 1].second) << c.name;
        EXPECT_EQ(r[third].maxLevel, 60) << c.name;
        EXPECT_EQ(r[third + 1].minLevel, 70) << c.name;
        EXPECT_FALSE(r[third].SameSeries(r[third + 1])) << c.name;

        // A span of the second part alone is not mixed; the whole run is.
        EXPECT_FALSE(SpanStats(recorder, kStart / 1000 + 3, recorder.OpenSecond()).Mixed()) << c.name;
        EXPECT_TRUE(TotalStats(recorder).Mixed()) << c.name;
    }
}

// One step of an alarm case: a level (or an error code) for some seconds,
// a flicker between two levels reply by reply, or time without replies.
struct TAlarmStep {
    enum { Level, Flicker, Unplugged, Silent } kind;
    uint8_t level;
    double seconds;
};

TEST(LevelStats, AlarmsAreTheDisplaysByItsShowAndResetTimes)
{
    using S = TAlarmStep;
    struct Case {
        const char* name;
        int threshold, show, reset;
        std::vector<TAlarmStep> steps;
        uint64_t alarms;
        double overSeconds;
    };
    // Worked out by hand with the display's rule: the alarm begins at a
    // reading at or above the threshold, ends at the first reading below it
    // once it has shown for the show time, and cannot begin again within
    // the reset time after it ended.
    const Case cases[] = {
        // 84, 85, 84, ... a reply every 20 ms: it begins at 0.02 s, ends at
        // 10.04 s, begins again at 20.06 s and 40.10 s. Every rise would
        // count 1,500.
        {"a level flickering across the threshold for a minute", 85, 10, 10, {{S::Flicker, 84, 60}}, 3, 30},
        {"loud throughout, longer than the show time", 80, 10, 10, {{S::Level, 90, 30}}, 1, 30},
        {"loud, an hour unplugged, loud again",
         80,
         10,
         10,
         {{S::Level, 90, 2}, {S::Unplugged, 0, 3600}, {S::Level, 90, 2}},
         2,
         4},
        // The display is there and measuring; no reading below the
        // threshold came to end its alarm.
        {"loud, an hour without replies, loud again",
         80,
         10,
         10,
         {{S::Level, 90, 2}, {S::Silent, 0, 3600}, {S::Level, 90, 2}},
         1,
         4},
        {"quiet within the reset time does not let it begin again",
         80,
         2,
         2,
         {{S::Level, 90, 3}, {S::Level, 60, 0.5}, {S::Level, 90, 1}, {S::Level, 60, 3}},
         1,
         4},
        {"quiet for the reset time lets it begin again",
         80,
         2,
         2,
         {{S::Level, 90, 3}, {S::Level, 60, 3}, {S::Level, 90, 3}},
         2,
         6},
        {"a dip while it shows is the same alarm",
         80,
         10,
         10,
         {{S::Level, 90, 1}, {S::Level, 60, 3}, {S::Level, 90, 1}},
         1,
         2},
        {"an error code is no loud sound",
         80,
         10,
         10,
         {{S::Level, 90, 1}, {S::Level, 0xE2, 1}, {S::Level, 90, 1}},
         1,
         2},
        {"below only", 80, 10, 10, {{S::Level, 60, 1}, {S::Level, 79, 1}}, 0, 0},
        {"the threshold itself sounds it", 80, 10, 10, {{S::Level, 79, 1}, {S::Level, 80, 2}}, 1, 2},
        {"recording starts loud", 80, 10, 10, {{S::Level, 90, 2}}, 1, 2},
    };
    for (const Case& c : cases) {
        TLevelRecorder recorder;
        TFeed feed{recorder};
        feed.params.alarmThreshold = c.threshold;
        feed.params.alarmShowTime = c.show;
        feed.params.alarmResetTime = c.reset;
        for (const TAlarmStep& s : c.steps) {
            if (s.kind == S::Level) feed.Reading(s.level, s.seconds);
            if (s.kind == S::Unplugged || s.kind == S::Silent) feed.Silence(s.seconds, s.kind == S::Silent);
            if (s.kind == S::Flicker)
                for (int i = 0; i < s.seconds * 50; ++i)
                    feed.Reading(static_cast<uint8_t>(s.level + i % 2), 0.02);
        }
        feed.Silence(1, true);
        const TLevelStats s = All(recorder).series.at(0);
        EXPECT_EQ(s.alarms, c.alarms) << c.name;
        EXPECT_NEAR(s.overSeconds, c.overSeconds, 1e-6) << c.name;
        const TLevelStats total = TotalStats(recorder).series.at(0);
        EXPECT_EQ(total.alarms, c.alarms) << c.name;
        EXPECT_NEAR(total.overSeconds, c.overSeconds, 1e-6) << c.name;
    }
}

TEST(LevelStats, AnAlarmSoundingAsASpanBeginsSoundedInIt)
{
    TLevelRecorder recorder;
    TFeed feed{recorder};
    feed.params.alarmThreshold = 80;
    feed.Reading(60, 5);
    feed.Reading(90, 30); // one alarm from 5 s to 35 s
    feed.Reading(60, 25);
    feed.Close();
    const int64_t first = kStart / 1000;
    struct Case {
        const char* name;
        int64_t from, to;
        uint64_t alarms;
        double over;
    };
    const Case cases[] = {
        {"inside the alarm", first + 20, first + 29, 1, 10},
        {"the alarm's start", first + 3, first + 6, 1, 2},
        {"after it, while the level is quiet", first + 40, first + 59, 0, 0},
        {"before it", first, first + 4, 0, 0},
    };
    for (const Case& c : cases) {
        const TLevelStats s = SpanStats(recorder, c.from, c.to).series.at(0);
        EXPECT_EQ(s.alarms, c.alarms) << c.name;
        EXPECT_NEAR(s.overSeconds, c.over, 1e-9) << c.name;
    }

    // Clear while it sounds: the new recording counts it once.
    feed.Reading(95, 3);
    recorder.Clear();
    feed.Reading(95, 2);
    feed.Close();
    EXPECT_EQ(TotalStats(recorder).series.at(0).alarms, 1u);
    EXPECT_EQ(All(recorder).series.at(0).alarms, 1u);
}

// The display's own rule, as the simulator's device model keeps it, and
// the history's, fed the same readings at the same moments: they agree at
// every reading, whatever the show and reset times.
TEST(LevelStats, TheAlarmRuleIsTheDisplays)
{
    std::mt19937 random(34);
    for (int run = 0; run < 40; ++run) {
        const int show = 1 + static_cast<int>(random() % 4), reset = 1 + static_cast<int>(random() % 4);
        TDeviceModel device("", 1);
        device.SetParameters({0, 0, 3, 80, 100, 100, 1, show, reset});
        TAlarmRule rule;
        uint64_t t = 0;
        int agreements = 0;
        for (int i = 0; i < 2000; ++i) {
            t += 20 + random() % 400;
            const uint32_t pick = random() % 10;
            const uint8_t reading =
                pick == 0 ? kReadingE2 : static_cast<uint8_t>(pick < 5 ? 75 + pick : 80 + pick);
            device.ForceReading(reading);
            const bool loud = reading != kReadingE2 && reading >= 80;
            const bool on = rule.Reading(static_cast<int64_t>(t), loud, show, reset).on;
            ASSERT_EQ(on, device.AlarmOn(t)) << "run " << run << ", reading " << i << " at " << t << " ms";
            ++agreements;
        }
        EXPECT_EQ(agreements, 2000);
    }
}

TEST(LevelStats, AReplyJustBeforeUnpluggingStandsOnlyForTheConnectedTime)
{
    TLevelRecorder recorder;
    TFeed feed{recorder};
    feed.params.alarmThreshold = 80;
    feed.Reading(60, 1);
    feed.Silence(0.5, true); // no reply for half a second
    feed.Reading(90, 0.02);  // one loud reply at 1.5 s
    feed.Silence(2, false);  // unplugged from the next tick, 1.52 s
    const TLevelStats s = All(recorder).series.at(0);
    EXPECT_NEAR(s.seconds, 1.52, 1e-9) << "a whole second, and the part of the next until the unplugging";
    EXPECT_NEAR(s.overSeconds, 0.52, 1e-9) << "the second's one reply, not the whole second";
    EXPECT_EQ(s.alarms, 1u);
}

TEST(LevelRecorder, AClockSetBackOrForwardLosesNoReadingAndLabelsWhatTheClockSaid)
{
    struct Case {
        const char* name;
        TTimeMs shift;
        bool step; // large enough to be a setting of the clock
    };
    const Case cases[] = {
        {"set back an hour", -3'600'000, true},
        {"set forward an hour", 3'600'000, true},
        {"set back five seconds", -5000, true},
        {"corrected by half a second", 500, false},
    };
    for (const Case& c : cases) {
        TLevelRecorder recorder;
        std::vector<TSecondRecord> closed;
        recorder.OnSecondsClosed = [&](const std::vector<TSecondRecord>& seconds) {
            closed.insert(closed.end(), seconds.begin(), seconds.end());
        };
        TFeed feed{recorder};
        feed.Reading(60, 60);
        feed.wallShift = c.shift;
        feed.Reading(61, 60);
        feed.Close();

        EXPECT_EQ(TotalStats(recorder).series.at(0).count, 6000u) << c.name;
        ASSERT_EQ(closed.size(), 120u) << c.name << ": one row a second, no gaps";
        for (size_t i = 0; i < closed.size(); ++i) {
            EXPECT_EQ(closed[i].second, kStart / 1000 + i) << c.name;
            EXPECT_EQ(closed[i].count, 50) << c.name << ", second " << i;
            const int64_t label =
                kStart / 1000 + static_cast<int64_t>(i) + (i >= 60 && c.step ? c.shift / 1000 : 0);
            EXPECT_EQ(closed[i].wall, label) << c.name << ", second " << i;
        }
        EXPECT_EQ(recorder.ClockSteps().Size(), c.step ? 2u : 1u) << c.name;
        EXPECT_EQ(recorder.WallAt(kStart + 90'000), kStart + 90'000 + (c.step ? c.shift : 0)) << c.name;
        EXPECT_EQ(recorder.WallAt(kStart + 30'000), kStart + 30'000) << c.name;
    }

    // The clock set back an hour with an hour of replies after it: all
    // 181,000 are kept, one second's worth in each second.
    TLevelRecorder recorder;
    TFeed feed{recorder};
    feed.Reading(70, 20);
    feed.wallShift = -3'600'000;
    feed.Reading(71, 3600);
    feed.Close();
    const TLevelStats s = TotalStats(recorder).series.at(0);
    EXPECT_EQ(s.count, 181'000u);
    EXPECT_NEAR(s.seconds, 3620, 1e-6);
    EXPECT_EQ(SpanStats(recorder, recorder.OpenSecond() - 3600, recorder.OpenSecond()).series.at(0).count,
              180'000u)
        << "the last hour on the recorder's clock";
}

TEST(LevelRecorder, KeepsTheLastMinuteAtFullRateAndADayOfSeconds)
{
    TLevelRecorder recorder;
    TFeed feed{recorder};
    feed.perSecond = 70; // faster than the pool is sized for
    feed.params.alarmThreshold = 200;
    // The first hour loud, then 24 hours quiet: the loud hour leaves the ring.
    feed.Reading(100, 3600);
    EXPECT_EQ(All(recorder).series.at(0).lmax, 100);
    feed.Reading(50, 24 * 3600 - 600);
    feed.Reading(51, 600);
    feed.Close();

    const auto& r = recorder.Records();
    EXPECT_EQ(r.Size(), static_cast<size_t>(TLevelRecorder::kRingSeconds));
    EXPECT_EQ(r.Front().second, recorder.OpenSecond() - TLevelRecorder::kRingSeconds + 1);
    EXPECT_EQ(r.Front().maxLevel, 50);

    const auto& recent = recorder.Recent();
    EXPECT_EQ(recent.Size(), 60u * 70 - 1) << "the minute up to the open second's start";
    EXPECT_EQ(recent.Front().level, 51);
    EXPECT_GT(recent.Front().time, recorder.Now() - 60'000);

    // The pool holds 60 levels a second of the day: the oldest hours lost
    // theirs, the last ones have them, and the statistics say so.
    const TSpanStats day = All(recorder);
    ASSERT_EQ(day.series.size(), 1u);
    EXPECT_EQ(day.series[0].lmax, 51) << "the loud hour is more than a day old";
    EXPECT_FALSE(day.series[0].percentilesComplete);
    EXPECT_EQ(day.series[0].l90, 50) << "from the levels still held";
    const TSpanStats lastHour = SpanStats(recorder, recorder.OpenSecond() - 3600, recorder.OpenSecond());
    EXPECT_TRUE(lastHour.series.at(0).percentilesComplete);
    EXPECT_EQ(lastHour.series[0].l10, 51);
    EXPECT_EQ(lastHour.series[0].l50, 50);

    // The totals since the start still know the loud hour.
    const TLevelStats total = TotalStats(recorder).series.at(0);
    EXPECT_EQ(total.lmax, 100);
    EXPECT_EQ(total.count, static_cast<uint64_t>(25 * 3600) * 70);
    EXPECT_NEAR(total.seconds, 25 * 3600, 1e-3);
}

// The recorder's memory, counted by the C library's allocator rather than by
// the recorder: taken when it is made, and not more after a day and a half.
TEST(LevelRecorder, TakesItsMemoryOnceAndSaysHowMuch)
{
#ifdef __GLIBC__
    auto allocated = [] {
        const struct mallinfo2 m = mallinfo2();
        return static_cast<int64_t>(m.uordblks + m.hblkhd);
    };
    const int64_t before = allocated();
    auto recorder = std::make_unique<TLevelRecorder>();
    const int64_t made = allocated() - before;
    if (made <= 0) GTEST_SKIP() << "the allocator here (a sanitizer's?) does not count through mallinfo2";
    const size_t reported = recorder->MemoryBytes();
    EXPECT_NEAR(static_cast<double>(made), static_cast<double>(reported),
                0.02 * static_cast<double>(reported))
        << "MemoryBytes says what the allocator gave";
    EXPECT_LT(reported, 9u << 20);

    TFeed feed{*recorder};
    feed.perSecond = 60;
    for (int hour = 0; hour < 36; ++hour) {
        feed.params.micInputType = hour % 3; // three weightings
        feed.Reading(static_cast<uint8_t>(50 + hour), 3600);
    }
    feed.Close();
    const int64_t grew = allocated() - before - made;
    EXPECT_LT(grew, 64 * 1024) << "the recorder grew by " << grew << " bytes over a day and a half";
#else
    GTEST_SKIP() << "no allocator statistics in this C library; the Windows tree prints the process's memory";
#endif
}

TEST(LevelRecorder, ClearStartsAgainAtTheOpenSecond)
{
    TLevelRecorder recorder;
    TFeed feed{recorder};
    feed.params.alarmThreshold = 100;
    feed.Reading(70, 2.5);
    feed.Close(); // the exchange's next tick, half a second into the third second
    recorder.Clear();
    EXPECT_TRUE(All(recorder).Empty());
    EXPECT_TRUE(TotalStats(recorder).Empty());
    EXPECT_EQ(recorder.Recent().Size(), 0u);
    feed.Reading(70, 1.5);
    feed.Close();
    const TLevelStats s = TotalStats(recorder).series.at(0);
    EXPECT_EQ(s.count, 75u);
    EXPECT_NEAR(s.seconds, 1.5, 1e-9) << "the second it was cleared in counts from the clearing on";
}

} // namespace
