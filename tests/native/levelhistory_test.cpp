// The level history's recording and statistics, against values worked out
// by hand, on a simulated clock.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "history/levelstats.h"

namespace {

constexpr TTimeMs kStart = 1'700'000'000'000; // a whole second
constexpr uint8_t kDbA = 1, kDbC = 2;

// Feeds samples at a fixed rate on a simulated clock.
struct TFeed {
    TLevelRecorder& recorder;
    TTimeMs now = kStart;
    int perSecond = 50;
    uint8_t weighting = kDbA;
    uint8_t threshold = 100;

    void Reading(uint8_t code, double seconds)
    {
        const int64_t n = std::llround(seconds * perSecond);
        for (int64_t i = 0; i < n; ++i)
            recorder.Add(SampleOfReply(now + i * 1000 / perSecond, code, weighting, threshold));
        now += n * 1000 / perSecond;
    }
    // Time passing with nothing accepted.
    void Silence(double seconds, bool connected)
    {
        const TTimeMs until = now + static_cast<TTimeMs>(seconds * 1000);
        for (; now < until; now += 10)
            recorder.Advance(now, connected);
    }
};

TSpanStats All(const TLevelRecorder& r)
{
    return SpanStats(r, 0, r.OpenSecond());
}

TEST(LevelStats, MatchHandWorkedValues)
{
    struct Case {
        const char* name;
        std::vector<std::pair<uint8_t, double>> readings; // level, seconds
        double leq;
        int lmax, lmin, l10, l50, l90;
    };
    // Sum of 10^(i/10) for i = 1..100, a geometric series.
    const double ratio = std::pow(10.0, 0.1);
    const double uniformLeq = 10 * std::log10(ratio * (std::pow(ratio, 100) - 1) / (ratio - 1) / 100);
    std::vector<std::pair<uint8_t, double>> uniform;
    for (int level = 1; level <= 100; ++level)
        uniform.emplace_back(static_cast<uint8_t>(level), 1.0);
    const Case cases[] = {
        {"equal time at 60 and 70 dB", {{60, 10}, {70, 10}}, 67.40, 70, 60, 70, 70, 60},
        {"steady 80 dB", {{80, 4}}, 80.0, 80, 80, 80, 80, 80},
        {"10 % of the time at 90, the rest at 50", {{50, 9}, {90, 1}}, 10 * std::log10(0.9e5 + 0.1e9), 90, 50, 90,
         50, 50},
        {"1 to 100 dB, one second each", uniform, uniformLeq, 100, 1, 91, 51, 11},
    };
    for (const Case& c : cases) {
        TLevelRecorder recorder;
        TFeed feed{recorder};
        for (const auto& [level, seconds] : c.readings)
            feed.Reading(level, seconds);
        const TSpanStats stats = All(recorder);
        ASSERT_EQ(stats.weightings.size(), 1u) << c.name;
        const TLevelStats& s = stats.weightings[0];
        EXPECT_NEAR(s.leq, c.leq, 0.005) << c.name;
        EXPECT_EQ(s.lmax, c.lmax) << c.name;
        EXPECT_EQ(s.lmin, c.lmin) << c.name;
        EXPECT_EQ(s.l10, c.l10) << c.name;
        EXPECT_EQ(s.l50, c.l50) << c.name;
        EXPECT_EQ(s.l90, c.l90) << c.name;
        EXPECT_TRUE(s.percentilesComplete);
        // The running totals since the start agree with the span.
        const TLevelStats total = TotalStats(recorder).weightings.at(0);
        EXPECT_NEAR(total.leq, s.leq, 1e-4) << c.name;
        EXPECT_EQ(total.l10, s.l10);
        EXPECT_EQ(total.l90, s.l90);
    }
}

TEST(LevelStats, GapsAreNeitherLevelsNorTime)
{
    TLevelRecorder recorder;
    TFeed feed{recorder};
    feed.threshold = 65;
    feed.Reading(60, 2);
    feed.Reading(0xE1, 1); // the device's error codes are no levels
    feed.Reading(0xE8, 1);
    feed.Silence(3, false); // unplugged
    feed.Silence(2, true);  // connected, nothing accepted
    feed.Reading(70, 2);
    feed.Silence(1.5, true);

    const TLevelStats s = All(recorder).weightings.at(0);
    EXPECT_EQ(s.count, 200u);
    EXPECT_NEAR(s.leq, 67.40, 0.005);
    EXPECT_EQ(s.lmin, 60) << "0 from an error reply would show here";
    EXPECT_NEAR(s.overSeconds, 2.0, 1e-9) << "only the two seconds at 70 dB";
    EXPECT_EQ(s.alarmEvents, 1u);

    // Every elapsed second has its record, and a gap says what it was.
    std::vector<std::string> statuses;
    const auto& records = recorder.Records();
    for (size_t i = 0; i < records.Size(); ++i) {
        statuses.push_back(LevelStatusName(records[i].status));
        if (!records[i].HasLevels()) {
            EXPECT_EQ(records[i].over, 0);
        }
    }
    const std::vector<std::string> expected = {"ok",           "ok",           "E1",       "E8",       "disconnected",
                                               "disconnected", "disconnected", "no reply", "no reply", "ok",
                                               "ok",           "no reply", "no reply"};
    EXPECT_EQ(statuses, expected);
    EXPECT_EQ(recorder.OpenSecond(), kStart / 1000 + 12);
}

TEST(LevelStats, AWeightingChangeIsReportedApartNeverAveraged)
{
    TLevelRecorder recorder;
    TFeed feed{recorder};
    feed.threshold = 65;
    feed.Reading(60, 2);
    // Within the third second: half of it dB(A) at 60, half dB(C) at 70.
    feed.Reading(60, 0.5);
    feed.weighting = kDbC;
    feed.Reading(70, 2.5);

    const TSpanStats stats = All(recorder);
    ASSERT_TRUE(stats.Mixed());
    ASSERT_EQ(stats.weightings.size(), 2u);
    EXPECT_EQ(stats.weightings[0].weighting, kDbA) << "in the order they occurred";
    EXPECT_NEAR(stats.weightings[0].leq, 60.0, 1e-6);
    EXPECT_EQ(stats.weightings[0].count, 125u);
    EXPECT_EQ(stats.weightings[1].weighting, kDbC);
    EXPECT_NEAR(stats.weightings[1].leq, 70.0, 1e-6);
    EXPECT_EQ(stats.weightings[1].l90, 70);
    EXPECT_NEAR(stats.weightings[1].overSeconds, 2.5, 1e-9) << "half of the shared second";
    EXPECT_EQ(stats.weightings[1].alarmEvents, 1u);

    // The shared second is two records, each of one weighting.
    const size_t third = recorder.FirstRecordFrom(kStart / 1000 + 2);
    const auto& r = recorder.Records();
    ASSERT_EQ(r[third].second, r[third + 1].second);
    EXPECT_EQ(r[third].weighting, kDbA);
    EXPECT_EQ(r[third].maxLevel, 60);
    EXPECT_EQ(r[third + 1].weighting, kDbC);
    EXPECT_EQ(r[third + 1].minLevel, 70);

    // A span of the dB(C) part alone is not mixed.
    EXPECT_FALSE(SpanStats(recorder, kStart / 1000 + 3, recorder.OpenSecond()).Mixed());
    EXPECT_TRUE(TotalStats(recorder).Mixed());
}

TEST(LevelStats, AlarmEventsAreRisingCrossingsOfEachSamplesThreshold)
{
    struct Step {
        uint8_t level, threshold;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps; // one second each
        uint64_t events;
        double overSeconds;
    };
    const Case cases[] = {
        {"below only", {{60, 80}, {79, 80}}, 0, 0},
        {"the threshold itself alarms", {{79, 80}, {80, 80}, {80, 80}}, 1, 2},
        {"two separate alarms", {{60, 80}, {85, 80}, {60, 80}, {90, 80}, {91, 80}}, 2, 3},
        {"recording starts below", {{90, 80}, {90, 80}}, 1, 2},
        {"the threshold lowered under a steady level", {{70, 80}, {70, 65}, {70, 65}}, 1, 2},
        {"the threshold raised over it ends the alarm", {{70, 65}, {70, 80}, {70, 65}}, 2, 2},
    };
    for (const Case& c : cases) {
        TLevelRecorder recorder;
        TFeed feed{recorder};
        for (const Step& s : c.steps) {
            feed.threshold = s.threshold;
            feed.Reading(s.level, 1);
        }
        feed.Silence(1, true);
        const TLevelStats s = All(recorder).weightings.at(0);
        EXPECT_EQ(s.alarmEvents, c.events) << c.name;
        EXPECT_NEAR(s.overSeconds, c.overSeconds, 1e-9) << c.name;
        EXPECT_EQ(TotalStats(recorder).weightings.at(0).alarmEvents, c.events) << c.name;
        EXPECT_NEAR(TotalStats(recorder).weightings.at(0).overSeconds, c.overSeconds, 1e-9) << c.name;
    }

    // An error reading in the middle of an alarm does not start another.
    TLevelRecorder recorder;
    TFeed feed{recorder};
    feed.threshold = 80;
    feed.Reading(90, 1);
    feed.Reading(0xE2, 1);
    feed.Reading(90, 1);
    EXPECT_EQ(All(recorder).weightings.at(0).alarmEvents, 1u);
}

TEST(LevelRecorder, EachElapsedSecondClosesOnceInOrderWhateverTheClockDoes)
{
    TLevelRecorder recorder;
    std::vector<uint32_t> closed;
    recorder.OnSecondsClosed = [&](const std::vector<TSecondRecord>& seconds) {
        for (const TSecondRecord& s : seconds)
            closed.push_back(s.second);
    };
    TFeed feed{recorder};
    feed.Reading(60, 3);
    // The clock set back by a minute: the samples count as now.
    feed.now -= 60'000;
    feed.Reading(61, 1);
    // A blocked thread: the next reply comes 4 s after the second that was open.
    feed.now = kStart + 7000;
    feed.Reading(62, 0.02);
    feed.Silence(0.5, true);

    std::vector<uint32_t> expected;
    for (uint32_t s = kStart / 1000; s < recorder.OpenSecond(); ++s)
        expected.push_back(s);
    EXPECT_EQ(closed, expected);
    const auto& r = recorder.Records();
    for (size_t i = 1; i < r.Size(); ++i)
        EXPECT_LT(r[i - 1].second, r[i].second) << "one record a second while the weighting stays";
    // The minute-old samples landed in the second that was open.
    EXPECT_EQ(r[2].count, 100);
    EXPECT_EQ(r[2].maxLevel, 61);
}

TEST(LevelRecorder, KeepsTheLastMinuteAtFullRateAndADayOfSecondsInFixedMemory)
{
    TLevelRecorder recorder;
    const size_t memory = recorder.MemoryBytes();
    EXPECT_LT(memory, 8u << 20);
    TFeed feed{recorder};
    feed.perSecond = 70; // faster than the pool is sized for
    feed.threshold = 200;
    // The first hour loud, then 24 hours quiet: the loud hour leaves the ring.
    feed.Reading(100, 3600);
    EXPECT_EQ(All(recorder).weightings.at(0).lmax, 100);
    feed.Reading(50, 24 * 3600 - 600);
    feed.Reading(51, 600);

    EXPECT_EQ(recorder.MemoryBytes(), memory) << "flat, however long it runs";
    const auto& r = recorder.Records();
    EXPECT_EQ(r.Size(), static_cast<size_t>(TLevelRecorder::kRingSeconds));
    EXPECT_EQ(r.Front().second, recorder.OpenSecond() - TLevelRecorder::kRingSeconds + 1);
    EXPECT_EQ(r.Front().maxLevel, 50);

    const auto& recent = recorder.Recent();
    EXPECT_EQ(recent.Size(), 60u * 70);
    EXPECT_EQ(recent.Front().level, 51);
    EXPECT_GT(recent.Front().time, recorder.Now() - 60'000);

    // The pool holds 60 levels a second of the day: the oldest hours lost
    // theirs, the last ones have them, and the statistics say so.
    const TSpanStats day = All(recorder);
    ASSERT_EQ(day.weightings.size(), 1u);
    EXPECT_EQ(day.weightings[0].lmax, 51) << "the loud hour is more than a day old";
    EXPECT_FALSE(day.weightings[0].percentilesComplete);
    EXPECT_EQ(day.weightings[0].l90, 50) << "from the levels still held";
    const TSpanStats lastHour = SpanStats(recorder, recorder.OpenSecond() - 3599, recorder.OpenSecond());
    EXPECT_TRUE(lastHour.weightings.at(0).percentilesComplete);
    EXPECT_EQ(lastHour.weightings[0].l10, 51);
    EXPECT_EQ(lastHour.weightings[0].l50, 50);

    // The totals since the start still know the loud hour.
    const TLevelStats total = TotalStats(recorder).weightings.at(0);
    EXPECT_EQ(total.lmax, 100);
    EXPECT_EQ(total.count, static_cast<uint64_t>(25 * 3600) * 70);
}

TEST(LevelRecorder, ClearStartsAgainAtTheOpenSecond)
{
    TLevelRecorder recorder;
    TFeed feed{recorder};
    feed.threshold = 65;
    feed.Reading(70, 2.5);
    recorder.Clear();
    EXPECT_TRUE(All(recorder).Empty());
    EXPECT_TRUE(TotalStats(recorder).Empty());
    EXPECT_EQ(recorder.Recent().Size(), 0u);
    // An alarm still on counts as one again: the recording starts below.
    feed.Reading(70, 1);
    const TLevelStats s = TotalStats(recorder).weightings.at(0);
    EXPECT_EQ(s.count, 50u);
    EXPECT_EQ(s.alarmEvents, 1u);
}

} // namespace
