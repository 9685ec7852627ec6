// The level history's costs: one reply added (the exchange adds 50 a
// second), and what the history window asks of a full day once a second:
// the statistics over 4.32 million levels and the chart's columns.
#include <benchmark/benchmark.h>

#include <memory>

#include "history/chartcolumns.h"
#include "history/levelstats.h"

namespace {

constexpr TTimeMs kStart = 1'700'000'000'000;

// A day at 50 replies a second, with a loud minute every hour.
const TLevelRecorder& FullDay()
{
    static const auto recorder = [] {
        auto r = std::make_unique<TLevelRecorder>();
        TTimeMs now = kStart;
        for (int s = 0; s < 24 * 3600; ++s)
            for (int i = 0; i < 50; ++i, now += 20)
                r->Add(SampleOfReply(now, static_cast<uint8_t>(s % 3600 < 60 ? 90 + i % 7 : 50 + i % 13), 1, 85));
        return r;
    }();
    return *recorder;
}

void BM_RecorderAdd(benchmark::State& state)
{
    auto recorder = std::make_unique<TLevelRecorder>();
    TTimeMs now = kStart;
    uint8_t level = 40;
    for (auto _ : state) {
        recorder->Add(SampleOfReply(now, level, 1, 85));
        now += 20;
        level = static_cast<uint8_t>(level == 100 ? 40 : level + 1);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RecorderAdd);

void BM_DayStatistics(benchmark::State& state)
{
    const TLevelRecorder& day = FullDay();
    for (auto _ : state)
        benchmark::DoNotOptimize(SpanStats(day, day.OpenSecond() - 86399, day.OpenSecond()));
}
BENCHMARK(BM_DayStatistics)->Unit(benchmark::kMillisecond);

void BM_DayChartColumns(benchmark::State& state)
{
    const TLevelRecorder& day = FullDay();
    for (auto _ : state)
        benchmark::DoNotOptimize(ChartColumns(day, day.Now(), 24 * 3600, 480));
}
BENCHMARK(BM_DayChartColumns)->Unit(benchmark::kMillisecond);

void BM_MinuteChartColumns(benchmark::State& state)
{
    const TLevelRecorder& day = FullDay();
    for (auto _ : state)
        benchmark::DoNotOptimize(ChartColumns(day, day.Now(), 60, 480));
}
BENCHMARK(BM_MinuteChartColumns)->Unit(benchmark::kMillisecond);

} // namespace
