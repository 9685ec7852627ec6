// The level log: its rows and fields, the local time with its offset, the
// file it appends to, and what happens when writing fails.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "runtime/sysutils.h"
#include "history/csvformat.h"
#include "history/levelhistory.h"
#include "history/levelstats.h"
#include "history/statstext.h"

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

private:
    fs::path path_;
};

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

TEST(LevelLogText, ARowPerSecondWithADotWhateverTheLocale)
{
    // A locale with a decimal comma, where there is one.
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous ? previous : "C";
    for (const char* name : {"de_DE.UTF-8", "de_DE", "German_Germany.1252"})
        if (std::setlocale(LC_ALL, name)) break;

    TSecondRecord s;
    s.second = 1'700'000'000;
    s.count = 2;
    s.energy = 1e6f + 1e7f;
    s.minLevel = 60;
    s.maxLevel = 70;
    s.over = 1;
    s.weighting = 1;
    s.threshold = 65;
    s.status = TLevelStatus::Ok;
    const std::string time = IsoLocalTime(s.second);
    EXPECT_EQ(LevelLogRow(s), time + ",67.4,70,60,dB(A),65,1,ok\r\n");

    TSecondRecord gap;
    gap.second = s.second + 1;
    gap.weighting = 2;
    gap.threshold = 100;
    gap.status = TLevelStatus::Disconnected;
    EXPECT_EQ(LevelLogRow(gap), IsoLocalTime(gap.second) + ",,,,dB(C),100,0,disconnected\r\n");
    gap.status = TLevelStatus::E8;
    gap.weighting = 9;
    EXPECT_EQ(LevelLogRow(gap), IsoLocalTime(gap.second) + ",,,,input 9,100,0,E8\r\n");
    std::setlocale(LC_ALL, saved.c_str());

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
        ASSERT_EQ(std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c%2d:%2d", &y, &mo, &d, &h, &mi, &se, &sign, &oh,
                              &om),
                  9)
            << text;
        const int64_t offset = (sign == '-' ? -1 : 1) * (oh * 3600 + om * 60);
        EXPECT_EQ(DaysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + se - offset, t) << text;
        EXPECT_EQ(offset, UtcOffsetAt(t));
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
    s.leq = 67.449;
    s.lmax = 80;
    s.lmin = 55;
    s.l10 = 78;
    s.l50 = 64;
    s.l90 = 57;
    s.overSeconds = 65;
    s.alarmEvents = 3;
    EXPECT_EQ(StatsColumnText(s), "dB(C)\r\n67.4\r\n80\r\n55\r\n78\r\n64\r\n57\r\n1:05\r\n3");
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

    // Somebody else's file is refused and left as it was.
    for (const std::string& content : {std::string("Name,Phone\r\nAnn,123\r\n"), header.substr(0, 10), header + "X\r\n"}) {
        const std::string other = dir.File("other.csv");
        Spit(other, content);
        try {
            TLogFile::Open(other, header);
            ADD_FAILURE() << "accepted " << content;
        } catch (const EFOpenError& e) {
            EXPECT_NE(e.Message.find("is not a level log"), std::string::npos) << e.Message;
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

// A sink that fails from its third write on.
class TFailingSink : public TLogSink {
public:
    explicit TFailingSink(std::vector<std::string>& rows) : rows_(rows) {}
    void Append(std::string_view text) override
    {
        if (++writes_ >= 3) throw EWriteError("Cannot write \"x.csv\": No space left on device");
        rows_.emplace_back(text);
    }
    std::string Name() const override { return "x.csv"; }

private:
    std::vector<std::string>& rows_;
    int writes_ = 0;
};

TEST(LevelHistoryLog, AFailingWriteStopsTheLogAndSaysSoOnceWhileRecordingGoesOn)
{
    TLevelHistory history;
    std::vector<std::string> rows, failures;
    int changes = 0;
    history.OnLogChanged = [&] { ++changes; };
    history.OnLogFailed = [&](const std::string& reason) { failures.push_back(reason); };

    TTimeMs now = 1'700'000'000'000;
    auto second = [&](uint8_t level) {
        for (int i = 0; i < 50; ++i, now += 20)
            history.Recorder().Add(SampleOfReply(now, level, 1, 100));
    };
    second(60);
    history.StartLog(std::make_unique<TFailingSink>(rows));
    EXPECT_TRUE(history.Logging());
    for (int i = 0; i < 6; ++i)
        second(61);
    EXPECT_FALSE(history.Logging());
    EXPECT_EQ(rows.size(), 2u) << "a row a second until the failure";
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("No space left"), std::string::npos);
    EXPECT_EQ(changes, 2) << "started, then stopped by the failure";
    EXPECT_EQ(history.RowsLogged(), 2u);
    EXPECT_EQ(SpanStats(history.Recorder(), 0, history.Recorder().OpenSecond()).weightings.at(0).count, 350u)
        << "recording went on";
}

TEST(LevelHistoryLog, RowsMatchTheSecondsElapsedAndExportTakesTheSpan)
{
    TTempDir dir;
    TLevelHistory history;
    TTimeMs now = 1'700'000'000'000;
    history.Recorder().Advance(now, true);
    history.StartLog(TLogFile::Open(dir.File("log.csv"), kLevelLogHeader));
    for (int s = 0; s < 5; ++s)
        for (int i = 0; i < 50; ++i, now += 20)
            history.Recorder().Add(SampleOfReply(now, static_cast<uint8_t>(70 + s), 0, 72));
    // Two seconds unplugged.
    for (const TTimeMs until = now + 2000; now <= until; now += 10)
        history.Recorder().Advance(now, false);
    history.StopLog();

    std::istringstream log(Slurp(dir.File("log.csv")));
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 8u) << "the header and one row for each of 7 seconds";
    EXPECT_EQ(lines[0], std::string(kLevelLogHeader) + "\r");
    EXPECT_EQ(lines[1].substr(25), ",70.0,70,70,dB,72,0,ok\r");
    EXPECT_EQ(lines[3].substr(25), ",72.0,72,72,dB,72,1,ok\r");
    EXPECT_EQ(lines[7].substr(25), ",,,,dB,72,0,disconnected\r");

    const int64_t first = 1'700'000'000;
    const std::string exported = ExportRows(history.Recorder(), first + 1, first + 2);
    EXPECT_EQ(exported, std::string(kLevelLogHeader) + "\r\n" + lines[2] + "\n" + lines[3] + "\n");
    WriteWholeFile(dir.File("export.csv"), exported);
    EXPECT_EQ(Slurp(dir.File("export.csv")), exported);
}

} // namespace
