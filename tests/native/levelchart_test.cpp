// What the level chart is given to draw: columns from samples and from
// one-second records, the clock ticks, and the rows of levels.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "history/chartcolumns.h"
#include "widgets/ichartgeometry.h"

namespace {

constexpr TTimeMs kStart = 1'700'000'000'000;

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
        recorder.Add(SampleOfReply(kStart + i * 20, code, 1, 85));
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
            recorder.Advance(t, false);
            continue;
        }
        const uint8_t level = hour == 12 ? static_cast<uint8_t>(50 + s % 50) : 40;
        recorder.Add(SampleOfReply(t, level, 2, 95));
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
    const TTimeMs end = kStart + 123'456; // 2023-11-14 22:15:23.456 UTC
    struct Case {
        int span;
        size_t count;
        const char* first;
    };
#ifndef _WIN32
    const char* tz = std::getenv("TZ");
    const std::string saved = tz ? tz : "";
    setenv("TZ", "NST+3:30", 1);
    tzset();
    // 18:45:23 local at the end.
    const Case cases[] = {{60, 6, "18:44:30"}, {600, 10, "18:36"}, {3600, 6, "17:50"}, {86400, 8, "21:00"}};
    for (const Case& c : cases) {
        const auto ticks = ChartTimeTicks(end, c.span, 600);
        ASSERT_EQ(ticks.size(), c.count) << c.span;
        EXPECT_EQ(ticks.front().text, c.first) << c.span;
        for (size_t i = 1; i < ticks.size(); ++i)
            EXPECT_GT(ticks[i].column, ticks[i - 1].column);
        EXPECT_LT(ticks.back().column, 600);
    }
    if (tz)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
#endif
    // In any zone: evenly spaced within the chart.
    const auto ticks = ChartTimeTicks(end, 600, 600);
    ASSERT_EQ(ticks.size(), 10u);
    for (size_t i = 1; i < ticks.size(); ++i)
        EXPECT_EQ(ticks[i].column - ticks[i - 1].column, 60);
}

} // namespace
