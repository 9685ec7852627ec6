// The history window under Wine, on a clock of the test's own: what the
// statistics say after a session, the chart's spans, and the log started,
// kept, exported and stopped by a failure, with the user's answers to the
// file dialogs given by the test.
#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "history/chartcolumns.h"
#include "history/csvformat.h"
#include "history/levelstats.h"
#include "history/logwriter.h"
#include "history/unit3.h"
#include "tests/win/panel_testing.h"

namespace {

namespace fs = std::filesystem;
constexpr TTimeMs kStart = 1'700'000'000'000;

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string Slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string LoadAverage()
{
    std::string text = Slurp("Z:\\proc\\loadavg");
    return text.substr(0, text.find(' '));
}

bool PumpUntil(const std::function<bool()>& done, int ms)
{
    for (const DWORD until = GetTickCount() + ms; !done() && GetTickCount() < until; Sleep(10))
        panel_testing::Pump();
    return done();
}

class HistoryWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = new TForm3(Application);
        form->Clock = [this] { return TClockTime{now, now}; };
        form->ShowHistory();
        dir = fs::temp_directory_path() / ("orvane-history-" + std::to_string(GetCurrentProcessId()));
        fs::create_directories(dir);
    }
    void TearDown() override
    {
        form->Free();
        panel_testing::Pump();
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    // Replies at 50 a second, with the exchange's ticks between them. Each
    // simulated second gives the log's thread its real moment to write.
    void Readings(uint8_t code, double seconds, int threshold = 70, int weighting = 1)
    {
        for (int i = 0; i < std::lround(seconds * 50); ++i) {
            form->RecordTick(true);
            form->RecordReply(code, {weighting, 0, 3, threshold, 100, 100, 1, 10, 10});
            now += 10;
            form->RecordTick(true);
            now += 10;
            if (now % 1000 == 0) form->History().SettleLog();
        }
    }
    void Unplugged(double seconds)
    {
        for (const TTimeMs until = now + static_cast<TTimeMs>(seconds * 1000); now < until; now += 10)
            form->RecordTick(false);
    }
    void Click(TButton* button)
    {
        SendMessageA(button->Handle(), BM_CLICK, 0, 0);
        panel_testing::Pump();
    }
    void AnswerDialogWith(const fs::path& file)
    {
        form->AskFileName = [file, this](TSaveDialog& d) {
            asked.push_back(d.Title);
            d.FileName = file.string();
            return true;
        };
    }

    TForm3* form = nullptr;
    TTimeMs now = kStart;
    fs::path dir;
    std::vector<std::string> asked;
};

TEST_F(HistoryWindowTest, StatisticsAndChartFollowTheSessionOverEachSpan)
{
    Readings(60, 120);
    Readings(80, 5);
    Unplugged(10);
    Readings(60, 30);
    panel_testing::Pump();

    form->RadioGroup1->SetItemIndex(1); // 10 minutes: the whole session
    panel_testing::Pump();
    const double leq = 10 * std::log10((250 * 1e8 + 7500 * 1e6) / 7750);
    const std::vector<std::string> column = Lines(form->Label2->Caption());
    const std::vector<std::string> expected = {"dB(A)", "0",  LevelText(leq), "80",   "60",
                                               "60",    "60", "60",           "0:05", "1"};
    EXPECT_EQ(column, expected);
    EXPECT_EQ(form->Label3->Caption(), "") << "one weighting, one column";
    EXPECT_EQ(form->iLevelChart1->GetLevelCaption(), "dB(A)");

    // The chart: one column per pixel; the session fills the right 165 s
    // of 600, with 10 s blank and 5 s over the threshold.
    const auto& columns = form->iLevelChart1->Columns();
    const int width = form->iLevelChart1->PlotRect().Width();
    ASSERT_EQ(static_cast<int>(columns.size()), width);
    int filled = 0, blank = 0, alarm = 0;
    for (int c = width * 435 / 600 + 1; c < width; ++c) {
        filled += columns[c].hasLevels;
        blank += !columns[c].hasLevels;
        alarm += columns[c].alarm;
    }
    EXPECT_NEAR(blank, width * 10 / 600.0, 1.5);
    EXPECT_NEAR(alarm, width * 5 / 600.0, 1.5);
    EXPECT_FALSE(columns[width / 2].hasLevels) << "before the session";

    // One minute: the last 30 s at 60 dB, the gap before them, the loud
    // seconds and 14 s at 60 dB.
    form->RadioGroup1->SetItemIndex(0);
    panel_testing::Pump();
    const auto& minute = form->iLevelChart1->Columns();
    EXPECT_TRUE(minute.back().hasLevels);
    EXPECT_FALSE(minute[minute.size() * 25 / 60].hasLevels) << "unplugged 40 s to 30 s ago";
    EXPECT_EQ(Lines(form->Label2->Caption())[2], LevelText(10 * std::log10((250 * 1e8 + 2200 * 1e6) / 2450)));

    // Since recording started: the same as the whole session.
    form->CheckBox1->SetChecked(true);
    panel_testing::Pump();
    EXPECT_EQ(Lines(form->Label2->Caption()), expected);
    form->CheckBox1->SetChecked(false);

    // A weighting change: two columns, and the note says why.
    Readings(70, 2, 70, 2);
    form->Refresh();
    EXPECT_EQ(Lines(form->Label2->Caption())[0], "dB(A)");
    EXPECT_EQ(Lines(form->Label3->Caption())[0], "dB(C)");
    EXPECT_EQ(Lines(form->Label3->Caption())[2], "70.0");
    EXPECT_NE(form->Label5->Caption().find("weighting changed"), std::string::npos)
        << form->Label5->Caption();
    EXPECT_EQ(form->iLevelChart1->GetLevelCaption(), "dB, mixed");

    // Clear empties span and chart.
    Click(form->Button4);
    EXPECT_EQ(form->Label2->Caption(), "");
    EXPECT_NE(form->Label5->Caption().find("No readings"), std::string::npos);
    for (const auto& c : form->iLevelChart1->Columns())
        EXPECT_FALSE(c.hasLevels);
}

TEST_F(HistoryWindowTest, ALogKeepsARowASecondAndAMinuteOfFailureStopsItWithOneMessage)
{
    panel_testing::MessageBoxWatcher boxes;
    int changes = 0;
    form->OnLogChanged = [&](TObject*) { ++changes; };
    Readings(60, 1.5);
    const fs::path log = dir / "session.csv";
    AnswerDialogWith(log);
    Click(form->Button1);
    ASSERT_EQ(asked, std::vector<std::string>{"Start log"});
    EXPECT_TRUE(form->History().Logging());
    EXPECT_TRUE(form->Button2->GetEnabled());
    EXPECT_NE(form->Label6->Caption().find("session.csv"), std::string::npos) << form->Label6->Caption();

    Readings(75, 4);
    Unplugged(2);
    form->History().SettleLog();
    auto rows = Lines(Slurp(log));
    ASSERT_EQ(rows.size(), 1u + 6u) << "the header and a row for each second closed since the start";
    EXPECT_EQ(rows[0], kLevelLogHeader);
    // Half a second at 60, half at 75: the alarm begins.
    EXPECT_EQ(rows[1].substr(45), "," + LevelText(10 * std::log10((1e6 + std::pow(10, 7.5)) / 2)) +
                                      ",75,60,dB(A),0,70,0.50,1,ok");
    EXPECT_EQ(rows[3].substr(45), ",75.0,75,75,dB(A),0,70,1.00,0,ok");
    EXPECT_EQ(rows[6].substr(45), ",,,,dB(A),0,70,,0,disconnected");

    // "Stop log" ends it; a new start on the same file continues it.
    Click(form->Button2);
    EXPECT_FALSE(form->History().Logging());
    Readings(60, 2);
    EXPECT_EQ(Lines(Slurp(log)).size(), 7u) << "nothing written while stopped";
    Click(form->Button1);
    Readings(60, 2);
    form->History().SettleLog();
    rows = Lines(Slurp(log));
    EXPECT_EQ(rows.size(), 9u);
    EXPECT_EQ(std::count(rows.begin(), rows.end(), std::string(kLevelLogHeader)), 1);

    // The file removed under the running log: its rows wait, and after a
    // minute the log stops and says so once; the recording goes on.
    fs::remove(log);
    Readings(60, 30);
    form->Refresh();
    EXPECT_TRUE(form->History().Logging()) << "half a minute is no reason to give up";
    EXPECT_NE(form->Label6->Caption().find("rows wait: Cannot write"), std::string::npos)
        << form->Label6->Caption();
    EXPECT_TRUE(boxes.Texts().empty());
    Readings(60, 32);
    ASSERT_TRUE(PumpUntil([&] { return !boxes.Texts().empty(); }, 5000));
    Readings(60, 2);
    panel_testing::Pump();
    Sleep(300);
    const auto texts = boxes.Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0].find("The level log has stopped"), std::string::npos) << texts[0];
    EXPECT_NE(texts[0].find("session.csv"), std::string::npos) << texts[0];
    EXPECT_NE(texts[0].find("could not be written for a minute"), std::string::npos) << texts[0];
    EXPECT_NE(texts[0].find("Export CSV..."), std::string::npos) << texts[0];
    EXPECT_FALSE(form->History().Logging());
    EXPECT_FALSE(form->Button2->GetEnabled());
    EXPECT_EQ(form->Label6->Caption(), "No log running.");
    EXPECT_FALSE(fs::exists(log)) << "not created again without its header";
    EXPECT_EQ(changes, 4) << "started, stopped, started, stopped by the failure";
    EXPECT_GT(TotalStats(form->History().Recorder()).series.at(0).count, 3000u);
}

// Another program holds the log open and lets nobody write to it (as a
// spreadsheet does) for ten seconds: the rows wait and none is lost.
TEST_F(HistoryWindowTest, ALogHeldByAnotherProgramLosesNoRow)
{
    panel_testing::MessageBoxWatcher boxes;
    const fs::path log = dir / "held.csv";
    AnswerDialogWith(log);
    Readings(60, 1);
    Click(form->Button1);
    Readings(61, 3);
    form->History().SettleLog();
    const std::string before = Slurp(log);

    HANDLE held = CreateFileW(log.wstring().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Readings(62, 10);
    form->Refresh();
    EXPECT_EQ(Slurp(log), before) << "nothing written while it is held";
    EXPECT_EQ(form->History().RowsWaiting(), 10u);
    EXPECT_NE(form->Label6->Caption().find("another program holds the file"), std::string::npos)
        << form->Label6->Caption();
    CloseHandle(held);
    Readings(63, 2);
    form->History().SettleLog();
    form->Refresh();

    const auto rows = Lines(Slurp(log));
    ASSERT_EQ(rows.size(), 1u + 15u) << "a row for every second closed since the start";
    for (size_t i = 2; i < rows.size(); ++i)
        EXPECT_EQ(std::stoi(rows[i].substr(17, 2)), (std::stoi(rows[i - 1].substr(17, 2)) + 1) % 60)
            << "in order, none twice:\n"
            << rows[i - 1] << "\n"
            << rows[i];
    EXPECT_EQ(rows[5].substr(46, 4), "62.0");
    EXPECT_EQ(form->History().RowsWaiting(), 0u);
    EXPECT_EQ(form->Label6->Caption().find("wait"), std::string::npos) << form->Label6->Caption();
    EXPECT_TRUE(form->History().Logging());
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(HistoryWindowTest, ExportWritesTheSpansSecondsAndRefusalsLeaveFilesAlone)
{
    panel_testing::MessageBoxWatcher boxes;
    Readings(60, 90);
    form->RadioGroup1->SetItemIndex(0);
    const fs::path exported = dir / "minute.csv";
    AnswerDialogWith(exported);
    Click(form->Button3);
    const auto rows = Lines(Slurp(exported));
    ASSERT_EQ(rows.size(), 61u) << "the header and the minute's 60 seconds";
    EXPECT_EQ(rows[0], kLevelLogHeader);
    EXPECT_EQ(rows[60].substr(45), ",60.0,60,60,dB(A),0,70,0.00,0,ok");

    // Somebody's own file chosen for a log is refused and stays as it was.
    const fs::path other = dir / "contacts.csv";
    std::ofstream(other, std::ios::binary) << "Name,Phone\r\n";
    AnswerDialogWith(other);
    Click(form->Button1);
    ASSERT_TRUE(PumpUntil([&] { return !boxes.Texts().empty(); }, 5000));
    EXPECT_NE(boxes.Texts()[0].find("is not a level log"), std::string::npos) << boxes.Texts()[0];
    EXPECT_FALSE(form->History().Logging());
    EXPECT_EQ(Slurp(other), "Name,Phone\r\n");

    // Cancelling the dialog does nothing.
    form->AskFileName = [](TSaveDialog&) { return false; };
    Click(form->Button1);
    EXPECT_FALSE(form->History().Logging());
}

} // namespace

namespace {

// A day of replies at 50 a second, then the 24-hour chart redrawn: the
// columns built from the records and the widget's paint, each timed. The
// memory a day of history holds, by the recorder's count and by the
// process's private bytes. Figures only; nothing here checks a time.
TEST(HistoryFigures, FigureChartRepaintAndMemoryForAFullDay)
{
    PROCESS_MEMORY_COUNTERS_EX before{};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&before),
                         sizeof before);
    TTimeMs now = kStart;
    auto* form = new TForm3(Application);
    form->Clock = [&now] { return TClockTime{now, now}; };
    for (int s = 0; s < 24 * 3600; ++s) {
        // A loud minute every hour.
        const uint8_t level = static_cast<uint8_t>(s % 3600 < 60 ? 90 + s % 7 : 50 + s % 13);
        for (int i = 0; i < 50; ++i, now += 20) {
            form->RecordTick(true);
            form->RecordReply(level, {1, 0, 3, 85, 100, 100, 1, 10, 10});
        }
    }
    PROCESS_MEMORY_COUNTERS_EX after{};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&after),
                         sizeof after);
    // Wine leaves PrivateUsage at 0; the working set stands in for it there.
    const bool privateKnown = after.PrivateUsage != 0;
    const double grew =
        privateKnown ? static_cast<double>(after.PrivateUsage) - static_cast<double>(before.PrivateUsage)
                     : static_cast<double>(after.WorkingSetSize) - static_cast<double>(before.WorkingSetSize);
    std::printf(
        "[ figure ] memory for 24 hours of history: %.2f MiB held by the recorder; the process's %s grew "
        "%.2f MiB over the day\n",
        form->History().Recorder().MemoryBytes() / 1048576.0, privateKnown ? "private bytes" : "working set",
        grew / 1048576.0);

    form->ShowHistory();
    form->RadioGroup1->SetItemIndex(3);
    panel_testing::Pump();
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    auto ms = [&](LARGE_INTEGER a, LARGE_INTEGER b) {
        return static_cast<double>(b.QuadPart - a.QuadPart) * 1000 / static_cast<double>(frequency.QuadPart);
    };
    std::vector<double> build, paint, total, stats, drawing;
    const int width = form->iLevelChart1->PlotRect().Width();
    // The thread's processor time as well: on a busy machine the clock on
    // the wall says more about the other programs than about the chart.
    auto cpuMs = [] {
        FILETIME created, exited, kernel, user;
        GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
        auto ms = [](FILETIME t) {
            return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
                   1e4;
        };
        return ms(kernel) + ms(user);
    };
    double repaintCpu = 0;
    for (int i = 0; i < 21; ++i) {
        now += 1000;
        LARGE_INTEGER t0, t1, t2, t3;
        const double cpu0 = cpuMs();
        QueryPerformanceCounter(&t0);
        auto columns = ChartColumns(form->History().Recorder(), now, 24 * 3600, width);
        auto ticks = ChartTimeTicks(form->History().Recorder(), now, 24 * 3600, width);
        QueryPerformanceCounter(&t1);
        form->iLevelChart1->SetData(std::move(columns), std::move(ticks));
        form->iLevelChart1->InvalidateNow();
        UpdateWindow(form->iLevelChart1->Handle());
        QueryPerformanceCounter(&t2);
        repaintCpu += cpuMs() - cpu0;
        const TSpanStats day = SpanStats(form->History().Recorder(), now / 1000 - 86399, now / 1000);
        QueryPerformanceCounter(&t3);
        {
            TBitmap offScreen;
            offScreen.SetSize(form->iLevelChart1->Width(), form->iLevelChart1->Height());
            LARGE_INTEGER d0, d1;
            QueryPerformanceCounter(&d0);
            form->iLevelChart1->iPaintToDC(0, 0, false, offScreen.Canvas()->Handle());
            QueryPerformanceCounter(&d1);
            drawing.push_back(ms(d0, d1));
        }
        build.push_back(ms(t0, t1));
        paint.push_back(ms(t1, t2));
        total.push_back(ms(t0, t2));
        stats.push_back(ms(t2, t3));
        EXPECT_EQ(day.series.size(), 1u);
    }
    for (auto* v : {&build, &paint, &total, &stats, &drawing})
        std::sort(v->begin(), v->end());
    std::printf(
        "[ figure ] chart repaint at the 24-hour span with a full day of data: median %.2f ms (columns %.2f "
        "ms, paint %.2f ms; slowest %.2f ms; %d columns, median of 21)\n",
        total[10], build[10], paint[10], total.back(), width);
    std::printf(
        "[ figure ] chart repaint at the 24-hour span, processor time of the painting thread: %.2f ms a "
        "repaint (mean of 21; load average %s)\n",
        repaintCpu / 21, LoadAverage().c_str());
    std::printf("[ figure ] the chart's drawing alone, into a bitmap: median %.2f ms\n", drawing[10]);
    std::printf("[ figure ] statistics of a full day (Leq, extremes, L10/L50/L90 over 4.32 million levels): "
                "median %.1f ms\n",
                stats[10]);
    form->Free();
    panel_testing::Pump();
}

// What a row of the log costs the window's thread under Wine: written and
// flushed there (as the log did before it had a thread of its own), and
// handed to the log's thread. Figures only.
TEST(HistoryFigures, FigureLogRowOnTheWindowsThread)
{
    const fs::path dir = fs::current_path() / ("orvane-log-figure-" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(dir);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    TSecondRecord r;
    r.count = r.received = r.over = 50;
    r.connectedMs = 1000;
    r.energy = 50 * 1e8f;
    r.minLevel = 78;
    r.maxLevel = 84;
    r.status = TLevelStatus::Ok;
    constexpr int kRows = 200;
    auto perRow = [&](const std::function<void(const std::string&)>& write) {
        LARGE_INTEGER t0, t1;
        QueryPerformanceCounter(&t0);
        for (int i = 0; i < kRows; ++i) {
            r.second = r.wall = 1'700'000'000u + static_cast<uint32_t>(i);
            write(LevelLogRows({&r, 1}));
        }
        QueryPerformanceCounter(&t1);
        return static_cast<double>(t1.QuadPart - t0.QuadPart) * 1e6 /
               static_cast<double>(frequency.QuadPart) / kRows;
    };
    auto direct = TLogFile::Open((dir / "direct.csv").string(), kLevelLogHeader);
    const double written = perRow([&](const std::string& row) { direct->Append(row); });
    double handed = 0;
    {
        TLogWriter writer(TLogFile::Open((dir / "handed.csv").string(), kLevelLogHeader));
        handed = perRow([&](const std::string& row) { writer.Append(row, 1); });
        EXPECT_EQ(writer.Finish().waiting, 0u);
    }
    EXPECT_EQ(Lines(Slurp(dir / "handed.csv")).size(), 1u + kRows);
    std::printf(
        "[ figure ] a log row on the window's thread: %.1f us written and flushed there, %.2f us handed to "
        "the log's thread (mean of %d; load average %s)\n",
        written, handed, kRows, LoadAverage().c_str());
    std::error_code ignored;
    fs::remove_all(dir, ignored);
}

} // namespace
