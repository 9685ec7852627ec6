// What the level chart is given to draw: columns from samples and from
// one-second records, the clock ticks, and the rows of levels.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "history/chartcolumns.h"
#include "widgets/ichartgeometry.h"

namespace {

constexpr TTimeMs kStart = 1'700'000'000'000;

ParameterSet Threshold(int threshold, int weighting = 1)
{
    return {weighting, 0, 3, threshold, 100, 100, 1, 10, 10};
}

// A zone given as a rule (so that no zone files are needed), for as long as
// it lives.
class TZone {
public:
    explicit TZone(const char* rule)
    {
#ifndef _WIN32
        const char* tz = std::getenv("TZ");
        had_ = tz != nullptr;
        saved_ = tz ? tz : "";
        setenv("TZ", rule, 1);
        tzset();
#else
        (void)rule;
#endif
    }
    ~TZone()
    {
#ifndef _WIN32
        if (had_)
            setenv("TZ", saved_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
#endif
    }

private:
    bool had_ = false;
    std::string saved_;
};

[[maybe_unused]] std::vector<std::string> Labels(const std::vector<iwm::ChartTick>& ticks)
{
    std::vector<std::string> labels;
    for (const auto& t : ticks)
        labels.push_back(t.text);
    return labels;
}

TEST(ChartGeometry, LevelsMapToRowsBetweenTheScalesEnds)
{
    const iwm::Rect plot{40, 10, 400, 111}; // 101 rows: one a dB from 30 to 130
    const std::pair<double, int32_t> cases[] = {
        {30, 110}, {130, 10}, {80, 60}, {80.4, 60}, {80.6, 59}, {0, 110}, {200, 10},
    };
    for (const auto& [level, y] : cases)
        EXPECT_EQ(iwm::ChartLevelY(plot, level, 30, 130), y) << level;
    EXPECT_EQ(iwm::ChartLevelY({0, 0, 10, 51}, 80, 30, 130), 25) << "two dB a row";

    EXPECT_EQ(iwm::ChartLevelStep(101, 30, 130, 14), 20) << "10 dB would be 10 rows apart";
    EXPECT_EQ(iwm::ChartLevelStep(301, 30, 130, 14), 5);
    EXPECT_EQ(iwm::ChartLevelStep(1, 30, 130, 14), 0);
}

TEST(ChartColumns, AMinuteFromEverySampleWithItsGapsBlank)
{
    TLevelRecorder recorder;
    // 60 s at 50 a second: 10 s at 60 dB, 2 s of E1, then 48 s at 90 dB
    // over a threshold of 85.
    for (int i = 0; i < 3000; ++i) {
        const uint8_t code = i < 500 ? 60 : i < 600 ? 0xE1 : 90;
        recorder.Add({kStart + i * 20, kStart + i * 20}, SampleOfReply(code, Threshold(85)));
    }
    const TTimeMs end = kStart + 60'000;
    const auto columns = ChartColumns(recorder, end, 60, 600); // 100 ms a column
    ASSERT_EQ(columns.size(), 600u);
    auto at = [&](int c) { return columns[static_cast<size_t>(c)]; };
    EXPECT_TRUE(at(0).hasLevels);
    EXPECT_EQ(at(0).maxLevel, 60);
    EXPECT_FALSE(at(0).alarm);
    EXPECT_TRUE(at(99).hasLevels) << "the last 60 dB sample reaches to the first E1";
    for (int c = 100; c < 120; ++c) {
        EXPECT_FALSE(at(c).hasLevels) << c;
        EXPECT_TRUE(at(c).hasThreshold) << c;
    }
    EXPECT_TRUE(at(120).hasLevels);
    EXPECT_EQ(at(120).minLevel, 90);
    EXPECT_TRUE(at(120).alarm);
    EXPECT_EQ(at(599).threshold, 85);

    // Half a minute later the older half has moved out to the left.
    const auto later = ChartColumns(recorder, end + 30'000, 60, 600);
    EXPECT_TRUE(later[0].alarm);
    EXPECT_TRUE(later[302].hasLevels) << "the last sample reaches 250 ms on";
    EXPECT_FALSE(later[303].hasLevels) << "nothing came after it";
}

TEST(ChartColumns, ADayFromTheRecordsWithEachColumnsExtremes)
{
    TLevelRecorder recorder;
    // A day at one reply a second: 40 dB, with 50..99 dB in the 13th hour
    // over a threshold of 95, and the 20th hour unplugged.
    TTimeMs t = kStart;
    for (int s = 0; s < 24 * 3600; ++s, t += 1000) {
        const int hour = s / 3600;
        if (hour == 19) {
            recorder.Advance({t, t}, false);
            continue;
        }
        const uint8_t level = hour == 12 ? static_cast<uint8_t>(50 + s % 50) : 40;
        recorder.Add({t, t}, SampleOfReply(level, Threshold(95, 2)));
    }
    const auto columns = ChartColumns(recorder, t, 24 * 3600, 720); // 120 s a column
    ASSERT_EQ(columns.size(), 720u);
    const iwm::ChartColumn quiet = columns[10], loud = columns[12 * 30 + 3], gap = columns[19 * 30 + 3];
    EXPECT_TRUE(quiet.hasLevels);
    EXPECT_EQ(quiet.minLevel, 40);
    EXPECT_EQ(quiet.maxLevel, 40);
    EXPECT_FALSE(quiet.alarm);
    EXPECT_EQ(loud.minLevel, 50);
    EXPECT_EQ(loud.maxLevel, 99);
    EXPECT_TRUE(loud.alarm);
    EXPECT_FALSE(gap.hasLevels);
    EXPECT_TRUE(gap.hasThreshold);
    EXPECT_EQ(gap.threshold, 95);
    int blank = 0;
    for (const auto& c : columns)
        blank += c.hasLevels ? 0 : 1;
    EXPECT_EQ(blank, 30) << "exactly the unplugged hour";

    // A span reaching back before the recording: blank there, no threshold.
    const auto two = ChartColumns(recorder, kStart + 3600'000, 2 * 3600, 100);
    EXPECT_FALSE(two[10].hasLevels);
    EXPECT_FALSE(two[10].hasThreshold);
    EXPECT_TRUE(two[60].hasLevels);
}

TEST(ChartTicks, FallOnRoundLocalTimes)
{
    const TLevelRecorder recorder;        // nothing recorded: the wall clock is its clock
    const TTimeMs end = kStart + 123'456; // 2023-11-14 22:15:23.456 UTC
    struct Case {
        int span;
        size_t count;
        const char* first;
    };
#ifndef _WIN32
    {
        const TZone zone("NST+3:30");
        // 18:45:23 local at the end.
        const Case cases[] = {
            {60, 6, "18:44:30"}, {600, 10, "18:36"}, {3600, 6, "17:50"}, {86400, 8, "21:00"}};
        for (const Case& c : cases) {
            const auto ticks = ChartTimeTicks(recorder, end, c.span, 600);
            ASSERT_EQ(ticks.size(), c.count) << c.span;
            EXPECT_EQ(ticks.front().text, c.first) << c.span;
            for (size_t i = 1; i < ticks.size(); ++i)
                EXPECT_GT(ticks[i].column, ticks[i - 1].column);
            EXPECT_LT(ticks.back().column, 600);
        }
    }
#endif
    // In any zone: evenly spaced within the chart.
    const auto ticks = ChartTimeTicks(recorder, end, 600, 600);
    ASSERT_EQ(ticks.size(), 10u);
    for (size_t i = 1; i < ticks.size(); ++i)
        EXPECT_EQ(ticks[i].column - ticks[i - 1].column, 60);
}

#ifndef _WIN32
// Where summer time begins or ends inside the span, each side is labelled
// with the times its clocks showed.
TEST(ChartTicks, FollowTheClockAcrossSummerTime)
{
    const TZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    const TLevelRecorder recorder;
    struct Case {
        const char* name;
        TTimeMs end; // UTC
        int span;
        std::vector<std::string> labels;
        std::vector<int32_t> columns;
    };
    // 2024-03-31 01:00 UTC: 02:00 CET becomes 03:00 CEST; 2024-10-27 01:00
    // UTC: 03:00 CEST becomes 02:00 CET.
    constexpr TTimeMs spring = 1'711'846'800'000, autumn = 1'729'990'800'000;
    const Case cases[] = {
        {"an hour ending 03:50 on the first day of summer time",
         spring + 50 * 60'000,
         3600,
         {"01:50", "03:00", "03:10", "03:20", "03:30", "03:40"},
         {0, 100, 200, 300, 400, 500}},
        {"an hour ending 02:30 on the last day of summer time",
         autumn + 30 * 60'000,
         3600,
         {"02:30", "02:40", "02:50", "02:00", "02:10", "02:20"},
         {0, 100, 200, 300, 400, 500}},
        {"a day ending at noon on the first day of summer time",
         spring + 9 * 3'600'000,
         86400,
         {"12:00", "15:00", "18:00", "21:00", "00:00", "03:00", "06:00", "09:00"},
         {25, 100, 175, 250, 325, 375, 450, 525}},
    };
    for (const Case& c : cases) {
        const auto ticks = ChartTimeTicks(recorder, c.end, c.span, 600);
        EXPECT_EQ(Labels(ticks), c.labels) << c.name;
        std::vector<int32_t> columns;
        for (const auto& t : ticks)
            columns.push_back(t.column);
        EXPECT_EQ(columns, c.columns) << c.name;
    }
}

// The wall clock set back an hour in the middle of the span: the chart goes
// on without a break, and each half is labelled with what the clock said.
TEST(ChartTicks, FollowTheClockWhereItWasSet)
{
    const TZone zone("UTC0");
    constexpr TTimeMs round = 1'700'000'400'000; // 2023-11-14 22:20:00 UTC
    TLevelRecorder recorder;
    TTimeMs wallShift = 0;
    for (TTimeMs t = round; t < round + 600'000; t += 20) {
        if (t == round + 300'000) wallShift = -3'600'000;
        recorder.Add({t, t + wallShift}, SampleOfReply(60, Threshold(85)));
    }
    const TTimeMs end = recorder.TimeOf({round + 600'000, round + 600'000 + wallShift});
    EXPECT_EQ(end, round + 600'000);
    const auto ticks = ChartTimeTicks(recorder, end, 600, 600);
    const std::vector<std::string> labels = {"22:20", "22:21", "22:22", "22:23", "22:24",
                                             "21:25", "21:26", "21:27", "21:28", "21:29"};
    EXPECT_EQ(Labels(ticks), labels);
    for (size_t i = 0; i < ticks.size(); ++i)
        EXPECT_EQ(ticks[i].column, static_cast<int32_t>(60 * i));
    int blank = 0;
    for (const auto& c : ChartColumns(recorder, end, 600, 600))
        blank += !c.hasLevels;
    EXPECT_EQ(blank, 0) << "no gap where the clock was set";
}
#endif

} // namespace
