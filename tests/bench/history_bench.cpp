// The level history's costs: one reply added (the exchange adds 50 a
// second), what the history window asks of a full day once a second (the
// statistics over 4.32 million levels and the chart's columns), and what a
// row of the log costs the window's thread: written and flushed there, as
// it was, or handed to the log's own thread, as it is.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "history/chartcolumns.h"
#include "history/csvformat.h"
#include "history/levelstats.h"
#include "history/logwriter.h"

namespace {

constexpr TTimeMs kStart = 1'700'000'000'000;

ParameterSet Parameters()
{
    return {1, 0, 3, 85, 100, 100, 1, 10, 10};
}

// A day at 50 replies a second, with a loud minute every hour.
const TLevelRecorder& FullDay()
{
    static const auto recorder = [] {
        auto r = std::make_unique<TLevelRecorder>();
        TTimeMs now = kStart;
        for (int s = 0; s < 24 * 3600; ++s)
            for (int i = 0; i < 50; ++i, now += 20)
                r->Add({now, now},
                       SampleOfReply(static_cast<uint8_t>(s % 3600 < 60 ? 90 + i % 7 : 50 + i % 13),
                                     Parameters()));
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
        recorder->Add({now, now}, SampleOfReply(level, Parameters()));
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

// A log file on the disk the build is on (the current folder), removed
// afterwards.
struct TBenchLog {
    std::filesystem::path path =
        std::filesystem::current_path() / ("orvane-bench-log-" + std::to_string(std::rand()) + ".csv");
    ~TBenchLog()
    {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
};

TSecondRecord ASecond(uint32_t second)
{
    TSecondRecord r;
    r.second = r.wall = second;
    r.count = r.received = r.over = 50;
    r.connectedMs = 1000;
    r.energy = 50 * 1e8f;
    r.minLevel = 78;
    r.maxLevel = 84;
    r.status = TLevelStatus::Ok;
    r.weighting = 1;
    r.threshold = 80;
    return r;
}

// A row as the log wrote it before it had a thread of its own: formatted,
// then appended, flushed to the disk and closed, all on the window's
// thread. Wall time is what the window waits.
void BM_LogRowWrittenOnTheWindowsThread(benchmark::State& state)
{
    TBenchLog file;
    auto log = TLogFile::Open(file.path.string(), kLevelLogHeader);
    uint32_t second = 1'700'000'000;
    for (auto _ : state) {
        const TSecondRecord r = ASecond(second++);
        log->Append(LevelLogRows({&r, 1}));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LogRowWrittenOnTheWindowsThread)->UseRealTime()->Unit(benchmark::kMicrosecond);

// A row as the log writes it now: formatted and handed to the log's
// thread, which writes and flushes it meanwhile.
void BM_LogRowHandedToTheLogsThread(benchmark::State& state)
{
    TBenchLog file;
    TLogWriter writer(TLogFile::Open(file.path.string(), kLevelLogHeader));
    uint32_t second = 1'700'000'000;
    for (auto _ : state) {
        const TSecondRecord r = ASecond(second++);
        writer.Append(LevelLogRows({&r, 1}), 1);
    }
    // After the timed loop: the writer's last rows reach the file.
    const TLogWriter::TState end = writer.Finish();
    if (end.waiting != 0) state.SkipWithError("rows were left unwritten");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LogRowHandedToTheLogsThread)->UseRealTime()->Unit(benchmark::kMicrosecond);

} // namespace
