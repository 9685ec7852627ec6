// The level log: its rows and fields, the local time with its offset, the
// file it appends to, and what happens when writing fails for a moment, for
// a minute, on a full disk, with a second writer or a link in the way.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

#include "history/csvformat.h"
#include "history/levelhistory.h"
#include "history/levelstats.h"
#include "history/statstext.h"
#include "runtime/sysutils.h"

namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void Spit(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

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

class TTempDir {
public:
    TTempDir()
    {
        path_ = fs::temp_directory_path() / ("orvane-levellog-" + std::to_string(std::rand()));
        fs::create_directories(path_);
    }
    ~TTempDir()
    {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    std::string File(const char* name) const { return (path_ / name).string(); }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(path_))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    fs::path path_;
};

// A locale that writes numbers with a decimal comma, for as long as it lives.
class TDecimalCommaLocale {
public:
    TDecimalCommaLocale()
    {
        const char* previous = std::setlocale(LC_ALL, nullptr);
        saved_ = previous ? previous : "C";
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "German_Germany.1252"})
            if (std::setlocale(LC_ALL, name) && std::localeconv()->decimal_point[0] == ',') {
                name_ = name;
                return;
            }
        std::setlocale(LC_ALL, saved_.c_str());
    }
    ~TDecimalCommaLocale() { std::setlocale(LC_ALL, saved_.c_str()); }
    const std::string& Name() const { return name_; }

private:
    std::string saved_, name_;
};

TSecondRecord Second(uint32_t at, uint8_t level, uint16_t count, uint16_t over)
{
    TSecondRecord s;
    s.second = s.wall = at;
    s.count = s.received = count;
    s.connectedMs = 1000;
    s.energy = static_cast<float>(count * std::pow(10.0, level / 10.0));
    s.minLevel = s.maxLevel = level;
    s.over = over;
    s.status = TLevelStatus::Ok;
    return s;
}

TEST(LevelLogText, FieldsFollowRfc4180)
{
    const std::pair<const char*, const char*> cases[] = {
        {"dB(A)", "dB(A)"},
        {"", ""},
        {"no reply", "no reply"},
        {"a,b", "\"a,b\""},
        {"say \"E1\"", "\"say \"\"E1\"\"\""},
        {"two\r\nlines", "\"two\r\nlines\""},
        {"\"", "\"\"\"\""},
    };
    for (const auto& [text, field] : cases)
        EXPECT_EQ(CsvField(text), field) << text;
}

TEST(LevelLogText, RowsCarryBothTimesAndADotWhateverTheLocale)
{
    const TDecimalCommaLocale comma;
    if (comma.Name().empty())
        GTEST_SKIP()
            << "No locale with a decimal comma is installed here (tools/setup-deps installs de_DE.UTF-8): "
               "the rows were not checked against one.";
    TSecondRecord s;
    s.second = s.wall = 1'700'000'000;
    s.count = s.received = 2;
    s.connectedMs = 1000;
    s.energy = 1e6f + 1e7f;
    s.minLevel = 60;
    s.maxLevel = 70;
    s.over = 1;
    s.alarms = 1;
    s.weighting = 1;
    s.offset = -3;
    s.threshold = 65;
    s.status = TLevelStatus::Ok;
    const std::string time = IsoLocalTime(s.wall) + "," + LocalDateTime(s.wall);
    EXPECT_EQ(LevelLogRows({&s, 1}), time + ",67.4,70,60,dB(A),-3,65,0.50,1,ok\r\n");

    TSecondRecord gap;
    gap.second = gap.wall = s.second + 1;
    gap.weighting = 2;
    gap.offset = 4;
    gap.threshold = 100;
    gap.status = TLevelStatus::Disconnected;
    const std::string gapTime = IsoLocalTime(gap.wall) + "," + LocalDateTime(gap.wall);
    EXPECT_EQ(LevelLogRows({&gap, 1}), gapTime + ",,,,dB(C),+4,100,,0,disconnected\r\n");
    gap.status = TLevelStatus::E8;
    gap.weighting = 9;
    EXPECT_EQ(LevelLogRows({&gap, 1}), gapTime + ",,,,input 9,+4,100,,0,E8\r\n");

    // A second with two weightings: two rows with the same time, each with
    // its share of the second over the threshold.
    const TSecondRecord shared[] = {Second(1'700'000'000, 90, 25, 25), Second(1'700'000'000, 70, 25, 0)};
    const auto rows = Lines(LevelLogRows(shared));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].substr(0, 45), rows[1].substr(0, 45));
    EXPECT_EQ(rows[0].substr(45), ",90.0,90,90,dB,0,0,0.50,0,ok");
    EXPECT_EQ(rows[1].substr(45), ",70.0,70,70,dB,0,0,0.00,0,ok");

    EXPECT_EQ(LevelText(67.449), "67.4");
    EXPECT_EQ(LevelText(99.96), "100.0");
}

TEST(LevelLogText, LocalTimeCarriesTheOffsetThatMakesItUtc)
{
    // Whatever zone this machine is in: the text read back, less its offset,
    // is the moment written.
    for (int64_t t : {int64_t{0}, int64_t{951'782'400} /* 2000-02-29 */, int64_t{1'700'000'000},
                      int64_t{4'102'444'799} /* 2099-12-31 23:59:59 UTC */}) {
        const std::string text = IsoLocalTime(t);
        ASSERT_EQ(text.size(), 25u) << text;
        int y, mo, d, h, mi, se, oh, om;
        char sign;
        ASSERT_EQ(std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c%2d:%2d", &y, &mo, &d, &h, &mi, &se,
                              &sign, &oh, &om),
                  9)
            << text;
        const int64_t offset = (sign == '-' ? -1 : 1) * (oh * 3600 + om * 60);
        EXPECT_EQ(DaysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + se - offset, t) << text;
        EXPECT_EQ(offset, UtcOffsetAt(t));
        EXPECT_EQ(LocalDateTime(t), text.substr(0, 10) + " " + text.substr(11, 8)) << "the same local time";
    }
    EXPECT_EQ(DaysFromCivil(1970, 1, 1), 0);
    EXPECT_EQ(DaysFromCivil(2000, 3, 1), 11017);
    EXPECT_EQ(DaysFromCivil(1969, 12, 31), -1);

#ifndef _WIN32
    // A zone with summer time, given as a rule so that no zone files are needed.
    const char* tz = std::getenv("TZ");
    const std::string savedTz = tz ? tz : "";
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    EXPECT_EQ(IsoLocalTime(1'700'000'000), "2023-11-14T23:13:20+01:00");
    EXPECT_EQ(LocalDateTime(1'700'000'000), "2023-11-14 23:13:20");
    EXPECT_EQ(IsoLocalTime(1'690'000'000), "2023-07-22T06:26:40+02:00");
    setenv("TZ", "NST+3:30NDT,M3.2.0,M11.1.0", 1);
    tzset();
    EXPECT_EQ(IsoLocalTime(1'700'000'000), "2023-11-14T18:43:20-03:30");
    if (tz)
        setenv("TZ", savedTz.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
#endif
}

TEST(LevelLogText, TheWindowsFiguresAndTimes)
{
    const std::pair<double, const char*> durations[] = {
        {0, "0:00"}, {4.6, "0:05"}, {59.6, "1:00"}, {754, "12:34"}, {3725, "1:02:05"}, {-3, "0:00"},
    };
    for (const auto& [seconds, text] : durations)
        EXPECT_EQ(DurationText(seconds), text) << seconds;

    TLevelStats s;
    s.weighting = 2;
    s.offset = 3;
    s.leq = 67.449;
    s.lmax = 80;
    s.lmin = 55;
    s.l10 = 78;
    s.l50 = 64;
    s.l90 = 57;
    s.overSeconds = 65;
    s.alarms = 3;
    EXPECT_EQ(StatsColumnText(s), "dB(C)\r\n+3\r\n67.4\r\n80\r\n55\r\n78\r\n64\r\n57\r\n1:05\r\n3");
    TSpanStats offsets;
    offsets.series = {s, s};
    offsets.series[1].offset = -2;
    EXPECT_EQ(StatsNoteText(offsets, false).rfind("The offset changed: each setting has its own column", 0),
              0u)
        << StatsNoteText(offsets, false);
}

TEST(LevelLogFile, StartsContinuesAndRefusesFilesThatAreNoLog)
{
    TTempDir dir;
    const std::string header(kLevelLogHeader);

    // A new file gets the header; rows follow it.
    const std::string fresh = dir.File("fresh.csv");
    TLogFile::Open(fresh, header)->Append("row 1\r\n");
    EXPECT_EQ(Slurp(fresh), header + "\r\nrow 1\r\n");

    // An earlier log is continued, without a second header.
    TLogFile::Open(fresh, header)->Append("row 2\r\n");
    EXPECT_EQ(Slurp(fresh), header + "\r\nrow 1\r\nrow 2\r\n");

    // A row cut short by a crash stays, and the next one starts a new line.
    Spit(fresh, header + "\r\nrow 1\r\nro");
    TLogFile::Open(fresh, header)->Append("row 2\r\n");
    EXPECT_EQ(Slurp(fresh), header + "\r\nrow 1\r\nro\r\nrow 2\r\n");

    // An empty file is a new log.
    const std::string empty = dir.File("empty.csv");
    Spit(empty, "");
    TLogFile::Open(empty, header);
    EXPECT_EQ(Slurp(empty), header + "\r\n");

    // Somebody else's file is refused and left as it was; so is a log of an
    // earlier version, whose columns differ, with a reason of its own.
    const std::string earlier =
        std::string(kEarlierLevelLogHeader) + "\r\n2024-05-01T14:03:07+02:00,60.0\r\n";
    const std::pair<std::string, const char*> others[] = {
        {"Name,Phone\r\nAnn,123\r\n", "is not a level log"},
        {header.substr(0, 10), "is not a level log"},
        {header + "X\r\n", "is not a level log"},
        {earlier, "is a level log of an earlier version"},
    };
    for (const auto& [content, reason] : others) {
        const std::string other = dir.File("other.csv");
        Spit(other, content);
        try {
            TLogFile::Open(other, header, kEarlierLevelLogHeader);
            ADD_FAILURE() << "accepted " << content;
        } catch (const EFOpenError& e) {
            EXPECT_NE(e.Message.find(reason), std::string::npos) << e.Message;
        }
        EXPECT_EQ(Slurp(other), content);
    }

    // A folder that is not there: the reason, not a success.
    EXPECT_THROW(TLogFile::Open(dir.File("no-such-folder/log.csv"), header), EStreamError);
}

TEST(LevelLogFile, ARemovedLogIsReportedNotStartedAgain)
{
    TTempDir dir;
    const std::string path = dir.File("gone.csv");
    auto log = TLogFile::Open(path, kLevelLogHeader);
    fs::remove(path);
    try {
        log->Append("row\r\n");
        ADD_FAILURE() << "the row went nowhere";
    } catch (const EWriteError& e) {
        EXPECT_NE(e.Message.find("gone.csv"), std::string::npos) << e.Message;
        EXPECT_NE(e.Message.find("no longer there"), std::string::npos) << e.Message;
    }
    EXPECT_FALSE(fs::exists(path));
}

// Two logs into one file at once (two panels given the same name): every
// row of each lands whole and once, none over or inside another.
TEST(LevelLogFile, ASecondWriterOnTheSameFileSpoilsNoRow)
{
    TTempDir dir;
    const std::string path = dir.File("shared.csv");
    auto first = TLogFile::Open(path, kLevelLogHeader);
    auto second = TLogFile::Open(path, kLevelLogHeader);
    constexpr int kRows = 300;
    auto write = [](TLogFile& log, const std::string& name) {
        for (int i = 0; i < kRows; ++i)
            log.Append(name + " " + std::to_string(i) + ",with a few more fields to make it longer\r\n");
    };
    std::thread other(write, std::ref(*second), "second");
    write(*first, "first");
    other.join();

    const auto rows = Lines(Slurp(path));
    ASSERT_EQ(rows.size(), 1u + 2 * kRows);
    EXPECT_EQ(rows[0], kLevelLogHeader);
    int next[2] = {0, 0};
    for (size_t i = 1; i < rows.size(); ++i) {
        const int who = rows[i].rfind("first ", 0) == 0 ? 0 : 1;
        const std::string expected = std::string(who == 0 ? "first " : "second ") +
                                     std::to_string(next[who]++) +
                                     ",with a few more fields to make it longer";
        ASSERT_EQ(rows[i], expected) << "row " << i;
    }
    EXPECT_EQ(next[0], kRows);
    EXPECT_EQ(next[1], kRows);
}

#ifndef _WIN32
// The file may grow only so far, as on a full disk: a write that does not
// fit is taken back, so that the file keeps whole rows and the retry adds
// the rows once.
TEST(LevelLogFile, AFullDiskLeavesWholeRowsAndTheRetryAddsThemOnce)
{
    TTempDir dir;
    const std::string path = dir.File("full.csv");
    auto log = TLogFile::Open(path, kLevelLogHeader);
    const std::string row(98, 'x');
    log->Append(row + "\r\n");
    const uintmax_t whole = fs::file_size(path);

    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tight = saved;
    tight.rlim_cur = whole + 150; // room for one row and a half
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    std::string failure;
    try {
        log->Append(row + "\r\n" + row + "\r\n");
    } catch (const EWriteError& e) {
        failure = e.Message;
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_NE(failure.find("full.csv"), std::string::npos) << failure;
    EXPECT_EQ(fs::file_size(path), whole) << "the row and a half that fitted were taken back";
    log->Append(row + "\r\n" + row + "\r\n");
    const auto rows = Lines(Slurp(path));
    ASSERT_EQ(rows.size(), 4u);
    for (size_t i = 1; i < rows.size(); ++i)
        EXPECT_EQ(rows[i], row);
}

// Links at the chosen name: a new log is never created through one, a log
// is never continued into somebody's file through one, and an export
// replaces the link, not what it points to.
TEST(LevelLogFile, ALinkInTheWayIsNeverWrittenThrough)
{
    TTempDir dir;
    const std::string target = dir.File("target.txt"), link = dir.File("log.csv");
    fs::create_symlink(target, link);
    EXPECT_THROW(TLogFile::Open(link, kLevelLogHeader), EFCreateError) << "a dangling link";
    EXPECT_FALSE(fs::exists(target)) << "nothing was created where the link points";

    Spit(target, "somebody's notes\n");
    EXPECT_THROW(TLogFile::Open(link, kLevelLogHeader), EFOpenError);
    EXPECT_EQ(Slurp(target), "somebody's notes\n");

    WriteWholeFile(link, "exported\r\n");
    EXPECT_FALSE(fs::is_symlink(link));
    EXPECT_EQ(Slurp(link), "exported\r\n");
    EXPECT_EQ(Slurp(target), "somebody's notes\n");
}
#endif

TEST(LevelLogFile, AnExportReplacesTheFileOnlyWhenItIsWhole)
{
    TTempDir dir;
    const std::string path = dir.File("export.csv");
    Spit(path, "the last export\r\n");
    WriteWholeFile(path, "the new one\r\n");
    EXPECT_EQ(Slurp(path), "the new one\r\n");
    EXPECT_THROW(WriteWholeFile(dir.File("no-such-folder/export.csv"), "x"), EFCreateError);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"export.csv"}) << "no part file left behind";
}

// A sink that fails the tries that `fails` names (counted from 1), as a
// file held by another program does.
class TFlakySink : public TLogSink {
public:
    TFlakySink(std::vector<std::string>& rows, std::function<bool(int)> fails)
        : rows_(rows), fails_(std::move(fails))
    {
    }
    void Append(std::string_view text) override
    {
        if (fails_(++tries_)) throw EWriteError("Cannot write \"x.csv\": another program holds the file");
        for (const std::string& row : Lines(std::string(text)))
            rows_.push_back(row);
    }
    std::string Name() const override { return "x.csv"; }

private:
    std::vector<std::string>& rows_;
    std::function<bool(int)> fails_;
    int tries_ = 0;
};

// A log on a simulated clock: a second of readings at a time, each
// followed by the writer's try.
struct TLoggedSession {
    TLevelHistory history;
    TTimeMs now = 1'700'000'000'000;
    std::vector<std::string> failures;
    int changes = 0;

    TLoggedSession()
    {
        history.OnLogChanged = [this] { ++changes; };
        history.OnLogFailed = [this](const std::string& what) { failures.push_back(what); };
    }
    void Seconds(int count, uint8_t level = 61)
    {
        for (int s = 0; s < count; ++s) {
            for (int i = 0; i < 50; ++i, now += 20)
                history.Recorder().Add({now, now}, SampleOfReply(level, {1, 0, 3, 100, 100, 100, 1, 10, 10}));
            history.SettleLog();
        }
    }
};

TEST(LevelHistoryLog, AFileHeldForAWhileLosesNoRow)
{
    std::vector<std::string> rows;
    TLoggedSession session;
    session.Seconds(1);
    // Held by another program from the third try to the twelfth: ten seconds.
    session.history.StartLog(std::make_unique<TFlakySink>(rows, [](int t) { return t >= 3 && t <= 12; }));
    session.Seconds(7);
    EXPECT_EQ(rows.size(), 2u);
    EXPECT_EQ(session.history.RowsWaiting(), 5u);
    EXPECT_NE(session.history.LogTrouble().find("another program holds the file"), std::string::npos)
        << session.history.LogTrouble();
    session.Seconds(10);
    EXPECT_TRUE(session.history.Logging()) << "ten seconds is no reason to give up";
    EXPECT_EQ(session.history.RowsWaiting(), 0u);
    EXPECT_EQ(session.history.LogTrouble(), "");
    session.history.StopLog();

    ASSERT_EQ(rows.size(), 17u) << "a row for each second closed while the log ran";
    for (size_t i = 1; i < rows.size(); ++i)
        EXPECT_EQ(std::stoi(rows[i].substr(17, 2)), (std::stoi(rows[i - 1].substr(17, 2)) + 1) % 60)
            << "in order, none twice:\n"
            << rows[i - 1] << "\n"
            << rows[i];
    EXPECT_TRUE(session.failures.empty());
    EXPECT_EQ(session.history.RowsLogged(), 17u);
}

TEST(LevelHistoryLog, AFileThatCannotBeWrittenForAMinuteStopsTheLogAndSaysSoOnce)
{
    std::vector<std::string> rows;
    TLoggedSession session;
    session.Seconds(1);
    session.history.StartLog(std::make_unique<TFlakySink>(rows, [](int t) { return t >= 3; }));
    session.Seconds(TLevelHistory::kLogPatience + 1);
    EXPECT_TRUE(session.history.Logging()) << "not before a minute of failures";
    EXPECT_TRUE(session.failures.empty());
    session.Seconds(5);
    EXPECT_FALSE(session.history.Logging());
    ASSERT_EQ(session.failures.size(), 1u);
    EXPECT_NE(session.failures[0].find("another program holds the file"), std::string::npos)
        << session.failures[0];
    EXPECT_NE(session.failures[0].find("for a minute"), std::string::npos) << session.failures[0];
    EXPECT_NE(session.failures[0].find("61 rows are not in it"), std::string::npos) << session.failures[0];
    EXPECT_EQ(session.changes, 2) << "started, then stopped by the failure";
    EXPECT_EQ(rows.size(), 2u);
    EXPECT_EQ(session.history.RowsLogged(), 2u);
    EXPECT_EQ(TotalStats(session.history.Recorder()).series.at(0).count, 67u * 50) << "recording went on";
}

TEST(LevelHistoryLog, StoppingWithRowsWaitingSaysHowManyAreNotInTheFile)
{
    std::vector<std::string> rows;
    TLoggedSession session;
    session.Seconds(1);
    session.history.StartLog(std::make_unique<TFlakySink>(rows, [](int t) { return t >= 3; }));
    session.Seconds(5);
    session.history.StopLog();
    ASSERT_EQ(session.failures.size(), 1u);
    EXPECT_NE(session.failures[0].find("3 rows are not in it"), std::string::npos) << session.failures[0];

    // Stopped with every row written: nothing to tell.
    TLoggedSession fine;
    fine.Seconds(1);
    fine.history.StartLog(std::make_unique<TFlakySink>(rows, [](int) { return false; }));
    fine.Seconds(3);
    fine.history.StopLog();
    EXPECT_TRUE(fine.failures.empty());
}

TEST(LevelHistoryLog, RowsMatchTheSecondsElapsedAndExportTakesTheSpan)
{
    TTempDir dir;
    TLevelHistory history;
    TTimeMs now = 1'700'000'000'000;
    history.Recorder().Advance({now, now}, true);
    history.StartLog(TLogFile::Open(dir.File("log.csv"), kLevelLogHeader));
    for (int s = 0; s < 5; ++s)
        for (int i = 0; i < 50; ++i, now += 20)
            history.Recorder().Add(
                {now, now}, SampleOfReply(static_cast<uint8_t>(70 + s), {0, 2, 3, 72, 100, 100, 1, 1, 1}));
    // Two seconds unplugged.
    for (const TTimeMs until = now + 2000; now <= until; now += 10)
        history.Recorder().Advance({now, now}, false);
    history.StopLog();

    const std::vector<std::string> lines = Lines(Slurp(dir.File("log.csv")));
    ASSERT_EQ(lines.size(), 8u) << "the header and one row for each of 7 seconds";
    EXPECT_EQ(lines[0], kLevelLogHeader);
    EXPECT_EQ(lines[1].substr(45), ",70.0,70,70,dB,+2,72,0.00,0,ok");
    EXPECT_EQ(lines[3].substr(45), ",72.0,72,72,dB,+2,72,1.00,1,ok");
    EXPECT_EQ(lines[4].substr(45), ",73.0,73,73,dB,+2,72,1.00,0,ok") << "one alarm, however long it lasts";
    EXPECT_EQ(lines[7].substr(45), ",,,,dB,+2,72,,0,disconnected");

    const int64_t first = 1'700'000'000;
    const std::string exported = ExportRows(history.Recorder(), first + 1, first + 2);
    EXPECT_EQ(exported, std::string(kLevelLogHeader) + "\r\n" + lines[2] + "\r\n" + lines[3] + "\r\n");
}

} // namespace
